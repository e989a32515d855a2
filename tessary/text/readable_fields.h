// The sender and the subject of a message as the program says and shows them, read from the
// message's header block.
#pragma once
#include <cstddef>
#include <string>

enum HeaderFieldKind { SenderField = 0, SubjectField = 1, DateField = 2 };

// Whether the header block (null counts as none) has the field at all: the sender's "From:" line
// or the "Subject: " line.
bool hasHeaderField(const char* headerBlock, HeaderFieldKind which);

// The field as UTF-16: the subject (or date) unfolded, decoded and without blanks around it, or the
// sender's display name (else the address). False, with text untouched, when the field is missing.
bool readableHeaderText(const char* headerBlock, HeaderFieldKind which, std::wstring& text);

// The whole value of the field decoded, without blanks around it: for the sender, the name and the
// address as written ("Ann Example <ann@example.org>"). False when the field is missing.
bool decodedHeaderValue(const char* headerBlock, HeaderFieldKind which, std::wstring& text);

// Shortens text to at most maxUnits UTF-16 units without splitting a surrogate pair.
void cutWideText(std::wstring& text, size_t maxUnits);

// Writes the field into output: the subject unfolded with its encoded words decoded, or the
// sender's display name (else the address). It is NUL-terminated within outputSize and cut by
// whole characters of codePage (0: the system's ANSI code page). False, with output untouched,
// when the field is missing.
bool readableHeaderField(const char* headerBlock, HeaderFieldKind which, char* output, size_t outputSize,
                         unsigned codePage = 0);
