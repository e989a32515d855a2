// Charset names of mail headers mapped to code pages, and the conversion of their bytes to UTF-16:
// UTF-8 and Latin-1 by the program itself, every other code page by the platform.
#include "text/charsets.h"
#include <windows.h>
#include <cstring>

namespace {

struct NamedCodePage {
    const char* name;
    unsigned codePage;
};

// Names that carry no code page number of their own.
const NamedCodePage namedCodePages[] = {
    { "utf-8", codePageUtf8 },       { "utf8", codePageUtf8 },         { "us-ascii", codePageLatin1 },
    { "ascii", codePageLatin1 },     { "us", codePageLatin1 },         { "ansi_x3.4-1968", codePageLatin1 },
    { "latin1", codePageLatin1 },    { "latin-1", codePageLatin1 },    { "l1", codePageLatin1 },
    { "latin2", 28592 },             { "latin9", 28605 },              { "latin-9", 28605 },
    { "koi8-r", 20866 },             { "koi8r", 20866 },               { "koi8-u", 21866 },
    { "shift_jis", 932 },            { "shift-jis", 932 },             { "sjis", 932 },
    { "x-sjis", 932 },               { "windows-31j", 932 },           { "euc-jp", 20932 },
    { "iso-2022-jp", 50220 },        { "gb2312", 936 },                { "gbk", 936 },
    { "x-gbk", 936 },                { "gb18030", 54936 },             { "big5", 950 },
    { "big5-hkscs", 950 },           { "euc-kr", 949 },                { "ks_c_5601-1987", 949 },
    { "iso-2022-kr", 50225 },        { "tis-620", 874 },               { "macintosh", 10000 },
    { "x-mac-roman", 10000 },
};

// Smaller numbers are the platform's stand-ins (CP_ACP, CP_OEMCP, ...), not charsets.
const unsigned lowestRealCodePage = 37;

// "iso-8859-N" and its spellings; N is the part number.
const char* const isoPrefixes[] = { "iso-8859-", "iso8859-", "iso_8859-", "iso8859_" };
// Names that end in the code page number itself: "windows-1251", "cp850", "ibm866", "x-cp1250".
const char* const numberedPrefixes[] = { "windows-", "x-cp", "cp-", "cp", "ibm", "ms" };

unsigned isoPartCodePage(unsigned part)
{
    switch (part) {
    case 1: return codePageLatin1;
    case 11: return 874; // Thai: the platform's Thai code page holds all of it
    case 12: return 0;   // there is no part 12
    default: return part <= 16 ? 28590 + part : 0;
    }
}

bool startsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, strlen(prefix), prefix) == 0;
}

// The decimal number that is all of text, or 0.
unsigned wholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > 5)
        return 0;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= 65535 ? value : 0;
}

bool appendUtf8(const unsigned char* bytes, size_t length, std::wstring& wide)
{
    std::wstring text;
    for (size_t i = 0; i < length;) {
        unsigned char lead = bytes[i];
        unsigned code;
        size_t following;
        unsigned smallest;
        if (lead < 0x80) {
            code = lead, following = 0, smallest = 0;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            code = lead & 0x1F, following = 1, smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            code = lead & 0x0F, following = 2, smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            code = lead & 0x07, following = 3, smallest = 0x10000;
        } else {
            return false;
        }
        if (following > length - i - 1)
            return false; // a character cut off at the end
        for (size_t k = 1; k <= following; ++k) {
            unsigned char next = bytes[i + k];
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not text.
        if (code < smallest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        if (code >= 0x10000) {
            code -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (code >> 10));
            text += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            text += static_cast<wchar_t>(code);
        }
        i += following + 1;
    }
    wide += text;
    return true;
}

// Windows-1252 in 0x80..0x9F; its five unassigned bytes stay the Latin-1 control characters.
const wchar_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendLatin1(const unsigned char* bytes, size_t length, std::wstring& wide)
{
    for (size_t i = 0; i < length; ++i) {
        unsigned char b = bytes[i];
        wide += (b >= 0x80 && b < 0xA0) ? windows1252High[b - 0x80] : static_cast<wchar_t>(b);
    }
}

bool appendPlatform(unsigned codePage, const char* bytes, size_t length, std::wstring& wide)
{
    if (length > 0x7FFFFFF)
        return false;
    int size = static_cast<int>(length);
    // Some code pages (the ISO-2022 family, GB18030 on older systems) refuse the flag that rejects
    // invalid bytes; they are converted without it.
    DWORD flags = MB_ERR_INVALID_CHARS;
    int units = MultiByteToWideChar(codePage, flags, bytes, size, nullptr, 0);
    if (units <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        units = MultiByteToWideChar(codePage, flags, bytes, size, nullptr, 0);
    }
    if (units <= 0)
        return false;
    std::wstring text(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(codePage, flags, bytes, size, &text[0], units) != units)
        return false;
    wide += text;
    return true;
}

} // namespace

unsigned codePageOfCharset(const char* name, size_t length)
{
    std::string lower;
    for (size_t i = 0; i < length && name[i] != '*'; ++i) {
        char c = name[i];
        lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    for (const NamedCodePage& named : namedCodePages)
        if (lower == named.name)
            return named.codePage;
    for (const char* prefix : isoPrefixes)
        if (startsWith(lower, prefix))
            return isoPartCodePage(wholeNumber(lower.substr(strlen(prefix))));
    for (const char* prefix : numberedPrefixes)
        if (startsWith(lower, prefix))
            if (unsigned number = wholeNumber(lower.substr(strlen(prefix))))
                return number >= lowestRealCodePage ? number : 0;
    return 0;
}

bool appendCharsetText(unsigned codePage, const char* bytes, size_t length, std::wstring& wide)
{
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes);
    if (codePage == codePageUtf8)
        return appendUtf8(data, length, wide);
    if (codePage == codePageLatin1) {
        appendLatin1(data, length, wide);
        return true;
    }
    if (codePage == 0)
        return false;
    if (length == 0)
        return true;
    return appendPlatform(codePage, bytes, length, wide);
}

bool isUtf8Text(const char* bytes, size_t length)
{
    std::wstring ignored;
    return appendUtf8(reinterpret_cast<const unsigned char*>(bytes), length, ignored);
}

void appendRawHeaderText(const char* bytes, size_t length, bool asUtf8, std::wstring& wide)
{
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes);
    if (!asUtf8 || !appendUtf8(data, length, wide))
        appendLatin1(data, length, wide);
}
