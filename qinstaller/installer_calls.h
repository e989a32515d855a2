// Platform calls of the installer that a test must not let happen for real (a box or the folder
// chooser would block it) or must answer as another system would (a Windows 95 shell has no
// all-users programs folder). Bound to the real functions; tests rebind them.
#pragma once
#include <windows.h>
#include <shlobj.h>

struct InstallerCalls {
    int (WINAPI *MessageBoxA)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
    PIDLIST_ABSOLUTE (WINAPI *SHBrowseForFolderA)(LPBROWSEINFOA info);
    HRESULT (WINAPI *SHGetSpecialFolderLocation)(HWND owner, int folder, PIDLIST_ABSOLUTE* list);
};
extern InstallerCalls installerCalls;
