// Which platform the program runs on (Windows 95/98 or NT). Through versionCalls so tests can run
// both branches.
#pragma once
#include <windows.h>

struct VersionCalls {
    BOOL (WINAPI *GetVersionExA)(LPOSVERSIONINFOA info);
};
extern VersionCalls versionCalls;
