// The check worker: one thread per running check, running one POP3 or IMAP session for its entry,
// or one cycle of watching an IMAP folder.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

class MailboxEntry;
struct ParkedWatch;

// Handed to the worker thread; filled by DoCheckEmail before the thread is resumed.
struct CheckWorkerParams {
    MailboxEntry* entry;
    HWND notifyWindow; // receives WM_CHECK_DONE or WM_CHECK_FAILED with the entry in wParam
    HANDLE stopEvent;  // manual-reset; signalled to cut the session's waits short
    // Watching an IMAP folder continuously (IDLE). The window sets resumeWatch before it starts
    // the watch again after a check; the worker then idles for as long as the folder's ids stay
    // those it last reported (watchedIds), and says idling while it waits.
    bool resumeWatch;
    std::vector<std::string> watchedIds;
    volatile LONG idling;
    // After a watch was dropped: failures in a row, and the tick count from which the window
    // starts it again (only while watchRetryPending).
    uint32_t watchFailures;
    bool watchRetryPending;
    DWORD watchRetryAt;
    // The watch's connection between two cycles (null: none): the next cycle goes on over it
    // instead of logging in again. Owned; closed by closeParkedWatch (imap_watch_connection.h).
    ParkedWatch* parkedWatch;
};

// Thread procedure; the argument is the entry's CheckWorkerParams. Returns 0.
DWORD WINAPI CheckWorker(LPVOID parameter);

// How the worker tells its window; tests look at the entry at the moment the message leaves.
struct CheckWorkerCalls {
    BOOL (WINAPI *PostMessageA)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
extern CheckWorkerCalls checkWorkerCalls;
