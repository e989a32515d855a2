// The installer's main dialog (resource 101): welcome text, destination, options, status line and
// progress bar.
#pragma once
#include <windows.h>

INT_PTR CALLBACK InstallerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
