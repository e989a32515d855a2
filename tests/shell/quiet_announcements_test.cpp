// Announcements held back: while Windows says the user is busy no sound, speech or pop-up (the log
// and the blinking icon stay, with one line saying why); a muted entry makes no sound and no speech.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/seam_override.h"
#include "support/standin_worker.h"
#include "notify/announcement_policy.h"
#include "notify/notification_state_calls.h"
#include "storage/owned_string.h"
#include "platform/messages.h"
#include "shell/tray_icon.h"
#include <string>

namespace {

// The state the fake shell answers with; E_NOTIMPL when it plays a Windows before Vista.
HRESULT scriptedAnswer = S_OK;
UserNotificationState scriptedState = NotificationStateAcceptsNotifications;
int queries = 0;

HRESULT WINAPI scriptedNotificationState(UserNotificationState* state)
{
    ++queries;
    if (SUCCEEDED(scriptedAnswer))
        *state = scriptedState;
    return scriptedAnswer;
}

struct BusyState {
    UserNotificationState state;
    const char* words;
};
const BusyState busyStates[] = {
    { NotificationStateBusy, "full-screen application" },
    { NotificationStateFullScreenD3D, "full-screen game or video" },
    { NotificationStatePresentation, "presentation mode" },
    { NotificationStateQuietTime, "Do Not Disturb" },
};

class QuietAnnouncements : public ::testing::Test {
protected:
    MainWindowHarness h;
    SeamOverride<decltype(notificationStateCalls.SHQueryUserNotificationState)> shell{
        notificationStateCalls.SHQueryUserNotificationState, scriptedNotificationState
    };
    MailboxEntry* work = nullptr;

