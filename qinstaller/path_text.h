// Formatting paths into the installer's fixed 260-character buffers without ever cutting one.
#pragma once
#include <windows.h>
#include <cstdio>

// Formats into out; false (and out emptied) when the result would not fit.
bool formatPath(char (&out)[MAX_PATH], const char* format, ...)
    __attribute__((format(__MINGW_PRINTF_FORMAT, 2, 3)));

// A null string of the install data counts as empty.
inline const char* orEmpty(const char* text)
{
    return text ? text : "";
}
