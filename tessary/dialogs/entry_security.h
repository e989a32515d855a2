// The connection security fields of the edit entry dialog: the security choice, the port and the
// trusted certificate's thumbprint, shown from the entry and checked and stored on OK.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// A port field's text: only digits, and a value the port numbers have; an empty field is 0, the
// default port. False for anything else.
bool ParsePortText(const char* text, int32_t& port);
// Fills the security list with "None", "STLS" and "SSL/TLS", in the order of their values.
void FillSecurityList(HWND dialog);
// Names the security choices as the protocol does (IMAP says STARTTLS where POP3 says STLS),
// keeping the selection.
void NameSecurityChoices(HWND dialog, int32_t protocol);
// Selects the entry's security ("None" for a value it does not know), shows the port (empty for
// the default) and the thumbprint.
void ShowSecurityFields(HWND dialog, const MailboxEntry& entry);
// The rules in field order: security, port (empty for the default, else digits 1..65535), trusted
// certificate (empty for none, else 64 hexadecimal digits once colons and spaces are dropped).
// False at the first refusal, which has shown its message; the fields before it stay stored.
bool StoreSecurityFields(HWND dialog, MailboxEntry& entry);
