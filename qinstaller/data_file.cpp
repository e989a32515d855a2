// Bounded reading and whole-file writing of the installer's data files.
#include "data_file.h"
#include <windows.h>
#include <cstring>

namespace {
// No release file comes near this; a bigger file is damaged, and is not read into memory.
const DWORD largestDataFile = 64u * 1024u * 1024u;
} // namespace

char* copyString(const char* text)
{
    if (!text)
        return nullptr;
    size_t length = strlen(text);
    char* copy = new char[length + 1];
    memcpy(copy, text, length + 1);
    return copy;
}

bool DataReader::open(const char* fileName)
{
    bytes_.clear();
    position_ = 0;
    failed_ = true;
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= largestDataFile;
    if (ok) {
        bytes_.resize(size);
        DWORD got = 0;
        ok = size == 0 || (ReadFile(file, &bytes_[0], size, &got, nullptr) && got == size);
    }
    CloseHandle(file);
    if (!ok) {
        bytes_.clear();
        return false;
    }
    failed_ = false;
    return true;
}

bool DataReader::take(void* out, size_t length)
{
    if (failed_ || bytes_.size() - position_ < length) {
        failed_ = true;
        return false;
    }
    memcpy(out, bytes_.data() + position_, length);
    position_ += length;
    return true;
}

bool DataReader::matchMagic(const char* magic)
{
    char read[dataMagicLength];
    if (!take(read, dataMagicLength) || memcmp(read, magic, dataMagicLength) != 0) {
        failed_ = true;
        return false;
    }
    return true;
}

bool DataReader::readInt32(int32_t& value)
{
    uint8_t b[4];
    if (!take(b, 4))
        return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                 (static_cast<uint32_t>(b[2]) << 16) |
                                 (static_cast<uint32_t>(b[3]) << 24));
    return true;
}

bool DataReader::readByte(uint8_t& value)
{
    return take(&value, 1);
}

bool DataReader::readString(char*& text)
{
    text = nullptr;
    int32_t length = 0;
    if (!readInt32(length))
        return false;
    if (length < 0 || bytes_.size() - position_ < static_cast<size_t>(length)) {
        failed_ = true;
        return false;
    }
    if (length == 0)
        return true;
    text = new char[static_cast<size_t>(length) + 1];
    take(text, static_cast<size_t>(length));
    text[length] = '\0';
    return true;
}

bool DataReader::readStringCount(int32_t& count)
{
    if (!readInt32(count))
        return false;
    if (count < 0 || (bytes_.size() - position_) / 4 < static_cast<size_t>(count)) {
        failed_ = true;
        return false;
    }
    return true;
}

void DataWriter::writeMagic(const char* magic)
{
    bytes_.append(magic, dataMagicLength);
}

void DataWriter::writeInt32(int32_t value)
{
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void DataWriter::writeByte(uint8_t value)
{
    bytes_.push_back(static_cast<char>(value));
}

void DataWriter::writeString(const char* text)
{
    size_t length = text ? strlen(text) : 0;
    writeInt32(static_cast<int32_t>(length));
    if (length)
        bytes_.append(text, length);
}

bool DataWriter::save(const char* fileName, bool* created) const
{
    if (created)
        *created = false;
    HANDLE file = CreateFileA(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    if (created)
        *created = true;
    DWORD written = 0;
    bool ok = bytes_.empty() ||
              (WriteFile(file, bytes_.data(), static_cast<DWORD>(bytes_.size()), &written, nullptr) &&
               written == bytes_.size());
    return CloseHandle(file) && ok;
}
