// Heap copies of texts for the records that own them.
#include "storage/owned_string.h"
#include <cstring>

char* allocateWithNew(size_t size)
{
    return new char[size];
}

char* (*allocateOwnedBytes)(size_t size) = allocateWithNew;

char* ownedCopyOf(const char* bytes, size_t length)
{
    char* copy = allocateOwnedBytes(length + 1);
    memcpy(copy, bytes, length);
    copy[length] = '\0';
    return copy;
}

void freeOwned(char*& field)
{
    delete[] field;
    field = nullptr;
}

void replaceOwned(char*& field, const char* text)
{
    // Copy before freeing: text may be the field's own string.
    char* copy = (text && *text) ? ownedCopyOf(text, strlen(text)) : nullptr;
    delete[] field;
    field = copy;
}

bool sameOwnedText(const char* a, const char* b)
{
    return a == b || (a && b && strcmp(a, b) == 0);
}
