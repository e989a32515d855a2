// "quninst.dat": the record's lists, its byte layout, the mirror between writer and reader, and
// damaged or foreign files that must leave the record empty.
#include <gtest/gtest.h>
#include <windows.h>
#include "data_bytes.h"
#include "uninstall_data.h"
#include "support/temp_folder.h"
#include <vector>

namespace {

std::vector<std::string> texts(const PathList& list)
{
    std::vector<std::string> out;
    for (const PathList::Node* node = list.head; node; node = node->next)
        out.push_back(node->text ? node->text : "<null>");
    return out;
}

void fill(UninstallData& data)
{
    data.addFile("C:\\T\\a.exe");
    data.addFile("C:\\T\\quninst.dat");
    data.addDirectory("C:\\T");
    data.addDirectory("C:\\Menu\\T");
    data.setNote("bye");
    data.setKeyPath("SOFTWARE\\K");
}

const std::string filledBytes = std::string("QUDAT_v0103") + le32(2) + lengthPrefixed("C:\\T\\a.exe") +
                                lengthPrefixed("C:\\T\\quninst.dat") + le32(2) +
                                lengthPrefixed("C:\\T") + lengthPrefixed("C:\\Menu\\T") +
                                lengthPrefixed("bye") + lengthPrefixed("SOFTWARE\\K");

class UninstallDataFile : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.file("quninst.dat");
};

TEST(UninstallRecord, ListsKeepTheirOrderAndCountAndOwnTheirCopies)
{
    UninstallData data;
    std::string changing = "first";
    data.addFile(changing.c_str());
    changing = "later";
    data.addFile(changing.c_str());
    data.addDirectory("d");
    EXPECT_EQ((std::vector<std::string>{"first", "later"}), texts(data.files));
    EXPECT_EQ(2, data.files.count);
    EXPECT_EQ(1, data.directories.count);
    data.setNote("one");
    data.setNote("two");
    EXPECT_STREQ("two", data.note);
    data.clear();
    EXPECT_EQ(0, data.files.count);
    EXPECT_EQ(nullptr, data.files.head);
    EXPECT_EQ(nullptr, data.directories.tail);
    EXPECT_EQ(nullptr, data.note);
    EXPECT_EQ(nullptr, data.uninstallKeyPath);
    data.addFile("again");
    EXPECT_EQ((std::vector<std::string>{"again"}), texts(data.files));
}

TEST_F(UninstallDataFile, SavesTheDocumentedBytes)
{
    UninstallData data;
    fill(data);
    ASSERT_EQ(1, SaveUninstallData(data, path.c_str()));
    EXPECT_EQ(filledBytes, readWholeFile(path));

    UninstallData empty;
    ASSERT_EQ(1, SaveUninstallData(empty, path.c_str()));
    EXPECT_EQ(std::string("QUDAT_v0103") + le32(0) + le32(0) + le32(0) + le32(0),
              readWholeFile(path));
}

TEST_F(UninstallDataFile, ReadsBackWhatItWroteWithEmptyStringsAsNull)
{
    UninstallData data;
    fill(data);
    data.addFile("");
    data.setNote("");
    ASSERT_EQ(1, SaveUninstallData(data, path.c_str()));
    UninstallData back;
    ASSERT_EQ(1, LoadUninstallData(back, path.c_str()));
    EXPECT_EQ((std::vector<std::string>{"C:\\T\\a.exe", "C:\\T\\quninst.dat", "<null>"}),
              texts(back.files));
    EXPECT_EQ(3, back.files.count);
    EXPECT_EQ((std::vector<std::string>{"C:\\T", "C:\\Menu\\T"}), texts(back.directories));
    EXPECT_EQ(nullptr, back.note);
    EXPECT_STREQ("SOFTWARE\\K", back.uninstallKeyPath);
}

TEST_F(UninstallDataFile, LoadingReplacesWhatTheRecordHeld)
{
    ASSERT_TRUE(writeWholeFile(path, filledBytes));
    UninstallData data;
    data.addFile("stale");
    data.setNote("stale");
    ASSERT_EQ(1, LoadUninstallData(data, path.c_str()));
    EXPECT_EQ(2, data.files.count);
    EXPECT_STREQ("C:\\T\\a.exe", data.files.head->text);
    EXPECT_STREQ("bye", data.note);
}

TEST_F(UninstallDataFile, AForeignOrMissingFileLeavesTheRecordEmpty)
{
    UninstallData data;
    EXPECT_EQ(0, LoadUninstallData(data, folder.file("none.dat").c_str()));
    for (size_t i = 0; i < 11; ++i) {
        std::string bad = filledBytes;
        bad[i] = static_cast<char>(bad[i] + 1);
        ASSERT_TRUE(writeWholeFile(path, bad));
        fill(data);
        EXPECT_EQ(0, LoadUninstallData(data, path.c_str())) << "byte " << i;
        EXPECT_EQ(0, data.files.count);
        EXPECT_EQ(nullptr, data.note);
    }
}

TEST_F(UninstallDataFile, AFileCutAtAnyByteIsRefusedAndNothingOfItKept)
{
    for (size_t length = 0; length < filledBytes.size(); ++length) {
        ASSERT_TRUE(writeWholeFile(path, filledBytes.substr(0, length)));
        UninstallData data;
        EXPECT_EQ(0, LoadUninstallData(data, path.c_str())) << "cut at " << length;
        EXPECT_EQ(0, data.files.count);
        EXPECT_EQ(0, data.directories.count);
        EXPECT_EQ(nullptr, data.files.head);
        EXPECT_EQ(nullptr, data.uninstallKeyPath);
    }
}

TEST_F(UninstallDataFile, NegativeOrImpossibleCountsAndLengthsAreRefused)
{
    const std::string head = "QUDAT_v0103";
    const std::string tail = le32(0) + le32(0) + le32(0);
    for (const std::string& bad : {head + le32(-1) + tail,
                                   head + le32(INT32_MAX) + lengthPrefixed("x") + tail,
                                   head + le32(1) + le32(-3) + "abc" + tail,
                                   head + le32(1) + le32(1000) + "abc" + tail}) {
        ASSERT_TRUE(writeWholeFile(path, bad));
        UninstallData data;
        EXPECT_EQ(0, LoadUninstallData(data, path.c_str()));
        EXPECT_EQ(0, data.files.count);
    }
}

TEST_F(UninstallDataFile, SavingWhereNoFileCanBeCreatedAnswersZero)
{
    UninstallData data;
    fill(data);
    EXPECT_EQ(0, SaveUninstallData(data, folder.file("no such folder\\quninst.dat").c_str()));
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    EXPECT_EQ(0, SaveUninstallData(data, path.c_str()));
}

} // namespace
