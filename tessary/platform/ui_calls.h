// Platform calls that a test must not let happen for real (a box would block, a sound would play,
// a program would start). They go through uiCalls, bound to the real functions; tests rebind them.
#pragma once
#include <windows.h>

struct UiCalls {
    int (WINAPI *MessageBoxA)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
    BOOL (WINAPI *MessageBeep)(UINT type);
    BOOL (WINAPI *PlaySoundA)(LPCSTR sound, HMODULE module, DWORD flags);
    HINSTANCE (WINAPI *ShellExecuteA)(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                                      LPCSTR directory, INT showCommand);
    // A popup menu runs its own modal loop until the user picks an item.
    BOOL (WINAPI *TrackPopupMenu)(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                                  const RECT* rectangle);
    // HTML Help is loaded at run time from hhctrl.ocx; the bound function answers NULL when the
    // viewer cannot be loaded.
    HWND (WINAPI *HtmlHelpA)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);
};
extern UiCalls uiCalls;
