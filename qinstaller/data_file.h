// The byte encoding shared by "inst.dat" and "quninst.dat": little-endian int32, bytes,
// length-prefixed strings (length 0 stands for a null string) and an 11-character magic.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Both files start with an 11-character magic without length or terminator.
const size_t dataMagicLength = 11;

// Reads a whole data file into memory and takes fields off its front. Every read checks what is
// left, so a file that ends early, a negative length or a length past the end fails the read
// instead of running over the data. Once a read has failed, every later read fails too.
class DataReader {
public:
    bool open(const char* fileName); // false when the file is missing or cannot be read

    bool matchMagic(const char* magic);
    bool readInt32(int32_t& value);
    bool readByte(uint8_t& value);
    // A present string comes back as a new[] buffer of length + 1 bytes, NUL-terminated; length
    // 0 gives nullptr. The caller owns the buffer.
    bool readString(char*& text);
    // A count of strings that follow: false when it is negative or when the rest of the file
    // could not even hold that many empty strings.
    bool readStringCount(int32_t& count);

    bool failed() const { return failed_; }

private:
    bool take(void* out, size_t length);

    std::string bytes_;
    size_t position_ = 0;
    bool failed_ = false;
};

// Builds a data file in memory; save writes it in one go.
class DataWriter {
public:
    void writeMagic(const char* magic);
    void writeInt32(int32_t value);
    void writeByte(uint8_t value);
    void writeString(const char* text); // null and empty both give length 0

    const std::string& bytes() const { return bytes_; }
    // Creates or truncates the file and writes everything. False when the file could not be
    // created or a write failed.
    bool save(const char* fileName, bool* created = nullptr) const;

private:
    std::string bytes_;
};

// A new[] copy of text, or nullptr for nullptr.
char* copyString(const char* text);
