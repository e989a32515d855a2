// Deleting the recorded files, folders and registry key of an installation.
#include "remove_recorded.h"
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char uninstallKeyBase[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void noteLeft(RemovalResult& result, const char* what)
{
    ++result.leftCount;
    result.leftOver += what;
    result.leftOver += '\n';
}

// A read-only file is made writable once before giving up on it.
void removeFile(RemovalResult& result, const char* path)
{
    if (!path || !path[0] || DeleteFileA(path) || !exists(path))
        return;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path) && exists(path))
        noteLeft(result, path);
}

int depth(const char* path)
{
    int levels = 0;
    size_t length = strlen(path);
    while (length > 0 && (path[length - 1] == '\\' || path[length - 1] == '/'))
        --length;
    for (size_t i = 0; i < length; ++i)
        if (path[i] == '\\' || path[i] == '/')
            ++levels;
    return levels;
}

// A folder that still holds something the user put there stays, and is reported.
void removeFolders(RemovalResult& result, const PathList& directories)
{
    std::vector<const char*> folders;
    for (const PathList::Node* node = directories.head; node; node = node->next)
        if (node->text && node->text[0])
            folders.push_back(node->text);
    std::stable_sort(folders.begin(), folders.end(),
                     [](const char* a, const char* b) { return depth(a) > depth(b); });
    for (const char* folder : folders) {
        if (RemoveDirectoryA(folder))
            SHChangeNotify(SHCNE_RMDIR, SHCNF_PATH, folder, nullptr);
        else if (exists(folder))
            noteLeft(result, folder);
    }
}

void removeKey(RemovalResult& result, const char* keyPath)
{
    if (!keyPath || !IsUninstallKeyPath(keyPath))
        return;
    LONG status = RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        std::string name = std::string("HKEY_LOCAL_MACHINE\\") + keyPath;
        noteLeft(result, name.c_str());
    }
}

} // namespace

bool IsUninstallKeyPath(const char* keyPath)
{
    size_t base = strlen(uninstallKeyBase);
    return _strnicmp(keyPath, uninstallKeyBase, base) == 0 && keyPath[base] &&
           !strchr(keyPath + base, '\\');
}

RemovalResult RemoveRecorded(const UninstallData& data, const char* extraFile)
{
    RemovalResult result;
    for (const PathList::Node* node = data.files.head; node; node = node->next)
        removeFile(result, node->text);
    removeFile(result, extraFile);
    removeFolders(result, data.directories);
    removeKey(result, data.uninstallKeyPath);
    return result;
}
