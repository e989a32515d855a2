// Character sets named in mail headers: which code page each name means, and turning a charset's
// bytes into UTF-16.
#pragma once
#include <cstddef>
#include <string>

// The code page of a charset name as mail headers write it ("UTF-8", "iso-8859-2", "KOI8-R",
// "windows-1251", "cp850", ...), without regard to letter case; a language tag after "*" is
// ignored. 0 when the name is unknown.
unsigned codePageOfCharset(const char* name, size_t length);

// Appends the characters of bytes, written in codePage, to wide. False, with wide unchanged, when
// the bytes are not valid text in that code page or the platform does not know the code page.
bool appendCharsetText(unsigned codePage, const char* bytes, size_t length, std::wstring& wide);

// Whether bytes are valid UTF-8 throughout (plain ASCII is).
bool isUtf8Text(const char* bytes, size_t length);

// Appends header bytes that stand outside encoded words: as UTF-8 with asUtf8 (mail that carries
// UTF-8 in its headers directly), as Windows-1252 otherwise, the bytes older mail programs wrote
// in the sender's Western code page. Bytes that are not valid UTF-8 are read as Windows-1252
// even with asUtf8.
void appendRawHeaderText(const char* bytes, size_t length, bool asUtf8, std::wstring& wide);

// Code pages the program decodes itself, so they work on every platform. Latin-1 (and US-ASCII,
// which mail programs also use for it) is read as Windows-1252, as mail and web programs do: the
// bytes 0x80 to 0x9F, control characters in Latin-1, are the quotes, dashes and the euro sign
// that mislabelled messages mean.
const unsigned codePageUtf8 = 65001;
const unsigned codePageLatin1 = 28591;
