// What the main window does with a finished check: the result actions in their order, the log
// lines, the tray blinking, and messages about entries that are gone.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/standin_worker.h"
#include "storage/owned_string.h"
#include "platform/messages.h"
#include "shell/tray_icon.h"
#include "shell/entry_list_view.h"
#include "shell/worker_messages.h"
#include "platform/fatal_error.h"
#include <mmsystem.h>
#include <cstring>

namespace {

class CheckResults : public ::testing::Test {
protected:
    MainWindowHarness h;
    MailboxEntry* work = nullptr;

    void SetUp() override
    {
        h.writeEntryList([](EntryList& list) {
            MailboxEntry* e = list.addNew();
            e->setName("work");
            e->setServer("pop.example.org");
            e->setMailSoundFile("mail.wav");
            e->setNoMailSoundFile("nomail.wav");
        });
    }
    void open()
    {
        ASSERT_NE(nullptr, h.open());
        work = h.entry(0);
        h.speech->clearLog();
    }
    // The state a worker leaves behind: its result, its headers, and a thread that has ended.
    void finish(MailboxEntry& entry, int result, int headers = 0)
    {
        startStandInWorker(entry, StandInBehaviour::EndsOnStop);
        entry.setLastResult(result);
        char** texts = headers ? new char*[headers] : nullptr;
        for (int i = 0; i < headers; ++i) {
            std::string t = "+OK\r\nFrom: Person " + std::to_string(i + 1) + " <p" + std::to_string(i + 1) +
                            "@example.org>\r\nSubject: Topic " + std::to_string(i + 1) + "\r\n\r\n.\r\n";
            texts[i] = ownedCopyOf(t.c_str(), t.size());
        }
        entry.clearHeaders();
        entry.setHeaders(texts, headers);
    }
    void deliver(MailboxEntry* entry, UINT message = WM_CHECK_DONE)
    {
        SendMessageA(h.window(), message, reinterpret_cast<WPARAM>(entry), 0);
    }
};

TEST_F(CheckResults, OneMessageIsLoggedBlinksAndIsSpokenInTheSingular)
{
    open();
    finish(*work, 1, 1);
    deliver(work);
    EXPECT_NE(std::string::npos, h.log().find("work: 1 messages"));
    EXPECT_EQ((std::vector<std::string>{ "Account work has 1 message", "Message 1 from: Person 1",
                                         "Message 1 subject: Topic 1" }),
              h.speech->spokenTexts());
    EXPECT_TRUE(app.trayAnimRunning);
    EXPECT_FALSE(work->isCheckRunning()); // the worker was joined
    EXPECT_TRUE(h.ui.sounds.empty());     // results are spoken, so no sound
}

TEST_F(CheckResults, ThreeMessagesGiveSixUtterancesAfterTheCount)
{
    open();
    finish(*work, 3, 3);
    deliver(work);
    EXPECT_EQ((std::vector<std::string>{ "Account work has 3 messages", "Message 1 from: Person 1",
                                         "Message 1 subject: Topic 1", "Message 2 from: Person 2",
                                         "Message 2 subject: Topic 2", "Message 3 from: Person 3",
                                         "Message 3 subject: Topic 3" }),
              h.speech->spokenTexts());
}

TEST_F(CheckResults, AHeaderWithoutFieldsSpeaksThePrefixAndLogsTheParseError)
{
    open();
    finish(*work, 2, 1); // the second message's header is missing
    app.settings.speakSubjects = 0;
    deliver(work);
    EXPECT_EQ((std::vector<std::string>{ "Account work has 2 messages", "Message 1 from: Person 1",
                                         "Message 2 from: " }),
              h.speech->spokenTexts());
    EXPECT_NE(std::string::npos, h.log().find("error: parse header failed"));
}

TEST_F(CheckResults, WithoutSpokenResultsTheSoundsPlayAndProgramsStartInOrder)
{
    h.writeSettings([](Settings& s) {
        s.speakCheckResults = 0;
        s.syncAudio = 1;
    });
    open();
    work->playSoundOnMail = true;
    work->runMailProgram = true;
    work->setMailProgramPath("mail.exe");
    work->setMailProgramArgs("/new");
    work->runShellCommand = true;
    work->setShellCommand("print");
    work->setShellCommandFile("list.txt");
    h.ui.launchResult = 2; // the shell command cannot be started
    finish(*work, 2, 2);
    deliver(work);
    ASSERT_EQ(1u, h.ui.sounds.size());
    EXPECT_EQ("mail.wav", h.ui.sounds[0].file);
    EXPECT_EQ(static_cast<DWORD>(SND_FILENAME | SND_NODEFAULT), h.ui.sounds[0].flags); // synchronous
    ASSERT_EQ(2u, h.ui.launches.size());
    EXPECT_EQ("open", h.ui.launches[0].operation);
    EXPECT_EQ("mail.exe", h.ui.launches[0].file);
    EXPECT_EQ("/new", h.ui.launches[0].parameters);
    EXPECT_EQ("print", h.ui.launches[1].operation);
    EXPECT_EQ("list.txt", h.ui.launches[1].file);
    EXPECT_EQ("(null)", h.ui.launches[1].parameters);
    EXPECT_NE(std::string::npos, h.log().find("work: error: ShellExecute() failed on email application"));
    EXPECT_NE(std::string::npos, h.log().find("work: error: ShellExecute() failed on shell command"));
    EXPECT_TRUE(h.speech->spokenTexts().empty());
}

TEST_F(CheckResults, NoMailPlaysItsSoundOnlyWhenResultsAreNotSpoken)
{
    open();
    work->playSoundOnNoMail = true;
    finish(*work, 0);
    deliver(work);
    EXPECT_NE(std::string::npos, h.log().find("work: no mail."));
    EXPECT_EQ((std::vector<std::string>{ "Account work has no messages." }), h.speech->spokenTexts());
    EXPECT_TRUE(h.ui.sounds.empty());
    EXPECT_FALSE(app.trayAnimRunning);

    app.settings.speakCheckResults = 0;
    finish(*work, 0);
    deliver(work);
    ASSERT_EQ(1u, h.ui.sounds.size());
    EXPECT_EQ("nomail.wav", h.ui.sounds[0].file);
    EXPECT_EQ(static_cast<DWORD>(SND_FILENAME | SND_NODEFAULT | SND_ASYNC), h.ui.sounds[0].flags);
}

TEST_F(CheckResults, AFailedCheckLogsItsCodeAndNeverPlaysTheNoMailSound)
{
    open();
    app.settings.speakCheckResults = 0;
    work->playSoundOnNoMail = true;
    work->playSoundOnMail = true;
    finish(*work, -7);
    deliver(work);
    EXPECT_NE(std::string::npos,
              h.log().find("work: warning: there was an error checking the account, make sure the server is up, "
                           "and your username and password are correct ERROR: -7"));
    EXPECT_TRUE(h.ui.sounds.empty());
    EXPECT_TRUE(h.ui.launches.empty());
    EXPECT_FALSE(app.trayAnimRunning);
}

// A check that failed for a reason it can name (a refused certificate) says it on the line after
// the code; a later good check has no such line.
TEST_F(CheckResults, WhyACheckFailedFollowsItsCodeOnALineOfItsOwn)
{
    const std::string why = "error: certificate not trusted (untrusted root), SHA-256 "
                            "199A89B71F86F9A82482DE6211025FAB9491451F652A6377DDDC9D0D242EB49C";
    open();
    app.settings.speakCheckResults = 0;
    finish(*work, -112);
    work->setLastResultDetail(why.c_str());
    deliver(work);
    std::string log = h.log();
    size_t code = log.find("correct ERROR: -112\r\n");
    ASSERT_NE(std::string::npos, code) << log;
    size_t next = code + strlen("correct ERROR: -112\r\n");
    EXPECT_EQ("work: " + why, log.substr(next + strlen("hh:mm "), why.size() + 6)) << log;

    finish(*work, 3, 3);
    deliver(work);
    EXPECT_EQ(std::string::npos, h.log().find(why, next + why.size())) << h.log();
}

TEST_F(CheckResults, AnOverlongSubjectIsCutToTheSpokenLine)
{
    open();
    app.settings.speakFromAddresses = 0;
    std::string subject(6000, 's');
    std::string header = "+OK\r\nSubject: " + subject + "\r\n\r\n.\r\n";
    startStandInWorker(*work, StandInBehaviour::EndsOnStop);
    work->setLastResult(1);
    char** texts = new char*[1]{ ownedCopyOf(header.c_str(), header.size()) };
    work->clearHeaders();
    work->setHeaders(texts, 1);
    deliver(work);
    std::vector<std::string> said = h.speech->spokenTexts();
    ASSERT_EQ(2u, said.size());
    EXPECT_EQ("Message 1 subject: " + std::string(511 - 19, 's'), said[1]);
}

TEST_F(CheckResults, SpeechFailuresAreLoggedWithTheirOwnWording)
{
    h.speech->voiceTextInstalled = false;
    open();
    finish(*work, 1, 1);
    deliver(work);
    EXPECT_NE(std::string::npos, h.log().find("error: speak failed, SAPI may not be installed, or initialized"));
    finish(*work, 0);
    deliver(work);
    EXPECT_NE(std::string::npos, h.log().find("error: speak failed, SAPI may not be installed or initialized"));
}

TEST_F(CheckResults, PopupShowsAHiddenWindowAndHangUpIsMarkedForDialUpEntries)
{
    h.writeSettings([](Settings& s) { s.popupOnMail = 1; });
    open();
    ShowWindow(h.window(), SW_HIDE);
    work->hangUpWhenDone = true;
    work->connectionMode = DialAsNeeded;
    finish(*work, 4);
    deliver(work);
    EXPECT_TRUE(IsWindowVisible(h.window()));
    EXPECT_TRUE(work->hangUpPending);

    work->hangUpPending = false;
    work->connectionMode = AlwaysConnected; // a LAN is never hung up
    finish(*work, 4);
    deliver(work);
    EXPECT_FALSE(work->hangUpPending);
}

TEST_F(CheckResults, MessagesForRemovedEntriesOnlyRefreshTheList)
{
    open();
    MailboxEntry gone;
    std::string before = h.log();
    deliver(&gone);
    EXPECT_EQ(before, h.log());
    deliver(&gone, WM_CHECK_FAILED);
    EXPECT_NE(std::string::npos,
              h.log().find("ERROR: unknown entry!: warning: there was an error checking the account"));
}

TEST_F(CheckResults, DialMessagesForARemovedEntryAreReportedAndTheDialIsJoined)
{
    open();
    MailboxEntry gone;
    app.dialingEntry = &gone;
    SendMessageA(h.window(), WM_DIAL_CONNECTED, reinterpret_cast<WPARAM>(&app.dialWorker), 0);
    EXPECT_NE(std::string::npos, h.log().find("dial was successful"));
    EXPECT_NE(std::string::npos,
              h.log().find("unknown entry!: warning: received dial in response from unknown entry"));
    std::string before = h.log();
    SendMessageA(h.window(), WM_DIAL_FAILED, reinterpret_cast<WPARAM>(&app.dialWorker), 0);
    EXPECT_EQ(before, h.log()); // no retry line: the entry is gone
    EXPECT_EQ(0, gone.retryDelayMinutes);
    app.dialingEntry = nullptr;
}

TEST_F(CheckResults, WinsockFailureJoinsTheWorkerAndLogsTheLastResult)
{
    open();
    finish(*work, -3);
    deliver(work, WM_CHECK_FAILED);
    EXPECT_FALSE(work->isCheckRunning());
    EXPECT_NE(std::string::npos, h.log().find("work: warning: there was an error checking the account, make sure "
                                              "the server is up, and your username and password are correct "
                                              "ERROR: -3"));
}

TEST_F(CheckResults, TheTrayBlinksSevenSecondsWhileVisibleAndUntilShownWhileHidden)
{
    open();
    ASSERT_TRUE(startTrayAnimation(h.window()));
    std::vector<HICON> shown;
    for (int tick = 0; tick < 4; ++tick) {
        StepTrayAnimation(h.window());
        shown.push_back(app.shownTrayIcon);
    }
    EXPECT_EQ((std::vector<HICON>{ app.trayBlink1, app.trayIcon, app.trayBlink2, app.trayIcon }), shown);
    int ticks = 4;
    while (app.trayAnimRunning && ticks < 200) {
        StepTrayAnimation(h.window());
        ++ticks;
    }
    EXPECT_EQ(70, ticks); // 7 seconds of 100 ms ticks
    EXPECT_EQ(app.trayIcon, app.shownTrayIcon);

    ShowWindow(h.window(), SW_HIDE);
    ASSERT_TRUE(startTrayAnimation(h.window()));
    for (int tick = 0; tick < 150; ++tick)
        StepTrayAnimation(h.window());
    EXPECT_TRUE(app.trayAnimRunning);
    ShowWindow(h.window(), SW_SHOW);
    StepTrayAnimation(h.window());
    EXPECT_FALSE(app.trayAnimRunning);
}

TEST_F(CheckResults, AWorkerThatIgnoresItsStopIsKilledAndLogged)
{
    open();
    startStandInWorker(*work, StandInBehaviour::IgnoresStop);
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), work->workerThread, GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    work->setLastResult(0);
    deliver(work); // waits out the ten seconds the worker is given
    EXPECT_NE(std::string::npos, h.log().find("work: no mail.\r\n12:00 error: forced to kill Check thread"));
    EXPECT_FALSE(work->isCheckRunning());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 2000)); // terminated, not left running
    CloseHandle(thread);
}

