// Bounded file reading and replace-on-commit file writing.
#include "storage/binary_file.h"
#include "storage/damaged_files.h"
#include <cstdio>
#include <cstring>

FileRenameCalls fileRenameCalls = { ::MoveFileExA, ::MoveFileA };

FileReader::~FileReader()
{
    close();
}

bool FileReader::open(const char* fileName)
{
    close();
    openError_ = NO_ERROR;
    file_ = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
        openError_ = GetLastError();
        return false;
    }
    DWORD high = 0;
    DWORD low = GetFileSize(file_, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        openError_ = GetLastError();
        close();
        return false;
    }
    size_ = (static_cast<uint64_t>(high) << 32) | low;
    position_ = 0;
    return true;
}

void FileReader::close()
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    size_ = 0;
    position_ = 0;
}

size_t FileReader::readSome(void* buffer, size_t length)
{
    if (!isOpen())
        return 0;
    if (length > remaining())
        length = static_cast<size_t>(remaining());
    size_t done = 0;
    char* out = static_cast<char*>(buffer);
    while (done < length) {
        DWORD chunk = static_cast<DWORD>(length - done > 0x10000000 ? 0x10000000 : length - done);
        DWORD got = 0;
        if (!ReadFile(file_, out + done, chunk, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    position_ += done;
    return done;
}

bool FileReader::readBytes(void* buffer, size_t length)
{
    if (length > remaining())
        return false;
    return readSome(buffer, length) == length;
}

bool FileReader::readInt32(int32_t& value)
{
    uint8_t b[4];
    if (!readBytes(b, 4))
        return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                 (static_cast<uint32_t>(b[2]) << 16) |
                                 (static_cast<uint32_t>(b[3]) << 24));
    return true;
}

bool FileReader::readByte(uint8_t& value)
{
    return readBytes(&value, 1);
}

AtomicFileWriter::~AtomicFileWriter()
{
    discard();
}

bool AtomicFileWriter::open(const char* fileName)
{
    discard();
    failed_ = false;
    size_t length = strlen(fileName);
    if (length == 0 || length + 5 > sizeof temporary_ || !mayReplaceFile(fileName))
        return false;
    memcpy(target_, fileName, length + 1);
    snprintf(temporary_, sizeof temporary_, "%s.new", fileName);
    file_ = CreateFileA(temporary_, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
        temporary_[0] = '\0';
        return false;
    }
    return true;
}

bool AtomicFileWriter::writeBytes(const void* data, size_t length)
{
    if (file_ == INVALID_HANDLE_VALUE || failed_)
        return false;
    const char* in = static_cast<const char*>(data);
    while (length > 0) {
        DWORD chunk = static_cast<DWORD>(length > 0x10000000 ? 0x10000000 : length);
        DWORD written = 0;
        if (!WriteFile(file_, in, chunk, &written, nullptr) || written == 0) {
            failed_ = true;
            return false;
        }
        in += written;
        length -= written;
    }
    return true;
}

bool AtomicFileWriter::writeInt32(int32_t value)
{
    uint32_t v = static_cast<uint32_t>(value);
    uint8_t b[4] = { static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                     static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24) };
    return writeBytes(b, 4);
}

bool AtomicFileWriter::writeByte(uint8_t value)
{
    return writeBytes(&value, 1);
}

bool AtomicFileWriter::commit()
{
    if (file_ == INVALID_HANDLE_VALUE)
        return false;
    bool ok = !failed_ && FlushFileBuffers(file_);
    ok = CloseHandle(file_) && ok;
    file_ = INVALID_HANDLE_VALUE;
    bool onlyCopy = false;
    if (ok) {
        ok = fileRenameCalls.MoveFileExA(temporary_, target_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        // Windows 95 and 98 have no MoveFileEx. The new file is complete, so removing the old
        // one first cannot lose data: the new one is already on disk beside it, and is kept there
        // when the rename fails.
        if (!ok && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
            DWORD attributes = GetFileAttributesA(target_);
            bool targetIsPlainFile = attributes == INVALID_FILE_ATTRIBUTES ||
                                     !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
            onlyCopy = targetIsPlainFile && (attributes == INVALID_FILE_ATTRIBUTES || DeleteFileA(target_));
            ok = onlyCopy && fileRenameCalls.MoveFileA(temporary_, target_);
        }
    }
    if (ok || onlyCopy)
        temporary_[0] = '\0';
    discard();
    return ok;
}

void AtomicFileWriter::discard()
{
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    if (temporary_[0]) {
        DeleteFileA(temporary_);
        temporary_[0] = '\0';
    }
}
