// Finding one field in a message's header block, and undoing the folding of its long lines.
#pragma once
#include <cstddef>
#include <string>

// The blanks of header text: the space, and the tab that folding and some mail programs use.
inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The value of the field named by pattern ("From:", "Subject: ") in a header block as the server
// sent it: the pattern must stand right after a line break and match in letter case, as the
// program has always looked for these fields. A blank at the end of the pattern is matched by a
// blank or a tab, or by a fold when the value starts on a continuation line. The value runs from
// after the pattern over folded continuation lines (a line break followed by a blank or a tab) to
// the end of the field; it is left folded. False when the field is missing or its line has no end.
bool findHeaderField(const char* headerBlock, const char* pattern, const char** value, size_t* length);

// text with the line breaks of its folded lines removed; the blank or tab after each stays.
std::string unfoldedHeaderText(const char* text, size_t length);
