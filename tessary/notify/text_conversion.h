// Conversions between the program's 8-bit texts and the engine's UTF-16. The 8-bit side is the
// ANSI code page (CP_ACP), the one every "A" platform call of the program uses.
#pragma once
#include <windows.h>
#include <cstddef>

// A new[] UTF-16 copy of text (null counts as empty), or null when it cannot be converted.
WCHAR* newWideText(const char* text);

// Writes the first at most maxChars characters of text (fewer when a terminator comes first) into
// buffer as 8-bit text with its terminator. Characters that do not fit bufferSize are cut at the
// end, never split. False, with buffer untouched, when nothing can be written.
bool wideToAnsi(const WCHAR* text, size_t maxChars, char* buffer, size_t bufferSize);
