// How the main window takes the messages of the check and dial workers.
#pragma once
#include <windows.h>

void OnCheckDone(HWND window, WPARAM entryPointer);
void OnCheckFailed(HWND window, WPARAM entryPointer);
// A watch of an IMAP folder ended with nothing to report (its weekly window closed).
void OnWatchEnded(HWND window, WPARAM entryPointer);
void OnDialFailed(HWND window);
void OnDialConnected(HWND window);
