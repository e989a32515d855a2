// The release end to end under Wine: qinstaller.exe installs the test release into a temporary
// folder, driven from outside like a user would, and QUninst.exe removes it again until nothing
// that was recorded remains. tessary.exe is the mail watcher of this build, or a stand-in program
// in a tree without one.
#include <gtest/gtest.h>
#include "installer_harness.h"
#include "install_data.h"
#include "uninstall_data.h"
#include "remote_dialogs.h"
#include "support/temp_folder.h"
#include <shlobj.h>

namespace {

const char releaseKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessary v1";
const DWORD patience = 60000; // a bound against hanging, not a performance target

std::string releaseFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1) + "release\\";
}

// A program started by the test, ended by its handle if the test fails on the way.
class Started {
public:
    bool start(const std::string& program, const std::string& folder)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string command = "\"" + program + "\"";
        return CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &startup, &process_);
    }
    void adopt(DWORD id) { process_.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, id); process_.dwProcessId = id; }
    // The exit code, or -1 when it did not end in time.
    long waitForExit()
    {
        if (!process_.hProcess || WaitForSingleObject(process_.hProcess, patience) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<long>(code);
    }
    DWORD id() const { return process_.dwProcessId; }
    ~Started()
    {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process_.hProcess, 99);
            CloseHandle(process_.hProcess);
        }
        if (process_.hThread)
            CloseHandle(process_.hThread);
    }

private:
    PROCESS_INFORMATION process_ = {};
};

std::function<bool(HWND)> ofProcess(DWORD process, const std::string& caption)
{
    return [process, caption](HWND window) {
        return (process == 0 || windowProcess(window) == process) && windowText(window) == caption;
    };
}

// Presses OK on every box qinstaller shows until it reports completion; gives out the boxes'
// captions and texts.
bool installInto(DWORD process, HWND dialog, std::vector<std::string>& seen)
{
    pressButton(dialog, 1003);
    DWORD start = GetTickCount();
    bool closingBoxSeen = false;
    while (GetTickCount() - start < patience) {
        HWND box = waitForDialog(
            [&](HWND window) { return window != dialog && windowProcess(window) == process; }, 200);
        if (box) {
            std::string caption = windowText(box);
            seen.push_back(caption + ": " + boxText(box));
            closingBoxSeen |= caption == "Additional Steps";
            pressButton(box, IDOK);
            Sleep(200);
            continue;
        }
        if (closingBoxSeen && windowText(GetDlgItem(dialog, 1002)) == "Installation complete.")
            return true;
    }
    return false;
}

TEST(Release, TheGeneratedInstallDataListsTheReleasesFiles)
{
    InstallData data;
    ASSERT_TRUE(LoadInstallData((releaseFolder() + "inst.dat").c_str(), data));
    ASSERT_EQ(2, data.fileCount);
    EXPECT_STREQ("tessary.exe", data.files[0]);
    EXPECT_STREQ("Tessary.chm", data.files[1]);
    ASSERT_EQ(2, data.extraFileCount);
    EXPECT_STREQ("default.tsl", data.extraFiles[0]);
    EXPECT_STREQ("Tessary.dat", data.extraFiles[1]);
    ASSERT_EQ(3, data.shortcutCount);
    EXPECT_STREQ("tessary.exe", data.shortcutTargets[0]);
    EXPECT_STREQ("Tessary.chm", data.shortcutTargets[1]);
    EXPECT_STREQ("QUninst.exe", data.shortcutTargets[2]);
    EXPECT_STREQ("tessary.exe", data.desktopTarget);
    EXPECT_STREQ("Tessary v1", data.uninstallKeyName);
    for (const char* name : {"tessary.exe", "Tessary.chm", "qinstaller.exe", "QUninst.exe"})
        EXPECT_TRUE(fileExists(releaseFolder() + name)) << name;
}

