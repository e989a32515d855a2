// What happens when a check has finished: the log line, the popup, the blinking tray icon, the
// sound, the e-mail program, the shell command and the spoken report.
#pragma once
#include <windows.h>
#include <string>
#include "storage/mailbox_entry.h"
#include "storage/settings.h"
#include "text/readable_fields.h"

// Runs the actions for the entry's lastResult, in order, on the user-interface thread. The
// entry's headers are read without its lock: the worker has posted its message and no longer
// writes them.
void RunResultActions(HWND window, const MailboxEntry& entry, const Settings& settings);

// Room for one spoken sender or subject line (in UTF-16 units, with a terminator); a longer field
// is cut to fit.
const size_t spokenFieldLineSize = 512;

// The longest sender or subject a log line shows, in UTF-16 units; a longer one is cut.
const size_t loggedFieldLimit = 500;

// Messages whose senders and subjects a check speaks one by one; the rest are summed up in one
// line, so that a mailbox of thousands cannot keep the window busy for hours.
const int spokenMessageLimit = 20;

// "Message %d from: " followed by the sender's name (or address), or "Message %d subject: "
// followed by the subject, of header number - 1, decoded to UTF-16 and cut to
// spokenFieldLineSize - 1 units. False (the prefix alone in line) when the header has no such field.
bool buildSpokenFieldLine(const MailboxEntry& entry, int number, HeaderFieldKind which, std::wstring& line);
