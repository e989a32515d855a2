// The device code flow against the local authorization server: pending polls, slow_down honoured,
// an expired code, a refusal, a broken device answer, and cancelling while polling.
#include <gtest/gtest.h>
#include "signin/device_sign_in.h"
#include "signin/signin_result.h"
#include "signin/test_browser.h"
#include "storage/mailbox_entry.h"
#include "support/seam_override.h"
#include <thread>

namespace {

class DeviceSignInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testCaTrusted()) << "run through tests/support/with-oauth-server";
        pointMicrosoftAtTestServer();
    }
    void TearDown() override
    {
        resetOAuthProviders();
        CloseHandle(stopEvent);
    }

    // A code from the scenario's device endpoint, then polling until the end; how long it took.
    int signIn(const std::string& scenario, DWORD& took)
    {
        OAuthProvider& provider = *oauthProviderFor(SignInMicrosoft);
        provider.device = oauthServer(scenario + "/devicecode");
        DeviceCode code;
        int result = requestDeviceCode(provider, stopEvent, code, why, sizeof why);
        if (result != signInOk)
            return result;
        EXPECT_EQ("ABCD-EFGH", code.userCode);
        EXPECT_EQ("https://localhost/devicelogin", code.verificationUri);
        DWORD started = GetTickCount();
        result = pollDeviceCode(provider, code, stopEvent, answer, why, sizeof why);
        took = GetTickCount() - started;
        return result;
    }

    SeamOverride<volatile LONG> quickSeconds{ deviceIntervalUnitMs, 100 };
    TokenAnswer answer;
    char why[256] = "";
    DWORD took = 0;
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

} // namespace

TEST_F(DeviceSignInTest, PollsWhilePendingThenTakesTheTokens)
{
    ASSERT_EQ(signInOk, signIn("", took)) << why;
    EXPECT_EQ("rt-", answer.refreshToken.substr(0, 3));
    EXPECT_GE(took, 300u); // three polls, an interval before each
}

TEST_F(DeviceSignInTest, SlowDownAddsFiveSecondsToTheInterval)
{
    ASSERT_EQ(signInOk, signIn("/slow", took)) << why;
    EXPECT_GE(took, 1300u); // 1, then 6 and 6 interval seconds
}

TEST_F(DeviceSignInTest, ExpiredDeniedAndBrokenAnswersEndTheSignIn)
{
    EXPECT_EQ(signInCancelled, signIn("/expire", took));
    EXPECT_STREQ("error: the code expired before the sign-in was finished", why);
    EXPECT_EQ(signInRefusedByUser, signIn("/deny", took));
    EXPECT_STREQ("error: the sign-in was refused in the browser (access_denied)", why);
    EXPECT_EQ(signInServiceFailed, signIn("/garbage", took));
    EXPECT_STREQ("error: the sign-in service gave an answer that makes no sense (HTTP status 200)", why);
    EXPECT_EQ("", answer.refreshToken);
}

TEST_F(DeviceSignInTest, CancellingEndsThePollingAtOnce)
{
    SeamOverride<volatile LONG> slowSeconds(deviceIntervalUnitMs, 60000);
    std::thread cancel([this] {
        Sleep(300);
        SetEvent(stopEvent);
    });
    EXPECT_EQ(signInCancelled, signIn("", took));
    cancel.join();
    EXPECT_LT(took, 5000u);
    EXPECT_STREQ("error: the sign-in was cancelled", why);
}

TEST_F(DeviceSignInTest, GoogleHasNoDeviceFlow)
{
    DeviceCode code;
    EXPECT_EQ(signInServiceFailed, requestDeviceCode(*oauthProviderFor(SignInGoogle), stopEvent, code, why, sizeof why));
    EXPECT_STREQ("error: this provider has no sign-in with a code", why);
}
