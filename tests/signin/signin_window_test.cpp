// The main window's part in signing in: oauth.ini read at start, a withdrawn sign-in left alone by
// the scheduler, and a rotated refresh token saved in the entry list as soon as its check ends.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "signin/oauth_providers.h"
#include "storage/entry_list.h"

namespace {

class SignInWindow : public ::testing::Test {
protected:
    ~SignInWindow() override { resetOAuthProviders(); }

    bool logged(const std::string& part) const { return h.log().find(part) != std::string::npos; }

    // One enabled, always connected Microsoft entry.
    void writeSignedInEntry(int32_t security, const char* refreshToken)
    {
        h.writeEntryList([=](EntryList& list) {
            MailboxEntry* e = list.addNew();
            e->setName("outlook");
            e->setServer("127.0.0.1");
            e->port = 1; // nothing listens: a check that connects fails quickly
            e->connectionMode = AlwaysConnected;
            e->security = security;
            e->signIn = SignInMicrosoft;
            e->setAccount("user@example.org");
            e->setRefreshToken(refreshToken);
        });
    }

    MainWindowHarness h;
};

} // namespace

TEST_F(SignInWindow, OAuthIniIsReadAtStartAndWhatItIgnoresIsLoggedOnce)
{
    h.writeOneIdleEntry();
    writeWholeFile(h.folder.file("oauth.ini"), "[microsoft]\r\nclient_id=from-the-file\r\n"
                                               "[yahoo]\r\nclient_id=x\r\n[google]\r\nredirect=x\r\n");
    ASSERT_NE(nullptr, h.open());
    EXPECT_EQ("from-the-file", oauthProviderFor(SignInMicrosoft)->clientId);
    EXPECT_EQ(1, h.logCount("warning: oauth.ini holds sections, keys or lines this program does not know; "
                            "they are ignored"));
}

TEST_F(SignInWindow, AStartWithoutOAuthIniKeepsTheBuiltInsAndSaysNothing)
{
    oauthProviderFor(SignInMicrosoft)->clientId = "left over from before";
    h.writeOneIdleEntry();
    ASSERT_NE(nullptr, h.open());
    EXPECT_EQ("", oauthProviderFor(SignInMicrosoft)->clientId); // built without a client id
    EXPECT_FALSE(logged("oauth.ini"));
}

TEST_F(SignInWindow, AWithdrawnSignInIsNotCheckedUntilTheUserSignsIn)
{
    writeSignedInEntry(SecuritySslTls, "rt-withdrawn");
    ASSERT_NE(nullptr, h.open());
    MailboxEntry* e = h.entry(0);
    e->signInSession.expired = true;
    h.tick();
    h.pump(200);
    EXPECT_FALSE(e->isCheckRunning());
    EXPECT_FALSE(logged("outlook: checking"));

    e->signInSession.expired = false; // signed in again
    h.tick();
    EXPECT_TRUE(logged("outlook: checking"));
    h.waitForIdleChecks();
}

TEST_F(SignInWindow, ARotatedRefreshTokenIsSavedWhenTheCheckEnds)
{
    writeSignedInEntry(SecurityNone, "rt-old"); // fails at once for want of TLS, without network
    ASSERT_NE(nullptr, h.open());
    MailboxEntry* e = h.entry(0);
    EnterCriticalSection(&e->lock);
    e->signInSession.rotatedRefreshToken = "rt-rotated";
    LeaveCriticalSection(&e->lock);
    h.tick();
    ASSERT_TRUE(h.pumpUntil([&] { return logged("secure connection"); }, 10000)) << h.log();
    h.waitForIdleChecks();
    EXPECT_STREQ("rt-rotated", e->refreshToken);
    EXPECT_TRUE(logged("outlook: error: a signed-in entry needs a secure connection; choose STLS or SSL/TLS"));

    EntryList saved;
    ASSERT_TRUE(saved.load(h.folder.file("default.tsl").c_str()));
    ASSERT_NE(nullptr, saved.head);
    EXPECT_STREQ("rt-rotated", saved.head->refreshToken);
    EXPECT_FALSE(logged("rt-"));
}
