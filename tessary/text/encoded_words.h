// Header text with its encoded words (=?charset?B?...?= and =?charset?Q?...?=) decoded, as UTF-16
// or in a code page of the program's texts.
#pragma once
#include "text/bounded_text.h"
#include <cstddef>
#include <string>

// Appends a header value to out, unfolded, with every encoded word decoded. The blanks between two
// adjacent encoded words are dropped (they only separate the words); adjacent words in one
// charset are decoded together, so a character split across two of them is whole again. A word
// that is malformed, names an unknown charset or holds bytes that are not text in its charset is
// left exactly as it stands. Other text, bytes of 0x80 and above included, is read as UTF-8 when
// the value's bytes are valid UTF-8 and as Windows-1252 otherwise. Control characters (the tab of
// a fold, a line break inside a word) become blanks.
std::wstring decodedHeaderText(const char* text, size_t length);

// The same, converted into out's code page (characters it lacks become '?') and cut to fit.
void appendDecodedHeaderText(const char* text, size_t length, BoundedText& out);
