// The ids an entry saw before: its state file read back exactly or not at all, and the new
// messages of each check as mail comes and goes, across restarts and damaged files.
#include <gtest/gtest.h>
#include <windows.h>
#include "mailcheck/entry_state_file.h"
#include "mailcheck/header_marks.h"
#include "mailcheck/seen_messages.h"
#include "support/temp_folder.h"
#include <string>
#include <vector>

namespace {

const uint64_t workKey = 0x0123456789ABCDEFull;

std::vector<std::string> someIds()
{
    return { "AAAA0001", "uid.with.dots", std::string(70, 'z'), "1", "~!#$%&'()*+,-./" };
}

TEST(EntryStateFile, NamedFromTheEntrysKeyInTheFolderGiven)
{
    char path[MAX_PATH];
    ASSERT_TRUE(entryStateFilePath("C:\\data\\", workKey, path, sizeof path));
    EXPECT_STREQ("C:\\data\\seen-0123456789abcdef.ids", path);
    EXPECT_FALSE(entryStateFilePath("C:\\data\\", workKey, path, 20));
    EXPECT_STREQ("", path);

    uint64_t key = entryStateKey("work", "pop.example.org", "ann");
    EXPECT_EQ(key, entryStateKey("work", "pop.example.org", "ann"));
    EXPECT_NE(key, entryStateKey("home", "pop.example.org", "ann"));
    EXPECT_NE(key, entryStateKey("work", "pop.example.net", "ann"));
    EXPECT_NE(key, entryStateKey("work", "pop.example.org", "bob"));
    // The parts are kept apart: moving a character from one to the next is another mailbox.
    EXPECT_NE(entryStateKey("ab", "c", "d"), entryStateKey("a", "bc", "d"));
    EXPECT_EQ(entryStateKey(nullptr, nullptr, nullptr), entryStateKey("", "", ""));
}

TEST(EntryStateFile, WhatIsWrittenIsReadBackForItsKeyOnly)
{
    TempFolder folder;
    std::string file = folder.file("seen.ids");
    ASSERT_TRUE(writeEntryState(file.c_str(), workKey, someIds()));
    std::unordered_set<std::string> ids;
    ASSERT_TRUE(readEntryState(file.c_str(), workKey, ids));
    std::vector<std::string> expected = someIds();
    EXPECT_EQ(std::unordered_set<std::string>(expected.begin(), expected.end()), ids);

    EXPECT_FALSE(readEntryState(file.c_str(), workKey + 1, ids));
    EXPECT_TRUE(ids.empty());
    EXPECT_FALSE(readEntryState(folder.file("missing.ids").c_str(), workKey, ids));
    EXPECT_FALSE(fileExists(file + ".new"));

    // Ids a server could not have sent are not stored; an empty set is a valid file.
    ASSERT_TRUE(writeEntryState(file.c_str(), workKey, { "", std::string(71, 'x'), "ok", "bad id" }));
    ASSERT_TRUE(readEntryState(file.c_str(), workKey, ids));
    EXPECT_EQ(std::unordered_set<std::string>({ "ok" }), ids);
    ASSERT_TRUE(writeEntryState(file.c_str(), workKey, {}));
    EXPECT_TRUE(readEntryState(file.c_str(), workKey, ids));
    EXPECT_TRUE(ids.empty());
}

TEST(EntryStateFile, EveryTruncationAndEveryChangedByteIsRefusedAsAWhole)
{
    TempFolder folder;
    std::string file = folder.file("seen.ids");
    ASSERT_TRUE(writeEntryState(file.c_str(), workKey, someIds()));
    const std::string good = readWholeFile(file);
    ASSERT_GT(good.size(), 28u);
    EXPECT_EQ("TSSEENID", good.substr(0, 8));
    std::unordered_set<std::string> ids;

    for (size_t length = 0; length < good.size(); ++length) {
        ASSERT_TRUE(writeWholeFile(file, good.substr(0, length)));
        EXPECT_FALSE(readEntryState(file.c_str(), workKey, ids)) << "cut at " << length;
        EXPECT_TRUE(ids.empty());
    }
    for (size_t at = 0; at < good.size(); ++at) {
        for (unsigned char flip : { 0x01, 0x80, 0xFF }) {
            std::string damaged = good;
            damaged[at] = char(damaged[at] ^ flip);
            ASSERT_TRUE(writeWholeFile(file, damaged));
            EXPECT_FALSE(readEntryState(file.c_str(), workKey, ids)) << "byte " << at << " ^ " << int(flip);
            EXPECT_TRUE(ids.empty());
        }
    }
    ASSERT_TRUE(writeWholeFile(file, good + "x"));
    EXPECT_FALSE(readEntryState(file.c_str(), workKey, ids));
    ASSERT_TRUE(writeWholeFile(file, good));
    EXPECT_TRUE(readEntryState(file.c_str(), workKey, ids));
}

TEST(EntryStateFile, AClaimedCountFarBeyondTheDataAllocatesNothingAndFails)
{
    TempFolder folder;
    std::string file = folder.file("seen.ids");
    ASSERT_TRUE(writeEntryState(file.c_str(), workKey, { "a" }));
    std::string bytes = readWholeFile(file);
    bytes[20] = '\xff'; // the count's low byte
    bytes[23] = '\x7f';
    ASSERT_TRUE(writeWholeFile(file, bytes));
    std::unordered_set<std::string> ids;
    EXPECT_FALSE(readEntryState(file.c_str(), workKey, ids));
}

// One check as the worker records it: the ids the session listed (one a message).
struct Check {
    bool succeeded = true;
    bool idsKnown = true;
    bool uidlRefused = false;
    std::vector<std::string> ids;
};

class NewMessages : public ::testing::Test {
protected:
    TempFolder folder;
    std::string stateFile = folder.file("seen-work.ids");

