// The token service over real HTTPS (WinHTTP under Wine) against the local authorization server:
// refresh with rotation, invalid_grant, answers no service should give, and waits that must end.
#include <gtest/gtest.h>
#include "signin/https_client.h"
#include "signin/signin_result.h"
#include "signin/test_browser.h"
#include "signin/token_service.h"
#include "support/seam_override.h"
#include "storage/mailbox_entry.h"
#include <thread>

namespace {

class TokenServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(getenv("TESSARY_OAUTH_OAUTH_PORT")) << "run through tests/support/with-oauth-server";
        ASSERT_TRUE(testCaTrusted());
        pointMicrosoftAtTestServer();
    }
    void TearDown() override
    {
        resetOAuthProviders();
        CloseHandle(stopEvent);
    }

    int refresh(const std::string& token, const std::string& scenario = "")
    {
        pointMicrosoftAtTestServer(scenario);
        return refreshAccessToken(*oauthProviderFor(SignInMicrosoft), token, stopEvent, answer, why, sizeof why);
    }

    TokenAnswer answer;
    char why[256] = "";
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

} // namespace

TEST_F(TokenServiceTest, RefreshGivesAnAccessTokenAndRotatesTheRefreshToken)
{
    ASSERT_EQ(signInOk, refresh("seed-rotation")) << why;
    EXPECT_EQ("at-", answer.accessToken.substr(0, 3));
    EXPECT_EQ(3600, answer.expiresIn);
    std::string rotated = answer.refreshToken;
    EXPECT_EQ("rt-", rotated.substr(0, 3));

    // The old token is void once rotated; the new one works once.
    EXPECT_EQ(signInExpired, refresh("seed-rotation"));
    EXPECT_STREQ("error: the sign-in has expired or was withdrawn; open the entry and sign in again", why);
    ASSERT_EQ(signInOk, refresh(rotated)) << why;
    EXPECT_NE(rotated, answer.refreshToken);
}

TEST_F(TokenServiceTest, ClientSecretGoesWithTheRequestWhereTheProviderHasOne)
{
    pointMicrosoftAtTestServer();
    OAuthProvider provider = *oauthProviderFor(SignInMicrosoft);
    provider.clientId = "google-client"; // the server insists on its secret
    EXPECT_EQ(signInServiceFailed, refreshAccessToken(provider, "seed-secret-1", stopEvent, answer, why, sizeof why));
    EXPECT_STREQ("error: the sign-in service refused the request (invalid_client)", why);
    provider.clientSecret = "google-secret";
    EXPECT_EQ(signInOk, refreshAccessToken(provider, "seed-secret-2", stopEvent, answer, why, sizeof why)) << why;
}

TEST_F(TokenServiceTest, AnswersNoServiceShouldGiveAreTheServicesFault)
{
    struct {
        const char* scenario;
        const char* line;
    } cases[] = {
        { "/malformed", "error: the sign-in service gave an answer that makes no sense (HTTP status 200)" },
        { "/wrongtype", "error: the sign-in service gave an answer that makes no sense (HTTP status 200)" },
        { "/html", "error: the sign-in service gave an answer that makes no sense (HTTP status 502)" },
        { "/oversized", "error: the sign-in service's answer was larger than 65536 bytes" },
        { "/refused", "error: the sign-in service refused the request (invalid_client)" },
        { "/nowhere", "error: the sign-in service gave an answer that makes no sense (HTTP status 404)" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(signInServiceFailed, refresh("seed-bad", c.scenario)) << c.scenario;
        EXPECT_STREQ(c.line, why) << c.scenario;
        EXPECT_EQ("", answer.accessToken) << c.scenario;
    }
}

TEST_F(TokenServiceTest, AServerThatNeverAnswersEndsAtTheTimeOut)
{
    SeamOverride<volatile LONG> shortWait(httpsTimeoutMs, 1500);
    DWORD started = GetTickCount();
    EXPECT_EQ(signInServiceFailed, refresh("seed-silent", "/silent"));
    DWORD took = GetTickCount() - started;
    EXPECT_STREQ("error: the sign-in service did not answer in time", why);
    EXPECT_GE(took, 1400u);
    EXPECT_LT(took, 10000u);
}

TEST_F(TokenServiceTest, TheStopEventEndsTheWait)
{
    std::thread stopper([this] {
        Sleep(800);
        SetEvent(stopEvent);
    });
    DWORD started = GetTickCount();
    EXPECT_EQ(signInCancelled, refresh("seed-stopped", "/silent"));
    DWORD took = GetTickCount() - started;
    stopper.join();
    EXPECT_GE(took, 700u);
    EXPECT_LT(took, 10000u);
}

TEST_F(TokenServiceTest, NoConnectionAndNoPlainTextEndpoints)
{
    pointMicrosoftAtTestServer();
    OAuthProvider provider = *oauthProviderFor(SignInMicrosoft);
    provider.token = "https://localhost:1/token";
    EXPECT_EQ(signInServiceFailed, refreshAccessToken(provider, "seed-x", stopEvent, answer, why, sizeof why));
    EXPECT_EQ(0, strncmp(why, "error: the sign-in service could not be reached (error 120", 58)) << why;
    provider.token = "http://localhost/token";
    EXPECT_EQ(signInServiceFailed, refreshAccessToken(provider, "seed-x", stopEvent, answer, why, sizeof why));
    EXPECT_STREQ("error: the sign-in service's address is not an https:// address", why);
}

TEST_F(TokenServiceTest, WithoutClientIdOrWinHttpNothingIsSent)
{
    pointMicrosoftAtTestServer();
    OAuthProvider provider = *oauthProviderFor(SignInMicrosoft);
    provider.clientId.clear();
    EXPECT_EQ(signInNoClientId, refreshAccessToken(provider, "seed-none", stopEvent, answer, why, sizeof why));
    EXPECT_STREQ("error: no client id is set for this sign-in; the help says how to register one", why);

    SeamOverride<HMODULE (WINAPI *)(LPCSTR)> missing(winHttpLibraryCalls.LoadLibraryA,
                                                     [](LPCSTR) -> HMODULE { return nullptr; });
    EXPECT_FALSE(winHttpAvailable());
    EXPECT_EQ(signInUnavailable, refresh("seed-older-system"));
    EXPECT_STREQ("error: sign-in not available on this system", why);
}
