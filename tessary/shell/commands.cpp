// The command table: each command id goes to a small handler.
#include "shell/commands.h"
#include "shell/about_box.h"
#include "shell/activity_log.h"
#include "shell/dialog_commands.h"
#include "shell/entry_list_view.h"
#include "shell/main_window_state.h"
#include "shell/scheduler.h"
#include "shell/startup.h"
#include "shell/tray_icon.h"
#include "shell/tray_tip.h"
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"
#include "signin/entry_access.h"
#include "signin/signin_result.h"
#include "storage/data_folder.h"
#include "resources/resource.h"
#include <htmlhelp.h>
#include <shellapi.h>

namespace {

void warn(HWND window, const char* text, const char* caption = "Tessary")
{
    uiCalls.MessageBoxA(window, text, caption, MB_OK | MB_ICONWARNING);
}

// The entry of the first selected row, checked against the entry list. Null, after telling the
// user, when nothing is selected or the row's entry has gone.
MailboxEntry* selectedEntry(HWND window, const char* noSelection, const char* badPointerCaption)
{
    int row = selectedRow();
    if (row < 0) {
        warn(window, noSelection);
        return nullptr;
    }
    MailboxEntry* entry = nullptr;
    if (!rowEntry(row, entry) || !app.entries.contains(entry)) {
        warn(window, "Bad pointer in list view.", badPointerCaption);
        return nullptr;
    }
    return entry;
}

void removeSelected(HWND window)
{
    MailboxEntry* entry = selectedEntry(window, "You must select an entry to remove.", "Tessary Nonfatal Error!");
    if (!entry)
        return;
    if (uiCalls.MessageBoxA(window, "Are you sure?", "Remove account entry", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    app.entries.remove(entry); // its destruction stops a running check
    RefreshEntryListAndAnimation();
    if (!app.entries.save(DataFilePath(entryListFileName)))
        FatalError("Could not save entry list!");
}

void checkAll(HWND window)
{
    app.entries.requestCheckAllEnabled();
    RunScheduler(window);
    RefreshEntryListAndAnimation();
}

void showHelpContents()
{
    enterProgramFolder();
    uiCalls.HtmlHelpA(GetDesktopWindow(), "Tessary.chm::/main.htm", HH_DISPLAY_TOPIC, 0);
}

void runFirstMailProgram()
{
    if (MailboxEntry* entry = app.entries.firstWithMailProgram())
        RunMailProgram(*entry);
}

void runSelectedMailProgram(HWND window)
{
    int row = selectedRow();
    if (row < 0) {
        warn(window, "No entry selected for run!", "Tessary Nonfatal Error");
        return;
    }
    MailboxEntry* entry = nullptr;
    if (!rowEntry(row, entry) || !app.entries.contains(entry)) {
        warn(window, "Bad pointer in list view.", "Tessary Nonfatal Error");
        return;
    }
    if (!entry->runMailProgram)
        LogEntryLine(entry->name, "error: selected entry does not have an email application setup");
    else
        RunMailProgram(*entry);
}

} // namespace

void ShowMainWindow(HWND window)
{
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetForegroundWindow(window);
    // The news the tip counted are in front of the user now.
    ForgetAnnouncedMail();
    RefreshTrayTip(window);
}

void RunMailProgram(const MailboxEntry& entry)
{
    HINSTANCE result = uiCalls.ShellExecuteA(nullptr, "open", entry.mailProgramPath, entry.mailProgramArgs,
                                             nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32)
        LogEntryLine(entry.name, "error: ShellExecute() failed on email application");
}

void CheckSelected(HWND window)
{
    MailboxEntry* entry = selectedEntry(window, "You must select an entry to check.", "Tessary Nonfatal Error!");
    if (!entry)
        return;
    if (signInWithdrawn(*entry)) {
        // Such entries wait for the user to sign in again; the scheduler passes over them silently.
        LogEntryLine(entry->name, signInResultLine(signInExpired));
        return;
    }
    entry->waitingForDialup = 0;
    entry->setRetryDelay(0);
    entry->checkRequested = true;
    RunScheduler(window);
    RefreshEntryListAndAnimation();
}

INT_PTR OnCommand(HWND window, WORD id)
{
    switch (id) {
    case IDM_ABOUT:
        ShowAboutBox(window);
        break;
    case IDM_SETTINGS:
        OpenSettingsCommand(window);
        break;
    case IDM_ADD_NEW:
        AddNewEntryCommand(window);
        break;
    case IDM_EDIT:
        EditEntryCommand(window);
        break;
    case IDM_ADD_WIZARD:
        AddWizardCommand(window);
        break;
    case IDM_SHOW_HEADERS:
        ShowHeadersCommand(window);
        break;
    case IDM_CHECK_SELECTED:
        CheckSelected(window);
        break;
    case IDM_REMOVE:
        removeSelected(window);
        break;
    case IDM_CHECK_ALL:
        checkAll(window);
        break;
    case IDM_ENABLE_ALL:
        app.entries.enableAll();
        RefreshEntryListAndAnimation();
        break;
    case IDM_DISABLE_ALL:
        app.entries.disableAll();
        RefreshEntryListAndAnimation();
        break;
    case IDM_CLOSE:
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case IDM_HELP_CONTENTS:
        showHelpContents();
        break;
    case IDM_RUN_EMAIL_APP:
        runFirstMailProgram();
        break;
    case IDM_SHOW_WINDOW:
        ShowMainWindow(window);
        break;
    case IDM_RUN_SELECTED_EMAIL_APP:
        runSelectedMailProgram(window);
        break;
    default:
        return FALSE;
    }
    return TRUE;
}
