// A text in a fixed buffer, in one code page, that grows by whole characters only: the first
// character that does not fit ends it, so a cut never splits a character.
#pragma once
#include <cstddef>

class BoundedText {
public:
    // buffer of size bytes, kept NUL-terminated from the start; codePage 0 is the system's ANSI
    // code page, the one the program's "A" calls use.
    BoundedText(char* buffer, size_t size, unsigned codePage = 0);

    // Bytes already written in the code page, copied as they are; control characters (the tab of
    // an unfolded line, a stray line break) become blanks.
    void appendBytes(const char* bytes, size_t length);
    // UTF-16 text converted to the code page; characters it lacks become '?', control characters
    // blanks.
    void appendWide(const wchar_t* text, size_t length);

    size_t length() const { return used_; }
    bool full() const { return full_; }

private:
    size_t characterLength(const unsigned char* bytes, size_t available) const;
    bool take(const char* bytes, size_t length);
    int convert(const wchar_t* character, int units, char* out, int outSize) const;

    char* buffer_;
    size_t size_;
    size_t used_ = 0;
    bool full_ = false;
    unsigned codePage_;
    unsigned char leadBytes_[12] = {}; // ranges of double-byte lead bytes, as the platform gives them
};
