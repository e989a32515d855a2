// The installation: forget an earlier one, copy the files, make the links, register the
// program for removal, write "quninst.dat" and tell the user about the speech voices.
#include "install_steps.h"
#include "installer_calls.h"
#include "installer_errors.h"
#include "installer_state.h"
#include "nested_directories.h"
#include "path_text.h"
#include "resource.h"
#include "shortcuts.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <string>

const char voicesPageAddress[] = "https://tessary.example.org/voices";
const char previousUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessary v1";

namespace {

const char uninstallKeyBase[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char uninstallerName[] = "QUninst.exe";
const char copyingPrefix[] = "Copying file: ";

const char destinationTooLong[] =
    "The destination folder is too long. Please choose a folder whose path has at most 247 "
    "characters.";

struct Options {
    bool startMenuIcons;
    bool desktopIcon;
};

void setStatus(HWND dialog, const char* text)
{
    SetDlgItemTextA(dialog, IDC_STATUS, text);
    // The steps do not return to the message loop; paint the status line now so it is seen.
    UpdateWindow(GetDlgItem(dialog, IDC_STATUS));
}

// Reads GetLastError first, before anything else can change it.
void fatalWithCode(const char* format)
{
    int code = static_cast<int>(GetLastError());
    char text[64];
    snprintf(text, sizeof text, format, code);
    FatalInstallerError(text);
}

// Step 1. A destination too long for the paths built from it is refused with a box, and the
// dialog stays ready for another choice rather than installing into a cut-off path.
bool takeDestination(HWND dialog)
{
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    int length = GetWindowTextLengthA(GetDlgItem(dialog, IDC_DESTINATION));
    if (length > static_cast<int>(longestDestination)) {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        InstallerError(dialog, destinationTooLong);
        return false;
    }
    if (GetDlgItemTextA(dialog, IDC_DESTINATION, destination, MAX_PATH) == 0) {
        FatalInstallerError("Could not get destination text!");
        return false;
    }
    return true;
}

// Step 2.
Options takeOptions(HWND dialog)
{
    Options options;
    options.startMenuIcons = IsDlgButtonChecked(dialog, IDC_START_MENU_ICONS) == BST_CHECKED;
    options.desktopIcon = IsDlgButtonChecked(dialog, IDC_DESKTOP_ICON) == BST_CHECKED;
    const int locked[] = {IDC_INSTALL, IDC_MESSAGE, IDC_DESTINATION_GROUP, IDC_DESTINATION,
                          IDC_START_MENU_ICONS, IDC_DESKTOP_ICON, IDC_BROWSE};
    for (int id : locked)
        EnableWindow(GetDlgItem(dialog, id), FALSE);
    return options;
}

// Step 3. Only the fixed key of an earlier installation is forgotten; its files stay.
void forgetEarlierInstallation(HWND dialog)
{
    setStatus(dialog, "Cleaning previous version installaion..");
    char path[MAX_PATH];
    UninstallData earlier;
    if (formatPath(path, "%s\\quninst.dat", destination) && LoadUninstallData(earlier, path))
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, previousUninstallKey);
    earlier.clear();
}

// Steps 4 and 5.
bool createMainDirectory(HWND dialog)
{
    setStatus(dialog, "Creating main directory..");
    if (!CreateNestedDirectories(destination)) {
        fatalWithCode("Create nested dir failed! %d");
        return false;
    }
    installRecord.addDirectory(destination);
    SetCurrentDirectoryA(installerFolder);
    return true;
}

// One file of step 6 or the uninstaller of step 7, copied from the installer's folder to the
// same name below the destination.
bool copyFile(HWND dialog, const char* name, bool isReleaseFile)
{
    if (strlen(copyingPrefix) + strlen(name) + 1 >= MAX_PATH) {
        FatalInstallerError("status string too long!");
        return false;
    }
    char status[MAX_PATH];
    snprintf(status, sizeof status, "%s%s", copyingPrefix, name);
    setStatus(dialog, status);
    if (strlen(destination) + strlen(name) + 1 >= MAX_PATH) {
        FatalInstallerError("destination path too long!");
        return false;
    }
    char target[MAX_PATH];
    snprintf(target, sizeof target, "%s\\%s", destination, name);
    if (!CopyFileA(name, target, FALSE)) {
        fatalWithCode("CopyFile failed! %d");
        return false;
    }
    if (isReleaseFile) {
        installRecord.addFile(target);
        SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_STEPIT, 0, 0);
        UpdateWindow(GetDlgItem(dialog, IDC_PROGRESS));
    }
    return true;
}

bool copyFiles(HWND dialog)
{
    for (int32_t i = 0; i < installData.fileCount; ++i)
        if (!copyFile(dialog, orEmpty(installData.files[i]), true))
            return false;
    return copyFile(dialog, uninstallerName, false);
}

