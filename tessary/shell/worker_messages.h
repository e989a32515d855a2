// How the main window takes the messages of the check and dial workers.
#pragma once
#include <windows.h>

void OnCheckDone(HWND window, WPARAM entryPointer);
void OnCheckFailed(HWND window, WPARAM entryPointer);
void OnDialFailed(HWND window);
void OnDialConnected(HWND window);
