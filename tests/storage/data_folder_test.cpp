// The data folder: the program folder where it may be written, else the user's "Tessary" folder,
// filled from the program folder the first time.
#include <gtest/gtest.h>
#include "storage/data_folder.h"
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/data_folders.h"
#include "support/seam_override.h"
#include "support/temp_folder.h"
#include <shlobj.h>
#include <cstdio>

namespace {

HRESULT WINAPI noUserFolders(HWND, int, HANDLE, DWORD, LPSTR)
{
    return E_NOTIMPL;
}

std::string folderOverride;
HRESULT WINAPI userFoldersIn(HWND, int, HANDLE, DWORD, LPSTR path)
{
    snprintf(path, MAX_PATH, "%s", folderOverride.c_str());
    return S_OK;
}

// The user's local application data folder, in a temporary folder of the test's; the other folders
// are the prefix's own.
std::string localAppDataOverride;
HRESULT WINAPI localAppDataIn(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path)
{
    if (folder != CSIDL_LOCAL_APPDATA)
        return SHGetFolderPathA(owner, folder, token, flags, path);
    snprintf(path, MAX_PATH, "%s", localAppDataOverride.c_str());
    return S_OK;
}

// Creates every folder of path that is not there yet (path ends in a backslash).
bool makeFolders(const std::string& path)
{
    for (size_t end = path.find('\\', 3); end != std::string::npos; end = path.find('\\', end + 1))
        CreateDirectoryA(path.substr(0, end).c_str(), nullptr);
    return fileExists(path);
}

class DataFolder : public ::testing::Test {
protected:
    TempFolder program;
    UserDataFolder user; // the prefix's own "Tessary" application data folder, emptied
};

TEST_F(DataFolder, AWritableProgramFolderStaysTheDataFolder)
{
    ASSERT_TRUE(writeWholeFile(program.file("default.tsl"), "list"));
    DataFolderChoice choice = chooseDataFolder(program.path().c_str());
    EXPECT_EQ(DataFolderChoice::None, choice.problem);
    EXPECT_FALSE(choice.inUserFolder);
    EXPECT_EQ(program.path(), dataFolder());
    EXPECT_EQ(program.file("default.tsl"), std::string(DataFilePath(entryListFileName)));
    EXPECT_FALSE(fileExists(program.file("~tessary-write-test.tmp")));
    EXPECT_FALSE(fileExists(user.path()));
}

TEST_F(DataFolder, AReadOnlyProgramFolderMovesTheDataToTheUserFolderCopyingOnFirstUse)
{
    ReadOnlyFolder readOnly(program.path());
    ASSERT_TRUE(writeWholeFile(program.file("default.tsl"), "the user's list"));
    ASSERT_TRUE(writeWholeFile(program.file("Tessary.dat"), "the user's settings"));
    SetFileAttributesA(program.file("default.tsl").c_str(), FILE_ATTRIBUTE_READONLY);

    DataFolderChoice choice = chooseDataFolder(program.path().c_str());
    EXPECT_EQ(DataFolderChoice::None, choice.problem);
    EXPECT_TRUE(choice.inUserFolder);
    EXPECT_EQ(0u, choice.notCopiedCount);
    EXPECT_EQ(user.path(), dataFolder());
    EXPECT_EQ(user.path() + "Tessary.dat", std::string(DataFilePath(settingsFileName)));
    EXPECT_EQ("the user's list", readWholeFile(user.path() + "default.tsl"));
    EXPECT_EQ("the user's settings", readWholeFile(user.path() + "Tessary.dat"));
    EXPECT_FALSE(GetFileAttributesA((user.path() + "default.tsl").c_str()) & FILE_ATTRIBUTE_READONLY);
    // The originals stay where they were.
    EXPECT_EQ("the user's list", readWholeFile(program.file("default.tsl")));
    EXPECT_EQ("the user's settings", readWholeFile(program.file("Tessary.dat")));

    // Later starts keep what the user's folder holds, and a save interrupted there is not
    // hidden by a copy of the old program-folder file.
    ASSERT_TRUE(writeWholeFile(user.path() + "default.tsl", "changed since"));
    ASSERT_TRUE(DeleteFileA((user.path() + "Tessary.dat").c_str()));
    ASSERT_TRUE(writeWholeFile(user.path() + "Tessary.dat.new", "interrupted save"));
    chooseDataFolder(program.path().c_str());
    EXPECT_EQ("changed since", readWholeFile(user.path() + "default.tsl"));
    EXPECT_FALSE(fileExists(user.path() + "Tessary.dat"));
}

// An older version without a manifest, run on Windows Vista and later from a protected folder,
// had Windows keep its files in the user's VirtualStore, and read them back from there: those are
// the user's accounts, not whatever the program folder itself holds.
TEST_F(DataFolder, FilesWindowsKeptInTheVirtualStoreForAnOlderVersionAreTheOnesCopied)
{
    ReadOnlyFolder readOnly(program.path());
    TempFolder local;
    localAppDataOverride = local.path().substr(0, local.path().size() - 1);
    SeamOverride<HRESULT (WINAPI *)(HWND, int, HANDLE, DWORD, LPSTR)> folders(dataFolderCalls.SHGetFolderPathA,
                                                                             localAppDataIn);
    std::string virtualStore = local.path() + "VirtualStore\\" + program.path().substr(3);
    ASSERT_TRUE(makeFolders(virtualStore));
    ASSERT_TRUE(writeWholeFile(virtualStore + "default.tsl", "the list the user kept using"));
    ASSERT_TRUE(writeWholeFile(program.file("default.tsl"), "the list the installer left"));
    ASSERT_TRUE(writeWholeFile(program.file("Tessary.dat"), "settings only the program folder has"));

    DataFolderChoice choice = chooseDataFolder(program.path().c_str());
    EXPECT_TRUE(choice.inUserFolder);
    EXPECT_EQ(0u, choice.notCopiedCount);
    EXPECT_EQ("the list the user kept using", readWholeFile(user.path() + "default.tsl"));
    EXPECT_EQ("settings only the program folder has", readWholeFile(user.path() + "Tessary.dat"));
    EXPECT_EQ("the list the user kept using", readWholeFile(virtualStore + "default.tsl"));
    EXPECT_EQ("the list the installer left", readWholeFile(program.file("default.tsl")));
}

TEST_F(DataFolder, WithoutAUserFolderTheProgramFolderStays)
{
    ReadOnlyFolder readOnly(program.path());
    {
        SeamOverride<HRESULT (WINAPI *)(HWND, int, HANDLE, DWORD, LPSTR)> none(dataFolderCalls.SHGetFolderPathA,
                                                                              noUserFolders);
        DataFolderChoice choice = chooseDataFolder(program.path().c_str());
        EXPECT_EQ(DataFolderChoice::NoUserFolder, choice.problem);
        EXPECT_FALSE(choice.inUserFolder);
        EXPECT_EQ(program.path(), dataFolder());
    }
    // A file where the folder should be.
    TempFolder elsewhere;
    ASSERT_TRUE(writeWholeFile(elsewhere.file("Tessary"), "in the way"));
    folderOverride = elsewhere.path().substr(0, elsewhere.path().size() - 1); // without its backslash
    SeamOverride<HRESULT (WINAPI *)(HWND, int, HANDLE, DWORD, LPSTR)> blocked(dataFolderCalls.SHGetFolderPathA,
                                                                             userFoldersIn);
    DataFolderChoice choice = chooseDataFolder(program.path().c_str());
    EXPECT_EQ(DataFolderChoice::CannotCreate, choice.problem);
    EXPECT_EQ(elsewhere.file("Tessary\\"), std::string(choice.userFolder));
    EXPECT_EQ(program.path(), dataFolder());
}

TEST_F(DataFolder, APathThatDoesNotFitIsEmpty)
{
    TempFolder deep;
    chooseDataFolder(deep.path().c_str());
    EXPECT_STREQ("", DataFilePath(std::string(MAX_PATH, 'x').c_str()));
    EntryList list;
    EXPECT_FALSE(list.save(DataFilePath(std::string(MAX_PATH, 'x').c_str())));
}

} // namespace
