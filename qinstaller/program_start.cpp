// Program start of the installer.
#include "program_start.h"
#include "installer_dialog.h"
#include "installer_errors.h"
#include "installer_state.h"
#include "resource.h"
#include <commctrl.h>
#include <objbase.h>
#include <cstring>

namespace {

// A fatal error posts the quit message with its exit code; the modal loop has ended by then.
int exitCode()
{
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return static_cast<int>(message.wParam);
    return 0;
}

} // namespace

bool DeriveInstallerFolder(const char* modulePath, char (&folder)[MAX_PATH])
{
    size_t length = strlen(modulePath);
    const char* lastBackslash = strrchr(modulePath, '\\');
    if (length >= MAX_PATH || !lastBackslash)
        return false;
    size_t kept = static_cast<size_t>(lastBackslash - modulePath) + 1;
    memcpy(folder, modulePath, kept);
    folder[kept] = '\0';
    return true;
}

int RunInstaller(HINSTANCE instance)
{
    // One character more than a path may have, so that a longer module path shows as too long
    // instead of arriving cut to fit.
    char modulePath[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
    if (length == 0) {
        FatalInstallerError("Error GetModuleFileName() at startup!");
        return exitCode();
    }
    modulePath[sizeof modulePath - 1] = '\0';
    if (!DeriveInstallerFolder(modulePath, installerFolder)) {
        FatalInstallerError("Error GetFolderPath() at startup!");
        return exitCode();
    }
    InitCommonControls();
    CoInitialize(nullptr);
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_INSTALLER), nullptr, InstallerDialogProc,
                        0) == -1)
        FatalInstallerError("Could not create main dialog.");
    CoUninitialize();
    installRecord.clear();
    return exitCode();
}
