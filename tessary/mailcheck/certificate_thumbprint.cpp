// Writing certificate thumbprints.
#include "mailcheck/certificate_thumbprint.h"

void formatThumbprint(const unsigned char hash[sha256Size], char (&output)[thumbprintTextSize])
{
    static const char hex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < sha256Size; ++i) {
        output[2 * i] = hex[hash[i] >> 4];
        output[2 * i + 1] = hex[hash[i] & 15];
    }
    output[thumbprintDigits] = '\0';
}
