// The main window: a modeless dialog that lives for the whole process, drives everything by its
// timers, takes the workers' messages and the user's commands.
#pragma once
#include <windows.h>

// The dialog procedure of dialog resource 101.
INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the main window from its template (CreateDialogParamA); null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// Stores the window's left and top edges into the settings and saves the settings file.
void saveSettingsWithWindowPosition(HWND window);

// The entry point's answer when the window could not be created: the box "Could not create dialog
// box.", unless a fatal error during the creation has already shown its own. Answers the exit code,
// 1 either way.
int MainWindowNotCreated();

// After the message loop: a window still there (its close was held back by a dialog that a fatal
// error's quit message ended) is destroyed now, so that what it holds is saved.
void DestroyMainWindowLeftOpen();
