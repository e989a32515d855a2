// The notification for new mail and for a failing spell, its click, and the tray tip, as the shell
// is asked to show them: by the shell's version, the platform, the user's quiet states and the
// entry's choices.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/seam_override.h"
#include "support/standin_worker.h"
#include "support/tray_recorder.h"
#include "mailcheck/pop3_session.h"
#include "notify/notification_state_calls.h"
#include "platform/messages.h"
#include "resources/resource.h"
#include "shell/commands.h"
#include "shell/failing_spells.h"
#include "shell/tray_balloon.h"
#include "shell/tray_icon.h"
#include "shell/tray_shell.h"
#include "storage/owned_string.h"
#include <string>

namespace {

UserNotificationState scriptedState = NotificationStateAcceptsNotifications;

HRESULT WINAPI scriptedNotificationState(UserNotificationState* state)
{
    *state = scriptedState;
    return S_OK;
}

const DWORD vistaMailFlags = NIIF_USER | balloonLargeIcon | balloonRespectQuietTime;

class TrayNotifications : public ::testing::Test {
protected:
    TrayRecorder tray; // before the window, so that even its first tray icon is recorded
    MainWindowHarness h;
    SeamOverride<decltype(notificationStateCalls.SHQueryUserNotificationState)> quiet{
        notificationStateCalls.SHQueryUserNotificationState, scriptedNotificationState
    };
    MailboxEntry* work = nullptr;
    MailboxEntry* home = nullptr;

