// What the main window holds for the life of the process. Touched only on the user-interface
// thread, except what the workers read as their own code says.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "connectivity/dial_worker.h"

const size_t connectionNameSize = 256;

struct MainWindowState {
    EntryList entries;
    Settings settings;
    DialWorker dialWorker;
    MailboxEntry* dialingEntry;                    // may dangle: always checked with contains
    char activeConnectionName[connectionNameSize]; // the connection seen up at the last poll tick
    char dialedConnectionName[connectionNameSize]; // the connection this program dialled itself

    HICON windowIcon;
    HICON trayIcon;
    HICON trayBlink1;
    HICON trayBlink2;
    HICON trayErrorIcon; // while an account cannot be checked
    HIMAGELIST listImages;

    bool trayAnimRunning;
    int trayAnimElapsedMs;
    int trayAnimFrame;
    HICON shownTrayIcon;  // the icon the tray shows now, as last set by the program
    bool listAnimRunning;
    int listAnimFrame;
};

extern MainWindowState app;

// Whether the dial worker has a thread (running, or finished and not yet joined).
inline bool dialInProgress()
{
    return app.dialWorker.thread != nullptr;
}
