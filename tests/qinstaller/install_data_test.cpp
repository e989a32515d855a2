// "inst.dat": its byte layout, the list bounds, null strings, the magic, and damaged files that
// must be refused without reading past the data.
#include <gtest/gtest.h>
#include "data_bytes.h"
#include "install_data.h"
#include "support/temp_folder.h"
#include <cstring>

namespace {

class InstallDataFile : public ::testing::Test {
protected:
    bool load(const std::string& bytes)
    {
        EXPECT_TRUE(writeWholeFile(path, bytes));
        return LoadInstallData(path.c_str(), data);
    }

    TempFolder folder;
    std::string path = folder.file("inst.dat");
    InstallData data;
};

// A small release written out byte by byte, not through the test encoder.
const char smallRelease[] =
    "QIDAT_v0105"
    "\x02\x00\x00\x00Hi"
    "\x04\x00\x00\x00note"
    "\x04\x00\x00\x00" "C:\\T"
    "\x01\x00\x00\x00T"
    "\x02\x00\x00\x00K1"
    "\x02\x00\x00\x00" "DN"
    "\x01\x00"
    "\x02\x00\x00\x00" "\x05\x00\x00\x00" "a.exe" "\x05\x00\x00\x00" "b.hlp"
    "\x01\x00\x00\x00" "\x05\x00\x00\x00" "x.dat"
    "\x01\x00\x00\x00G"
    "\x02\x00\x00\x00" "\x05\x00\x00\x00" "a.exe" "\x05\x00\x00\x00" "b.hlp"
    "\x01\x00\x00\x00" "A" "\x01\x00\x00\x00" "B"
    "\x05\x00\x00\x00" "a.exe"
    "\x04\x00\x00\x00" "Desk";

TEST_F(InstallDataFile, ReadsEveryFieldInFileOrderWithTargetsBeforeNames)
{
    ASSERT_TRUE(load(std::string(smallRelease, sizeof smallRelease - 1)));
    EXPECT_STREQ("Hi", data.welcomeText);
    EXPECT_STREQ("note", data.uninstallNote);
    EXPECT_STREQ("C:\\T", data.defaultDestination);
    EXPECT_STREQ("T", data.defaultSubfolder);
    EXPECT_STREQ("K1", data.uninstallKeyName);
    EXPECT_STREQ("DN", data.displayName);
    EXPECT_EQ(1, data.createStartMenuIcons);
    EXPECT_EQ(0, data.createDesktopIcon);
    ASSERT_EQ(2, data.fileCount);
    EXPECT_STREQ("a.exe", data.files[0]);
    EXPECT_STREQ("b.hlp", data.files[1]);
    ASSERT_EQ(1, data.extraFileCount);
    EXPECT_STREQ("x.dat", data.extraFiles[0]);
    EXPECT_STREQ("G", data.programGroup);
    ASSERT_EQ(2, data.shortcutCount);
    EXPECT_STREQ("a.exe", data.shortcutTargets[0]);
    EXPECT_STREQ("b.hlp", data.shortcutTargets[1]);
    EXPECT_STREQ("A", data.shortcutNames[0]);
    EXPECT_STREQ("B", data.shortcutNames[1]);
    EXPECT_STREQ("a.exe", data.desktopTarget);
    EXPECT_STREQ("Desk", data.desktopName);

    ReleaseDescription same;
    same.welcomeText = "Hi";
    same.uninstallNote = "note";
    same.defaultDestination = "C:\\T";
    same.defaultSubfolder = "T";
    same.uninstallKeyName = "K1";
    same.displayName = "DN";
    same.createDesktopIcon = 0;
    same.files = {"a.exe", "b.hlp"};
    same.extraFiles = {"x.dat"};
    same.programGroup = "G";
    same.shortcutTargets = {"a.exe", "b.hlp"};
    same.shortcutNames = {"A", "B"};
    same.desktopTarget = "a.exe";
    same.desktopName = "Desk";
    EXPECT_EQ(std::string(smallRelease, sizeof smallRelease - 1), same.encode())
        << "the test encoder must write the layout the installer reads";
}

TEST_F(InstallDataFile, EmptyStringsReadAsNullAndAnEmptyDestinationAsEmptyText)
{
    ReleaseDescription release;
    release.welcomeText = "";
    release.uninstallNote = "";
    release.defaultDestination = "";
    release.files = {"", "kept.exe"};
    release.shortcutNames = {""};
    release.desktopName = "";
    ASSERT_TRUE(load(release.encode()));
    EXPECT_EQ(nullptr, data.welcomeText);
    EXPECT_EQ(nullptr, data.uninstallNote);
    EXPECT_STREQ("", data.defaultDestination);
    EXPECT_EQ(nullptr, data.files[0]);
    EXPECT_STREQ("kept.exe", data.files[1]);
    EXPECT_EQ(nullptr, data.shortcutNames[0]);
    EXPECT_EQ(nullptr, data.desktopName);
}

TEST_F(InstallDataFile, EachListTakesOneToTwoThousandNames)
{
    std::vector<std::string> many(2000, "f");
    for (int list = 0; list < 3; ++list) {
        for (size_t count : {size_t(0), size_t(1), size_t(2000), size_t(2001)}) {
            ReleaseDescription release;
            std::vector<std::string> names(many.begin(), many.begin() + std::min<size_t>(count, 2000));
            if (count == 2001)
                names.push_back("f");
            if (list == 0)
                release.files = names;
            else if (list == 1)
                release.extraFiles = names;
            else
                release.shortcutTargets = release.shortcutNames = names;
            bool accepted = count >= 1 && count <= 2000;
            EXPECT_EQ(accepted, load(release.encode())) << "list " << list << ", count " << count;
            if (accepted) {
                int32_t read = list == 0 ? data.fileCount
                                         : list == 1 ? data.extraFileCount : data.shortcutCount;
                EXPECT_EQ(static_cast<int32_t>(count), read);
            }
        }
    }
}

TEST_F(InstallDataFile, ANegativeCountIsRefused)
{
    std::string bytes = ReleaseDescription().encode();
    size_t countAt = bytes.find(lengthPrefixed("tessary.exe")) - 4;
    bytes.replace(countAt, 4, le32(-1));
    EXPECT_FALSE(load(bytes));
}

TEST_F(InstallDataFile, AnyWrongByteOfTheMagicIsRefused)
{
    std::string good = ReleaseDescription().encode();
    ASSERT_TRUE(load(good));
    for (size_t i = 0; i < 11; ++i) {
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0x20);
        EXPECT_FALSE(load(bad)) << "byte " << i;
    }
    // The first string's length follows the 11 bytes directly: no terminator, no length.
    EXPECT_EQ(lengthPrefixed("Welcome to the test release."), good.substr(11, 32));
}

