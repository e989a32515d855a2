// Bounded path formatting.
#include "path_text.h"
#include <cstdarg>
#include <cstdio>

bool formatPath(char (&out)[MAX_PATH], const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(out, sizeof out, format, arguments);
    va_end(arguments);
    if (length < 0 || length >= MAX_PATH) {
        out[0] = '\0';
        return false;
    }
    return true;
}