    void SetUp() override
    {
        scriptedState = NotificationStateAcceptsNotifications;
        h.writeEntryList([](EntryList& list) {
            for (const char* name : { "work", "home" }) {
                MailboxEntry* e = list.addNew();
                e->setName(name);
                e->setServer("pop.example.org");
            }
            list.head->runMailProgram = true;
            list.head->setMailProgramPath("mail.exe");
            list.head->setMailProgramArgs("/inbox");
        });
        h.dynData.platformId = VER_PLATFORM_WIN32_NT;
        ASSERT_NE(nullptr, h.open());
        work = h.entry(0);
        home = h.entry(1);
        app.settings.speakCheckResults = 0;
        ShowWindow(h.window(), SW_HIDE);
    }
    // A check of entry that found the messages whose header blocks are given, reported to the window.
    void deliver(MailboxEntry* entry, const std::vector<std::string>& headers)
    {
        startStandInWorker(*entry, StandInBehaviour::EndsOnStop);
        int count = static_cast<int>(headers.size());
        char** texts = count ? new char*[count] : nullptr;
        for (int i = 0; i < count; ++i)
            texts[i] = ownedCopyOf(headers[i].c_str(), headers[i].size());
        entry->clearHeaders();
        entry->setHeaders(texts, count);
        entry->setLastResult(count);
        SendMessageA(h.window(), WM_CHECK_DONE, reinterpret_cast<WPARAM>(entry), 0);
    }
    void deliverNumbered(MailboxEntry* entry, int count)
    {
        std::vector<std::string> headers;
        for (int i = 1; i <= count; ++i)
            headers.push_back("+OK\r\nFrom: Sender " + std::to_string(i) + " <s" + std::to_string(i) +
                              "@example.org>\r\nSubject: Topic " + std::to_string(i) + "\r\n\r\n.\r\n");
        deliver(entry, headers);
    }
    void fail(MailboxEntry* entry, int result)
    {
        startStandInWorker(*entry, StandInBehaviour::EndsOnStop);
        entry->setLastResult(result);
        SendMessageA(h.window(), WM_CHECK_DONE, reinterpret_cast<WPARAM>(entry), 0);
    }
    void trayMessage(LPARAM message) { SendMessageA(h.window(), WM_TRAY_NOTIFY, TRAY_ICON_ID, message); }
};

TEST_F(TrayNotifications, OneNewMessageIsNamedInAWideVistaNotification)
{
    deliver(work, { "+OK\r\nFrom: =?utf-8?B?w4Frb3M=?= <akos@example.hu>\r\nSubject: =?utf-8?Q?Caf=C3=A9_=E2=98=95?=\r\n\r\n.\r\n" });
    auto shown = tray.balloons();
    ASSERT_EQ(1u, shown.size());
    EXPECT_TRUE(shown[0].wide);
    EXPECT_EQ(NIM_MODIFY, shown[0].message);
    EXPECT_EQ(L"work: 1 new message", shown[0].title);
    EXPECT_EQ(L"\u00C1kos: Caf\u00E9 \u2615", shown[0].text);
    EXPECT_EQ(vistaMailFlags, shown[0].infoFlags);
    EXPECT_EQ(static_cast<DWORD>(sizeof(WithBalloonIcon<NOTIFYICONDATAW>)), shown[0].size);
    EXPECT_EQ(app.windowIcon, shown[0].balloonIcon);
    EXPECT_NE(nullptr, app.windowIcon);
}

TEST_F(TrayNotifications, ThreeMessagesAreNamedAndThirtySumUpAfterTheThird)
{
    deliverNumbered(work, 3);
    deliverNumbered(home, 30);
    auto shown = tray.balloons();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ(L"work: 3 new messages", shown[0].title);
    EXPECT_EQ(L"Sender 1: Topic 1\nSender 2: Topic 2\nSender 3: Topic 3", shown[0].text);
    EXPECT_EQ(L"home: 30 new messages", shown[1].title);
    EXPECT_EQ(L"Sender 1: Topic 1\nSender 2: Topic 2\nSender 3: Topic 3\n... and 27 more", shown[1].text);
}

TEST_F(TrayNotifications, LongSendersAndSubjectsStillLeaveRoomForTheSumUp)
{
    std::string longSubject(400, 'x');
    std::vector<std::string> headers(5, "+OK\r\nFrom: " + std::string(300, 'n') + " <a@example.org>\r\nSubject: " +
                                            longSubject + "\r\n\r\n.\r\n");
    deliver(work, headers);
    auto shown = tray.balloons();
    ASSERT_EQ(1u, shown.size());
    EXPECT_LE(shown[0].text.size(), 255u);
    EXPECT_EQ(L"\n... and 2 more", shown[0].text.substr(shown[0].text.size() - 15));
}

TEST_F(TrayNotifications, TheShellVersionChoosesTheRecordAndOlderShellsGetNoNotification)
{
    struct Shell {
        bool known;
        DWORD major, minor, build;
        DWORD wideSize; // 0: no notification
        DWORD ansiSize;
        DWORD infoFlags;
    };
    const Shell shells[] = {
        { false, 0, 0, 0, 0, NOTIFYICONDATAA_V1_SIZE, 0 },                            // Windows 95, NT 4
        { true, 4, 72, 3110, 0, NOTIFYICONDATAA_V1_SIZE, 0 },                         // Internet Explorer 4's shell
        { true, 5, 0, 3900, NOTIFYICONDATAW_V2_SIZE, NOTIFYICONDATAA_V2_SIZE, NIIF_INFO }, // Windows 2000
        { true, 6, 0, 2900, sizeof(NOTIFYICONDATAW), sizeof(NOTIFYICONDATAA), NIIF_INFO },   // XP
        { true, 6, 0, 6002, sizeof(WithBalloonIcon<NOTIFYICONDATAW>), sizeof(WithBalloonIcon<NOTIFYICONDATAA>),
          vistaMailFlags },                                                             // Vista
        { true, 10, 0, 19041, sizeof(WithBalloonIcon<NOTIFYICONDATAW>), sizeof(WithBalloonIcon<NOTIFYICONDATAA>),
          vistaMailFlags },
    };
    for (const Shell& shell : shells) {
        SCOPED_TRACE(std::to_string(shell.major) + "." + std::to_string(shell.minor) + "." + std::to_string(shell.build));
        if (shell.known)
            tray.playShell(shell.major, shell.minor, shell.build);
        else
            tray.playShellWithoutVersion();
        tray.calls.clear();
        deliverNumbered(work, 2);
        auto shown = tray.balloons();
        if (shell.wideSize == 0) {
            EXPECT_TRUE(shown.empty());
        } else {
            ASSERT_EQ(1u, shown.size());
            EXPECT_EQ(shell.wideSize, shown[0].size);
            EXPECT_EQ(shell.infoFlags, shown[0].infoFlags);
            EXPECT_EQ(shell.infoFlags == vistaMailFlags ? app.windowIcon : nullptr, shown[0].balloonIcon);
        }
        // The icon and its tip go through the ANSI call in the same shell's size.
        bool sawIcon = false;
        for (const RecordedTrayCall& call : tray.calls) {
            if (call.wide)
                continue;
            sawIcon = true;
            EXPECT_EQ(shell.ansiSize, call.size);
            EXPECT_EQ(0u, call.flags & NIF_INFO);
        }
        EXPECT_TRUE(sawIcon); // the tip counting the news
        EXPECT_TRUE(app.trayAnimRunning);
        stopTrayAnimation(h.window());
    }
}

TEST_F(TrayNotifications, Windows98GetsTheNotificationInTheAnsiCodePage)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the prefix's ANSI code page is " << GetACP() << ", not the Western one";
    h.dynData.platformId = VER_PLATFORM_WIN32_WINDOWS;
    tray.playShell(5, 0, 2919); // Windows 98 with the newer shell
    deliver(work, { "+OK\r\nFrom: =?utf-8?B?w4Frb3M=?= <akos@example.hu>\r\nSubject: =?utf-8?Q?Caf=C3=A9_=E2=98=95?=\r\n\r\n.\r\n" });
    auto shown = tray.balloons();
    ASSERT_EQ(1u, shown.size());
    EXPECT_FALSE(shown[0].wide);
    EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE), shown[0].size);
    EXPECT_EQ(L"work: 1 new message", shown[0].title);
    EXPECT_EQ(L"\u00C1kos: Caf\u00E9 ?", shown[0].text); // the recorder reads the bytes as Latin-1
}

