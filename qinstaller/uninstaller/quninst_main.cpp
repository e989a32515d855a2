// QUninst.exe: removes an installation made by qinstaller, as recorded in "quninst.dat" beside it.
// A program cannot delete itself or the folder it runs from, so the first start copies the
// uninstaller to the temporary folder, starts the copy and leaves; the copy does the work.
#include "remove_recorded.h"
#include "uninstall_data.h"
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char caption[] = "QUninst";
const char runSwitch[] = "/run ";
const char defaultQuestion[] = "This removes the installed program, its shortcuts and its entry "
                               "in the list of installed programs.";

int box(const std::string& text, UINT type)
{
    return MessageBoxA(nullptr, text.c_str(), caption, type);
}

std::string folderOf(const char* path)
{
    const char* lastBackslash = strrchr(path, '\\');
    return lastBackslash ? std::string(path, lastBackslash) : std::string(".");
}

bool loadRecord(const std::string& folder, UninstallData& data)
{
    std::string path = folder + "\\quninst.dat";
    if (LoadUninstallData(data, path.c_str()))
        return true;
    box("Could not read the uninstall data:\n" + path, MB_ICONERROR);
    return false;
}

// The first start, from the installation's folder.
int startCopyFromTemporaryFolder(const char* self)
{
    std::string folder = folderOf(self);
    UninstallData data;
    if (!loadRecord(folder, data))
        return 1;
    char temporary[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temporary, temporary);
    if (length == 0 || length >= sizeof temporary)
        strcpy(temporary, ".\\");
    char id[16];
    snprintf(id, sizeof id, "%lu", GetCurrentProcessId());
    std::string copy = std::string(temporary) + "QUninst-" + id + ".exe";
    std::string command = "\"" + copy + "\" " + runSwitch + id + " \"" + folder + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CopyFileA(self, copy.c_str(), FALSE) ||
        !CreateProcessA(copy.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, temporary,
                        &startup, &process)) {
        DeleteFileA(copy.c_str());
        box("Could not start the uninstaller from the temporary folder.", MB_ICONERROR);
        return 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

// The copy: waits for the first start to end, asks, removes and says what stayed.
int removeInstallation(const char* self, DWORD firstStart, const std::string& folder)
{
    HANDLE first = OpenProcess(SYNCHRONIZE, FALSE, firstStart);
    if (first) {
        WaitForSingleObject(first, 10000);
        CloseHandle(first);
    }
    UninstallData data;
    if (!loadRecord(folder, data))
        return 1;
    std::string question = data.note ? data.note : defaultQuestion;
    question += "\n\nPress OK to remove it, or Cancel to keep it.";
    if (box(question, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return 0;
    std::string uninstaller = folder + "\\QUninst.exe";
    RemovalResult result = RemoveRecorded(data, uninstaller.c_str());
    if (result.leftCount == 0)
        box("Uninstall complete.", MB_ICONINFORMATION);
    else
        box("Uninstall complete, but these could not be removed:\n\n" + result.leftOver,
            MB_ICONWARNING);
    // The copy in the temporary folder goes at the next restart.
    MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return result.leftCount ? 2 : 0;
}

// "/run <id> "<folder>"" after the program name, as the first start passes it.
bool parseRun(const char* commandLine, DWORD& firstStart, std::string& folder)
{
    const char* at = strstr(commandLine, runSwitch);
    if (!at)
        return false;
    char* end = nullptr;
    firstStart = strtoul(at + strlen(runSwitch), &end, 10);
    const char* open = strchr(end, '"');
    const char* close = open ? strchr(open + 1, '"') : nullptr;
    if (!close || close == open + 1)
        return false;
    folder.assign(open + 1, close);
    return true;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) {
        box("Could not find the uninstaller's own path.", MB_ICONERROR);
        return 1;
    }
    DWORD firstStart = 0;
    std::string folder;
    if (parseRun(GetCommandLineA(), firstStart, folder))
        return removeInstallation(self, firstStart, folder);
    return startCopyFromTemporaryFolder(self);
}
