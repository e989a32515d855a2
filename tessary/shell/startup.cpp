// The program folder, the shared main window cell and the start-up switch.
#include "shell/startup.h"
#include <cstring>

char programFolder[256] = "";

HWND mainWindowCell __attribute__((section("SHARED_D"), shared)) = nullptr;

int GetFolderPath(const char* path, char* folder, size_t folderSize)
{
    size_t length = strlen(path);
    if (length >= folderSize)
        return 0;
    const char* lastSlash = strrchr(path, '\\');
    size_t keep = lastSlash ? static_cast<size_t>(lastSlash - path) + 1 : 0;
    memcpy(folder, path, keep);
    folder[keep] = '\0';
    return 1;
}

bool startedAtLogOn(const char* commandLine)
{
    return commandLine && strstr(commandLine, " /m") != nullptr;
}

void enterProgramFolder()
{
    SetCurrentDirectoryA(programFolder);
}
