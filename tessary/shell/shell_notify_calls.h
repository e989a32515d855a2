// The tray's platform calls: Shell_NotifyIconA, the wide Shell_NotifyIconW and shell32's version,
// both looked up at run time (Windows 95's first shell has no DllGetVersion). Tests rebind them to
// record what the tray is asked to show and to play older or newer shells.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

struct ShellNotifyCalls {
    BOOL (WINAPI *Shell_NotifyIconA)(DWORD message, PNOTIFYICONDATAA data);
    // Bound to shell32's function where it exists; elsewhere it answers FALSE.
    BOOL (WINAPI *Shell_NotifyIconW)(DWORD message, PNOTIFYICONDATAW data);
    // shell32's DllGetVersion; E_NOTIMPL where shell32 has none (the shell of Windows 95 and NT 4).
    HRESULT (CALLBACK *DllGetVersion)(DLLVERSIONINFO* info);
};
extern ShellNotifyCalls shellNotifyCalls;
