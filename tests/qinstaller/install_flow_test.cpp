// Installing a release for real: files into a temporary folder tree, links into the Wine
// prefix's shell folders, the uninstall key into its registry, and "quninst.dat" beside them.
#include "installer_fixture.h"
#include "install_steps.h"
#include "nested_directories.h"
#include "installer_state.h"
#include "resource.h"
#include <commctrl.h>
#include <shlobj.h>

namespace {

using Texts = std::vector<std::string>;

struct AfterInstall {
    std::string status;
    std::string exitText;
    LRESULT position = -1;
    int upperBound = -1;
    bool installEnabled = true;
    bool browseEnabled = true;
    bool destinationEnabled = true;
    bool cancelEnabled = false;
};

AfterInstall look(HWND dialog)
{
    AfterInstall seen;
    seen.status = controlText(dialog, IDC_STATUS);
    seen.exitText = controlText(dialog, IDC_CANCEL_EXIT);
    seen.position = SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0);
    seen.upperBound = static_cast<int>(SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_GETRANGE, FALSE, 0));
    seen.installEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_INSTALL));
    seen.browseEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_BROWSE));
    seen.destinationEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_DESTINATION));
    seen.cancelEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_CANCEL_EXIT));
    return seen;
}

void expectLink(const std::string& link, const std::string& target, const std::string& name)
{
    std::string readTarget, readDescription;
    ASSERT_TRUE(readShellLink(link, readTarget, readDescription)) << link;
    EXPECT_STRCASEEQ(target.c_str(), readTarget.c_str()) << link;
    EXPECT_EQ(name, readDescription) << link;
}

TEST_F(InstallerTest, AFreshInstallCopiesLinksRegistersAndRecordsEverything)
{
    AfterInstall seen;
    DialogRun run = install([&](HWND dialog) { seen = look(dialog); });
    EXPECT_EQ(2, run.result);
    EXPECT_EQ(-1, run.quitCode);

    EXPECT_EQ("Installation complete.", seen.status);
    EXPECT_EQ("Exit", seen.exitText);
    EXPECT_EQ(2, seen.position) << "one step per copied file; the uninstaller does not count";
    EXPECT_EQ(2, seen.upperBound);
    EXPECT_FALSE(seen.installEnabled);
    EXPECT_FALSE(seen.browseEnabled);
    EXPECT_FALSE(seen.destinationEnabled);
    EXPECT_TRUE(seen.cancelEnabled);

    EXPECT_EQ("the mail watcher", readWholeFile(destinationFile("tessary.exe")));
    EXPECT_EQ("read me", readWholeFile(destinationFile("readme.txt")));
    EXPECT_EQ("the uninstaller", readWholeFile(destinationFile("QUninst.exe")));

    // The links are in the group folder that was made below the all-users programs folder.
    const std::string group = commonGroup();
    expectLink(group + "\\Tessary.lnk", destinationFile("tessary.exe"), "Tessary");
    expectLink(group + "\\Uninstall Tessary.lnk", destinationFile("QUninst.exe"), "Uninstall Tessary");
    expectLink(desktopLink(), destinationFile("tessary.exe"), release.desktopName);
    EXPECT_FALSE(fileExists(userGroup())) << "nothing is written below the user's own Start menu";

    std::string value;
    ASSERT_TRUE(readRegistryString(HKEY_LOCAL_MACHINE, keyPath(), "DisplayName", value));
    EXPECT_EQ(release.displayName, value);
    ASSERT_TRUE(readRegistryString(HKEY_LOCAL_MACHINE, keyPath(), "UninstallString", value));
    EXPECT_EQ(destinationFile("QUninst.exe"), value);

    UninstallData record;
    ASSERT_EQ(1, LoadUninstallData(record, destinationFile("quninst.dat").c_str()));
    EXPECT_EQ((Texts{destinationFile("tessary.exe"), destinationFile("readme.txt"),
                     group + "\\Tessary.lnk", group + "\\Uninstall Tessary.lnk", desktopLink(),
                     destinationFile("quninst.dat"), destinationFile("default.tsl"),
                     destinationFile("Tessary.dat")}),
              pathTexts(record.files));
    EXPECT_EQ((Texts{destination, group}), pathTexts(record.directories));
    EXPECT_STREQ("Removes the test release.", record.note);
    EXPECT_EQ(keyPath(), record.uninstallKeyPath);

    ASSERT_EQ(1u, boxes.boxes().size()) << ::testing::PrintToString(boxes.texts());
    const RecordedBox& closing = boxes.boxes()[0];
    EXPECT_EQ("Additional Steps", closing.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), closing.type);
    EXPECT_NE(nullptr, closing.owner);
    EXPECT_NE(std::string::npos, closing.text.find("SAPI"));
    EXPECT_NE(std::string::npos, closing.text.find(voicesPageAddress));
}

// Without an all-users programs folder (Windows 95 and 98) the group and its links go below the
// user's own programs folder.
HRESULT WINAPI withoutAllUsersFolder(HWND owner, int folder, PIDLIST_ABSOLUTE* list)
{
    if (folder == CSIDL_COMMON_PROGRAMS) {
        *list = nullptr;
        return E_FAIL;
    }
    return SHGetSpecialFolderLocation(owner, folder, list);
}

