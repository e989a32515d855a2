// The main window's life: what its creation reads and applies, and what closing it saves.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/run_value.h"
#include "support/seam_override.h"
#include "shell/apply_settings.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "connectivity/cpu_monitor.h"
#include "mailcheck/session_limits.h"
#include "resources/resource.h"
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"
#include <cstring>

namespace {

TEST(MainWindowLife, AFirstRunOpensTheFirstRunHelpAndAppliesTheDefaults)
{
    MainWindowHarness h;
    ASSERT_NE(nullptr, h.open());
    ASSERT_EQ(1u, h.ui.helpTopics.size());
    EXPECT_EQ("Tessary.chm::/firstrun.htm", h.ui.helpTopics[0]);
    EXPECT_EQ(90000, serverTimeoutMs);
    EXPECT_EQ(app.trayIcon, app.shownTrayIcon);
    EXPECT_EQ("<none>", storedRunValue());
    EXPECT_TRUE(IsWindowVisible(h.window()));
}

TEST(MainWindowLife, SettingsFromTheFileAreAppliedAndTheRunValueFollowsThem)
{
    MainWindowHarness h;
    h.writeSettings([](Settings& s) {
        s.runAtStartup = 1;
        s.serverTimeoutSeconds = 12;
        s.runInTray = 0;
    });
    ASSERT_NE(nullptr, h.open());
    EXPECT_TRUE(h.ui.helpTopics.empty());
    EXPECT_EQ(12000, serverTimeoutMs);
    EXPECT_EQ(nullptr, app.shownTrayIcon);
    char path[1024];
    GetModuleFileNameA(nullptr, path, sizeof path);
    EXPECT_EQ(std::string(path) + " /m", storedRunValue());

    app.settings.runAtStartup = 0;
    app.settings.runInTray = 1;
    ApplySettings(h.window(), app.settings);
    EXPECT_EQ("<none>", storedRunValue());
    EXPECT_EQ(app.trayIcon, app.shownTrayIcon);
    app.settings.runInTray = 0;
    ApplySettings(h.window(), app.settings);
    EXPECT_EQ(nullptr, app.shownTrayIcon);
}

TEST(MainWindowLife, TimeoutsThatWouldOverflowOrWaitForeverAreBounded)
{
    MainWindowHarness h;
    ASSERT_NE(nullptr, h.open());
    app.settings.serverTimeoutSeconds = -5;
    ApplySettings(h.window(), app.settings);
    EXPECT_EQ(0, serverTimeoutMs);
    app.settings.serverTimeoutSeconds = 0x7FFFFFFF;
    ApplySettings(h.window(), app.settings);
    EXPECT_EQ(2147483000, serverTimeoutMs);
    app.settings.serverTimeoutSeconds = 90;
    ApplySettings(h.window(), app.settings);
}

TEST(MainWindowLife, OnNtTheCpuOptionIsSwitchedOffAndSavedOff)
{
    MainWindowHarness h;
    h.dynData.platformId = VER_PLATFORM_WIN32_NT;
    h.writeSettings([](Settings& s) { s.skipWhenCpuBusy = 1; });
    ASSERT_NE(nullptr, h.open());
    EXPECT_EQ(0, app.settings.skipWhenCpuBusy);
    EXPECT_FALSE(cpuStatStarted);
    h.close();
    Settings saved;
    ASSERT_TRUE(loadCurrentOrPreviousSettings(h.folder.file("Tessary.dat").c_str(), saved));
    EXPECT_EQ(0, saved.skipWhenCpuBusy);
}

TEST(MainWindowLife, ASavedPositionIsUsedOnlyWellInsideTheScreen)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    for (int left : { 40, width - 50, -3 }) {
        MainWindowHarness h;
        h.writeSettings([&](Settings& s) {
            s.windowLeft = left;
            s.windowTop = 30;
        });
        ASSERT_NE(nullptr, h.open());
        RECT rect;
        GetWindowRect(h.window(), &rect);
        if (left == 40) {
            EXPECT_EQ(40, rect.left);
            EXPECT_EQ(30, rect.top);
        } else {
            EXPECT_EQ(-1, app.settings.windowLeft) << left;
            EXPECT_NE(left, rect.left);
        }
    }
}

