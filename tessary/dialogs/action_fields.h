// The rules that store the four after-check actions of an entry from their controls. The actions
// dialog runs all four; the wizard's sound and e-mail program pages run their own ones, with the
// same control ids and messages.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// Each stores its action's flag first, then checks and stores its texts; false (after its
// message) when a needed text is empty. An unchecked action keeps its strings.
bool storeMailSound(HWND dialog, MailboxEntry& entry);
bool storeMailProgram(HWND dialog, MailboxEntry& entry);
bool storeShellCommand(HWND dialog, MailboxEntry& entry);
bool storeNoMailSound(HWND dialog, MailboxEntry& entry);

// The four in order; false at the first refusal, leaving what came before it stored.
bool StoreActionFields(HWND dialog, MailboxEntry& entry);