TEST_F(CheckResults, WinsockFailureKeepsTheLastResultAndHeaders)
{
    open();
    finish(*work, 2, 2);
    deliver(work);
    const char* first = work->getHeader(0);
    ASSERT_NE(nullptr, first);
    std::string firstText = first;
    startStandInWorker(*work, StandInBehaviour::EndsOnStop); // a new check whose Winsock fails
    deliver(work, WM_CHECK_FAILED);
    EXPECT_EQ(2, work->lastResult);
    EXPECT_EQ(2, work->headerCount);
    EXPECT_EQ(first, work->getHeader(0));
    EXPECT_EQ(firstText, work->getHeader(0));
    EXPECT_EQ("2", h.rowText(0, 3));
    EXPECT_EQ(ImageMailWaiting, h.rowImage(0));
    EXPECT_NE(std::string::npos, h.log().find("and your username and password are correct ERROR: 2"));
}

TEST_F(CheckResults, AFatalErrorInTheResultActionsIsTheOnlyBoxAndNothingFollowsIt)
{
    open();
    finish(*work, 3, 3);
    // A window handle that no longer exists: the tray animation timer cannot be set on it.
    HWND gone = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    std::string listBytes = readWholeFile(h.folder.file("default.tsl"));
    OnCheckDone(gone, reinterpret_cast<WPARAM>(work));
    ASSERT_EQ(1u, h.ui.boxes.size());
    EXPECT_EQ("Could not create animate timer!", h.ui.boxes[0].text);
    EXPECT_FALSE(IsWindow(h.window())); // the fatal error closed it, saving the list
    EXPECT_EQ(listBytes, readWholeFile(h.folder.file("default.tsl")));
    EXPECT_EQ(nullptr, mainWindow);
    // Whatever still arrives does nothing more.
    RefreshEntryListAndAnimation();
    FatalError("a second failure");
    EXPECT_EQ(1u, h.ui.boxes.size());
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(1u, quit.wParam);
    fatalErrorRaised = false;
}

} // namespace