TEST_F(InstallerTest, WithoutAnAllUsersFolderTheGroupGoesBelowTheUsersPrograms)
{
    SeamOverride<HRESULT (WINAPI*)(HWND, int, PIDLIST_ABSOLUTE*)> shell(
        installerCalls.SHGetSpecialFolderLocation, withoutAllUsersFolder);
    release.createDesktopIcon = 0;
    DialogRun run = install();
    EXPECT_EQ(2, run.result);
    EXPECT_EQ(Texts{"Additional Steps"}, Texts{boxes.boxes().at(0).caption});
    expectLink(userGroup() + "\\Tessary.lnk", destinationFile("tessary.exe"), "Tessary");
    EXPECT_FALSE(fileExists(commonGroup()));
    UninstallData record;
    ASSERT_EQ(1, LoadUninstallData(record, destinationFile("quninst.dat").c_str()));
    EXPECT_EQ((Texts{destination, userGroup()}), pathTexts(record.directories));
}

TEST_F(InstallerTest, UncheckedOptionsMakeNoLinks)
{
    writeRelease();
    DialogRun run = runInstallerDialog([&](HWND dialog) {
        setControlText(dialog, IDC_DESTINATION, destination);
        CheckDlgButton(dialog, IDC_START_MENU_ICONS, BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_DESKTOP_ICON, BST_UNCHECKED);
        click(dialog, IDC_INSTALL);
        click(dialog, IDC_CANCEL_EXIT);
    });
    EXPECT_EQ(2, run.result);
    EXPECT_FALSE(fileExists(commonGroup()));
    EXPECT_FALSE(fileExists(desktopLink()));
    UninstallData record;
    ASSERT_EQ(1, LoadUninstallData(record, destinationFile("quninst.dat").c_str()));
    EXPECT_EQ((Texts{destinationFile("tessary.exe"), destinationFile("readme.txt"),
                     destinationFile("quninst.dat"), destinationFile("default.tsl"),
                     destinationFile("Tessary.dat")}),
              pathTexts(record.files));
    EXPECT_EQ(Texts{destination}, pathTexts(record.directories));
}

TEST_F(InstallerTest, InstallingTwiceOverwritesAndRewritesTheRecordAndTheKey)
{
    ASSERT_EQ(2, install().result);
    UninstallData first;
    ASSERT_EQ(1, LoadUninstallData(first, destinationFile("quninst.dat").c_str()));
    ASSERT_TRUE(writeWholeFile(destinationFile("tessary.exe"), "changed by the user"));
    release.displayName = "Second Release";
    createFixedKey();

    ASSERT_EQ(2, install().result);
    EXPECT_EQ("the mail watcher", readWholeFile(destinationFile("tessary.exe")));
    std::string value;
    ASSERT_TRUE(readRegistryString(HKEY_LOCAL_MACHINE, keyPath(), "DisplayName", value));
    EXPECT_EQ("Second Release", value);
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, previousUninstallKey))
        << "the earlier installation's file matched, so the fixed key is forgotten";
    UninstallData second;
    ASSERT_EQ(1, LoadUninstallData(second, destinationFile("quninst.dat").c_str()));
    EXPECT_EQ(pathTexts(first.files), pathTexts(second.files));
    EXPECT_EQ(pathTexts(first.directories), pathTexts(second.directories));
    for (const std::string& box : boxes.texts())
        EXPECT_EQ(std::string::npos, box.find("Could not")) << box;
}

TEST_F(InstallerTest, AnEarlierFileWithTheMagicForgetsTheFixedKeyButNoFiles)
{
    ASSERT_TRUE(CreateDirectoryA(root.file("Program Files").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(root.file("Program Files\\T").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
    ASSERT_TRUE(writeWholeFile(destinationFile("old.txt"), "kept"));
    UninstallData earlier;
    earlier.addFile(destinationFile("old.txt").c_str());
    earlier.setKeyPath("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Another");
    ASSERT_EQ(1, SaveUninstallData(earlier, destinationFile("quninst.dat").c_str()));
    createFixedKey();

    ASSERT_EQ(2, install().result);
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, previousUninstallKey));
    EXPECT_EQ("kept", readWholeFile(destinationFile("old.txt")));
}

TEST_F(InstallerTest, AnEarlierFileWithAnotherMagicIsNoEarlierInstallation)
{
    ASSERT_TRUE(CreateNestedDirectories(destination.c_str()));
    UninstallData earlier;
    earlier.addFile(destinationFile("old.txt").c_str());
    ASSERT_EQ(1, SaveUninstallData(earlier, destinationFile("quninst.dat").c_str()));
    std::string bytes = readWholeFile(destinationFile("quninst.dat"));
    bytes[10] = '2'; // "QUDAT_v0102"
    ASSERT_TRUE(writeWholeFile(destinationFile("quninst.dat"), bytes));
    createFixedKey();

    ASSERT_EQ(2, install().result);
    EXPECT_TRUE(registryKeyExists(HKEY_LOCAL_MACHINE, previousUninstallKey));
    UninstallData rewritten;
    EXPECT_EQ(1, LoadUninstallData(rewritten, destinationFile("quninst.dat").c_str()));
}

} // namespace
