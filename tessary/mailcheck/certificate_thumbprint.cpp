// Reading and writing certificate thumbprints.
#include "mailcheck/certificate_thumbprint.h"
#include <cctype>

bool normalizeThumbprint(const char* text, char output[thumbprintTextSize])
{
    output[0] = '\0';
    if (!text)
        return false;
    int digits = 0;
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == ':' || c == ' ')
            continue;
        if (!isxdigit(c) || digits == thumbprintDigits) {
            output[0] = '\0';
            return false;
        }
        output[digits++] = static_cast<char>(toupper(c));
    }
    output[digits] = '\0';
    if (digits != thumbprintDigits) {
        output[0] = '\0';
        return false;
    }
    return true;
}

void formatThumbprint(const unsigned char hash[sha256Size], char output[thumbprintTextSize])
{
    static const char hex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < sha256Size; ++i) {
        output[2 * i] = hex[hash[i] >> 4];
        output[2 * i + 1] = hex[hash[i] & 15];
    }
    output[thumbprintDigits] = '\0';
}