// Step 8. Each link goes into the group folder that was made (below the all-users programs
// folder where the system has one), so the links land where the folder is.
void createStartMenuIcons(HWND dialog)
{
    char group[MAX_PATH];
    if (CreateProgramGroup(orEmpty(installData.programGroup), group))
        installRecord.addDirectory(group);
    else
        InstallerError(dialog, "Could not create program folder!");
    for (int32_t i = 0; i < installData.shortcutCount; ++i) {
        const char* name = orEmpty(installData.shortcutNames[i]);
        char linkFileName[MAX_PATH];
        char target[MAX_PATH];
        char link[MAX_PATH];
        bool made = formatPath(linkFileName, "%s.lnk", name) &&
                    formatPath(target, "%s\\%s", destination,
                               orEmpty(installData.shortcutTargets[i])) &&
                    CreateStartMenuShortcut(group, linkFileName, target, name, link);
        if (made)
            installRecord.addFile(link);
        else
            InstallerError(dialog, "Could not create program icon!");
    }
}

// Step 9.
void createDesktopIcon(HWND dialog)
{
    const char* name = orEmpty(installData.desktopName);
    char linkFileName[MAX_PATH];
    char target[MAX_PATH];
    char link[MAX_PATH];
    bool made = formatPath(linkFileName, "%s.lnk", name) &&
                formatPath(target, "%s\\%s", destination, orEmpty(installData.desktopTarget)) &&
                CreateDesktopShortcut(linkFileName, target, name, link);
    if (made)
        installRecord.addFile(link);
    else
        InstallerError(dialog, "Could not create desktop icon!");
}

// Steps 10 and 11: what the program itself leaves behind is listed for removal too.
bool recordRemovals()
{
    char path[MAX_PATH];
    installRecord.setNote(orEmpty(installData.uninstallNote));
    formatPath(path, "%s\\quninst.dat", destination);
    installRecord.addFile(path);
    for (int32_t i = 0; i < installData.extraFileCount; ++i) {
        const char* name = orEmpty(installData.extraFiles[i]);
        if (strlen(destination) + strlen(name) + 1 >= MAX_PATH) {
            FatalInstallerError("destination path too long!");
            return false;
        }
        formatPath(path, "%s\\%s", destination, name);
        installRecord.addFile(path);
    }
    return true;
}

bool setStringValue(HKEY key, const char* name, const char* text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1)) == ERROR_SUCCESS;
}

// Step 12. An empty key name would open the "Uninstall" key itself, so it is not created.
void registerForRemoval(HWND dialog)
{
    const char* keyName = orEmpty(installData.uninstallKeyName);
    std::string keyPath = std::string(uninstallKeyBase) + keyName;
    HKEY key = nullptr;
    bool opened = keyName[0] &&
                  RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr) == ERROR_SUCCESS;
    if (!opened)
        InstallerError(dialog, "Could not create uninstall key!");
    installRecord.setKeyPath(keyPath.c_str());
    if (!opened || !setStringValue(key, "DisplayName", orEmpty(installData.displayName)))
        InstallerError(dialog, "Could not create uninstall value 1!");
    char uninstaller[MAX_PATH];
    formatPath(uninstaller, "%s\\%s", destination, uninstallerName);
    if (!opened || !setStringValue(key, "UninstallString", uninstaller))
        InstallerError(dialog, "Could not create uninstall value 2!");
    if (opened)
        RegCloseKey(key);
}

// Step 13.
void writeUninstallData(HWND dialog)
{
    setStatus(dialog, "Writing uninstall data..");
    char path[MAX_PATH];
    formatPath(path, "%s\\quninst.dat", destination);
    if (!SaveUninstallData(installRecord, path))
        InstallerError(dialog, "Could not save uninstall data!");
}

// Step 14.
void tellAboutVoices(HWND dialog)
{
    char text[600];
    snprintf(text, sizeof text,
             "The speech (SAPI) voice components are not packaged with this release of Tessary, "
             "and Tessary cannot speak without them.\n\n"
             "If you don't have them installed, or if you want more voices, you need to download "
             "them. The instructions are on this web page:\n\n%s",
             voicesPageAddress);
    installerCalls.MessageBoxA(dialog, text, "Additional Steps", MB_ICONINFORMATION);
}

// Step 15.
void finish(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_CANCEL_EXIT, "Exit");
    setStatus(dialog, "Installation complete.");
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

} // namespace

void RunInstall(HWND dialog)
{
    if (!takeDestination(dialog))
        return;
    Options options = takeOptions(dialog);
    forgetEarlierInstallation(dialog);
    if (!createMainDirectory(dialog) || !copyFiles(dialog))
        return;
    if (options.startMenuIcons)
        createStartMenuIcons(dialog);
    if (options.desktopIcon)
        createDesktopIcon(dialog);
    if (!recordRemovals())
        return;
    registerForRemoval(dialog);
    writeUninstallData(dialog);
    tellAboutVoices(dialog);
    finish(dialog);
}
