// Entries whose checks keep failing: a failing spell starts at once after a failure only the user
// can mend, or after three failures in a row of any other kind, and ends with the next success.
// Each spell tells the user once (a notification and a log line) and shows the error tray icon
// while it lasts.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// Failures in a row, of the kinds that may mend themselves, that start a spell.
const int failuresStartingSpell = 3;

// After a finished check of a listed entry: result is its lastResult, or checkNotStarted.
void NoteCheckResult(HWND window, const MailboxEntry& entry, int result);

// After a resume from sleep: the entry's next check may meet a network still coming back, so a
// connection failure then does not count; a check stopped for the sleep does not count at all.
void ForgiveNextConnectionFailure(const MailboxEntry& entry);
void IgnoreNextResult(const MailboxEntry& entry);

// Whether the entry is in a failing spell now.
bool IsFailing(const MailboxEntry& entry);
// Entries in a failing spell that are still listed (a removed entry's spell is forgotten).
int CountFailingEntries();
// Whether the tray shows the error icon: an entry is failing and the user wants failure alerts.
bool ShowsFailureIcon();

// Forgets every entry's record (the window is gone, or a test starts afresh).
void ForgetFailingSpells();