TEST_F(InstallDataFile, AFileCutAtAnyByteIsRefused)
{
    std::string good = ReleaseDescription().encode();
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(load(good.substr(0, length))) << "cut at " << length;
    EXPECT_TRUE(load(good));
    EXPECT_FALSE(LoadInstallData(folder.file("missing.dat").c_str(), data));
}

TEST_F(InstallDataFile, StringLengthsThatLeaveTheFileAreRefused)
{
    std::string good = ReleaseDescription().encode();
    size_t welcomeAt = 11;
    for (int32_t length : {-1, INT32_MIN, INT32_MAX, static_cast<int32_t>(good.size())}) {
        std::string bad = good;
        bad.replace(welcomeAt, 4, le32(length));
        EXPECT_FALSE(load(bad)) << "length " << length;
    }
    std::string badName = good;
    size_t nameAt = badName.rfind(lengthPrefixed("Tessary"));
    badName.replace(nameAt, 4, le32(-5));
    EXPECT_FALSE(load(badName));
}

TEST_F(InstallDataFile, ADestinationMustFitItsBufferOf260Characters)
{
    ReleaseDescription release;
    release.defaultDestination = "C:\\" + std::string(256, 'd'); // 259 characters
    ASSERT_TRUE(load(release.encode()));
    EXPECT_EQ(release.defaultDestination, data.defaultDestination);
    release.defaultDestination += "d"; // 260
    EXPECT_FALSE(load(release.encode()));
    EXPECT_STREQ("", data.defaultDestination);
}

TEST_F(InstallDataFile, ReleaseEmptiesTheRecordAndALoadStartsFromEmpty)
{
    ReleaseDescription release;
    release.files = {"one.exe", "two.exe"};
    ASSERT_TRUE(load(release.encode()));
    ReleaseDescription shorter;
    shorter.welcomeText = "";
    ASSERT_TRUE(load(shorter.encode()));
    EXPECT_EQ(nullptr, data.welcomeText);
    EXPECT_EQ(1, data.fileCount);
    data.release();
    EXPECT_EQ(nullptr, data.files);
    EXPECT_EQ(0, data.fileCount);
    EXPECT_EQ(0, data.shortcutCount);
    EXPECT_EQ(nullptr, data.shortcutNames);
    EXPECT_EQ(nullptr, data.desktopName);
}

} // namespace
