// The installer tests' fixture.
#include "installer_fixture.h"
#include "install_steps.h"
#include "installer_state.h"
#include "resource.h"
#include <commctrl.h>
#include <shlobj.h>
#include <cstring>

const char uninstallKeyBase[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

namespace {
void removeGroupFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.lnk").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}
} // namespace

void InstallerTest::SetUp()
{
    CoInitialize(nullptr);
    InitCommonControls();
    source = root.file("source\\");
    CreateDirectoryA(source.c_str(), nullptr);
    strcpy(installerFolder, source.c_str());
    // A one-letter level on the way, created like any other.
    destination = root.file("Program Files\\T\\Test");
    std::string tag = processTag();
    release.uninstallKeyName = "QInstaller Test " + tag;
    release.programGroup = "QInstaller Test " + tag;
    release.desktopName = "QInstaller Test " + tag;
    release.files = {"tessary.exe", "readme.txt"};
    release.shortcutTargets = {"tessary.exe", "QUninst.exe"};
    release.shortcutNames = {"Tessary", "Uninstall Tessary"};
    writeSource("tessary.exe", "the mail watcher");
    writeSource("readme.txt", "read me");
    writeSource("QUninst.exe", "the uninstaller");
}

void InstallerTest::TearDown()
{
    removeGroupFolder(commonGroup());
    removeGroupFolder(userGroup());
    DeleteFileA(desktopLink().c_str());
    if (!release.uninstallKeyName.empty())
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath().c_str());
    if (fixedKeyCreated)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, previousUninstallKey);
    installRecord.clear();
    SetCurrentDirectoryA(root.path().c_str());
    SetCurrentDirectoryA("..");
    CoUninitialize();
}

void InstallerTest::writeSource(const std::string& name, const std::string& bytes)
{
    ASSERT_TRUE(writeWholeFile(source + name, bytes)) << name;
}

void InstallerTest::writeRelease()
{
    writeSource("inst.dat", release.encode());
}

DialogRun InstallerTest::install(const std::function<void(HWND)>& afterInstall)
{
    writeRelease();
    return runInstallerDialog([&](HWND dialog) {
        setControlText(dialog, IDC_DESTINATION, destination);
        click(dialog, IDC_INSTALL);
        if (afterInstall)
            afterInstall(dialog);
        if (IsWindowVisible(dialog))
            click(dialog, IDC_CANCEL_EXIT);
    });
}

std::string InstallerTest::commonGroup() const
{
    return specialFolder(CSIDL_COMMON_PROGRAMS) + "\\" + release.programGroup;
}

std::string InstallerTest::userGroup() const
{
    return specialFolder(CSIDL_PROGRAMS) + "\\" + release.programGroup;
}

std::string InstallerTest::desktopLink() const
{
    return specialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + release.desktopName + ".lnk";
}

void InstallerTest::createFixedKey()
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, previousUninstallKey, 0, nullptr,
                                             0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("old"), 4);
    RegCloseKey(key);
    fixedKeyCreated = true;
}