TEST_F(TrayNotifications, AClickStartsTheEntrysMailProgramOrShowsTheWindow)
{
    deliverNumbered(work, 1);
    h.ui.launches.clear(); // the mail program the check itself ran
    trayMessage(NIN_BALLOONUSERCLICK);
    ASSERT_EQ(1u, h.ui.launches.size());
    EXPECT_EQ("mail.exe", h.ui.launches[0].file);
    EXPECT_EQ("/inbox", h.ui.launches[0].parameters);
    EXPECT_FALSE(IsWindowVisible(h.window()));

    deliverNumbered(home, 1); // no mail program: the click shows the window
    trayMessage(NIN_BALLOONUSERCLICK);
    EXPECT_EQ(1u, h.ui.launches.size());
    EXPECT_TRUE(IsWindowVisible(h.window()));

    // A notification that timed out, or whose entry was removed, leaves the window to the click.
    ShowWindow(h.window(), SW_HIDE);
    deliverNumbered(work, 1);
    h.ui.launches.clear();
    trayMessage(NIN_BALLOONTIMEOUT);
    trayMessage(NIN_BALLOONUSERCLICK);
    EXPECT_TRUE(h.ui.launches.empty());
    EXPECT_TRUE(IsWindowVisible(h.window()));

    ShowWindow(h.window(), SW_HIDE);
    deliverNumbered(work, 1);
    h.ui.launches.clear();
    app.entries.remove(work);
    trayMessage(NIN_BALLOONUSERCLICK);
    EXPECT_TRUE(h.ui.launches.empty());
    EXPECT_TRUE(IsWindowVisible(h.window()));
}

TEST_F(TrayNotifications, QuietStatesMuteAndTheChoicesHoldTheNotificationButNotTheLogOrTheBlink)
{
    for (UserNotificationState state : { NotificationStateBusy, NotificationStateFullScreenD3D,
                                         NotificationStatePresentation, NotificationStateQuietTime }) {
        SCOPED_TRACE(state);
        scriptedState = state;
        int lines = h.logCount("work: 2 messages");
        deliverNumbered(work, 2);
        EXPECT_TRUE(tray.balloons().empty());
        EXPECT_EQ(lines + 1, h.logCount("work: 2 messages"));
        EXPECT_TRUE(app.trayAnimRunning);
        stopTrayAnimation(h.window());
    }
    scriptedState = NotificationStateAcceptsNotifications;

    work->mute = true;
    deliverNumbered(work, 2);
    EXPECT_TRUE(tray.balloons().empty());
    EXPECT_TRUE(app.trayAnimRunning);
    work->mute = false;

    work->showNotification = false;
    deliverNumbered(work, 2);
    EXPECT_TRUE(tray.balloons().empty());
    work->showNotification = true;

    app.settings.showNotification = 0;
    deliverNumbered(work, 2);
    EXPECT_TRUE(tray.balloons().empty());
    app.settings.showNotification = 1;

    app.settings.runInTray = 0; // no icon to show it over
    deliverNumbered(work, 2);
    EXPECT_TRUE(tray.balloons().empty());
    app.settings.runInTray = 1;

    deliverNumbered(work, 2);
    EXPECT_EQ(1u, tray.balloons().size());
    deliverNumbered(work, 0); // no mail: nothing to notify
    EXPECT_EQ(1u, tray.balloons().size());
}