TEST(MainWindowLife, ClosingSavesTheEntryListAsLoadedAndTheSettingsWithThePosition)
{
    MainWindowHarness h;
    h.writeEntryList([](EntryList& list) {
        for (const char* name : { "one", "two" }) {
            MailboxEntry* e = list.addNew();
            e->setName(name);
            e->setServer("mail.example.org");
            e->setPassword("\xF0secret");
        }
    });
    std::string listBytes = readWholeFile(h.folder.file("default.tsl"));
    ASSERT_NE(nullptr, h.open());
    SetWindowPos(h.window(), nullptr, 33, 44, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(h.window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h.window()));
    EXPECT_EQ(listBytes, readWholeFile(h.folder.file("default.tsl")));
    std::string settings = readWholeFile(h.folder.file("Tessary.dat"));
    ASSERT_EQ(46u, settings.size());
    Settings saved;
    memcpy(&saved, settings.data() + 14, sizeof saved);
    EXPECT_EQ(33, saved.windowLeft);
    EXPECT_EQ(44, saved.windowTop);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, quit.wParam);
}

TEST(MainWindowLife, EndOfSessionSavesOnlyTheSettings)
{
    MainWindowHarness h;
    ASSERT_NE(nullptr, h.open());
    app.entries.addNew()->setName("unsaved");
    SendMessageA(h.window(), WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(46u, readWholeFile(h.folder.file("Tessary.dat")).size());
    EXPECT_FALSE(fileExists(h.folder.file("default.tsl")));
}

TEST(MainWindowLife, ADialThatWillNotEndIsAskedAboutOnClose)
{
    MainWindowHarness h;
    ASSERT_NE(nullptr, h.open());
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE stuck = CreateThread(nullptr, 0, [](LPVOID e) -> DWORD { return WaitForSingleObject(e, INFINITE); },
                                never, 0, nullptr);
    app.dialWorker.thread = stuck;
    h.ui.boxAnswers = { IDYES };
    SendMessageA(h.window(), WM_CLOSE, 0, 0); // waits out the 10 seconds
    ASSERT_EQ(1u, h.ui.boxes.size());
    EXPECT_EQ("Tessary warning", h.ui.boxes[0].caption);
    EXPECT_EQ(0u, h.ui.boxes[0].text.find("A thread is not responding."));
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING), h.ui.boxes[0].type);
    EXPECT_TRUE(IsWindow(h.window()));
    SetEvent(never);
    WaitForSingleObject(stuck, 5000);
    SendMessageA(h.window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h.window()));
    CloseHandle(never);
}

// The question about a stuck thread as a real box puts it: its owner is disabled while it is up.
// The first time, another program asks the window to close meanwhile; every time, the user
// answers "Wait".
int stuckThreadQuestions = 0;

int WINAPI answerWaitWhileAnotherCloseArrives(HWND owner, LPCSTR, LPCSTR, UINT)
{
    if (++stuckThreadQuestions == 1) {
        EnableWindow(owner, FALSE);
        SendMessageA(owner, WM_CLOSE, 0, 0);
        EnableWindow(owner, TRUE);
    }
    return IDYES;
}

TEST(MainWindowLife, ACloseThatArrivesWhileTheStuckThreadQuestionIsUpHasItsAnswer)
{
    MainWindowHarness h;
    ASSERT_NE(nullptr, h.open());
    // A handle that cannot be waited on: the dial thread counts as not responding at once.
    app.dialWorker.thread = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7FFFFFF0));
    stuckThreadQuestions = 0;
    {
        SeamOverride<decltype(uiCalls.MessageBoxA)> box(uiCalls.MessageBoxA, answerWaitWhileAnotherCloseArrives);
        SendMessageA(h.window(), WM_CLOSE, 0, 0);
        h.pumpUntil([] { return stuckThreadQuestions > 1; }, 500);
    }
    EXPECT_EQ(1, stuckThreadQuestions);
    EXPECT_TRUE(IsWindow(h.window()));
    app.dialWorker.thread = nullptr;
    SendMessageA(h.window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h.window()));
}

