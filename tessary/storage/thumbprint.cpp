// Normalising a typed or pasted certificate thumbprint to the form an entry stores.
#include "storage/thumbprint.h"

namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char upperCase(char c)
{
    return (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool normaliseThumbprint(const char* text, char (&digits)[thumbprintDigits + 1])
{
    digits[0] = '\0';
    if (!text)
        return false;
    int count = 0;
    for (; *text; ++text) {
        if (*text == ':' || *text == ' ')
            continue;
        if (!isHexDigit(*text) || count == thumbprintDigits) {
            digits[0] = '\0';
            return false;
        }
        digits[count++] = upperCase(*text);
    }
    digits[count] = '\0';
    if (count != thumbprintDigits) {
        digits[0] = '\0';
        return false;
    }
    return true;
}
