// What happens when a check has finished: the log line, the popup, the blinking tray icon, the
// sound, the e-mail program, the shell command and the spoken report.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"
#include "storage/settings.h"

// Runs the actions for the entry's lastResult, in order, on the user-interface thread. The
// entry's headers are read without its lock: the worker has posted its message and no longer
// writes them.
void RunResultActions(HWND window, const MailboxEntry& entry, const Settings& settings);

// Room for one spoken sender or subject line; a longer field is cut to fit.
const size_t spokenFieldLineSize = 512;

// "Message %d from: " or "Message %d subject: " followed by the field of header number - 1, cut
// to fit size. False (the prefix alone in line) when the header has no such field.
bool buildSpokenFieldLine(const MailboxEntry& entry, int number, int which, char* line, size_t size);
