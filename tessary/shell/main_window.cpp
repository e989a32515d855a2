// The main window's procedure: each message goes to a small handler.
#include "shell/main_window.h"
#include "shell/activity_log.h"
#include "shell/apply_settings.h"
#include "shell/close_request.h"
#include "shell/commands.h"
#include "shell/data_files_at_start.h"
#include "shell/dialup_at_start.h"
#include "shell/entry_list_view.h"
#include "shell/failing_spells.h"
#include "shell/main_window_state.h"
#include "shell/menus.h"
#include "shell/resume_from_sleep.h"
#include "shell/scheduler.h"
#include "shell/startup.h"
#include "shell/tray_icon.h"
#include "shell/wait_cursor.h"
#include "shell/worker_messages.h"
#include "connectivity/cpu_monitor.h"
#include "connectivity/perf_stat.h"
#include "notify/speech.h"
#include "platform/fatal_error.h"
#include "platform/messages.h"
#include "platform/ui_calls.h"
#include "storage/data_folder.h"
#include "resources/resource.h"
#include <htmlhelp.h>
#include <cstring>
#include <initializer_list>

namespace {

// What was read at creation; only that is saved at destruction, so that a window that fails
// half-way through its creation cannot write an empty list over the user's file.
bool entryListLoaded = false;
bool settingsInPlace = false;
bool destroying = false;
// The question about a thread that will not end is up; it answers every close asked for meanwhile.
bool askingAboutStuckThread = false;

HICON loadIcon(HWND window, int id, int size)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
}

bool setUpSystemMenu(HWND window)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) {
        FatalError("Could not get system menu!");
        return false;
    }
    if (!DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND) || !DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND)) {
        FatalError("Could not modify system menu!");
        return false;
    }
    InsertMenuA(menu, 4, MF_BYPOSITION | MF_STRING, IDM_ABOUT, "&About..");
    return true;
}

void loadSettingsOrShowFirstRunHelp()
{
    if (!LoadSettingsAtStart(app.settings))
        uiCalls.HtmlHelpA(GetDesktopWindow(), "Tessary.chm::/firstrun.htm", HH_DISPLAY_TOPIC, 0);
}

// A saved position is used only when it keeps the window on the screen.
void placeWindow(HWND window)
{
    Settings& s = app.settings;
    if (s.windowLeft == -1)
        return;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (s.windowLeft >= 0 && s.windowLeft + 50 < screenWidth && s.windowTop >= 0 && s.windowTop + 50 < screenHeight)
        SetWindowPos(window, nullptr, s.windowLeft, s.windowTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    else
        s.windowLeft = -1;
}

void writeBanner()
{
    uint8_t spoken = app.settings.fullVoiceFeedback;
    app.settings.fullVoiceFeedback = 0;
    LogLine("Tessary 1.11, the POP3 mail watcher", nullptr, false, false);
    LogLine("Initializing... 6 seconds", nullptr, false, true);
    app.settings.fullVoiceFeedback = spoken;
}

BOOL onInitDialog(HWND window)
{
    mainWindow = window;
    mainWindowCell = window;
    destroying = false;
    entryListLoaded = false;
    settingsInPlace = false;
    ForgetHeldClose();
    ForgetFailingSpells();

    // The sizes the shell asks for: 32 and 16 pixels at 96 DPI, half as much again at 144 DPI.
    int large = GetSystemMetrics(SM_CXICON);
    int small = GetSystemMetrics(SM_CXSMICON);
    app.windowIcon = loadIcon(window, IDI_PROGRAM, large);
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(app.windowIcon));
    app.trayIcon = loadIcon(window, IDI_TRAY, small);
    app.trayBlink1 = loadIcon(window, IDI_TRAY_BLINK_1, small);
    app.trayBlink2 = loadIcon(window, IDI_TRAY_BLINK_2, small);
    app.trayErrorIcon = loadIcon(window, IDI_TRAY_ERROR, small);
    if (!setUpSystemMenu(window))
        return TRUE;
    // The log keeps 400 lines; the default limit of an edit control holds fewer.
    SendDlgItemMessageA(window, IDC_LOG, EM_SETLIMITTEXT, 0, 0);
    SetUpEntryListView(window);
    // The banner goes first, so that warnings of the start-up follow it on lines of their own.
    writeBanner();

    enterProgramFolder();
    ChooseDataFolderAtStart();
    WarnWhenDialUpMissingAtStart();
    LoadEntryListAtStart(window, app.entries);
    ReadOAuthIniAtStart();
    entryListLoaded = true;
    loadSettingsOrShowFirstRunHelp();
    settingsInPlace = true;
    ApplySettings(window, app.settings);
    if (destroying)
        return TRUE;
    RefreshEntryListAndAnimation();
    memset(&app.dialWorker, 0, sizeof app.dialWorker);
    if (!SetTimer(window, IDT_POLL, pollPeriodMs, nullptr)) {
        FatalError("Could not create poll timer!");
        return TRUE;
    }
    placeWindow(window);
    if (startedAtLogOn(GetCommandLineA()))
        ShowWindow(window, app.settings.runInTray ? SW_HIDE : SW_MINIMIZE);
    else
        ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    return TRUE;
}

void onTimer(HWND window, WPARAM timer)
{
    if (timer == IDT_POLL)
        RunPollTick(window);
    else if (timer == IDT_TRAY_ANIM)
        StepTrayAnimation(window);
    else if (timer == IDT_LIST_ANIM)
        StepListAnimation();
    else if (timer == IDT_RESUME_WAIT)
        StepResumeWait(window);
}

