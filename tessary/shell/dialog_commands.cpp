// What the main window does with the results of its configuration dialogs: take the settings
// over, append a new entry, copy an edited one back, and save what changed.
#include "shell/dialog_commands.h"
#include "shell/apply_settings.h"
#include "shell/entry_list_view.h"
#include "shell/main_window.h"
#include "shell/main_window_state.h"
#include "shell/menus.h"
#include "dialogs/add_wizard.h"
#include "dialogs/entry_dialog.h"
#include "dialogs/header_dialog.h"
#include "dialogs/settings_dialog.h"
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"
#include "storage/data_folder.h"
#include <string>

namespace {

// A dialog that could not be created ends the program, unless a fatal error inside the dialog
// already did (one report is enough). True when the command must stop here.
bool failed(INT_PTR result, const char* text)
{
    if (fatalErrorRaised)
        return true;
    if (result == -1) {
        FatalError(text);
        return true;
    }
    return false;
}

void saveEntryList()
{
    if (!app.entries.save(DataFilePath(entryListFileName)))
        FatalError("Could not save entry list!");
}

void appendAndSave(MailboxEntry* entry)
{
    app.entries.append(entry);
    RefreshEntryListAndAnimation();
    saveEntryList();
}

// A mailbox entry made by the user (Add new, the wizard): TLS from the first byte on the default
// port, only new messages announced, watched continuously where the protocol can, notified and not
// muted. Entries read from older files keep plain POP3 and do not watch continuously.
MailboxEntry* newUserEntry()
{
    MailboxEntry* entry = new MailboxEntry;
    entry->setSecurity(SecuritySslTls);
    entry->setPort(0);
    entry->setAnnounceNewOnly(true);
    entry->watchContinuously = true;
    entry->showNotification = true;
    entry->mute = false;
    return entry;
}

// The entry of the first selected row; null, after telling the user, when there is none or
// the row's entry has gone.
MailboxEntry* selectedEntry(HWND window, const char* noSelection)
{
    int row = selectedRow();
    if (row < 0) {
        uiCalls.MessageBoxA(window, noSelection, "Tessary", MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    MailboxEntry* entry = nullptr;
    if (!rowEntry(row, entry) || !app.entries.contains(entry)) {
        uiCalls.MessageBoxA(window, "Bad pointer in list view.", "Tessary Nonfatal Error!", MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    return entry;
}

} // namespace

void OpenSettingsCommand(HWND window)
{
    Settings scratch = app.settings;
    INT_PTR result = OpenSettingsDialog(window, &scratch);
    if (failed(result, "Could not create settings dialog box.") || result == IDCANCEL)
        return;
    app.settings = scratch;
    ApplySettings(window, app.settings);
    if (fatalErrorRaised)
        return;
    saveSettingsWithWindowPosition(window);
}

void AddNewEntryCommand(HWND window)
{
    MailboxEntry* entry = newUserEntry();
    entryDialogTitle = "Add new mailbox entry";
    INT_PTR result = OpenEntryDialog(window, entry);
    entryDialogTitle = nullptr;
    if (failed(result, "Could not create add entry dialog box.") || result == IDCANCEL) {
        delete entry;
        return;
    }
    appendAndSave(entry);
}

void EditEntryCommand(HWND window)
{
    MailboxEntry* selected = selectedEntry(window, "You must select an entry to edit.");
    if (!selected)
        return;
    MailboxEntry scratch;
    scratch.copyFrom(*selected);
    std::string tokenShown = selected->refreshToken ? selected->refreshToken : "";
    entryDialogTitle = "Edit mailbox entry";
    INT_PTR result = OpenEntryDialog(window, &scratch);
    entryDialogTitle = nullptr;
    if (failed(result, "Could not create edit entry dialog box.") || result == IDCANCEL)
        return;
    // A check may have ended, or the entry been removed, while the dialog was open.
    if (!app.entries.contains(selected))
        return;
    // A refresh token the service rotated while the dialog was open replaces the one the dialog
    // started from, unless the user signed in anew in the dialog.
    bool signedInAnew = tokenShown != (scratch.refreshToken ? scratch.refreshToken : "");
    if (!tokenShown.empty())
        SecureZeroMemory(&tokenShown[0], tokenShown.size());
    if (!signedInAnew && scratch.signIn == selected->signIn)
        scratch.setRefreshToken(selected->refreshToken);
    selected->copyFrom(scratch); // stops a running check of the entry first
    RefreshEntryListAndAnimation();
    saveEntryList();
}

void AddWizardCommand(HWND window)
{
    MailboxEntry* entry = newUserEntry();
    int result = RunAddWizard(window, GetModuleHandleA(nullptr), entry);
    if (failed(result, "Could not create add entry wizard.") || result == 0) {
        delete entry;
        return;
    }
    appendAndSave(entry);
}

void ShowHeadersCommand(HWND window)
{
    MailboxEntry* entry = selectedEntry(window, "You must select an entry to show headers.");
    // A watch between wake-ups counts as no running check: the viewer copies the headers under
    // the entry's lock, so that a wake-up meanwhile cannot pull them away.
    if (!entry || (entry->isCheckRunning() && !entry->workerParams.idling))
        return;
    OpenHeaderDialog(window, entry);
}
