// The sender and the subject of a message as the program says and shows them, read from the
// message's header block.
#pragma once
#include <cstddef>

enum HeaderFieldKind { SenderField = 0, SubjectField = 1 };

// Whether the header block (null counts as none) has the field at all: the sender's "From:" line
// or the "Subject: " line.
bool hasHeaderField(const char* headerBlock, HeaderFieldKind which);

// Writes the field into output: the subject unfolded with its encoded words decoded, or the
// sender's display name (else the address). It is NUL-terminated within outputSize and cut by
// whole characters of codePage (0: the system's ANSI code page). False, with output untouched,
// when the field is missing.
bool readableHeaderField(const char* headerBlock, HeaderFieldKind which, char* output, size_t outputSize,
                         unsigned codePage = 0);
