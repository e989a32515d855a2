// The tray tip tells the state: how much new mail waits since the user last opened the window,
// which accounts cannot be checked, and otherwise just "Tessary".
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>
#include "storage/mailbox_entry.h"

// A check of entry announced count new messages (a notification was shown or not).
void NoteAnnouncedMail(const MailboxEntry& entry, int count);
// The user opened the window: the news are seen.
void ForgetAnnouncedMail();

// The tip, at most limit characters (never a split character). severalLines: the shell shows
// line breaks in tips (shell 5.0 and later), so the failing accounts are named on a line of their
// own and new mail follows a failure; an older shell gets one line, the failure before the news.
std::string TrayTipText(size_t limit, bool severalLines);

// Cuts an ANSI text to at most limit bytes without splitting a double-byte character.
void cutAnsiText(std::string& text, size_t limit);
