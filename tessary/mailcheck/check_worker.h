// The check worker: one thread per running check, running one POP3 session for its entry.
#pragma once
#include <windows.h>

class MailboxEntry;

// Handed to the worker thread; filled by DoCheckEmail before the thread is resumed.
struct CheckWorkerParams {
    MailboxEntry* entry;
    HWND notifyWindow; // receives WM_CHECK_DONE or WM_CHECK_FAILED with the entry in wParam
    HANDLE stopEvent;  // manual-reset; signalled to cut the session's waits short
};

// Thread procedure; the argument is the entry's CheckWorkerParams. Returns 0.
DWORD WINAPI CheckWorker(LPVOID parameter);

// How the worker tells its window; tests look at the entry at the moment the message leaves.
struct CheckWorkerCalls {
    BOOL (WINAPI *PostMessageA)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
extern CheckWorkerCalls checkWorkerCalls;
