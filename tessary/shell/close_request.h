// Close requests that arrive while one of the main window's modal dialogs runs.
#pragma once
#include <windows.h>

// Whether a close must wait: true, after remembering it, while a modal dialog owned by the window
// runs. The dialog is brought to the front, so the user sees what holds the close back.
bool HoldCloseWhileModal(HWND window);
// The window was enabled again (its modal dialog ended): a held close is posted, so that it runs
// after the command that opened the dialog has returned.
void OnMainWindowEnabled(HWND window);
// Forgets a held close (a new window, or a close that has just been answered).
void ForgetHeldClose();