TEST(MainWindowLife, TheAboutBoxOpensFromTheSystemMenuAndItsButtonOpensTheWebPage)
{
    MainWindowHarness h;
    ASSERT_NE(nullptr, h.open());
    // The box is modal: the steps run from a timer inside its loop.
    static HWND found = nullptr;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = FindWindowA("#32770", "About Tessary");
        if (!box)
            return;
        KillTimer(nullptr, id);
        found = box;
        SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_WEB_PAGE, BN_CLICKED), 0);
        SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    SendMessageA(h.window(), WM_SYSCOMMAND, IDM_ABOUT, 0);
    EXPECT_NE(nullptr, found);
    ASSERT_EQ(1u, h.ui.launches.size());
    EXPECT_EQ("(null)", h.ui.launches[0].operation);
    EXPECT_EQ(0u, h.ui.launches[0].file.find("http"));
}

TEST(MainWindowLife, AFatalErrorWhileStartingKeepsTheEntryListAndEndsWithCodeOne)
{
    MainWindowHarness h;
    h.writeEntryList([](EntryList& list) {
        MailboxEntry* e = list.addNew();
        e->setName("kept");
        e->setServer("mail.example.org");
    });
    std::string listBytes = readWholeFile(h.folder.file("default.tsl"));
    h.writeSettings([](Settings& s) { s.skipWhenCpuBusy = 1; });
    h.dynData.versionFails = true;
    h.open();
    ASSERT_FALSE(h.ui.boxes.empty());
    EXPECT_EQ("Tessary Fatal Error", h.ui.boxes[0].caption);
    EXPECT_EQ("GetVersionEx failed!", h.ui.boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), h.ui.boxes[0].type);
    EXPECT_FALSE(h.window() && IsWindow(h.window()));
    EXPECT_EQ(listBytes, readWholeFile(h.folder.file("default.tsl")));
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(1u, quit.wParam);
    // The entry point adds no box of its own over the fatal error's, and ends with its code.
    EXPECT_EQ(1, MainWindowNotCreated());
    EXPECT_EQ(1u, h.ui.boxes.size());
    fatalErrorRaised = false;
}

TEST(StartUp, AWindowThatCannotBeCreatedIsReportedByTheEntryPointAndEndsWithCodeOne)
{
    UiRecorder ui;
    fatalErrorRaised = false;
    HMODULE noTemplates = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(nullptr, CreateMainWindow(noTemplates));
    EXPECT_EQ(1, MainWindowNotCreated());
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Tessary Fatal Error", ui.boxes[0].caption);
    EXPECT_EQ("Could not create dialog box.", ui.boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), ui.boxes[0].type);
}

TEST(StartUp, GetFolderPathKeepsTheTrailingBackslashAndRefusesLongPaths)
{
    char folder[256];
    EXPECT_EQ(1, GetFolderPath("C:\\Program Files\\Tessary\\tessary.exe", folder, sizeof folder));
    EXPECT_STREQ("C:\\Program Files\\Tessary\\", folder);
    EXPECT_EQ(1, GetFolderPath("tessary.exe", folder, sizeof folder));
    EXPECT_STREQ("", folder);
    std::string longPath = "C:\\" + std::string(245, 'x') + "\\t.exe"; // 254 characters
    EXPECT_EQ(1, GetFolderPath(longPath.c_str(), folder, sizeof folder));
    std::string tooLong = "C:\\" + std::string(247, 'x') + "\\t.exe"; // 256 characters
    EXPECT_EQ(0, GetFolderPath(tooLong.c_str(), folder, sizeof folder));
    EXPECT_TRUE(startedAtLogOn("\"C:\\T\\tessary.exe\" /m"));
    EXPECT_FALSE(startedAtLogOn("\"C:\\T\\tessary.exe\""));
}

} // namespace
