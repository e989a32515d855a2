// Binds the user-interface seam to the platform.
#include "platform/ui_calls.h"
#include <mmsystem.h>
#include <shellapi.h>

namespace {

typedef HWND (WINAPI *HtmlHelpProc)(HWND, LPCSTR, UINT, DWORD_PTR);

// The viewer is optional: load it on first use, and do nothing when it is missing.
HWND WINAPI htmlHelpFromViewer(HWND caller, LPCSTR file, UINT command, DWORD_PTR data)
{
    static HtmlHelpProc proc = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        HMODULE viewer = LoadLibraryA("hhctrl.ocx");
        if (viewer)
            proc = reinterpret_cast<HtmlHelpProc>(
                reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpA")));
    }
    return proc ? proc(caller, file, command, data) : nullptr;
}

} // namespace

UiCalls uiCalls = {
    ::MessageBoxA,
    ::MessageBeep,
    ::PlaySoundA,
    ::ShellExecuteA,
    ::TrackPopupMenu,
    htmlHelpFromViewer,
};
