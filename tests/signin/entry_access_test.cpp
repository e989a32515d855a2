// Access tokens for an entry's checks: kept while they last, refreshed with less than five minutes
// left, the rotated refresh token handed over for saving, and a withdrawn sign-in not tried again.
#include <gtest/gtest.h>
#include "signin/entry_access.h"
#include "signin/oauth_providers.h"
#include "signin/signin_result.h"
#include "signin/test_browser.h"
#include "storage/mailbox_entry.h"

namespace {

unsigned long long utcNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

const unsigned long long oneMinute = 60ull * 10000000;

class EntryAccessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(getenv("TESSARY_OAUTH_OAUTH_PORT")) << "run through tests/support/with-oauth-server";
        pointMicrosoftAtTestServer();
        entry.signIn = SignInMicrosoft;
        entry.security = SecuritySslTls;
        entry.setAccount("user@example.org");
    }
    void TearDown() override { resetOAuthProviders(); }

    int access() { return accessTokenForCheck(entry, nullptr, token, why, sizeof why); }

    MailboxEntry entry;
    std::string token;
    char why[256] = "";
};

} // namespace

TEST_F(EntryAccessTest, ATokenWithMoreThanFiveMinutesLeftIsUsedWithoutAsking)
{
    entry.signInSession.accessToken = "at-cached";
    entry.signInSession.expiresAt = utcNow() + 6 * oneMinute;
    oauthProviderFor(SignInMicrosoft)->token = oauthServer("/silent/token"); // would hang if asked
    ASSERT_EQ(signInOk, access());
    EXPECT_EQ("at-cached", token);
}

TEST_F(EntryAccessTest, ATokenWithLessThanFiveMinutesLeftIsRefreshedAndTheRotationKept)
{
    entry.setRefreshToken("seed-entry-rotation");
    entry.signInSession.accessToken = "at-cached";
    entry.signInSession.expiresAt = utcNow() + 4 * oneMinute;
    ASSERT_EQ(signInOk, access()) << why;
    EXPECT_EQ("at-", token.substr(0, 3));
    EXPECT_NE("at-cached", token);
    EXPECT_GT(entry.signInSession.expiresAt, utcNow() + 55 * oneMinute);

    // The next check uses the rotated token even before the window thread saved it.
    std::string rotated = entry.signInSession.rotatedRefreshToken;
    EXPECT_EQ("rt-", rotated.substr(0, 3));
    entry.signInSession.forgetAccessToken();
    ASSERT_EQ(signInOk, access()) << why;
    EXPECT_NE(rotated, entry.signInSession.rotatedRefreshToken);

    ASSERT_TRUE(adoptRotatedRefreshToken(entry));
    EXPECT_STREQ(entry.refreshToken, entry.signInSession.rotatedRefreshToken.empty() ? entry.refreshToken : "");
    EXPECT_EQ("rt-", std::string(entry.refreshToken).substr(0, 3));
    EXPECT_FALSE(adoptRotatedRefreshToken(entry)); // nothing more to save
}

TEST_F(EntryAccessTest, InvalidGrantMarksTheEntryAndIsNotTriedAgain)
{
    entry.setRefreshToken("rt-revoked-long-ago");
    EXPECT_EQ(signInExpired, access());
    EXPECT_TRUE(signInWithdrawn(entry));
    // No request now: the token endpoint would hang.
    oauthProviderFor(SignInMicrosoft)->token = oauthServer("/silent/token");
    DWORD started = GetTickCount();
    EXPECT_EQ(signInExpired, access());
    EXPECT_LT(GetTickCount() - started, 1000u);
    EXPECT_STREQ("error: the sign-in has expired or was withdrawn; open the entry and sign in again", why);

    // Signing in again (a new refresh token through the edit dialog) starts afresh.
    MailboxEntry edited;
    edited.copyFrom(entry);
    edited.setRefreshToken("seed-after-sign-in");
    entry.copyFrom(edited);
    EXPECT_FALSE(signInWithdrawn(entry));
    pointMicrosoftAtTestServer();
    EXPECT_EQ(signInOk, access()) << why;
}

TEST_F(EntryAccessTest, NotSignedInAndNoClientIdNeedNoNetwork)
{
    EXPECT_EQ(signInNotSignedIn, access());
    EXPECT_STREQ("error: this entry is not signed in yet; open it and choose Sign in", why);
    entry.setRefreshToken("seed-x");
    oauthProviderFor(SignInMicrosoft)->clientId.clear();
    EXPECT_EQ(signInNoClientId, access());
}
