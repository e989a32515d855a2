// The single dial thread: started by DoThreadDialIn, it runs DialEntry and reports the outcome to
// a window with WM_DIAL_CONNECTED or WM_DIAL_FAILED (wParam: the DialWorker, lParam: 0).
#pragma once
#include <windows.h>

// Room for an entry name and its terminator.
const size_t dialEntryNameBufferSize = 260;

// One per process, owned by the main window and zeroed when the window is created.
struct DialWorker {
    HANDLE thread;          // null when there is none; stays set after the thread ended, until
                            // StopDialThread closes it
    DWORD threadId;
    const char* entryName;  // null (the first phonebook entry), or entryNameBuffer
    char entryNameBuffer[dialEntryNameBufferSize];
    HWND notifyWindow;
};

// Starts the dial of name (null: the first phonebook entry) on a new thread. 1: it runs; -1: a dial
// thread is still present (a finished one counts until StopDialThread joined it), the name does not
// fit entryNameBuffer, or no thread could be created.
int DoThreadDialIn(DialWorker& worker, HWND notifyWindow, const char* name);

// Joins the dial thread. 1: there was none, or it ended within 10 s and its handle is closed;
// -1: it is still running, and the worker is unchanged.
int StopDialThread(DialWorker& worker);
