// The ANSI code page conversions of the speech wrapper. Each output buffer is sized before the
// conversion writes to it.
#include "notify/text_conversion.h"
#include <climits>
#include <cstring>

WCHAR* newWideText(const char* text)
{
    if (!text)
        text = "";
    size_t length = std::strlen(text);
    // 4 bytes a character and 4 more; no byte of the ANSI code page gives more than one UTF-16
    // unit, so this always holds the text and its terminator.
    size_t units = 2 * length + 2;
    if (units > static_cast<size_t>(INT_MAX))
        return nullptr;
    WCHAR* wide = new WCHAR[units];
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, static_cast<int>(units)) == 0) {
        delete[] wide;
        return nullptr;
    }
    return wide;
}

namespace {

bool isHighSurrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }

} // namespace

bool wideToAnsi(const WCHAR* text, size_t maxChars, char* buffer, size_t bufferSize)
{
    if (bufferSize == 0)
        return false;
    size_t length = 0;
    while (length < maxChars && text[length])
        ++length;
    // Drop characters from the end until the rest fits with its terminator. A surrogate pair goes
    // as a whole.
    for (;;) {
        if (length > 0 && isHighSurrogate(text[length - 1]))
            --length;
        int needed = length ? WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr,
                                                  0, nullptr, nullptr)
                            : 0;
        if (length && needed <= 0)
            return false;
        if (static_cast<size_t>(needed) < bufferSize) {
            if (length)
                WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), buffer, needed,
                                    nullptr, nullptr);
            buffer[needed] = '\0';
            return true;
        }
        --length;
    }
}
