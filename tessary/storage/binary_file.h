// Reading and writing the program's little binary files safely: reads never go past the data, and
// a save replaces the old file only once the new one is complete.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

// Reads an existing file from the start. Every read checks what is left, so a truncated or damaged
// file makes the read fail instead of running past the data.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // False when the file is missing or cannot be opened; openError() then says why. The file is
    // opened as an ordinary open does, sharing reading and writing with other programs.
    bool open(const char* fileName);
    DWORD openError() const { return openError_; }
    void close();
    bool isOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    uint64_t remaining() const { return size_ - position_; }

    // Reads up to length bytes; answers how many were read.
    size_t readSome(void* buffer, size_t length);
    bool readBytes(void* buffer, size_t length); // all or nothing
    bool readInt32(int32_t& value);              // little-endian
    bool readByte(uint8_t& value);

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
    DWORD openError_ = NO_ERROR;
};

// The renames that put a new file in place, rebindable by tests: Windows 95 and 98 have no
// MoveFileEx (it fails with ERROR_CALL_NOT_IMPLEMENTED there), which these machines cannot show.
struct FileRenameCalls {
    BOOL (WINAPI *MoveFileExA)(LPCSTR from, LPCSTR to, DWORD flags);
    BOOL (WINAPI *MoveFileA)(LPCSTR from, LPCSTR to);
};
extern FileRenameCalls fileRenameCalls;

// Writes a new version of a file beside the old one ("<name>.new") and replaces the old file only
// when every byte was written and flushed. Until commit succeeds the old file is untouched, except
// on Windows 95 and 98, which must delete it before the rename: when that rename fails, the new
// file stays as "<name>.new", the only copy, for the next load or save to put in place.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter(); // a writer that was not committed removes its temporary file
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False when the file cannot be created, or when it would replace a file that could not be
    // read and whose bytes cannot be kept aside (see damaged_files.h).
    bool open(const char* fileName);
    bool writeBytes(const void* data, size_t length);
    bool writeInt32(int32_t value); // little-endian
    bool writeByte(uint8_t value);
    // Flushes, closes and puts the new file in place. False when anything failed on the way.
    bool commit();

private:
    void discard();

    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool failed_ = false;
    char target_[MAX_PATH] = {};
    char temporary_[MAX_PATH] = {};
};
