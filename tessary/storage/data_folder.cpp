// Choosing the data folder at start, and building the paths of the data files in it.
#include "storage/data_folder.h"
#include "storage/entry_list.h"
#include "storage/settings.h"
#include <shlobj.h>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

const char writeTestFileName[] = "~tessary-write-test.tmp";
const char userFolderName[] = "Tessary";

char chosenFolder[MAX_PATH] = "";

typedef HRESULT (WINAPI *GetFolderPathProc)(HWND, int, HANDLE, DWORD, LPSTR);

// Windows 95 and NT 4 have the function only with a newer shell, or in shfolder.dll beside it.
HRESULT WINAPI userFolderFromShell(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path)
{
    static GetFolderPathProc proc = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        for (const char* library : { "shell32.dll", "shfolder.dll" }) {
            HMODULE module = LoadLibraryA(library);
            if (module)
                proc = reinterpret_cast<GetFolderPathProc>(
                    reinterpret_cast<void*>(GetProcAddress(module, "SHGetFolderPathA")));
            if (proc)
                break;
        }
    }
    return proc ? proc(owner, folder, token, flags, path) : E_NOTIMPL;
}

bool joinPath(char* path, size_t size, const char* folder, const char* name)
{
    int length = snprintf(path, size, "%s%s", folder, name);
    return length >= 0 && static_cast<size_t>(length) < size;
}

// What goes between a folder the system named and a name in it: nothing when the folder already
// ends in a backslash (a drive's root does).
const char* separatorAfter(const char* folder)
{
    size_t length = strlen(folder);
    return length > 0 && folder[length - 1] == '\\' ? "" : "\\";
}

bool isWritable(const char* folder)
{
    char probe[MAX_PATH];
    if (!joinPath(probe, sizeof probe, folder, writeTestFileName))
        return false;
    HANDLE file = dataFolderCalls.CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool wrote = WriteFile(file, "x", 1, &written, nullptr) && written == 1;
    CloseHandle(file);
    // A folder where files can be made but not removed cannot take the replacing saves either.
    return DeleteFileA(probe) && wrote;
}

bool exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Where Windows Vista and later kept the files that an older copy of the program, one without a
// manifest, wrote into its protected folder: the user's "VirtualStore" beside the same path. That
// copy read its files back from there, so the user's data is there rather than in the program
// folder. Empty when the program folder is not on a drive or there is no such user folder.
void findVirtualStore(const char* programFolder, char* folder, size_t size)
{
    folder[0] = '\0';
    bool onDrive = programFolder[0] && programFolder[1] == ':' && programFolder[2] == '\\';
    char localAppData[MAX_PATH] = {};
    if (!onDrive ||
        FAILED(dataFolderCalls.SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                                localAppData)) ||
        !localAppData[0])
        return;
    int written = snprintf(folder, size, "%s%sVirtualStore\\%s", localAppData, separatorAfter(localAppData),
                           programFolder + 3);
    if (written < 0 || static_cast<size_t>(written) >= size)
        folder[0] = '\0';
}

// Copies one file the first time the user's folder is used for it, from the virtual store where
// it is there, else from the program folder. A file already in the user's folder, or a
// "<name>.new" that the next load puts in its place, is the user's newer data and stays.
bool copyOnFirstUse(const char* programFolder, const char* virtualStore, const char* to, const char* name)
{
    char source[MAX_PATH], target[MAX_PATH], targetNew[MAX_PATH];
    if (!joinPath(target, sizeof target, to, name) || !joinPath(targetNew, sizeof targetNew, target, ".new"))
        return false;
    if (exists(target) || exists(targetNew))
        return true;
    if (!virtualStore[0] || !joinPath(source, sizeof source, virtualStore, name) || !exists(source)) {
        if (!joinPath(source, sizeof source, programFolder, name))
            return false;
        if (!exists(source))
            return true;
    }
    if (!CopyFileA(source, target, TRUE))
        return false;
    // An installed copy may be read-only; the user's own copy must take saves.
    DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(target, attributes & ~FILE_ATTRIBUTE_READONLY);
    return true;
}

bool makeFolder(const char* folder)
{
    if (CreateDirectoryA(folder, nullptr))
        return true;
    DWORD attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

DataFolderCalls dataFolderCalls = {
    ::CreateFileA,
    userFolderFromShell,
};

DataFolderChoice chooseDataFolder(const char* programFolder)
{
    DataFolderChoice choice;
    snprintf(chosenFolder, sizeof chosenFolder, "%s", programFolder);
    if (isWritable(programFolder))
        return choice;

    char appData[MAX_PATH] = {};
    if (FAILED(dataFolderCalls.SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)) ||
        !appData[0]) {
        choice.problem = DataFolderChoice::NoUserFolder;
        return choice;
    }
    int folderLength = snprintf(choice.userFolder, sizeof choice.userFolder, "%s%s%s\\", appData,
                                separatorAfter(appData), userFolderName);
    if (folderLength < 0 || static_cast<size_t>(folderLength) >= sizeof choice.userFolder ||
        !makeFolder(choice.userFolder)) {
        choice.problem = DataFolderChoice::CannotCreate;
        return choice;
    }
    choice.inUserFolder = true;
    snprintf(chosenFolder, sizeof chosenFolder, "%s", choice.userFolder);
    char virtualStore[MAX_PATH];
    findVirtualStore(programFolder, virtualStore, sizeof virtualStore);
    for (const char* name : { entryListFileName, settingsFileName }) {
        if (!copyOnFirstUse(programFolder, virtualStore, chosenFolder, name) &&
            choice.notCopiedCount < sizeof choice.notCopied / sizeof choice.notCopied[0])
            choice.notCopied[choice.notCopiedCount++] = name;
    }
    return choice;
}

const char* dataFolder()
{
    return chosenFolder;
}

DataFilePath::DataFilePath(const char* fileName)
{
    if (!joinPath(path_, sizeof path_, chosenFolder, fileName))
        path_[0] = '\0';
}
