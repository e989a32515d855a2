// The browser sign-in end to end against the local authorization server: the test browser follows
// the authorize address to the loopback redirect, and what comes back decides the result.
#include <gtest/gtest.h>
#include "signin/browser_sign_in.h"
#include "signin/signin_result.h"
#include "signin/token_service.h"
#include "signin/test_browser.h"
#include "signin/web_encoding.h"
#include "storage/mailbox_entry.h"
#include "support/seam_override.h"
#include <thread>

namespace {

class BrowserSignInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(getenv("TESSARY_OAUTH_OAUTH_PORT")) << "run through tests/support/with-oauth-server";
        pointMicrosoftAtTestServer();
    }
    void TearDown() override
    {
        resetOAuthProviders();
        CloseHandle(stopEvent);
    }

    int signIn(const char* account)
    {
        return signInWithBrowser(*oauthProviderFor(SignInMicrosoft), account, nullptr, stopEvent, answer, why,
                                 sizeof why);
    }

    SeamOverride<volatile LONG> shortWait{ browserSignInTimeoutMs, 20000 };
    TokenAnswer answer;
    char why[256] = "";
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

std::string queryOf(const std::string& address)
{
    size_t question = address.find('?');
    return question == std::string::npos ? "" : address.substr(question + 1);
}

} // namespace

TEST_F(BrowserSignInTest, CodeWithPkceGivesTheTokens)
{
    TestBrowser browser;
    ASSERT_EQ(signInOk, signIn("user@example.org")) << why;
    EXPECT_EQ("at-", answer.accessToken.substr(0, 3));
    EXPECT_EQ("rt-", answer.refreshToken.substr(0, 3));
    EXPECT_EQ(1, browser.launches());

    // The authorize address asks for a code with an S256 challenge and a loopback redirect.
    std::string query = queryOf(browser.address());
    std::string value;
    ASSERT_TRUE(queryValue(query, "redirect_uri", value));
    EXPECT_EQ("http://127.0.0.1:", value.substr(0, 17));
    ASSERT_TRUE(queryValue(query, "code_challenge_method", value));
    EXPECT_EQ("S256", value);
    ASSERT_TRUE(queryValue(query, "scope", value));
    EXPECT_EQ("https://outlook.office.com/POP.AccessAsUser.All offline_access", value);
    ASSERT_TRUE(queryValue(query, "login_hint", value));
    EXPECT_EQ("user@example.org", value);
    EXPECT_FALSE(queryValue(query, "access_type", value));
    EXPECT_NE(std::string::npos, browser.page().find("Signed in"));
}

TEST_F(BrowserSignInTest, GoogleIsAskedForOfflineAccessToGiveARefreshToken)
{
    OAuthProvider google = *oauthProviderFor(SignInGoogle);
    std::string address = authorizeAddress(google, "http://127.0.0.1:1/", "s", "c", nullptr);
    std::string query = queryOf(address);
    std::string value;
    ASSERT_TRUE(queryValue(query, "access_type", value));
    EXPECT_EQ("offline", value);
    ASSERT_TRUE(queryValue(query, "prompt", value));
    EXPECT_EQ("consent", value);
    EXPECT_FALSE(queryValue(query, "login_hint", value));
    EXPECT_EQ(0u, address.find("https://accounts.google.com/o/oauth2/v2/auth?client_id="));
}

TEST_F(BrowserSignInTest, ARedirectWithAnotherStateIsRefused)
{
    TestBrowser browser;
    EXPECT_EQ(signInServiceFailed, signIn("wrong-state@test"));
    EXPECT_STREQ("error: the browser's answer does not belong to this sign-in", why);
    EXPECT_EQ("", answer.refreshToken);
    EXPECT_NE(std::string::npos, browser.page().find("Sign-in failed"));
}

TEST_F(BrowserSignInTest, ARedirectWithoutCodeIsRefused)
{
    TestBrowser browser;
    EXPECT_EQ(signInServiceFailed, signIn("no-code@test"));
    EXPECT_STREQ("error: the browser's answer holds no authorization code", why);
}

TEST_F(BrowserSignInTest, AccessDeniedInTheBrowser)
{
    TestBrowser browser;
    EXPECT_EQ(signInRefusedByUser, signIn("deny@test"));
    EXPECT_STREQ("error: the sign-in was refused in the browser (access_denied)", why);
    EXPECT_NE(std::string::npos, browser.page().find("Sign-in refused"));
}

TEST_F(BrowserSignInTest, AVerifierThatDoesNotMatchIsRefusedByTheServer)
{
    // The redirect is taken from a first sign-in and replayed to a second listener: its code is
    // bound to the first sign-in's challenge and redirect address and cannot be redeemed again.
    TestBrowser browser;
    ASSERT_EQ(signInOk, signIn("user@example.org")) << why;
    TokenAnswer replayed;
    OAuthProvider& provider = *oauthProviderFor(SignInMicrosoft);
    std::string code;
    ASSERT_TRUE(queryValue(queryOf(browser.redirect()), "code", code));
    std::string redirectUri;
    ASSERT_TRUE(queryValue(queryOf(browser.address()), "redirect_uri", redirectUri));
    EXPECT_EQ(signInExpired, redeemAuthorizationCode(provider, code, "another-verifier-of-43-characters-aaaaaaaaa",
                                                     redirectUri, stopEvent, replayed, why, sizeof why));
}

TEST_F(BrowserSignInTest, CancelAndTimeOutEndTheWaitForTheBrowser)
{
    TestBrowser idle(false);
    std::thread cancel([this] {
        Sleep(500);
        SetEvent(stopEvent);
    });
    DWORD started = GetTickCount();
    EXPECT_EQ(signInCancelled, signIn("user@example.org"));
    cancel.join();
    EXPECT_LT(GetTickCount() - started, 10000u);
    EXPECT_STREQ("error: the sign-in was cancelled", why);

    ResetEvent(stopEvent);
    SeamOverride<volatile LONG> quick(browserSignInTimeoutMs, 300);
    EXPECT_EQ(signInCancelled, signIn("user@example.org"));
    EXPECT_STREQ("error: the sign-in was not finished in the browser in time", why);
}

TEST_F(BrowserSignInTest, WithoutClientIdTheBrowserIsNeverOpened)
{
    TestBrowser browser;
    oauthProviderFor(SignInMicrosoft)->clientId.clear();
    EXPECT_EQ(signInNoClientId, signIn("user@example.org"));
    EXPECT_EQ(0, browser.launches());
}
