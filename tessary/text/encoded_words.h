// Header text with its encoded words (=?charset?B?...?= and =?charset?Q?...?=) decoded into the
// code page of the program's texts.
#pragma once
#include "text/bounded_text.h"
#include <cstddef>

// Appends a header value to out, unfolded, with every encoded word decoded. The blanks between two
// adjacent encoded words are dropped (they only separate the words); adjacent words in one
// charset are decoded together, so a character split across two of them is whole again. A word
// that is malformed, names an unknown charset or holds bytes that are not text in its charset is
// left exactly as it stands. Other text is copied as it is.
void appendDecodedHeaderText(const char* text, size_t length, BoundedText& out);
