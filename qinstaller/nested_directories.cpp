// Creating a folder path level by level, one-letter folder names included.
#include "nested_directories.h"
#include <windows.h>
#include <cstring>

namespace {

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

size_t skipSeparators(const char* path, size_t at)
{
    while (path[at] && isSeparator(path[at]))
        ++at;
    return at;
}

size_t skipComponent(const char* path, size_t at)
{
    while (path[at] && !isSeparator(path[at]))
        ++at;
    return at;
}

// Where the first level to create begins: after the drive's colon, or after the server and
// share of "\\server\share\...", which cannot be created as folders.
size_t firstLevel(const char* path)
{
    const char* colon = strchr(path, ':');
    if (colon)
        return static_cast<size_t>(colon - path) + 1;
    if (isSeparator(path[0]) && isSeparator(path[1])) {
        size_t at = skipComponent(path, skipSeparators(path, 0));
        return skipComponent(path, skipSeparators(path, at));
    }
    return 0;
}

// A level that is already a folder is fine, whatever CreateDirectoryA said about it (an
// existing folder the user may not write to can answer "access denied"); a file of that name
// is not, even though CreateDirectoryA reports it as "already exists".
bool makeLevel(const char* partial)
{
    if (CreateDirectoryA(partial, nullptr))
        return true;
    DWORD error = GetLastError();
    DWORD attributes = GetFileAttributesA(partial);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return true;
    }
    SetLastError(error);
    return false;
}

} // namespace

bool CreateNestedDirectories(const char* path)
{
    size_t length = strlen(path);
    if (length >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    char partial[MAX_PATH];
    size_t at = firstLevel(path);
    for (;;) {
        at = skipSeparators(path, at);
        if (at >= length)
            return true;
        at = skipComponent(path, at);
        memcpy(partial, path, at);
        partial[at] = '\0';
        if (!makeLevel(partial))
            return false;
    }
}
