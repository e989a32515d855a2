// What the installer keeps for the life of the process: its own folder, the dialog, the install
// data of the release and the record of the installation being made.
#pragma once
#include <windows.h>
#include "install_data.h"
#include "uninstall_data.h"

// The installer's folder with its trailing backslash; made current before "inst.dat" or a
// source file is opened.
extern char installerFolder[MAX_PATH];

// The main dialog, null while it does not exist.
extern HWND installerDialog;

// The release's "inst.dat", loaded when the dialog is created and freed when it is destroyed.
extern InstallData installData;

// Everything this installation puts on the system, saved as "quninst.dat" at its end.
extern UninstallData installRecord;

// The folder being installed into, as read from the dialog.
extern char destination[MAX_PATH];

// The longest destination the installer takes: "\quninst.dat" and "\QUninst.exe" must still fit
// behind it in a path of 259 characters.
const size_t longestDestination = MAX_PATH - 1 - 12;
