// Where the program keeps its data files (the entry list, the settings, the per-entry state): its
// own folder where it may write there, else "Tessary" in the user's application data folder.
#pragma once
#include <windows.h>
#include <cstddef>

// The platform calls behind the choice, rebindable by tests: the file that tells whether the
// program folder may be written (the test machine's file system never refuses its root user),
// and the user's folders (the application data folders, roaming and local), loaded at run time
// (shell32, or shfolder on older systems).
struct DataFolderCalls {
    HANDLE (WINAPI *CreateFileA)(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE templateFile);
    HRESULT (WINAPI *SHGetFolderPathA)(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);
};
extern DataFolderCalls dataFolderCalls;

// What choosing the folder found, for the log.
struct DataFolderChoice {
    enum Problem {
        None,
        NoUserFolder,  // SHGetFolderPath() failed: the program folder stays in use
        CannotCreate,  // the user's "Tessary" folder could not be created: the same
    };
    Problem problem = None;
    bool inUserFolder = false;     // the program folder is not writable; the user's folder is used
    char userFolder[MAX_PATH] = {}; // the user's folder: in use, or the one that could not be made
    // Files of the program folder that could not be copied into the user's folder.
    const char* notCopied[4] = {};
    size_t notCopiedCount = 0;
};

// Chooses the data folder for this start. programFolder has its trailing backslash. Where the
// program folder is writable (a small file can be created and deleted there) it stays the data
// folder. Otherwise the user's "Tessary" application data folder is used, created when needed,
// and the entry list and the settings file, each where it lacks it (with no "<name>.new" left
// there either), are copied into it: from the user's VirtualStore copy of the program folder
// where Windows kept the file for an older copy of the program, else from the program folder.
// The originals are never moved or deleted.
DataFolderChoice chooseDataFolder(const char* programFolder);

// The data folder, with its trailing backslash. Empty until chosen: the current directory.
const char* dataFolder();

// The path of one data file: the data folder followed by the file's name. Empty when it would not
// fit, so that opening it fails.
class DataFilePath {
public:
    explicit DataFilePath(const char* fileName);
    operator const char*() const { return path_; }

private:
    char path_[MAX_PATH];
};
