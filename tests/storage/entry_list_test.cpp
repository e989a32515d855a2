// The entry list: its file byte for byte, damaged files, and the list-wide operations.
#include <gtest/gtest.h>
#include "storage/entry_list.h"
#include "support/fake_clock.h"
#include "support/standin_worker.h"
#include "support/temp_folder.h"
#include <cstring>

namespace {

const std::string magic = "TSL0108PREttyPreTTyPRETTyKITTY!";

std::string int32Bytes(int32_t v)
{
    uint32_t u = static_cast<uint32_t>(v);
    return std::string{ static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                        static_cast<char>(u >> 24) };
}

// The 85 bytes of an entry with the defaults and no strings.
std::string defaultEntryBytes()
{
    std::string b(16, '\0');
    b += int32Bytes(1) + int32Bytes(0) + std::string(7, '\1');
    b += int32Bytes(0) + int32Bytes(30) + int32Bytes(-1) + int32Bytes(0) + int32Bytes(-1) + int32Bytes(0);
    b += '\1';
    b += std::string(5, '\0');
    b += std::string(24, '\0');
    return b;
}

class EntryListFile : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.file("default.tsl");
    std::string backup = path + ".bad";

    void fillEverything(MailboxEntry& e, int variant)
    {
        std::string n = "Account " + std::to_string(variant);
        e.setName(n.c_str());
        e.setServer("pop.example.org");
        e.setUser("user");
        e.setPassword("p\xC8\xFF\x01w"); // bytes above 184 wrap when shifted
        e.connectionMode = variant % 3;
        e.setDialupEntry(variant % 2 ? "My ISP" : nullptr);
        e.checkDays[variant % 7] = false;
        e.periodHours = variant;
        e.periodMinutes = 15;
        e.startHour = 8;
        e.startMinute = 5;
        e.endHour = variant % 2 ? -1 : 20;
        e.endMinute = 45;
        e.enabled = variant % 2 == 0;
        e.hangUpWhenDone = true;
        e.playSoundOnMail = true;
        e.runShellCommand = variant % 2 == 1;
        e.setMailSoundFile("C:\\ding.wav");
        e.setMailProgramPath("C:\\mail\\mail.exe");
        e.setMailProgramArgs("/check");
        e.setShellCommand("print");
        e.setShellCommandFile("C:\\log.txt");
    }
};

TEST_F(EntryListFile, EmptyListIsThirtyFiveBytes)
{
    EntryList list;
    ASSERT_TRUE(list.save(path.c_str()));
    EXPECT_EQ(magic + int32Bytes(0), readWholeFile(path));
    EntryList back;
    EXPECT_TRUE(back.load(path.c_str()));
    EXPECT_EQ(0, back.count);
    EXPECT_EQ(nullptr, back.head);
}

TEST_F(EntryListFile, DefaultEntryIsTheDocumentedHundredAndTwentyBytes)
{
    EntryList list;
    list.addNew();
    ASSERT_TRUE(list.save(path.c_str()));
    std::string bytes = readWholeFile(path);
    ASSERT_EQ(120u, bytes.size());
    EXPECT_EQ(magic + int32Bytes(1) + defaultEntryBytes(), bytes);
}

TEST_F(EntryListFile, PasswordIsShiftedBySeventyOneWithItsPlainLength)
{
    EntryList list;
    list.addNew()->setPassword("Az\xC8\xFF");
    ASSERT_TRUE(list.save(path.c_str()));
    std::string bytes = readWholeFile(path);
    // magic, count, three empty strings, then the password.
    std::string stored = bytes.substr(35 + 12, 8);
    const std::string shifted = { '\x88', '\xC1', '\x0F', '\x46' };
    EXPECT_EQ(int32Bytes(4) + shifted, stored);
    EntryList back;
    ASSERT_TRUE(back.load(path.c_str()));
    EXPECT_STREQ("Az\xC8\xFF", back.head->password);
}

