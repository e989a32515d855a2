// Owned strings: NUL-terminated heap copies held by the record that owns them; null, never empty.
#pragma once
#include <cstddef>

// Frees field and stores a copy of text, or null when text is null or "".
void replaceOwned(char*& field, const char* text);
// Frees field and sets it null.
void freeOwned(char*& field);
// Whether two owned strings hold the same text (null equals only null).
bool sameOwnedText(const char* a, const char* b);
// A heap copy of length bytes with a NUL added (the bytes may themselves contain NULs).
char* ownedCopyOf(const char* bytes, size_t length);

// Every owned string's bytes are allocated here (and freed with delete[]), so that a test can see
// how much a file's lengths made the program ask for. Bound to allocateWithNew.
extern char* (*allocateOwnedBytes)(size_t size);
char* allocateWithNew(size_t size);