TEST_F(TrayNotifications, FiveFailuresInARowShowOneNotificationAndASuccessEndsTheSpell)
{
    for (int i = 0; i < 5; ++i)
        fail(work, pop3NoConnection);
    auto shown = tray.balloons();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(L"Tessary", shown[0].title);
    EXPECT_EQ(L"work cannot be checked: the server cannot be reached", shown[0].text);
    EXPECT_EQ(NIIF_WARNING | balloonRespectQuietTime, shown[0].infoFlags);
    EXPECT_EQ(1, h.logCount("warning: work cannot be checked: the server cannot be reached"));
    EXPECT_EQ(app.trayErrorIcon, app.shownTrayIcon);

    // Its click has no entry to start: it shows the window.
    trayMessage(NIN_BALLOONUSERCLICK);
    EXPECT_TRUE(h.ui.launches.empty());
    EXPECT_TRUE(IsWindowVisible(h.window()));

    fail(work, 0);
    EXPECT_EQ(app.trayIcon, app.shownTrayIcon);
    EXPECT_EQ(1u, tray.balloons().size());
    fail(work, pop3PassRefused); // the user must act: a new spell at once
    EXPECT_EQ(2u, tray.balloons().size());

    // Without failure alerts a new spell shows no notification.
    fail(home, pop3PassRefused);
    app.settings.failureAlerts = 0;
    fail(home, 0);
    fail(home, pop3PassRefused);
    EXPECT_EQ(3u, tray.balloons().size());
}

TEST_F(TrayNotifications, TheTipCountsNewMailUntilTheWindowIsOpened)
{
    EXPECT_EQ("Tessary", tray.lastTip());
    deliverNumbered(work, 3);
    EXPECT_EQ("Tessary: 3 new in 1 account", tray.lastTip());
    deliverNumbered(home, 2);
    deliverNumbered(work, 1);
    EXPECT_EQ("Tessary: 6 new in 2 accounts", tray.lastTip());
    deliverNumbered(work, 0);
    EXPECT_EQ("Tessary: 6 new in 2 accounts", tray.lastTip()); // not read yet
    trayMessage(WM_LBUTTONDOWN);
    EXPECT_EQ("Tessary", tray.lastTip());
}

TEST_F(TrayNotifications, TheTipNamesTheFailingAccountsWithinTheShellsLength)
{
    fail(work, pop3PassRefused);
    EXPECT_EQ("Tessary: 1 account cannot be checked\nwork", tray.lastTip());
    fail(home, pop3PassRefused);
    EXPECT_EQ("Tessary: 2 accounts cannot be checked\nwork, home", tray.lastTip());
    deliverNumbered(home, 2); // a success ends home's spell; its mail follows
    EXPECT_EQ("Tessary: 1 account cannot be checked\nwork\nTessary: 2 new in 1 account", tray.lastTip());

    std::string longName(150, 'w');
    work->setName(longName.c_str());
    fail(home, pop3PassRefused);
    std::string tip = tray.lastTip();
    EXPECT_EQ(127u, tip.size());
    EXPECT_EQ("Tessary: 2 accounts cannot be checked\n" + longName.substr(0, 127 - 38), tip);

    // The shell of Windows 95 and NT 4: one line of at most 63 characters.
    tray.playShellWithoutVersion();
    RefreshTrayTip(h.window());
    EXPECT_EQ("Tessary: 2 accounts cannot be checked", tray.lastTip());
    EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE), tray.calls.back().size);

    fail(work, 0);
    fail(home, 0);
    RefreshTrayTip(h.window());
    EXPECT_EQ("Tessary: 2 new in 1 account", tray.lastTip());
}

// Wine's own tray: the shell reports balloons, and takes a notification over the program's icon
// through the wide call (NT) and the ANSI one (95/98).
TEST(TrayNotificationsUnderWine, TheRealShellTakesTheNotification)
{
    MainWindowHarness h;
    h.writeOneIdleEntry();
    ASSERT_NE(nullptr, h.open());
    TrayShell shell = QueryTrayShell();
    EXPECT_TRUE(shell.balloons);
    EXPECT_EQ(127u, shell.tipLimit);
    for (DWORD platform : { static_cast<DWORD>(VER_PLATFORM_WIN32_NT), static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS) }) {
        h.dynData.platformId = platform;
        EXPECT_TRUE(ShowTrayBalloon(h.window(), L"first: 1 new message", L"\u00C1kos: Caf\u00E9", BalloonKind::NewMail,
                                    nullptr))
            << platform;
    }
    // Without the icon there is nothing to show it over.
    removeTrayIcon(h.window());
    EXPECT_FALSE(ShowTrayBalloon(h.window(), L"first: 1 new message", L"x", BalloonKind::NewMail, nullptr));
}

} // namespace
