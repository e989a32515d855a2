// The header viewer "Message Header(s)" (template 131): the header blocks of the last check of one
// entry under the entry's name, one message at a time (chosen by its number), with the message's
// sender, date and subject decoded above its block (in Unicode on the NT family).
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// The dialog procedure; the creation parameter is the MailboxEntry.
INT_PTR CALLBACK HeaderDlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Opens it modally on entry: 2 after "Close" or Escape, 1 after the close box, -1 when the
// dialog could not be created.
INT_PTR OpenHeaderDialog(HWND owner, MailboxEntry* entry);