    // Runs prepare, record and (when asked for) save on seen, as one check does.
    std::vector<int> check(SeenMessages& seen, Check c, uint64_t key = workKey)
    {
        seen.prepare(key, stateFile.c_str());
        if (seen.record(c.succeeded, c.idsKnown, c.uidlRefused, c.ids))
            seen.save(stateFile.c_str());
        return seen.news().newNumbers;
    }
    Check listed(std::vector<std::string> ids)
    {
        Check c;
        c.ids = ids;
        return c;
    }
};

TEST_F(NewMessages, TheFirstCheckFindsEveryMessageNewThenOnlyArrivalsCount)
{
    SeenMessages seen;
    EXPECT_EQ(std::vector<int>({ 1, 2, 3 }), check(seen, listed({ "a", "b", "c" })));
    EXPECT_TRUE(seen.news().counted);
    EXPECT_TRUE(fileExists(stateFile));

    EXPECT_EQ(std::vector<int>(), check(seen, listed({ "a", "b", "c" })));
    EXPECT_TRUE(seen.news().counted);
    // "b" was deleted, "d" and "e" arrived: numbers are positions in this check's mailbox.
    EXPECT_EQ(std::vector<int>({ 3, 4 }), check(seen, listed({ "a", "c", "d", "e" })));
    // An emptied mailbox, then a message seen long ago returning is new again.
    EXPECT_EQ(std::vector<int>(), check(seen, listed({})));
    EXPECT_EQ(std::vector<int>({ 1 }), check(seen, listed({ "a" })));
}

TEST_F(NewMessages, AnUnchangedMailboxDoesNotRewriteTheStateFile)
{
    SeenMessages seen;
    check(seen, listed({ "a", "b" }));
    ASSERT_TRUE(DeleteFileA(stateFile.c_str()));
    check(seen, listed({ "a", "b" }));
    EXPECT_FALSE(fileExists(stateFile));
    check(seen, listed({ "a", "b", "c" }));
    EXPECT_TRUE(fileExists(stateFile));
}

TEST_F(NewMessages, ARestartReadsWhatWasSeenFromTheStateFile)
{
    {
        SeenMessages beforeRestart;
        check(beforeRestart, listed({ "a", "b" }));
    }
    SeenMessages afterRestart;
    EXPECT_EQ(std::vector<int>({ 3 }), check(afterRestart, listed({ "a", "b", "c" })));
}

TEST_F(NewMessages, AMissingOrDamagedStateFileMakesEverythingNewOnceAndIsWrittenAgain)
{
    {
        SeenMessages first;
        check(first, listed({ "a", "b" }));
    }
    std::string bytes = readWholeFile(stateFile);
    bytes[bytes.size() / 2] ^= 0x20;
    ASSERT_TRUE(writeWholeFile(stateFile, bytes));
    SeenMessages restarted;
    EXPECT_EQ(std::vector<int>({ 1, 2 }), check(restarted, listed({ "a", "b" })));
    EXPECT_EQ(std::vector<int>(), check(restarted, listed({ "a", "b" })));
    SeenMessages restartedAgain;
    EXPECT_EQ(std::vector<int>(), check(restartedAgain, listed({ "a", "b" })));
}

TEST_F(NewMessages, FailedChecksAndServersWithoutUidlLeaveWhatWasSeenAlone)
{
    SeenMessages seen;
    check(seen, listed({ "a" }));

    Check failed = listed({ "a", "b" });
    failed.succeeded = false;
    check(seen, failed);
    EXPECT_FALSE(seen.news().counted);

    Check noUidl;
    noUidl.idsKnown = false;
    noUidl.uidlRefused = true;
    check(seen, noUidl);
    EXPECT_FALSE(seen.news().counted);
    EXPECT_TRUE(seen.news().serverLacksUidl);

    EXPECT_EQ(std::vector<int>({ 2 }), check(seen, listed({ "a", "b" })));
    EXPECT_FALSE(seen.news().serverLacksUidl);
}

TEST_F(NewMessages, MessagesWithoutAnIdAreAlwaysNew)
{
    SeenMessages seen;
    check(seen, listed({ "a", "", "c" }));
    EXPECT_EQ(std::vector<int>({ 2 }), check(seen, listed({ "a", "", "c" })));
}

TEST_F(NewMessages, AnotherKeyIsAnotherMailboxWithItsOwnFile)
{
    SeenMessages seen;
    check(seen, listed({ "a" }));
    std::string otherFile = folder.file("seen-other.ids");
    seen.prepare(workKey + 1, otherFile.c_str());
    std::vector<std::string> ids = { "a" };
    seen.record(true, true, false, ids);
    EXPECT_EQ(std::vector<int>({ 1 }), seen.news().newNumbers);
}

TEST_F(NewMessages, HeaderBlocksAreReusedByTheIdOfTheirSlotOnly)
{
    SeenMessages seen;
    seen.prepare(workKey, stateFile.c_str());
    std::vector<std::string> ids = { "a", "", "c", "d", "e", "f" };
    seen.record(true, true, false, ids);
    char good1[] = "+OK\r\nSubject: one\r\n\r\n.\r\n";
    char good2[] = "+OK\r\nSubject: two\r\n\r\n.\r\n";
    char refused[] = "-ERR no such message\r\n";
    char cut[] = "+OK\r\nSubject: cut\r\n.\r\n";
    char reduced[] = "+OK\r\nSubject: reduced\r\n\r\n.\r\n";
    char* headers[6] = { good1, good2, refused, nullptr, cut, reduced };
    const uint8_t marks[6] = { 0, 0, 0, 0, headerCut, headerReduced | headerCut };
    auto reusable = seen.reusableHeaders(headers, marks, 6);
    // "" has no id, "c" was refused, "d" was never fetched, and "f" may fit whole next time.
    ASSERT_EQ(2u, reusable.size());
    EXPECT_EQ(good1, reusable["a"].text);
    EXPECT_EQ(headerKeptWhole, reusable["a"].marks);
    EXPECT_EQ(cut, reusable["e"].text);
    EXPECT_EQ(headerCut, reusable["e"].marks); // the cut goes with the block
    EXPECT_EQ(3u, seen.reusableHeaders(headers, nullptr, 6).size()); // without marks all count whole
    // A header list shorter than the ids (emptied when the entry was edited) offers nothing more.
    EXPECT_TRUE(seen.reusableHeaders(headers, marks, 0).empty());
    EXPECT_TRUE(seen.reusableHeaders(nullptr, marks, 4).empty());
}

} // namespace
