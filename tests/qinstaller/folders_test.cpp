// Creating nested folders level by level, the program group and shell links in the Wine
// prefix's real shell folders.
#include <gtest/gtest.h>
#include "installer_harness.h"
#include "nested_directories.h"
#include "shortcuts.h"
#include "support/temp_folder.h"
#include <shlobj.h>

namespace {

bool isFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(NestedDirectories, OneLetterLevelsAreCreatedLikeAnyOther)
{
    TempFolder root;
    ASSERT_TRUE(CreateNestedDirectories(root.file("a\\b\\c").c_str()));
    EXPECT_TRUE(isFolder(root.file("a")));
    EXPECT_TRUE(isFolder(root.file("a\\b")));
    EXPECT_TRUE(isFolder(root.file("a\\b\\c")));
    ASSERT_TRUE(CreateNestedDirectories(root.file("x//yy\\\\z\\/").c_str()));
    EXPECT_TRUE(isFolder(root.file("x\\yy\\z")));
}

TEST(NestedDirectories, ExistingLevelsAndTheDriveAlonePass)
{
    TempFolder root;
    ASSERT_TRUE(CreateNestedDirectories(root.file("one\\two").c_str()));
    EXPECT_TRUE(CreateNestedDirectories(root.file("one\\two").c_str()));
    EXPECT_TRUE(CreateNestedDirectories(root.file("one\\two\\three").c_str()));
    EXPECT_TRUE(isFolder(root.file("one\\two\\three")));
    EXPECT_TRUE(CreateNestedDirectories("C:"));
    EXPECT_TRUE(CreateNestedDirectories("C:\\"));
}

TEST(NestedDirectories, AFileInTheWayFailsWithItsCodeLeftForGetLastError)
{
    TempFolder root;
    ASSERT_TRUE(writeWholeFile(root.file("f"), "not a folder"));
    SetLastError(0);
    EXPECT_FALSE(CreateNestedDirectories(root.file("f").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_FALSE(CreateNestedDirectories(root.file("f\\below").c_str()));
    EXPECT_NE(0u, GetLastError());
    EXPECT_FALSE(isFolder(root.file("f\\below")));
}

TEST(NestedDirectories, APathOf260CharactersOrMoreIsRefused)
{
    std::string tooLong = "C:\\" + std::string(257, 'q');
    EXPECT_FALSE(CreateNestedDirectories(tooLong.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}

class ShellFolders : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override
    {
        DeleteFileA((group + "\\Target.lnk").c_str());
        RemoveDirectoryA(group.c_str());
        CoUninitialize();
    }

    TempFolder root;
    std::string groupName = "QInstaller Folders " + processTag();
    std::string group = specialFolder(CSIDL_COMMON_PROGRAMS) + "\\" + groupName;
};

TEST_F(ShellFolders, TheGroupIsMadeBelowTheAllUsersProgramsAndMayExistAlready)
{
    char folder[MAX_PATH];
    ASSERT_TRUE(CreateProgramGroup(groupName.c_str(), folder));
    EXPECT_EQ(group, folder);
    EXPECT_TRUE(isFolder(group));
    EXPECT_TRUE(CreateProgramGroup(groupName.c_str(), folder));
}

TEST_F(ShellFolders, AGroupThatCannotBeMadeStillNamesWhereItWouldBe)
{
    char folder[MAX_PATH];
    EXPECT_FALSE(CreateProgramGroup("no\\such\\parent", folder));
    EXPECT_EQ(specialFolder(CSIDL_COMMON_PROGRAMS) + "\\no\\such\\parent", folder);
    char link[MAX_PATH] = "unchanged";
    EXPECT_FALSE(CreateStartMenuShortcut(folder, "X.lnk", "C:\\x.exe", "X", link));
    EXPECT_STREQ("unchanged", link);
    EXPECT_FALSE(CreateStartMenuShortcut("", "X.lnk", "C:\\x.exe", "X", link));
}

TEST_F(ShellFolders, AStartMenuLinkInTheGroupResolvesToItsTarget)
{
    std::string target = root.file("target.exe");
    ASSERT_TRUE(writeWholeFile(target, "x"));
    char folder[MAX_PATH];
    ASSERT_TRUE(CreateProgramGroup(groupName.c_str(), folder));
    char link[MAX_PATH];
    ASSERT_TRUE(CreateStartMenuShortcut(folder, "Target.lnk", target.c_str(), "The target", link));
    EXPECT_EQ(group + "\\Target.lnk", link);
    std::string readTarget, description;
    ASSERT_TRUE(readShellLink(link, readTarget, description));
    EXPECT_STRCASEEQ(target.c_str(), readTarget.c_str());
    EXPECT_EQ("The target", description);
}

TEST_F(ShellFolders, ALinkIntoAMissingFolderFailsWithAStatus)
{
    EXPECT_NE(S_OK, CreateShellLink("C:\\x.exe", root.file("missing\\x.lnk").c_str(), "x"));
    EXPECT_EQ(S_OK, CreateShellLink("C:\\x.exe", root.file("x.lnk").c_str(), "x"));
    EXPECT_TRUE(fileExists(root.file("x.lnk")));
}

} // namespace
