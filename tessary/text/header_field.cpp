// Locating a header field and unfolding its value.
#include "text/header_field.h"
#include <cstring>

bool findHeaderField(const char* headerBlock, const char* pattern, const char** value, size_t* length)
{
    if (!headerBlock)
        return false;
    std::string search = std::string("\r\n") + pattern;
    const char* found = strstr(headerBlock, search.c_str());
    if (!found)
        return false;
    const char* start = found + search.size();
    for (const char* end = strstr(start, "\r\n"); end; end = strstr(end + 2, "\r\n")) {
        if (!isBlank(end[2])) {
            *value = start;
            *length = static_cast<size_t>(end - start);
            return true;
        }
    }
    return false;
}

std::string unfoldedHeaderText(const char* text, size_t length)
{
    std::string unfolded;
    unfolded.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\r' && i + 2 < length && text[i + 1] == '\n' && isBlank(text[i + 2])) {
            ++i; // drops "\r\n", keeps the blank
            continue;
        }
        if (text[i] == '\n' && i + 1 < length && isBlank(text[i + 1]))
            continue; // a fold written with a bare line feed
        unfolded += text[i];
    }
    return unfolded;
}