TEST(Release, InstallThenUninstallLeavesNothingRecorded)
{
    CoInitialize(nullptr);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, releaseKey); // from an earlier run that was cut short
    TempFolder root;
    const std::string destination = root.file("Installed Tessary");

    Started installer;
    ASSERT_TRUE(installer.start(releaseFolder() + "qinstaller.exe", releaseFolder()));
    HWND dialog = waitForDialog(ofProcess(installer.id(), "QInstaller v1"), patience);
    ASSERT_NE(nullptr, dialog);
    setText(GetDlgItem(dialog, 1004), destination);
    std::vector<std::string> boxes;
    ASSERT_TRUE(installInto(installer.id(), dialog, boxes)) << ::testing::PrintToString(boxes);
    ASSERT_EQ(1u, boxes.size()) << ::testing::PrintToString(boxes);
    EXPECT_EQ(0u, boxes[0].find("Additional Steps: ")) << boxes[0];
    EXPECT_EQ("Exit", windowText(GetDlgItem(dialog, 1007)));
    pressButton(dialog, 1007);
    EXPECT_EQ(0, installer.waitForExit());

    UninstallData record;
    ASSERT_EQ(1, LoadUninstallData(record, (destination + "\\quninst.dat").c_str()));
    // tessary.exe, Tessary.chm, three Start menu links, the desktop link, quninst.dat, two extras
    EXPECT_EQ(9, record.files.count);
    EXPECT_EQ(2, record.directories.count);
    EXPECT_EQ(readWholeFile(releaseFolder() + "tessary.exe"),
              readWholeFile(destination + "\\tessary.exe"));
    std::string group = record.directories.tail->text;
    std::string target, description;
    ASSERT_TRUE(readShellLink(group + "\\Tessary.lnk", target, description));
    EXPECT_STRCASEEQ((destination + "\\tessary.exe").c_str(), target.c_str());
    ASSERT_TRUE(readShellLink(group + "\\Tessary Help.lnk", target, description));
    EXPECT_STRCASEEQ((destination + "\\Tessary.chm").c_str(), target.c_str());
    EXPECT_EQ(readWholeFile(releaseFolder() + "Tessary.chm"), readWholeFile(destination + "\\Tessary.chm"));
    ASSERT_TRUE(readShellLink(group + "\\Uninstall Tessary.lnk", target, description));
    EXPECT_STRCASEEQ((destination + "\\QUninst.exe").c_str(), target.c_str());
    std::string value;
    ASSERT_TRUE(readRegistryString(HKEY_LOCAL_MACHINE, releaseKey, "UninstallString", value));
    EXPECT_EQ(destination + "\\QUninst.exe", value);

    // What the mail watcher writes when it runs goes too.
    ASSERT_TRUE(writeWholeFile(destination + "\\default.tsl", "entries"));
    ASSERT_TRUE(writeWholeFile(destination + "\\Tessary.dat", "settings"));

    Started uninstaller;
    ASSERT_TRUE(uninstaller.start(value, destination));
    HWND question = waitForDialog(ofProcess(0, "QUninst"), patience);
    ASSERT_NE(nullptr, question);
    EXPECT_NE(std::string::npos, boxText(question).find("This removes Tessary")) << boxText(question);
    EXPECT_EQ(0, uninstaller.waitForExit()) << "the first start hands over to its copy and ends";
    Started copy;
    copy.adopt(windowProcess(question));
    pressButton(question, IDOK);
    HWND done = waitForDialog(
        [&](HWND window) { return window != question && windowText(window) == "QUninst"; }, patience);
    ASSERT_NE(nullptr, done);
    EXPECT_EQ("Uninstall complete.", boxText(done));
    pressButton(done, IDOK);
    EXPECT_EQ(0, copy.waitForExit());

    for (const PathList::Node* node = record.files.head; node; node = node->next)
        EXPECT_FALSE(fileExists(node->text)) << node->text;
    for (const PathList::Node* node = record.directories.head; node; node = node->next)
        EXPECT_FALSE(fileExists(node->text)) << node->text;
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, releaseKey));

    char temporary[MAX_PATH];
    GetTempPathA(sizeof temporary, temporary);
    DeleteFileA((std::string(temporary) + "QUninst-" + std::to_string(uninstaller.id()) + ".exe").c_str());
    CoUninitialize();
}

} // namespace
