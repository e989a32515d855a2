// The dial-up connection combo box of the edit entry dialog and the wizard's connection page:
// "Any dialup.." first, then the phonebook entries of the remote access service, sorted.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// Item data of "Any dialup..", which stands for a null dialupEntry (the first phonebook entry).
const LPARAM anyDialupMarker = 0x77777767;

// Fills the empty combo box. False after FatalError (the phonebook could not be listed, or
// "Any dialup.." could not be inserted).
bool FillDialupCombo(HWND dialog, int comboId);
// Selects the first item after "Any dialup.." whose text begins with dialupEntry (letter case
// ignored); "Any dialup.." when there is none or dialupEntry is null.
void SelectDialupEntry(HWND combo, const MailboxEntry& entry);
// Stores the selected item (index 0 when none is selected) into dialupEntry: null for
// "Any dialup..", else the item's text.
void ReadDialupEntry(HWND dialog, int comboId, MailboxEntry& entry);
