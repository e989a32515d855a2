// The installer dialog from its real template: what creation shows, Browse, Cancel and the
// close box, and the program start with its fatal errors.
#include "installer_fixture.h"
#include "installer_state.h"
#include "program_start.h"
#include "resource.h"
#include <commctrl.h>
#include <shlobj.h>

namespace {

struct Shown {
    std::string message;
    std::string destination;
    UINT startMenu = 99;
    UINT desktop = 99;
    int upperBound = -1;
    bool hasBigIcon = false;
};

Shown show(HWND dialog)
{
    Shown s;
    s.message = controlText(dialog, IDC_MESSAGE);
    s.destination = controlText(dialog, IDC_DESTINATION);
    s.startMenu = IsDlgButtonChecked(dialog, IDC_START_MENU_ICONS);
    s.desktop = IsDlgButtonChecked(dialog, IDC_DESKTOP_ICON);
    s.upperBound = static_cast<int>(SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_GETRANGE, FALSE, 0));
    s.hasBigIcon = SendMessageA(dialog, WM_GETICON, ICON_BIG, 0) != 0;
    return s;
}

TEST_F(InstallerTest, CreationShowsTheReleaseAndItsOptions)
{
    for (int flags = 0; flags < 4; ++flags) {
        release.createStartMenuIcons = flags & 1 ? 7 : 0; // any non-zero byte checks the box
        release.createDesktopIcon = flags & 2 ? 1 : 0;
        release.files = std::vector<std::string>(3 + flags, "f");
        writeRelease();
        Shown shown;
        DialogRun run = runInstallerDialog([&](HWND dialog) {
            shown = show(dialog);
            click(dialog, IDC_CANCEL_EXIT);
        });
        EXPECT_EQ(2, run.result);
        EXPECT_EQ("Welcome to the test release.", shown.message);
        EXPECT_EQ("C:\\Program Files\\Test", shown.destination);
        EXPECT_EQ(flags & 1 ? BST_CHECKED : BST_UNCHECKED, shown.startMenu);
        EXPECT_EQ(flags & 2 ? BST_CHECKED : BST_UNCHECKED, shown.desktop);
        EXPECT_EQ(3 + flags, shown.upperBound);
        EXPECT_TRUE(shown.hasBigIcon);
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(InstallerTest, AMissingOrDamagedInstallDataEndsTheProgram)
{
    bool stepsRan = false;
    DialogRun run = runInstallerDialog([&](HWND) { stepsRan = true; });
    EXPECT_EQ(2, run.result);
    EXPECT_EQ(1, run.quitCode);
    EXPECT_FALSE(stepsRan);
    EXPECT_EQ((std::vector<std::string>{"Could not load inst data!"}), boxes.texts());
    EXPECT_EQ("QInstaller Fatal Error", boxes.boxes()[0].caption);

    BoxRecorder again;
    release.extraFiles.clear();
    writeRelease();
    run = runInstallerDialog([&](HWND) { stepsRan = true; });
    EXPECT_EQ(1, run.quitCode);
    EXPECT_FALSE(stepsRan);
    EXPECT_EQ((std::vector<std::string>{"Could not load inst data!"}), again.texts());
}

TEST_F(InstallerTest, CancelAndTheCloseBoxEndTheDialogWithoutInstalling)
{
    writeRelease();
    EXPECT_EQ(2, runInstallerDialog([](HWND dialog) { click(dialog, IDC_CANCEL_EXIT); }).result);
    EXPECT_EQ(2, runInstallerDialog([](HWND dialog) { SendMessageA(dialog, WM_CLOSE, 0, 0); }).result);
    EXPECT_EQ(nullptr, installerDialog);
    EXPECT_EQ(nullptr, installData.files) << "the dialog's destruction frees the install data";
    EXPECT_FALSE(fileExists(root.file("Program Files")));
    EXPECT_TRUE(boxes.boxes().empty());
}

// The folder chooser answers with the folder a test picked, and keeps what it was asked.
std::string chosenFolder;
BROWSEINFOA askedWith;
std::string askedTitle;

PIDLIST_ABSOLUTE WINAPI chooseFolder(LPBROWSEINFOA info)
{
    askedWith = *info;
    askedTitle = info->lpszTitle ? info->lpszTitle : "";
    return chosenFolder.empty() ? nullptr : ILCreateFromPathA(chosenFolder.c_str());
}

class Browse : public InstallerTest {
protected:
    std::string browseFrom(const std::string& folder, HWND* owner = nullptr)
    {
        chosenFolder = folder;
        writeRelease();
        std::string shown;
        runInstallerDialog([&](HWND dialog) {
            click(dialog, IDC_BROWSE);
            shown = controlText(dialog, IDC_DESTINATION);
            if (owner)
                *owner = dialog;
            click(dialog, IDC_CANCEL_EXIT);
        });
        return shown;
    }

    SeamOverride<PIDLIST_ABSOLUTE (WINAPI*)(LPBROWSEINFOA)> chooser{installerCalls.SHBrowseForFolderA,
                                                                    chooseFolder};
};

TEST_F(Browse, TheChosenFolderGetsTheReleasesSubfolder)
{
    std::string folder = root.path().substr(0, root.path().size() - 1);
    HWND dialog = nullptr;
    EXPECT_EQ(folder + "\\Tessary", browseFrom(folder, &dialog));
    EXPECT_EQ(dialog, askedWith.hwndOwner);
    EXPECT_EQ(nullptr, askedWith.pidlRoot);
    EXPECT_EQ("Select the folder to install to.", askedTitle);
    EXPECT_EQ(static_cast<UINT>(BIF_RETURNONLYFSDIRS), askedWith.ulFlags);
    EXPECT_EQ(nullptr, askedWith.lpfn);
    // A drive root already ends in a backslash, which the file system takes doubled.
    EXPECT_EQ("C:\\\\Tessary", browseFrom("C:\\"));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Browse, NothingChosenLeavesTheDestination)
{
    EXPECT_EQ("C:\\Program Files\\Test", browseFrom(""));
}

TEST_F(Browse, AResultTooLongToInstallIntoIsRefused)
{
    release.defaultSubfolder = std::string(240, 's');
    EXPECT_EQ("C:\\Program Files\\Test", browseFrom(root.path()));
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ("QInstaller Error", boxes.boxes()[0].caption);
    EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("too long"));
}

TEST(InstallerFolder, IsTheModuleFolderWithItsBackslashUpTo259Characters)
{
    char folder[MAX_PATH];
    ASSERT_TRUE(DeriveInstallerFolder("C:\\Release\\qinstaller.exe", folder));
    EXPECT_STREQ("C:\\Release\\", folder);
    std::string longest = "C:\\" + std::string(241, 'r') + "\\qinstaller.exe"; // 259
    ASSERT_TRUE(DeriveInstallerFolder(longest.c_str(), folder));
    EXPECT_EQ(longest.substr(0, 245), folder);
    EXPECT_FALSE(DeriveInstallerFolder((longest + "x").c_str(), folder));
    EXPECT_FALSE(DeriveInstallerFolder("qinstaller.exe", folder));
}

TEST(ProgramStart, FatalStartsEndWithExitCodeOne)
{
    BoxRecorder boxes;
    // The test program's own folder holds no "inst.dat".
    EXPECT_EQ(1, RunInstaller(GetModuleHandleA(nullptr)));
    EXPECT_EQ((std::vector<std::string>{"Could not load inst data!"}), boxes.texts());

    BoxRecorder again;
    EXPECT_EQ(1, RunInstaller(GetModuleHandleA("kernel32.dll"))); // no dialog template there
    EXPECT_EQ((std::vector<std::string>{"Could not create main dialog."}), again.texts());
    EXPECT_EQ("QInstaller Fatal Error", again.boxes()[0].caption);
}

} // namespace
