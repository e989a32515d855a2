// Fatal and non-fatal error boxes of the installer.
#include "installer_errors.h"
#include "installer_calls.h"
#include "installer_state.h"

void FatalInstallerError(const char* text)
{
    installerCalls.MessageBoxA(nullptr, text, "QInstaller Fatal Error", MB_ICONERROR);
    if (installerDialog)
        EndDialog(installerDialog, 2);
    PostQuitMessage(1);
}

void InstallerError(HWND dialog, const char* text)
{
    installerCalls.MessageBoxA(dialog, text, "QInstaller Error", MB_ICONERROR);
}
