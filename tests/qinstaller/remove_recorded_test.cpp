// The uninstaller's removal of a recorded installation: files, folders deepest first, the
// registry key, and whatever is already gone or must stay.
#include <gtest/gtest.h>
#include "installer_harness.h"
#include "remove_recorded.h"
#include "support/temp_folder.h"

namespace {

const std::string uninstallBase = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void createKey(const std::string& path)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
}

class RemoveRecordedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Recorded the way the installer records: the destination first, deeper folders later.
        for (const char* folder : {"dest", "dest\\a", "dest\\a\\b", "menu"}) {
            ASSERT_TRUE(CreateDirectoryA(root.file(folder).c_str(), nullptr));
            data.addDirectory(root.file(folder).c_str());
        }
        for (const char* file : {"dest\\program.exe", "dest\\a\\b\\deep.txt", "menu\\link.lnk"}) {
            ASSERT_TRUE(writeWholeFile(root.file(file), "x"));
            data.addFile(root.file(file).c_str());
        }
        data.addFile(root.file("dest\\never created.dat").c_str());
        createKey(keyPath);
        data.setKeyPath(keyPath.c_str());
    }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str()); }

    TempFolder root;
    UninstallData data;
    std::string keyPath = uninstallBase + "QInstaller Removal " + processTag();
};

TEST_F(RemoveRecordedTest, RemovesEverythingRecordedDeepestFolderFirst)
{
    ASSERT_TRUE(writeWholeFile(root.file("dest\\QUninst.exe"), "me"));
    SetFileAttributesA(root.file("dest\\program.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    RemovalResult result = RemoveRecorded(data, root.file("dest\\QUninst.exe").c_str());
    EXPECT_EQ(0, result.leftCount) << result.leftOver;
    for (const char* gone : {"dest", "menu", "dest\\program.exe"})
        EXPECT_FALSE(fileExists(root.file(gone))) << gone;
    EXPECT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, keyPath));
}

TEST_F(RemoveRecordedTest, WhatIsAlreadyGoneCountsAsRemoved)
{
    EXPECT_EQ(0, RemoveRecorded(data, nullptr).leftCount);
    RemovalResult again = RemoveRecorded(data, root.file("dest\\QUninst.exe").c_str());
    EXPECT_EQ(0, again.leftCount) << again.leftOver;
}

TEST_F(RemoveRecordedTest, AFolderHoldingTheUsersOwnFilesStaysAndIsReported)
{
    ASSERT_TRUE(writeWholeFile(root.file("dest\\a\\mine.txt"), "the user's"));
    RemovalResult result = RemoveRecorded(data, nullptr);
    EXPECT_EQ(2, result.leftCount);
    EXPECT_EQ(root.file("dest\\a") + "\n" + root.file("dest") + "\n", result.leftOver);
    EXPECT_EQ("the user's", readWholeFile(root.file("dest\\a\\mine.txt")));
    EXPECT_FALSE(fileExists(root.file("dest\\a\\b")));
    EXPECT_FALSE(fileExists(root.file("menu")));
}

TEST(UninstallKeyPath, OnlyAKeyOfItsOwnBelowUninstallIsEverDeleted)
{
    EXPECT_TRUE(IsUninstallKeyPath((uninstallBase + "Tessary v1").c_str()));
    EXPECT_TRUE(IsUninstallKeyPath("software\\microsoft\\windows\\currentversion\\uninstall\\T"));
    EXPECT_FALSE(IsUninstallKeyPath(uninstallBase.c_str()));
    EXPECT_FALSE(IsUninstallKeyPath((uninstallBase + "T\\Sub").c_str()));
    EXPECT_FALSE(IsUninstallKeyPath("SOFTWARE\\Microsoft"));

    std::string outside = "SOFTWARE\\QInstaller Keep " + processTag();
    createKey(outside);
    UninstallData data;
    data.setKeyPath(outside.c_str());
    EXPECT_EQ(0, RemoveRecorded(data, nullptr).leftCount);
    EXPECT_TRUE(registryKeyExists(HKEY_LOCAL_MACHINE, outside));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, outside.c_str());
}

} // namespace
