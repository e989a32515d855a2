// The activity log: the read-only edit control under the list, the program's only log.
#pragma once
#include <string>

// Appends text to the log: after a line break when newLine is set, with "hh:mm " before it when
// timePrefix is set, and "prefix: " (or "prefix " without a new line) when prefix is given. Keeps
// at most 400 lines by dropping the oldest, and speaks the line under full voice feedback.
void LogLine(const char* text, const char* prefix, bool timePrefix, bool newLine);

// The same for text from mail, which may hold any script: shown and spoken as UTF-16 on the NT
// family, in the ANSI code page (with '?' for what it lacks) elsewhere.
void LogWideLine(const std::wstring& text, const char* prefix, bool timePrefix, bool newLine);

// The common form: a new, time-stamped line, with the entry's name before it when given.
inline void LogEntryLine(const char* prefix, const char* text)
{
    LogLine(text, prefix, true, true);
}

inline void LogEntryWideLine(const char* prefix, const std::wstring& text)
{
    LogWideLine(text, prefix, true, true);
}

// Lines the log keeps before it drops the oldest.
const int logLineLimit = 400;
