// The mail watcher's fatal error report, and the main window handle it closes.
#pragma once
#include <windows.h>

// The main window, null until its creation stores it.
extern HWND mainWindow;

// Set once FatalError has run, so that the program's exit code stays 1.
extern bool fatalErrorRaised;

// Shows text in an error box ("Tessary Fatal Error", no owner), closes the main window if it exists
// and posts the quit message with exit code 1. The caller stops what it was doing at once. Only the
// first fatal error shows its box; a later one (something failing while the program ends) does not.
void FatalError(const char* text);
