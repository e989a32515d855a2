// Keeping damaged and unreadable data files aside, protecting them from saves, and putting a
// complete "<name>.new" back in place.
#include "storage/damaged_files.h"
#include "storage/binary_file.h"
#include <cstdio>
#include <cstring>

namespace {

const int highestCopyNumber = 99;

bool fullPathOf(const char* fileName, char* path)
{
    DWORD length = GetFullPathNameA(fileName, MAX_PATH, path, nullptr);
    return length > 0 && length < MAX_PATH;
}

// Files that exist but could neither be read in full nor copied aside, by full path. Files are
// saved by the user-interface thread and by check workers (their state files), so the table has a
// lock of its own, never deleted: a worker may still save while the program ends.
class ProtectedFiles {
public:
    ProtectedFiles() { InitializeCriticalSection(&lock_); }
    ProtectedFiles(const ProtectedFiles&) = delete;
    ProtectedFiles& operator=(const ProtectedFiles&) = delete;

    bool contains(const char* fileName)
    {
        char path[MAX_PATH];
        if (!fullPathOf(fileName, path))
            return false;
        Locked locked(lock_);
        return find(path) >= 0;
    }
    void add(const char* fileName)
    {
        char path[MAX_PATH];
        if (!fullPathOf(fileName, path))
            return;
        Locked locked(lock_);
        if (find(path) >= 0)
            return;
        for (char* slot : paths_) {
            if (!slot[0]) {
                memcpy(slot, path, sizeof path);
                return;
            }
        }
    }
    void remove(const char* fileName)
    {
        char path[MAX_PATH];
        if (!fullPathOf(fileName, path))
            return;
        Locked locked(lock_);
        int slot = find(path);
        if (slot >= 0)
            paths_[slot][0] = '\0';
    }

private:
    class Locked {
    public:
        explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
        ~Locked() { LeaveCriticalSection(&lock_); }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;

    private:
        CRITICAL_SECTION& lock_;
    };

    int find(const char* path) const
    {
        for (int i = 0; i < limit; ++i)
            if (paths_[i][0] && lstrcmpiA(paths_[i], path) == 0)
                return i;
        return -1;
    }

    static const int limit = 8;
    char paths_[limit][MAX_PATH] = {};
    CRITICAL_SECTION lock_;
};

ProtectedFiles protectedFiles;

bool sameBytes(const char* first, const char* second)
{
    FileReader a, b;
    if (!a.open(first) || !b.open(second) || a.remaining() != b.remaining())
        return false;
    char bufferA[4096], bufferB[4096];
    while (a.remaining() > 0) {
        size_t got = a.readSome(bufferA, sizeof bufferA);
        if (got == 0 || !b.readBytes(bufferB, got) || memcmp(bufferA, bufferB, got) != 0)
            return false;
    }
    return true;
}

enum class CopyResult { Copied, NameTaken, Failed };

// Copies through a reader that shares the file as an ordinary open does, so a file another
// program holds open for writing can still be kept; the copy is on disk before anyone saves.
CopyResult copyToNewFile(const char* source, const char* copy)
{
    FileReader in;
    if (!in.open(source))
        return CopyResult::Failed;
    HANDLE out = CreateFileA(copy, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_EXISTS ? CopyResult::NameTaken : CopyResult::Failed;
    bool ok = true;
    char buffer[4096];
    while (ok && in.remaining() > 0) {
        size_t got = in.readSome(buffer, sizeof buffer);
        DWORD written = 0;
        ok = got > 0 && WriteFile(out, buffer, static_cast<DWORD>(got), &written, nullptr) && written == got;
    }
    ok = FlushFileBuffers(out) && ok;
    ok = CloseHandle(out) && ok;
    if (!ok)
        DeleteFileA(copy);
    return ok ? CopyResult::Copied : CopyResult::Failed;
}

// Copies fileName to "<name>.bad", or, when an earlier and different copy already has that name,
// to "<name>.bad2" up to "<name>.bad99", so that no damaged file ever replaces another. The copy's
// path goes into keptAs. False when no copy could be made.
bool keepFileAside(const char* fileName, char* keptAs, size_t keptAsSize)
{
    for (int number = 1; number <= highestCopyNumber; ++number) {
        char copy[MAX_PATH];
        int length = number == 1 ? snprintf(copy, sizeof copy, "%s.bad", fileName)
                                 : snprintf(copy, sizeof copy, "%s.bad%d", fileName, number);
        if (length < 0 || static_cast<size_t>(length) >= sizeof copy || static_cast<size_t>(length) >= keptAsSize)
            return false;
        DWORD attributes = GetFileAttributesA(copy);
        bool kept = false;
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            CopyResult result = copyToNewFile(fileName, copy);
            if (result == CopyResult::Failed)
                return false;
            kept = result == CopyResult::Copied;
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            kept = sameBytes(fileName, copy); // the same damaged file, kept at an earlier start
        }
        if (kept) {
            memcpy(keptAs, copy, static_cast<size_t>(length) + 1);
            return true;
        }
    }
    return false;
}

// Whether an open failed only because the file, or its folder, is not there.
bool isMissingFileError(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Keeps the bytes of a file that could not be read in full aside, or, when that fails, protects
// the file from saves.
void setFileAside(const char* fileName, FileLoadReport::Outcome outcome, FileLoadReport& report)
{
    report.outcome = outcome;
    if (keepFileAside(fileName, report.keptAs, sizeof report.keptAs)) {
        protectedFiles.remove(fileName);
    } else {
        report.keptAs[0] = '\0';
        protectedFiles.add(fileName);
    }
}

// When fileName is missing but "<name>.new" is there, puts the new file in its place. True when it
// did. When the rename fails the new file is left alone and fileName is protected.
bool restoreFromNewFile(const char* fileName)
{
    if (GetFileAttributesA(fileName) != INVALID_FILE_ATTRIBUTES || !isMissingFileError(GetLastError()))
        return false;
    char newFile[MAX_PATH];
    int length = snprintf(newFile, sizeof newFile, "%s.new", fileName);
    if (length < 0 || static_cast<size_t>(length) >= sizeof newFile)
        return false;
    DWORD attributes = GetFileAttributesA(newFile);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (fileRenameCalls.MoveFileA(newFile, fileName))
        return true;
    // The next save would write its own "<name>.new" over this one: refuse saves instead.
    protectedFiles.add(fileName);
    return false;
}

} // namespace

bool mayReplaceFile(const char* fileName)
{
    // A "<name>.new" left as the only copy by a save that could not rename it goes in place first:
    // the save about to come writes its own "<name>.new".
    restoreFromNewFile(fileName);
    if (!protectedFiles.contains(fileName))
        return true;
    char keptAs[MAX_PATH];
    if (!keepFileAside(fileName, keptAs, sizeof keptAs))
        return false;
    protectedFiles.remove(fileName);
    return true;
}

bool openForLoading(const char* fileName, FileReader& file, FileLoadReport& report)
{
    report = FileLoadReport();
    report.usedNewFile = restoreFromNewFile(fileName);
    if (file.open(fileName))
        return true;
    if (!isMissingFileError(file.openError())) {
        report.openError = file.openError();
        setFileAside(fileName, FileLoadReport::Unreadable, report);
    }
    return false;
}

void finishLoading(const char* fileName, bool readInFull, FileLoadReport& report)
{
    if (!readInFull) {
        setFileAside(fileName, FileLoadReport::Damaged, report);
        return;
    }
    report.outcome = FileLoadReport::Read;
    protectedFiles.remove(fileName);
}
