// The installer dialog: loads "inst.dat" when it is created, lets the user choose the folder and
// the options, and runs the installation on Install.
#include "installer_dialog.h"
#include "install_steps.h"
#include "installer_calls.h"
#include "installer_errors.h"
#include "installer_state.h"
#include "path_text.h"
#include "resource.h"
#include "shortcuts.h"
#include <commctrl.h>
#include <shlobj.h>
#include <cstring>

namespace {

const char browseTooLong[] =
    "The chosen folder's path is too long to install into. Please choose a folder with a "
    "shorter path.";

BOOL onInitDialog(HWND dialog)
{
    installerDialog = dialog;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    SendMessageA(dialog, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(IDI_INSTALLER))));
    if (!GetSystemMenu(dialog, FALSE)) {
        FatalInstallerError("Could not get system menu!");
        return TRUE;
    }
    installData.release();
    installRecord.clear();
    SetCurrentDirectoryA(installerFolder);
    if (!LoadInstallData("inst.dat", installData)) {
        FatalInstallerError("Could not load inst data!");
        return TRUE;
    }
    SetDlgItemTextA(dialog, IDC_MESSAGE, orEmpty(installData.welcomeText));
    SetDlgItemTextA(dialog, IDC_DESTINATION, installData.defaultDestination);
    CheckDlgButton(dialog, IDC_START_MENU_ICONS,
                   installData.createStartMenuIcons ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_DESKTOP_ICON,
                   installData.createDesktopIcon ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETRANGE, 0,
                        MAKELPARAM(0, static_cast<WORD>(installData.fileCount)));
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
    return TRUE;
}

// The folder chooser; the destination becomes the chosen folder with the release's subfolder
// behind it. A result too long to install into is refused and the destination stays as it was.
void onBrowse(HWND dialog)
{
    char displayName[MAX_PATH];
    BROWSEINFOA info = {};
    info.hwndOwner = dialog;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = "Select the folder to install to.";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = nullptr;
    LPITEMIDLIST chosen = installerCalls.SHBrowseForFolderA(&info);
    if (!chosen)
        return;
    char folder[MAX_PATH] = "";
    BOOL hasPath = SHGetPathFromIDListA(chosen, folder);
    if (!FreeItemList(chosen))
        MessageBeep(0xFFFFFFFF);
    if (!hasPath)
        return;
    char built[MAX_PATH];
    if (!formatPath(built, "%s\\%s", folder, orEmpty(installData.defaultSubfolder)) ||
        strlen(built) > longestDestination) {
        InstallerError(dialog, browseTooLong);
        return;
    }
    SetDlgItemTextA(dialog, IDC_DESTINATION, built);
}

void onCommand(HWND dialog, int id)
{
    switch (id) {
    case IDC_INSTALL:
        // Only once: the button is disabled for good when an installation starts.
        if (IsWindowEnabled(GetDlgItem(dialog, IDC_INSTALL)))
            RunInstall(dialog);
        break;
    case IDC_BROWSE:
        onBrowse(dialog);
        break;
    case IDC_CANCEL_EXIT:
    case IDCANCEL:
        EndDialog(dialog, 2);
        break;
    }
}

void onDestroy()
{
    installData.release();
    installerDialog = nullptr;
}

} // namespace

INT_PTR CALLBACK InstallerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_COMMAND:
        onCommand(dialog, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 2);
        return TRUE;
    case WM_DESTROY:
        onDestroy();
        return TRUE;
    }
    return FALSE;
}
