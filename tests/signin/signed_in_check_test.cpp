// A signed-in entry's whole check on the check worker's thread: refresh at the local authorization
// server, then AUTH XOAUTH2 over TLS at its POP3 server, which takes only the tokens it issued.
#include <gtest/gtest.h>
#include "mailcheck/session_limits.h"
#include "platform/messages.h"
#include "signin/entry_access.h"
#include "signin/oauth_providers.h"
#include "signin/signin_result.h"
#include "signin/test_browser.h"
#include "storage/mailbox_entry.h"
#include "support/recording_window.h"
#include "support/seam_override.h"
#include <cstdlib>

namespace {

class SignedInCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(getenv("TESSARY_OAUTH_POP3S_PORT")) << "run through tests/support/with-oauth-server";
        pointMicrosoftAtTestServer();
        entry.setName("signed in");
        entry.setServer("localhost");
        entry.port = atoi(getenv("TESSARY_OAUTH_POP3S_PORT"));
        entry.security = SecuritySslTls;
        entry.signIn = SignInMicrosoft;
        entry.setAccount("user@example.org");
        entry.setUser("not-the-account");
        entry.setPassword("never-sent");
    }
    void TearDown() override
    {
        entry.stopCheck(false);
        resetOAuthProviders();
    }

    void check()
    {
        size_t before = window.countOf(WM_CHECK_DONE);
        ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
        for (DWORD waited = 0; window.countOf(WM_CHECK_DONE) == before && waited < 30000; waited += 100)
            window.pumpFor(100);
        ASSERT_GT(window.countOf(WM_CHECK_DONE), before);
        entry.stopCheck(false);
    }

    std::string detail()
    {
        return entry.lastResultDetail ? entry.lastResultDetail : "(none)";
    }

    SeamOverride<volatile LONG> timeout{ serverTimeoutMs, 10000 };
    RecordingWindow window;
    MailboxEntry entry;
};

} // namespace

TEST_F(SignedInCheckTest, RefreshesThenCountsWithTheTokenAndKeepsTheRotation)
{
    entry.setRefreshToken("seed-check");
    check();
    EXPECT_EQ(2, entry.getLastResult()) << detail();
    ASSERT_EQ(2, entry.headerCount);
    EXPECT_NE(nullptr, strstr(entry.getHeader(1), "Subject: signed-in message 2"));
    // The stored token is void now; the rotated one waits for the window thread to save it.
    ASSERT_TRUE(adoptRotatedRefreshToken(entry));
    EXPECT_EQ("rt-", std::string(entry.refreshToken).substr(0, 3));

    // The second check uses the access token it has: the token endpoint would hang if asked.
    oauthProviderFor(SignInMicrosoft)->token = oauthServer("/silent/token");
    check();
    EXPECT_EQ(2, entry.getLastResult()) << detail();
}

TEST_F(SignedInCheckTest, ATokenTheServerRefusesIsForgottenForTheNextCheck)
{
    entry.setRefreshToken("seed-refused");
    unsigned long long farAway = ~0ull >> 1;
    entry.signInSession.accessToken = "at-the-server-never-issued";
    entry.signInSession.expiresAt = farAway;
    check();
    EXPECT_EQ(signInTokenRefused, entry.getLastResult());
    EXPECT_EQ("error: the mail server refused the sign-in token (status 401)", detail());
    EXPECT_EQ("", entry.signInSession.accessToken);
    // The next check gets a new token and gets in.
    check();
    EXPECT_EQ(2, entry.getLastResult()) << detail();
}

TEST_F(SignedInCheckTest, AWithdrawnSignInFailsOnceThenWaitsForTheUser)
{
    entry.setRefreshToken("rt-withdrawn");
    check();
    EXPECT_EQ(signInExpired, entry.getLastResult());
    EXPECT_EQ("error: the sign-in has expired or was withdrawn; open the entry and sign in again", detail());
    EXPECT_TRUE(signInWithdrawn(entry));
}

TEST_F(SignedInCheckTest, WithoutTlsOrSignInNothingIsSent)
{
    entry.security = SecurityNone;
    entry.setRefreshToken("seed-plain");
    check();
    EXPECT_EQ(signInNeedsTls, entry.getLastResult());
    entry.security = SecuritySslTls;
    entry.setRefreshToken(nullptr);
    check();
    EXPECT_EQ(signInNotSignedIn, entry.getLastResult());
    EXPECT_EQ("error: this entry is not signed in yet; open it and choose Sign in", detail());
}