TEST_F(EntryListFile, RoundTripKeepsOrderAndConfigurationAndClearsRunState)
{
    EntryList list;
    for (int i = 0; i < 3; ++i) {
        MailboxEntry* e = list.addNew();
        fillEverything(*e, i);
        e->lastResult = 9;
        e->hangUpPending = true;
        e->retryDelayMinutes = 40;
        e->lastCheckTime = FakeClock::make(2026, 1, 2, 3, 4);
    }
    ASSERT_TRUE(list.save(path.c_str()));
    std::string first = readWholeFile(path);

    EntryList back;
    ASSERT_TRUE(back.load(path.c_str()));
    ASSERT_EQ(3, back.count);
    MailboxEntry* e = back.head;
    for (int i = 0; i < 3; ++i, e = e->next) {
        ASSERT_NE(nullptr, e);
        MailboxEntry expected;
        fillEverything(expected, i);
        EXPECT_STREQ(expected.name, e->name);
        EXPECT_STREQ(expected.password, e->password);
        EXPECT_EQ(expected.connectionMode, e->connectionMode);
        if (expected.dialupEntry)
            EXPECT_STREQ(expected.dialupEntry, e->dialupEntry);
        else
            EXPECT_EQ(nullptr, e->dialupEntry);
        EXPECT_EQ(0, memcmp(expected.checkDays, e->checkDays, 7));
        EXPECT_EQ(expected.periodHours, e->periodHours);
        EXPECT_EQ(expected.endHour, e->endHour);
        EXPECT_EQ(expected.enabled, e->enabled);
        EXPECT_EQ(expected.runShellCommand, e->runShellCommand);
        EXPECT_STREQ("C:\\log.txt", e->shellCommandFile);
        EXPECT_EQ(nullptr, e->noMailSoundFile);
        EXPECT_EQ(0, e->lastResult);
        EXPECT_FALSE(e->hangUpPending);
        EXPECT_EQ(0, e->retryDelayMinutes);
        EXPECT_EQ(0, e->lastCheckTime.wYear);
    }
    EXPECT_EQ(nullptr, e);
    ASSERT_TRUE(back.save(path.c_str()));
    EXPECT_EQ(first, readWholeFile(path));
}

TEST_F(EntryListFile, AnyNonZeroFlagByteReadsAsSet)
{
    std::string entry = defaultEntryBytes();
    entry[16 + 8 + 2] = '\x7F'; // Tuesday's flag
    entry[16 + 8 + 7 + 24] = '\x02'; // enabled
    ASSERT_TRUE(writeWholeFile(path, magic + int32Bytes(1) + entry));
    EntryList list;
    ASSERT_TRUE(list.load(path.c_str()));
    EXPECT_TRUE(list.head->checkDays[2]);
    EXPECT_TRUE(list.head->enabled);
    ASSERT_TRUE(list.save(path.c_str()));
    EXPECT_EQ(magic + int32Bytes(1) + defaultEntryBytes(), readWholeFile(path));
}

TEST_F(EntryListFile, MissingFileOrWrongMagicGivesAnEmptyList)
{
    EntryList list;
    list.addNew();
    EXPECT_FALSE(list.load(path.c_str()));
    EXPECT_EQ(0, list.count);
    EXPECT_FALSE(fileExists(backup)); // nothing to keep

    std::string other = magic + int32Bytes(0);
    other[3] = '9';
    ASSERT_TRUE(writeWholeFile(path, other));
    EXPECT_FALSE(list.load(path.c_str()));
    EXPECT_EQ(0, list.count);
    EXPECT_EQ(other, readWholeFile(backup)); // an unreadable file is kept before it can be saved over
}

TEST_F(EntryListFile, TruncationAtEveryByteKeepsTheEntriesReadInFull)
{
    EntryList list;
    for (int i = 0; i < 3; ++i)
        fillEverything(*list.addNew(), i);
    ASSERT_TRUE(list.save(path.c_str()));
    std::string whole = readWholeFile(path);

    // Where each entry ends, from saving one, two and three of them.
    std::vector<size_t> entryEnds;
    {
        EntryList partial;
        for (int i = 0; i < 3; ++i) {
            fillEverything(*partial.addNew(), i);
            ASSERT_TRUE(partial.save(path.c_str()));
            entryEnds.push_back(readWholeFile(path).size());
        }
    }
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        ASSERT_TRUE(writeWholeFile(path, whole.substr(0, cut)));
        EntryList back;
        EXPECT_FALSE(back.load(path.c_str())) << "cut at " << cut;
        int complete = 0;
        for (size_t end : entryEnds)
            if (cut >= end)
                ++complete;
        ASSERT_EQ(complete, back.count) << "cut at " << cut;
        int i = 0;
        for (MailboxEntry* e = back.head; e; e = e->next, ++i)
            EXPECT_EQ("Account " + std::to_string(i), std::string(e->name)) << "cut at " << cut;
    }
}

TEST_F(EntryListFile, AbsurdLengthsAndCountsAreRefusedWithoutAllocating)
{
    std::string good = magic + int32Bytes(1) + defaultEntryBytes();
    struct Case {
        const char* what;
        std::string bytes;
        int32_t entriesKept;
    } cases[] = {
        { "negative count", magic + int32Bytes(-1), 0 },
        { "huge count, one entry there", magic + int32Bytes(0x7FFFFFFF) + defaultEntryBytes(), 1 },
        { "negative name length", magic + int32Bytes(1) + int32Bytes(-5) + defaultEntryBytes().substr(4), 0 },
        { "name length past the end", magic + int32Bytes(1) + int32Bytes(0x7FFFFFF0) + defaultEntryBytes().substr(4), 0 },
        { "last string too long", good.substr(0, good.size() - 4) + int32Bytes(2), 0 },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeWholeFile(path, c.bytes));
        EntryList list;
        EXPECT_FALSE(list.load(path.c_str())) << c.what;
        EXPECT_EQ(c.entriesKept, list.count) << c.what;
        EXPECT_EQ(c.bytes, readWholeFile(backup)) << c.what;
    }
}