    void SetUp() override
    {
        scriptedAnswer = S_OK;
        scriptedState = NotificationStateAcceptsNotifications;
        queries = 0;
        h.writeEntryList([](EntryList& list) {
            MailboxEntry* e = list.addNew();
            e->setName("work");
            e->setServer("pop.example.org");
            e->playSoundOnMail = e->playSoundOnNoMail = true;
            e->setMailSoundFile("mail.wav");
            e->setNoMailSoundFile("nomail.wav");
            e->runMailProgram = true;
            e->setMailProgramPath("mail.exe");
        });
        h.writeSettings([](Settings& s) { s.popupOnMail = 1; });
        ASSERT_NE(nullptr, h.open());
        work = h.entry(0);
    }
    // A check that found count messages, reported to the window while it is hidden in the tray.
    void deliver(int count, bool speakResults)
    {
        app.settings.speakCheckResults = speakResults ? 1 : 0;
        ShowWindow(h.window(), SW_HIDE);
        stopTrayAnimation(h.window());
        startStandInWorker(*work, StandInBehaviour::EndsOnStop);
        char** texts = count ? new char*[count] : nullptr;
        for (int i = 0; i < count; ++i) {
            std::string t = "+OK\r\nFrom: p@example.org\r\nSubject: Topic\r\n\r\n.\r\n";
            texts[i] = ownedCopyOf(t.c_str(), t.size());
        }
        work->clearHeaders();
        work->setHeaders(texts, count);
        work->setLastResult(count);
        h.ui.sounds.clear();
        h.ui.launches.clear();
        h.speech->clearLog();
        SendMessageA(h.window(), WM_CHECK_DONE, reinterpret_cast<WPARAM>(work), 0);
    }
};

TEST_F(QuietAnnouncements, EachBusyStateHoldsSoundSpeechAndPopupButLogsAndBlinks)
{
    for (const BusyState& busy : busyStates) {
        SCOPED_TRACE(busy.words);
        scriptedState = busy.state;
        for (bool speak : { false, true }) {
            int quietLines = h.logCount(std::string("work: new mail announced quietly: ") + busy.words);
            int mailLines = h.logCount("work: 3 messages");
            deliver(3, speak);
            EXPECT_TRUE(h.ui.sounds.empty());
            EXPECT_TRUE(h.speech->spokenTexts().empty());
            EXPECT_FALSE(IsWindowVisible(h.window()));
            EXPECT_TRUE(app.trayAnimRunning);
            EXPECT_EQ(1u, h.ui.launches.size()); // the e-mail program is the user's own choice
            EXPECT_EQ(mailLines + 1, h.logCount("work: 3 messages"));
            EXPECT_EQ(quietLines + 1, h.logCount(std::string("work: new mail announced quietly: ") + busy.words));
        }
        // No mail: nothing to announce quietly, and the no-mail sound is held as well.
        int quietLines = h.logCount("announced quietly");
        deliver(0, false);
        EXPECT_TRUE(h.ui.sounds.empty());
        EXPECT_EQ(quietLines, h.logCount("announced quietly"));
    }
}

TEST_F(QuietAnnouncements, FullVoiceFeedbackIsHeldWithTheRestAndComesBackAfterwards)
{
    app.settings.fullVoiceFeedback = 1;
    scriptedState = NotificationStateQuietTime;
    deliver(2, true);
    EXPECT_TRUE(h.speech->spokenTexts().empty());
    EXPECT_EQ(1, h.logCount("work: 2 messages"));
    EXPECT_EQ(1, app.settings.fullVoiceFeedback);

    work->mute = true;
    scriptedState = NotificationStateAcceptsNotifications;
    deliver(2, false);
    EXPECT_TRUE(h.speech->spokenTexts().empty());

    work->mute = false;
    deliver(2, false);
    EXPECT_FALSE(h.speech->spokenTexts().empty()); // the log speaks its lines again
}

TEST_F(QuietAnnouncements, StatesThatAcceptNotificationsAndOlderWindowsAnnounceAsAlways)
{
    for (UserNotificationState state : { NotificationStateAcceptsNotifications, NotificationStateNotPresent,
                                         NotificationStateApp }) {
        scriptedState = state;
        deliver(2, false);
        ASSERT_EQ(1u, h.ui.sounds.size()) << state;
        EXPECT_EQ("mail.wav", h.ui.sounds[0].file);
        EXPECT_TRUE(IsWindowVisible(h.window()));
        deliver(2, true);
        EXPECT_EQ("Account work has 2 messages", h.speech->spokenTexts().at(0)) << state;
    }
    scriptedAnswer = E_NOTIMPL;
    deliver(2, false);
    EXPECT_EQ(1u, h.ui.sounds.size());
    EXPECT_TRUE(IsWindowVisible(h.window()));
    EXPECT_EQ(0, h.logCount("announced quietly"));
}

TEST_F(QuietAnnouncements, WithTheSettingOffWindowsIsNotAsked)
{
    app.settings.quietWhenBusy = 0;
    scriptedState = NotificationStatePresentation;
    deliver(1, false);
    EXPECT_EQ(1u, h.ui.sounds.size());
    EXPECT_TRUE(IsWindowVisible(h.window()));
    EXPECT_EQ(0, queries);
    EXPECT_EQ(0, h.logCount("announced quietly"));
}

TEST_F(QuietAnnouncements, AMutedEntryMakesNoSoundAndNoSpeechButPopsUpAndLogs)
{
    work->mute = true;
    deliver(4, false);
    EXPECT_TRUE(h.ui.sounds.empty());
    EXPECT_TRUE(IsWindowVisible(h.window()));
    EXPECT_TRUE(app.trayAnimRunning);
    EXPECT_EQ(1, h.logCount("work: 4 messages"));
    deliver(4, true);
    EXPECT_TRUE(h.speech->spokenTexts().empty());
    deliver(0, false);
    deliver(0, true);
    EXPECT_TRUE(h.ui.sounds.empty());
    EXPECT_TRUE(h.speech->spokenTexts().empty());
    EXPECT_EQ(0, h.logCount("announced quietly"));
    EXPECT_EQ(0, h.logCount("error: speak failed"));

    // Unmuted, the same entry is heard again.
    work->mute = false;
    deliver(4, false);
    EXPECT_EQ(1u, h.ui.sounds.size());
}

TEST(NotificationState, WinesShellAnswersThatProgramsMayAnnounce)
{
    // The real binding, loaded from shell32 at run time: Wine either has the call or not; where it
    // answers, nobody is busy on this machine's virtual desktop.
    UserNotificationState state = NotificationStateBusy;
    if (SUCCEEDED(notificationStateCalls.SHQueryUserNotificationState(&state))) {
        EXPECT_EQ(nullptr, QuietReasonFor(state)) << state;
    }
    EXPECT_EQ(nullptr, QuietReasonFor(0));
}

} // namespace
