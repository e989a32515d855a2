// The actions dialog "Set actions to be taken" (template 110): sounds, the e-mail program and a
// shell command after each check of one entry. Opened from the edit entry dialog's "Set...".
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// The dialog procedure; the creation parameter is the MailboxEntry.
INT_PTR CALLBACK SetActDlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Opens it modally on entry: 1 after OK (actions stored), 2 after Cancel or the close box,
// -1 when the dialog could not be created.
INT_PTR OpenActionsDialog(HWND owner, MailboxEntry* entry);

// The enabling rules: each action's fields follow its check box.
void UpdateActionControls(HWND dialog);
