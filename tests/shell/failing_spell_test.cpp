// Failures that reach the user: one alert per failing spell, at once for a failure only the user
// can mend and after three in a row otherwise, the error tray icon until every failing entry has
// succeeded once, and none of the new-mail actions for a failed check.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/standin_worker.h"
#include "shell/failing_spells.h"
#include "shell/tray_icon.h"
#include "mailcheck/imap_session.h"
#include "mailcheck/pop3_session.h"
#include "signin/signin_result.h"
#include "platform/messages.h"
#include <string>

namespace {

class FailingSpell : public ::testing::Test {
protected:
    MainWindowHarness h;

    void SetUp() override
    {
        h.writeEntryList([](EntryList& list) {
            for (const char* name : { "work", "home" }) {
                MailboxEntry* e = list.addNew();
                e->setName(name);
                e->setServer("pop.example.org");
                e->playSoundOnMail = e->playSoundOnNoMail = true;
                e->setMailSoundFile("mail.wav");
                e->setNoMailSoundFile("nomail.wav");
                e->runMailProgram = true;
                e->setMailProgramPath("mail.exe");
            }
        });
        ASSERT_NE(nullptr, h.open());
        app.settings.speakCheckResults = 0;
    }
    void finish(int index, int result)
    {
        MailboxEntry* entry = h.entry(index);
        startStandInWorker(*entry, StandInBehaviour::EndsOnStop);
        entry->setLastResult(result);
        SendMessageA(h.window(), WM_CHECK_DONE, reinterpret_cast<WPARAM>(entry), 0);
    }
    int alerts(const std::string& name) const { return h.logCount("warning: " + name + " cannot be checked: "); }
    bool showsErrorIcon() const { return app.shownTrayIcon == app.trayErrorIcon && app.trayErrorIcon; }
};

TEST_F(FailingSpell, FiveUnreachableChecksInARowGiveOneAlertAndTheIconUntilASuccess)
{
    finish(0, pop3NoConnection);
    finish(0, pop3NoConnection);
    EXPECT_EQ(0, alerts("work"));
    EXPECT_FALSE(showsErrorIcon());
    finish(0, pop3NoConnection);
    EXPECT_EQ(1, h.logCount("warning: work cannot be checked: the server cannot be reached"));
    EXPECT_TRUE(showsErrorIcon());
    finish(0, pop3NoConnection);
    finish(0, pop3NoConnection);
    EXPECT_EQ(1, alerts("work"));
    EXPECT_EQ(1, CountFailingEntries());

    finish(0, 0);
    EXPECT_FALSE(showsErrorIcon());
    EXPECT_EQ(app.trayIcon, app.shownTrayIcon);
    EXPECT_EQ(0, CountFailingEntries());

    // A success also restarts the count: two failures after it are no spell, a third starts the next.
    finish(0, pop3TopBroken);
    finish(0, pop3TopBroken);
    finish(0, 2);
    finish(0, pop3TopBroken);
    finish(0, pop3TopBroken);
    EXPECT_EQ(1, alerts("work"));
    finish(0, pop3TopBroken);
    EXPECT_EQ(1, h.logCount("warning: work cannot be checked: the server broke off the check (error -102)"));
    EXPECT_EQ(2, alerts("work"));
}

TEST_F(FailingSpell, FailuresOnlyTheUserCanMendAlertAtOnce)
{
    const struct {
        int code;
        const char* words;
    } mended[] = {
        { pop3UserRefused, "the server refused the user name" },
        { pop3PassRefused, "the server refused the password" },
        { pop3PasswordUnreadable, "the stored password cannot be read; enter it again" },
        { pop3CertificateUntrusted, "the server's certificate is not trusted" },
        { pop3CertificateNameMismatch, "the server's certificate names another server" },
        { pop3CertificatePinMismatch, "the server's certificate has changed" },
        { pop3StlsNotOffered, "the server does not offer STLS" },
        { pop3StlsRefused, "the server refused STLS" },
        { pop3TlsUnavailable, "TLS is not available on this system" },
        { imapLoginRefused, "the server refused the login" },
        { imapStarttlsRefused, "the server refused STARTTLS" },
        { imapFolderRefused, "the server cannot open the folder" },
        { signInExpired, "the sign-in has expired or was withdrawn; sign in again" },
        { signInTokenRefused, "the mail server refused the sign-in" },
    };
    for (const auto& failure : mended) {
        SCOPED_TRACE(failure.words);
        finish(0, failure.code);
        EXPECT_EQ(1, h.logCount(std::string("warning: work cannot be checked: ") + failure.words));
        EXPECT_TRUE(showsErrorIcon());
        finish(0, 1);
        stopTrayAnimation(h.window()); // the blinking for the message ends on the normal icon
        EXPECT_FALSE(showsErrorIcon());
    }
}

TEST_F(FailingSpell, TheIconStaysUntilEveryFailingEntryHasSucceededOnce)
{
    finish(0, pop3PassRefused);
    finish(1, pop3CertificatePinMismatch);
    EXPECT_EQ(2, CountFailingEntries());
    finish(0, 3);
    EXPECT_TRUE(showsErrorIcon());
    // The blinking for the new mail ends on the error icon, not the normal one.
    ASSERT_TRUE(app.trayAnimRunning);
    stopTrayAnimation(h.window());
    EXPECT_TRUE(showsErrorIcon());
    finish(1, 0);
    EXPECT_FALSE(showsErrorIcon());
    EXPECT_EQ(1, alerts("work"));
    EXPECT_EQ(1, alerts("home"));
}

TEST_F(FailingSpell, AFailedCheckRunsNoneOfTheNewMailActions)
{
    h.ui.sounds.clear();
    h.ui.launches.clear();
    for (int i = 0; i < 5; ++i)
        finish(0, pop3PassRefused);
    EXPECT_TRUE(h.ui.sounds.empty());
    EXPECT_TRUE(h.ui.launches.empty());
    EXPECT_FALSE(app.trayAnimRunning);
}

TEST_F(FailingSpell, WithAlertsOffNothingIsSaidAndTheIconStaysNormal)
{
    app.settings.failureAlerts = 0;
    for (int i = 0; i < 5; ++i)
        finish(0, pop3PassRefused);
    EXPECT_EQ(0, alerts("work"));
    EXPECT_EQ(app.trayIcon, app.shownTrayIcon);
}

TEST_F(FailingSpell, ChecksThatCouldNotStartCountAndARemovedEntrysSpellIsForgotten)
{
    MailboxEntry* home = h.entry(1);
    for (int i = 0; i < failuresStartingSpell; ++i) {
        startStandInWorker(*home, StandInBehaviour::EndsOnStop);
        SendMessageA(h.window(), WM_CHECK_FAILED, reinterpret_cast<WPARAM>(home), 0);
    }
    EXPECT_EQ(1, h.logCount("warning: home cannot be checked: the network could not be started"));
    EXPECT_EQ(1, CountFailingEntries());
    app.entries.remove(home);
    EXPECT_EQ(0, CountFailingEntries());
    h.tick(); // the next poll tick puts the normal icon back
    EXPECT_EQ(app.trayIcon, app.shownTrayIcon);
}

} // namespace

TEST_F(FailingSpell, AnUnreadableSignInIsNotCalledAPassword)
{
    h.entry(1)->signIn = SignInMicrosoft;
    finish(1, pop3PasswordUnreadable);
    EXPECT_EQ(1, h.logCount("warning: home cannot be checked: the stored sign-in cannot be read; sign in again"));
    EXPECT_EQ(0, h.logCount("stored password"));
}