TEST_F(EntryListFile, FailedSaveLeavesThePreviousFileAndSaysSo)
{
    EntryList list;
    fillEverything(*list.addNew(), 1);
    ASSERT_TRUE(list.save(path.c_str()));
    std::string before = readWholeFile(path);
    list.addNew();
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(list.save(path.c_str()));
    CloseHandle(held);
    EXPECT_EQ(before, readWholeFile(path));
    EXPECT_FALSE(fileExists(path + ".new"));
    EXPECT_FALSE(list.save(folder.file("no such folder\\default.tsl").c_str()));
}

TEST(EntryListOperations, AppendRemoveContainsAndLast)
{
    EntryList list;
    MailboxEntry* a = list.addNew();
    MailboxEntry* b = new MailboxEntry;
    b->next = a; // a stale link is dropped on append
    list.append(b);
    MailboxEntry* c = list.addNew();
    EXPECT_EQ(3, list.count);
    EXPECT_EQ(c, list.last());
    EXPECT_TRUE(list.contains(b));
    MailboxEntry outsider;
    list.remove(&outsider);
    EXPECT_EQ(3, list.count);
    list.remove(b);
    EXPECT_EQ(2, list.count);
    EXPECT_FALSE(list.contains(b));
    EXPECT_EQ(c, a->next);
    list.remove(c);
    EXPECT_EQ(a, list.last());
    EXPECT_EQ(nullptr, a->next);
}

TEST(EntryListOperations, CheckAllEnableAllDisableAll)
{
    FakeClock clock(2026, 12, 8, 10, 0);
    EntryList list;
    MailboxEntry* on = list.addNew();
    MailboxEntry* off = list.addNew();
    off->enabled = false;
    on->waitingForDialup = 1;
    on->setRetryDelay(40);
    list.requestCheckAllEnabled();
    EXPECT_TRUE(on->checkRequested);
    EXPECT_EQ(0, on->waitingForDialup);
    EXPECT_EQ(0, on->retryDelayMinutes);
    EXPECT_FALSE(off->checkRequested);

    startStandInWorker(*on, StandInBehaviour::EndsOnStop);
    list.disableAll();
    EXPECT_FALSE(on->enabled);
    EXPECT_FALSE(on->isCheckRunning());
    list.enableAll();
    EXPECT_TRUE(on->enabled);
    EXPECT_TRUE(off->enabled);
}

TEST(EntryListOperations, FirstWithMailProgramInListOrder)
{
    EntryList list;
    list.addNew();
    EXPECT_EQ(nullptr, list.firstWithMailProgram());
    MailboxEntry* second = list.addNew();
    second->runMailProgram = true;
    list.addNew()->runMailProgram = true;
    EXPECT_EQ(second, list.firstWithMailProgram());
}

class HangUpCandidate : public ::testing::Test {
protected:
    FakeClock clock{ 2026, 12, 8, 10, 0 };
    EntryList list;
    MailboxEntry* finished = list.addNew();
    MailboxEntry* other = list.addNew();
    void SetUp() override
    {
        for (MailboxEntry* e : { finished, other }) {
            e->connectionMode = DialAsNeeded;
            e->setServer("pop.example.org");
            e->setDialupEntry("ISP");
            e->lastCheckTime = FakeClock::make(2026, 12, 8, 9, 59); // not due
        }
        finished->hangUpPending = true;
    }
};

TEST_F(HangUpCandidate, NoneWithoutAPendingHangUp)
{
    finished->hangUpPending = false;
    EXPECT_EQ(nullptr, list.findHangUpCandidate());
}

TEST_F(HangUpCandidate, ADueEntryOnTheSameLineHoldsItBackButNotOneOnAnotherLine)
{
    EXPECT_EQ(finished, list.findHangUpCandidate());
    other->lastCheckTime = SYSTEMTIME{}; // never checked: due
    EXPECT_EQ(nullptr, list.findHangUpCandidate());
    other->setDialupEntry("Office");
    EXPECT_EQ(finished, list.findHangUpCandidate());
    other->setDialupEntry(nullptr); // no name: any line
    EXPECT_EQ(nullptr, list.findHangUpCandidate());
    other->connectionMode = AlwaysConnected; // a LAN entry never needs the line
    EXPECT_EQ(finished, list.findHangUpCandidate());
}

TEST_F(HangUpCandidate, ARunningCheckOnAnyLineHoldsItBack)
{
    other->setDialupEntry("Office");
    startStandInWorker(*other, StandInBehaviour::EndsOnStop);
    EXPECT_EQ(nullptr, list.findHangUpCandidate());
    other->stopCheck(false);
    EXPECT_EQ(finished, list.findHangUpCandidate());
}

} // namespace
