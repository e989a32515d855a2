// Installations that fail: fatal errors that end the program and write no uninstall data,
// non-fatal boxes after which the installation goes on, and destinations that are too long.
#include "installer_fixture.h"
#include "installer_state.h"
#include "nested_directories.h"
#include "resource.h"
#include <commctrl.h>

namespace {

using Texts = std::vector<std::string>;

// A destination below the temporary folder of exactly length characters.
std::string destinationOfLength(const TempFolder& root, size_t length)
{
    std::string path = root.file("d");
    while (path.size() + 1 < length) {
        size_t level = std::min<size_t>(60, length - path.size() - 1);
        path += "\\" + std::string(level, 'p');
    }
    EXPECT_EQ(length, path.size());
    return path;
}

void expectFatal(const DialogRun& run, const BoxRecorder& boxes, const std::string& text)
{
    EXPECT_EQ(2, run.result);
    EXPECT_EQ(1, run.quitCode);
    ASSERT_EQ(1u, boxes.boxes().size()) << ::testing::PrintToString(boxes.texts());
    EXPECT_EQ(text, boxes.boxes()[0].text);
    EXPECT_EQ("QInstaller Fatal Error", boxes.boxes()[0].caption);
    EXPECT_EQ(nullptr, boxes.boxes()[0].owner);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), boxes.boxes()[0].type);
}

TEST_F(InstallerTest, DestinationPlusNameOf258PassesAnd259IsFatal)
{
    destination = destinationOfLength(root, 240);
    release.files = {std::string(18, 'n')};
    writeSource(release.files[0], "fits");
    DialogRun run = install();
    EXPECT_EQ(-1, run.quitCode);
    EXPECT_EQ("fits", readWholeFile(destinationFile(release.files[0])));
    EXPECT_TRUE(fileExists(destinationFile("quninst.dat")));

    BoxRecorder again;
    installRecord.clear();
    destination = destinationOfLength(root, 241);
    run = install();
    expectFatal(run, again, "destination path too long!");
    EXPECT_FALSE(fileExists(destinationFile("quninst.dat")));
}

TEST_F(InstallerTest, AFailingCopyIsFatalAndLeavesNoUninstallDataNorKey)
{
    release.files = {"tessary.exe", "missing.exe", "readme.txt"};
    LRESULT position = -1;
    DialogRun run = install([&](HWND dialog) {
        position = SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0);
    });
    expectFatal(run, boxes, "CopyFile failed! 2");
    EXPECT_EQ(1, position);
    EXPECT_TRUE(fileExists(destinationFile("tessary.exe")));
    EXPECT_FALSE(fileExists(destinationFile("readme.txt")));
    EXPECT_FALSE(fileExists(destinationFile("QUninst.exe")));
    EXPECT_FALSE(fileExists(destinationFile("quninst.dat")));
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, keyPath()));
    EXPECT_FALSE(fileExists(commonGroup()));
}

TEST_F(InstallerTest, AMissingUninstallerIsFatalToo)
{
    DeleteFileA((source + "QUninst.exe").c_str());
    expectFatal(install(), boxes, "CopyFile failed! 2");
    EXPECT_FALSE(fileExists(destinationFile("quninst.dat")));
}

TEST_F(InstallerTest, ADestinationThatCannotBeCreatedIsFatal)
{
    ASSERT_TRUE(writeWholeFile(root.file("Program Files"), "a file in the way"));
    expectFatal(install(), boxes, "Create nested dir failed! 183");
}

TEST_F(InstallerTest, AnExtraFileTooLongForTheDestinationIsFatal)
{
    destination = destinationOfLength(root, 240);
    release.extraFiles = {"default.tsl", std::string(19, 'x')};
    expectFatal(install(), boxes, "destination path too long!");
    EXPECT_FALSE(fileExists(destinationFile("quninst.dat")));
}

TEST_F(InstallerTest, NonFatalFailuresAreToldAndTheInstallationGoesOn)
{
    release.programGroup = "bad|group";
    release.desktopName = "bad|desktop";
    release.uninstallKeyName = "";
    // A folder where "quninst.dat" should go: the file cannot be created.
    ASSERT_TRUE(CreateNestedDirectories(destinationFile("quninst.dat").c_str()));
    std::string status;
    DialogRun run = install([&](HWND dialog) { status = controlText(dialog, IDC_STATUS); });
    EXPECT_EQ(2, run.result);
    EXPECT_EQ(-1, run.quitCode);
    EXPECT_EQ("Installation complete.", status);
    Texts told = boxes.texts();
    ASSERT_FALSE(told.empty());
    told.pop_back();
    EXPECT_EQ((Texts{"Could not create program folder!", "Could not create program icon!",
                     "Could not create program icon!", "Could not create desktop icon!",
                     "Could not create uninstall key!", "Could not create uninstall value 1!",
                     "Could not create uninstall value 2!", "Could not save uninstall data!"}),
              told);
    EXPECT_EQ("Additional Steps", boxes.boxes().back().caption);
    for (size_t i = 0; i + 1 < boxes.boxes().size(); ++i) {
        EXPECT_EQ("QInstaller Error", boxes.boxes()[i].caption);
        EXPECT_NE(nullptr, boxes.boxes()[i].owner);
        EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), boxes.boxes()[i].type);
    }
    EXPECT_EQ("read me", readWholeFile(destinationFile("readme.txt")));
    // The record still names the key it would have made, and holds no links.
    EXPECT_EQ(uninstallKeyBase, std::string(installRecord.uninstallKeyPath));
    EXPECT_EQ(5, installRecord.files.count);
}

TEST_F(InstallerTest, ATooLongDestinationIsRefusedAndTheDialogStaysReady)
{
    destination = destinationOfLength(root, 248);
    bool installEnabled = false;
    std::string cancelText;
    DialogRun run = install([&](HWND dialog) {
        installEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_INSTALL));
        cancelText = controlText(dialog, IDC_CANCEL_EXIT);
    });
    EXPECT_EQ(2, run.result);
    EXPECT_EQ(-1, run.quitCode);
    EXPECT_TRUE(installEnabled);
    EXPECT_EQ("Cancel", cancelText);
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ("QInstaller Error", boxes.boxes()[0].caption);
    EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find("too long"));
    EXPECT_FALSE(fileExists(root.file("d")));

    BoxRecorder again;
    destination = destinationOfLength(root, 247);
    release.files = {"readme.txt"};
    run = install();
    EXPECT_EQ(-1, run.quitCode);
    EXPECT_EQ("read me", readWholeFile(destinationFile("readme.txt")));
    EXPECT_TRUE(fileExists(destinationFile("quninst.dat")));
}

} // namespace
