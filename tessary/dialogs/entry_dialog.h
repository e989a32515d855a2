// The edit mailbox entry dialog (template 104, "Edit email box watch"): one entry's name, server,
// credentials, connection security, announcing, connection, enabling and schedule, and through
// "Set..." its actions.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// The title the next opening shows instead of the template's; set by the caller, null for none.
extern const char* entryDialogTitle;

// The dialog procedure; the creation parameter is the MailboxEntry it writes into.
INT_PTR CALLBACK EMBdlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Opens it modally on entry: 1 after OK (every field stored), 2 after Cancel or the close box,
// -1 when the dialog could not be created.
INT_PTR OpenEntryDialog(HWND owner, MailboxEntry* entry);

// The enabling rules: the dial-up choice and hang-up box unless the LAN is chosen; each time
// field while its check box is checked.
void UpdateEntryControls(HWND dialog);
