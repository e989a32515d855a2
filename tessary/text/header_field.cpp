// Locating a header field and unfolding its value.
#include "text/header_field.h"
#include <cstring>

namespace {

// Where the value of a field starts when its name ends at text: a pattern that ends in a blank
// asks for a blank there, which may also stand after a fold, when the value begins on the next
// line ("Subject:" followed by a folded line). Null when the name is not followed as asked.
const char* valueStart(const char* text, bool blankWanted)
{
    if (!blankWanted)
        return text;
    if (isBlank(text[0]))
        return text + 1;
    if (text[0] == '\r' && text[1] == '\n' && isBlank(text[2]))
        return text;
    return nullptr;
}

} // namespace

bool findHeaderField(const char* headerBlock, const char* pattern, const char** value, size_t* length)
{
    if (!headerBlock)
        return false;
    std::string name = std::string("\r\n") + pattern;
    bool blankWanted = !name.empty() && name.back() == ' ';
    if (blankWanted)
        name.pop_back();
    for (const char* found = strstr(headerBlock, name.c_str()); found; found = strstr(found + 2, name.c_str())) {
        const char* start = valueStart(found + name.size(), blankWanted);
        if (!start)
            continue;
        for (const char* end = strstr(start, "\r\n"); end; end = strstr(end + 2, "\r\n")) {
            if (!isBlank(end[2])) {
                *value = start;
                *length = static_cast<size_t>(end - start);
                return true;
            }
        }
        return false;
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