void onClose(HWND window)
{
    if (destroying)
        return;
    if (HoldCloseWhileModal(window)) {
        // The question's box re-enables the window before it returns, which would post a held
        // close at once: one asked for while the question is up is not held at all.
        if (askingAboutStuckThread)
            ForgetHeldClose();
        return;
    }
    bool joined;
    {
        WaitCursor busy;
        joined = StopDialThread(app.dialWorker) == 1;
    }
    if (!joined) {
        askingAboutStuckThread = true;
        int answer = uiCalls.MessageBoxA(window,
                                         "A thread is not responding. It is recommended you wait 10 seconds, then "
                                         "try to exit the application again. If you do not wait, it could cause "
                                         "problems with system resources. Wait?",
                                         "Tessary warning", MB_YESNO | MB_ICONWARNING);
        askingAboutStuckThread = false;
        if (answer == IDYES)
            return;
    }
    DestroyWindow(window);
}

void onEndSession(HWND window)
{
    if (settingsInPlace)
        saveSettingsWithWindowPosition(window);
}

void releaseIcons()
{
    for (HICON* icon : { &app.trayIcon, &app.trayBlink1, &app.trayBlink2, &app.trayErrorIcon, &app.windowIcon }) {
        if (*icon)
            DestroyIcon(*icon);
        *icon = nullptr;
    }
}

void onDestroy(HWND window)
{
    destroying = true;
    if (entryListLoaded && !app.entries.save(DataFilePath(entryListFileName)))
        FatalError("Could not save entry list!");
    if (settingsInPlace)
        saveSettingsWithWindowPosition(window);
    if (app.settings.runInTray)
        removeTrayIcon(window);
    releaseIcons();
    ReleaseEntryListImages();
    KillTimer(window, IDT_POLL);
    KillTimer(window, IDT_TRAY_ANIM);
    KillTimer(window, IDT_LIST_ANIM);
    StopResumeWait(window);
    app.trayAnimRunning = false;
    app.listAnimRunning = false;
    if (cpuStatStarted) {
        StopPerfStat(cpuStatObject, cpuStatCounter);
        cpuStatStarted = false;
    }
    ShutdownSpeech();
    CloseVoiceList();
    mainWindow = nullptr;
    PostQuitMessage(fatalErrorRaised ? 1 : 0);
}

// After a fatal error the window only closes: the user has had the one box, and no timer, worker
// message or command may go on working (and fail a second time) while the program ends.
bool stillHandledAfterFatalError(UINT message)
{
    return message == WM_CLOSE || message == WM_DESTROY || message == WM_ENDSESSION || message == WM_ENABLE;
}

INT_PTR onNotify(const NMHDR* header)
{
    if (header->idFrom == IDC_ENTRY_LIST && header->code == static_cast<UINT>(NM_DBLCLK))
        CheckSelected(header->hwndFrom ? GetParent(header->hwndFrom) : mainWindow);
    return FALSE;
}

} // namespace

void saveSettingsWithWindowPosition(HWND window)
{
    RECT rect;
    if (GetWindowRect(window, &rect)) {
        app.settings.windowLeft = rect.left;
        app.settings.windowTop = rect.top;
    }
    saveSettings(DataFilePath(settingsFileName), settingsMagic, &app.settings, settingsRecordSize);
}

HWND CreateMainWindow(HINSTANCE instance)
{
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainWindowProc, 0);
}

int MainWindowNotCreated()
{
    // A start that never showed its window must not look like a normal end to whoever started
    // the program (a script, a log-on): the same code as a window that died in its creation. The
    // box may not show either (no display), so the code is the only report that surely arrives.
    const int notStarted = 1;
    if (fatalErrorRaised)
        return notStarted; // the fatal error's own box has told the user
    uiCalls.MessageBoxA(nullptr, "Could not create dialog box.", "Tessary Fatal Error", MB_OK | MB_ICONERROR);
    return notStarted;
}

void DestroyMainWindowLeftOpen()
{
    if (mainWindow && IsWindow(mainWindow))
        DestroyWindow(mainWindow);
}

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (fatalErrorRaised && !stillHandledAfterFatalError(message))
        return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(window);
    case WM_TIMER:
        onTimer(window, wParam);
        return TRUE;
    case WM_COMMAND:
        return OnCommand(window, LOWORD(wParam));
    case WM_SYSCOMMAND:
        return OnSysCommand(window, wParam);
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(window, reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
        return TRUE;
    case WM_CONTEXTMENU:
        return OnContextMenu(window, reinterpret_cast<HWND>(wParam), lParam);
    case WM_NOTIFY:
        return onNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_TRAY_NOTIFY:
        OnTrayNotify(window, wParam, lParam);
        return TRUE;
    case WM_CHECK_DONE:
        OnCheckDone(window, wParam);
        return TRUE;
    case WM_CHECK_FAILED:
        OnCheckFailed(window, wParam);
        return TRUE;
    case WM_WATCH_ENDED:
        OnWatchEnded(window, wParam);
        return TRUE;
    case WM_DIAL_FAILED:
        OnDialFailed(window);
        return TRUE;
    case WM_DIAL_CONNECTED:
        OnDialConnected(window);
        return TRUE;
    case WM_POWERBROADCAST:
        SetWindowLongPtrA(window, DWLP_MSGRESULT, OnPowerBroadcast(window, wParam));
        return TRUE;
    case WM_ENTRY_LIST_WARNING:
        ShowEntryListWarning(window);
        return TRUE;
    case WM_CLOSE:
        onClose(window);
        return TRUE;
    case WM_ENDSESSION:
        onEndSession(window);
        return FALSE;
    case WM_ENABLE:
        if (wParam)
            OnMainWindowEnabled(window);
        return FALSE;
    case WM_DESTROY:
        onDestroy(window);
        return TRUE;
    }
    return FALSE;
}
