// The Install button: every step of an installation, run in one go on the dialog's thread.
#pragma once
#include <windows.h>

// Where the closing box sends users for the speech voices.
extern const char voicesPageAddress[];

// Fixed key of an earlier installation, forgotten before installing again.
extern const char previousUninstallKey[];

// Runs the installation from the dialog's destination and options. A fatal error ends the
// dialog on the way; a destination that is too long is refused and the dialog stays ready.
void RunInstall(HWND dialog);
