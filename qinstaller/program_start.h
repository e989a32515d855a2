// The installer's start: its folder, COM and the common controls, and the modal main dialog.
#pragma once
#include <windows.h>

// The folder of modulePath with its trailing backslash. False for a path of 260 characters or
// more, or one without a backslash.
bool DeriveInstallerFolder(const char* modulePath, char (&folder)[MAX_PATH]);

// Runs the installer with the dialog template of instance; answers the process exit code (1
// after a fatal error, else 0).
int RunInstaller(HINSTANCE instance);
