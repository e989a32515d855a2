// The installer's two kinds of error box: fatal (the program ends) and non-fatal (the
// installation goes on).
#pragma once
#include <windows.h>

// Shows text in an error box with no owner, captioned "QInstaller Fatal Error", ends the main
// dialog with 2 if it exists and posts the quit message with exit code 1. The caller stops at once.
void FatalInstallerError(const char* text);

// An error box owned by the dialog, captioned "QInstaller Error"; the caller goes on.
void InstallerError(HWND dialog, const char* text);
