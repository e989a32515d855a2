// The protocol fields of the edit entry dialog: POP3 or IMAP, and the IMAP folder. The security
// list names STARTTLS for IMAP and STLS for POP3, and the port's hint names the default port of
// the chosen protocol and security.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// Fills the protocol list with "POP3" and "IMAP", in the order of their values.
void FillProtocolList(HWND dialog);
// Selects the entry's protocol ("POP3" for a value it does not know) and shows its folder.
void ShowProtocolFields(HWND dialog, const MailboxEntry& entry);
// The protocol now chosen in the dialog.
int32_t ChosenProtocol(HWND dialog);
// After the protocol or the security changed: the security names, the folder's enabling and the
// port's hint follow; a port that is the old protocol's standard one becomes empty (the default).
void UpdateProtocolControls(HWND dialog, bool protocolChanged);
// Stores the protocol, the folder (empty: INBOX, stored as none) and watching continuously (IMAP
// only).
void StoreProtocolFields(HWND dialog, MailboxEntry& entry);
