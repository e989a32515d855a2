// The main window under test: real template, real list view and log, fake RAS, speech and boxes.
#include "support/main_window_harness.h"
#include "shell/main_window.h"
#include "shell/scheduler.h"
#include "shell/startup.h"
#include "mailcheck/session_limits.h"
#include "platform/fatal_error.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <cstring>

MainWindowHarness::MainWindowHarness() : savedFolder_(programFolder), savedPort_(pop3Port)
{
    snprintf(programFolder, sizeof programFolder, "%s", folder.path().c_str());
    pop3Port = 1; // nothing listens there: a check that starts fails at once unless a test says otherwise
    fatalErrorRaised = false;
    serverTimeoutMs = defaultServerTimeoutMs; // what a new process starts with; a test may have applied another
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_LISTVIEW_CLASSES };
    InitCommonControlsEx(&controls);
}

MainWindowHarness::~MainWindowHarness()
{
    close();
    app.entries.clearAll();
    // The window made the program folder the current directory; leave it so it can be removed.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    SetCurrentDirectoryA(temp);
    snprintf(programFolder, sizeof programFolder, "%s", savedFolder_.c_str());
    pop3Port = savedPort_;
}

void MainWindowHarness::writeEntryList(const std::function<void(EntryList&)>& fill)
{
    EntryList list;
    fill(list);
    list.save(folder.file("default.tsl").c_str());
}

void MainWindowHarness::writeOneIdleEntry()
{
    writeEntryList([](EntryList& list) {
        MailboxEntry* e = list.addNew();
        e->setName("first");
        e->setServer("127.0.0.1");
        e->setUser("u");
        e->setPassword("p");
        e->connectionMode = AlwaysConnected;
        e->enabled = false;
    });
}

void MainWindowHarness::writeSettings(const std::function<void(Settings&)>& change)
{
    Settings s = defaultSettings();
    change(s);
    saveSettings(folder.file("Tessary.dat").c_str(), settingsMagic, &s, sizeof s);
}

HWND MainWindowHarness::open()
{
    window_ = CreateMainWindow(GetModuleHandleA(nullptr));
    if (window_)
        KillTimer(window_, IDT_POLL);
    return window_;
}

void MainWindowHarness::close()
{
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
    window_ = nullptr;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        // The quit message of the destruction, and anything still queued for the window.
    }
}

void MainWindowHarness::command(WORD id)
{
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void MainWindowHarness::tick()
{
    RunPollTick(window_);
}

void MainWindowHarness::pump(DWORD milliseconds)
{
    pumpUntil([] { return false; }, milliseconds);
}

bool MainWindowHarness::pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

bool MainWindowHarness::waitForIdleChecks()
{
    return pumpUntil([] {
        for (MailboxEntry* e = app.entries.head; e; e = e->next)
            if (e->isCheckRunning())
                return false;
        return true;
    }, 5000);
}

std::string MainWindowHarness::log() const
{
    HWND edit = GetDlgItem(window_, IDC_LOG);
    int length = GetWindowTextLengthA(edit);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(edit, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::wstring MainWindowHarness::logWide() const
{
    HWND edit = GetDlgItem(window_, IDC_LOG);
    int length = static_cast<int>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(edit, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

int MainWindowHarness::logCount(const std::string& part) const
{
    std::string text = log();
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

int MainWindowHarness::logLines() const
{
    std::string text = log();
    int lines = 1;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++lines;
    return lines;
}

MailboxEntry* MainWindowHarness::entry(int index) const
{
    MailboxEntry* e = app.entries.head;
    while (e && index-- > 0)
        e = e->next;
    return e;
}

bool MainWindowHarness::selectRow(int row)
{
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = row >= 0 ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    return SendDlgItemMessageA(window_, IDC_ENTRY_LIST, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

int MainWindowHarness::rowCount() const
{
    return static_cast<int>(SendDlgItemMessageA(window_, IDC_ENTRY_LIST, LVM_GETITEMCOUNT, 0, 0));
}

std::string MainWindowHarness::rowText(int row, int column) const
{
    char text[256] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendDlgItemMessageA(window_, IDC_ENTRY_LIST, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

int MainWindowHarness::rowImage(int row) const
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendDlgItemMessageA(window_, IDC_ENTRY_LIST, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

MailboxEntry* MainWindowHarness::rowEntry(int row) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendDlgItemMessageA(window_, IDC_ENTRY_LIST, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return reinterpret_cast<MailboxEntry*>(item.lParam);
}
