// Refusing writes into one folder through the data folder's calls, and the user's data folder.
#include "support/data_folders.h"
#include "storage/data_folder.h"
#include <windows.h>
#include <shlobj.h>

namespace {

std::string refusedFolder;
DataFolderCalls savedCalls;

HANDLE WINAPI refusingCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE templateFile)
{
    if (lstrcmpiA(std::string(name).substr(0, refusedFolder.size()).c_str(), refusedFolder.c_str()) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return savedCalls.CreateFileA(name, access, share, security, disposition, flags, templateFile);
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const std::string& folder)
{
    refusedFolder = folder;
    savedCalls = dataFolderCalls;
    dataFolderCalls.CreateFileA = refusingCreateFile;
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    dataFolderCalls = savedCalls;
    refusedFolder.clear();
}

UserDataFolder::UserDataFolder()
{
    char appData[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    path_ = std::string(appData) + "\\Tessary\\";
    empty();
}

UserDataFolder::~UserDataFolder()
{
    empty();
}

void UserDataFolder::empty() const
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string file = path_ + found.cFileName;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
}
