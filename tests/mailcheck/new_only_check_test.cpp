// Checks that announce only new messages, against scripted servers: UIDL asked after STAT, only
// the header blocks not known by id fetched, refusals and broken lists, and the check worker
// telling new messages from old ones across checks, restarts and a damaged state file.
#include "mailcheck/pop3_test_support.h"
#include "mailcheck/entry_state_file.h"
#include "mailcheck/header_budget.h"
#include "mailcheck/header_marks.h"
#include "mailcheck/known_messages.h"
#include "platform/messages.h"
#include "storage/data_folder.h"
#include "storage/mailbox_entry.h"
#include "support/recording_window.h"
#include "support/temp_folder.h"
#include <memory>
#include <unordered_set>
#include <vector>

using Commands = std::vector<std::string>;

namespace {

const char* const greeting = "+OK fake POP3 ready\r\n";

std::string header(const std::string& id)
{
    return topReply("From: Sender <" + id + "@example.org>\r\nSubject: about " + id + "\r\n");
}

std::string uidlList(const std::vector<std::string>& ids)
{
    std::string list = "+OK unique-id listing follows\r\n";
    for (size_t i = 0; i < ids.size(); ++i)
        list += std::to_string(i + 1) + " " + ids[i] + "\r\n";
    return list + ".\r\n";
}

class NewOnlySessionTest : public Pop3SessionTest {
protected:
    int runKnowing(FakePop3Server& server)
    {
        freeHeaders();
        server.start();
        Pop3Target target = { "127.0.0.1", SecurityNone, server.port(), nullptr };
        return Pop3Session(target, "tester", "secret", &count, stopEvent, &headers, nullptr, 0, &known);
    }
    KnownMessages known;
};

TEST_F(NewOnlySessionTest, OnlyHeaderBlocksNotKnownByIdAreFetched)
{
    const std::string knownB = header("bbb");
    known.headersById["bbb"] = knownB.c_str();
    known.headersById["gone"] = "+OK\r\nSubject: deleted long ago\r\n\r\n.\r\n";
    FakePop3Server server;
    server.loggedIn().answer("+OK 3 300\r\n").answer(uidlList({ "aaa", "bbb", "ccc" }))
        .answer(header("aaa")).answer(header("ccc")).answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, runKnowing(server));
    ASSERT_EQ(3u, count);
    EXPECT_EQ(header("aaa"), slot(0));
    EXPECT_EQ(knownB, slot(1));
    EXPECT_NE(knownB.c_str(), headers[1]); // a copy the header list owns
    EXPECT_EQ(header("ccc"), slot(2));
    EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "UIDL", "TOP 1 0", "TOP 3 0", "QUIT" }),
              server.commands());
    EXPECT_TRUE(known.idsKnown);
    EXPECT_EQ((std::vector<std::string>{ "aaa", "bbb", "ccc" }), known.ids);
}

TEST_F(NewOnlySessionTest, AnUnchangedMailboxCostsNoTopAtAll)
{
    const std::string a = header("a"), b = header("b");
    known.headersById = { { "a", a.c_str() }, { "b", b.c_str() } };
    FakePop3Server server;
    server.loggedIn().answer("+OK 2 200\r\n").answer(uidlList({ "a", "b" })).answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, runKnowing(server));
    EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "UIDL", "QUIT" }), server.commands());
    EXPECT_EQ(b, slot(1));
}

TEST_F(NewOnlySessionTest, APipeliningServerGetsPassStatAndUidlTogether)
{
    const std::string a = header("a");
    known.headersById = { { "a", a.c_str() } };
    FakePop3Server server;
    server.send(greeting).answer("+OK\r\nPIPELINING\r\nUIDL\r\n.\r\n").answer("+OK\r\n");
    // Nothing is answered before PASS, STAT and UIDL have all come.
    server.receive().receive().receive().send("+OK\r\n+OK 2 200\r\n" + uidlList({ "a", "new" }));
    server.answer(header("new")).answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, runKnowing(server));
    EXPECT_EQ(a, slot(0));
    EXPECT_EQ(header("new"), slot(1));
    EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "UIDL", "TOP 2 0", "QUIT" }),
              server.commands());
}

TEST_F(NewOnlySessionTest, AServerWithoutUidlHasEveryBlockFetched)
{
    const std::string a = header("a");
    known.headersById = { { "a", a.c_str() } };
    FakePop3Server server;
    server.loggedIn().answer("+OK 2 200\r\n").answer("-ERR unknown command\r\n").answer(header("x"))
        .answer(header("y")).answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, runKnowing(server));
    EXPECT_TRUE(known.uidlRefused);
    EXPECT_FALSE(known.idsKnown);
    EXPECT_EQ(header("y"), slot(1));
    EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "UIDL", "TOP 1 0", "TOP 2 0", "QUIT" }),
              server.commands());
}

TEST_F(NewOnlySessionTest, AnEmptyMailboxIsNotAskedForIds)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 0 0\r\n").answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, runKnowing(server));
    EXPECT_TRUE(known.idsKnown);
    EXPECT_TRUE(known.ids.empty());
    EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "QUIT" }), server.commands());
}

TEST_F(NewOnlySessionTest, ABrokenListEndsTheSessionWithItsOwnCode)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 300);
    {
        FakePop3Server server;
        server.loggedIn().answer("+OK 2 200\r\n").answer("+OK\r\n1 a\r\n2 b").hangUp();
        EXPECT_EQ(pop3UidlBroken, runKnowing(server));
        EXPECT_EQ(2u, count);
        EXPECT_EQ(nullptr, headers);
    }
    {
        FakePop3Server server;
        server.loggedIn().answer("+OK 2 200\r\n").answer("1 a\r\n2 b\r\n.\r\n");
        EXPECT_EQ(pop3UidlBroken, runKnowing(server));
    }
    {
        FakePop3Server server; // never ends the list
        server.loggedIn().answer("+OK 1 100\r\n").answer("+OK\r\n1 a\r\n");
        EXPECT_EQ(pop3UidlBroken, runKnowing(server));
    }
}

// Messages the list names twice, or not at all, have no id: they are fetched every time.
TEST_F(NewOnlySessionTest, MessagesWithoutAUsableIdAreAlwaysFetched)
{
    const std::string dup = header("dup");
    known.headersById = { { "dup", dup.c_str() } };
    FakePop3Server server;
    server.loggedIn().answer("+OK 3 300\r\n").answer("+OK\r\n1 dup\r\n3 dup\r\n.\r\n").answer(header("1"))
        .answer(header("2")).answer(header("3")).answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, runKnowing(server));
    EXPECT_EQ((std::vector<std::string>{ "", "", "" }), known.ids);
    EXPECT_EQ(header("3"), slot(2));
}

// The check worker of an entry that announces only new messages, one scripted server per check.
class NewOnlyWorkerTest : public ::testing::Test {
protected:
    NewOnlyWorkerTest()
    {
        chooseDataFolder(dataFiles.path().c_str());
        entry = newEntry();
    }
    ~NewOnlyWorkerTest() override { chooseDataFolder(""); }

    static std::unique_ptr<MailboxEntry> newEntry()
    {
        std::unique_ptr<MailboxEntry> made(new MailboxEntry);
        made->setName("work");
        made->setServer("127.0.0.1");
        made->setUser("tester");
        made->setPassword("secret");
        made->setAnnounceNewOnly(true);
        return made;
    }

    // One check against a server holding messages with these ids, scripted to answer the TOPs
    // for the message numbers in tops; answers the commands the worker sent.
    Commands check(const std::vector<std::string>& ids, const std::vector<int>& tops, bool withUidl = true)
    {
        FakePop3Server server;
        server.loggedIn().answer("+OK " + std::to_string(ids.size()) + " 100\r\n");
        if (!ids.empty())
            server.answer(withUidl ? uidlList(ids) : "-ERR command not implemented\r\n");
        for (int n : tops)
            server.answer(header(ids[size_t(n - 1)]));
        server.answer("+OK bye\r\n");
        server.start();
        pop3Port = server.port();
        RecordingWindow window;
        EXPECT_TRUE(entry->DoCheckEmail(window.handle()));
        EXPECT_TRUE(window.waitFor(WM_CHECK_DONE, 20000));
        EXPECT_TRUE(entry->stopCheck(false));
        return server.commands();
    }

    static Commands topsIn(const Commands& commands)
    {
        Commands tops;
        for (const std::string& line : commands)
            if (line.rfind("TOP ", 0) == 0)
                tops.push_back(line);
        return tops;
    }

    std::vector<int> news() const { return entry->seenMessages.news().newNumbers; }

    std::vector<uint8_t> marks() const
    {
        std::vector<uint8_t> all;
        for (int32_t i = 0; i < entry->headerCount; ++i)
            all.push_back(entry->getHeaderMarks(i));
        return all;
    }

    // The entry's header list holds exactly the blocks of these ids, in order.
    void expectHeadersOf(const std::vector<std::string>& ids) const
    {
        ASSERT_EQ(int32_t(ids.size()), entry->headerCount);
        for (size_t i = 0; i < ids.size(); ++i)
            EXPECT_EQ(header(ids[i]), entry->getHeader(int(i)) ? entry->getHeader(int(i)) : "(null)") << i;
    }

    std::string stateFile() const
    {
        char path[MAX_PATH];
        entryStateFilePath(dataFiles.path().c_str(), entryStateKey("work", "127.0.0.1", "tester"), path, sizeof path);
        return path;
    }

    TempFolder dataFiles;
    SeamOverride<volatile LONG> timeout{ serverTimeoutMs, 5000 };
    SeamOverride<volatile LONG> portRestored{ pop3Port, pop3Port };
    std::unique_ptr<MailboxEntry> entry;
};

TEST_F(NewOnlyWorkerTest, EveryMessageIsNewAtFirstThenOnlyArrivalsAndOnlyTheirBlocksAreFetched)
{
    EXPECT_EQ(3u, topsIn(check({ "a", "b", "c" }, { 1, 2, 3 })).size());
    EXPECT_EQ(3, entry->getLastResult());
    EXPECT_EQ((std::vector<int>{ 1, 2, 3 }), news());
    EXPECT_TRUE(fileExists(stateFile()));

    EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "UIDL", "QUIT" }), check({ "a", "b", "c" }, {}));
    EXPECT_TRUE(entry->seenMessages.news().counted);
    EXPECT_EQ(std::vector<int>(), news());
    expectHeadersOf({ "a", "b", "c" });

    // "a" deleted, "d" and "e" arrived.
    EXPECT_EQ((Commands{ "TOP 3 0", "TOP 4 0" }), topsIn(check({ "b", "c", "d", "e" }, { 3, 4 })));
    EXPECT_EQ(4, entry->getLastResult());
    EXPECT_EQ((std::vector<int>{ 3, 4 }), news());
    expectHeadersOf({ "b", "c", "d", "e" });

    check({}, {});
    EXPECT_EQ(0, entry->getLastResult());
    EXPECT_EQ(std::vector<int>(), news());
}

// The blocks kept from the last check count against the entry's budget like fetched ones, so the
// header list never holds more; a reduced block is fetched again and kept whole once there is room.
TEST_F(NewOnlyWorkerTest, KeptBlocksStayWithinTheBudgetAndReducedOnesAreFetchedAgain)
{
    SeamOverride<size_t> twoBlocks(entryHeaderBudgetBytes, 2 * header("a").size());
    EXPECT_EQ(3u, topsIn(check({ "a", "b", "c" }, { 1, 2, 3 })).size());
    EXPECT_EQ((std::vector<int>{ 1, 2, 3 }), news());
    expectHeadersOf({ "a", "b", "c" }); // From and Subject are all these blocks have
    EXPECT_EQ((std::vector<uint8_t>{ headerKeptWhole, headerKeptWhole, headerReduced }), marks());

    EXPECT_EQ((Commands{ "TOP 3 0" }), topsIn(check({ "a", "b", "c" }, { 3 })));
    EXPECT_EQ(std::vector<int>(), news()); // the new-only logic does not see the budget
    EXPECT_EQ((std::vector<uint8_t>{ headerKeptWhole, headerKeptWhole, headerReduced }), marks());

    EXPECT_EQ((Commands{ "TOP 2 0", "TOP 3 0" }), topsIn(check({ "b", "c", "d" }, { 2, 3 })));
    EXPECT_EQ((std::vector<int>{ 3 }), news());
    expectHeadersOf({ "b", "c", "d" });
    EXPECT_EQ((std::vector<uint8_t>{ headerKeptWhole, headerKeptWhole, headerReduced }), marks());
}

TEST_F(NewOnlyWorkerTest, ARestartAnnouncesOnlyWhatArrivedAndFetchesTheBlocksOnceMore)
{
    check({ "a", "b" }, { 1, 2 });
    entry = newEntry(); // the program started again: the entry list is read afresh
    EXPECT_EQ(3u, topsIn(check({ "a", "b", "c" }, { 1, 2, 3 })).size());
    EXPECT_EQ((std::vector<int>{ 3 }), news());
    expectHeadersOf({ "a", "b", "c" });
}

TEST_F(NewOnlyWorkerTest, ADamagedStateFileMakesEverythingNewOnceAndIsWrittenAgain)
{
    check({ "a", "b" }, { 1, 2 });
    std::string bytes = readWholeFile(stateFile());
    bytes[bytes.size() - 7] ^= 0x01;
    ASSERT_TRUE(writeWholeFile(stateFile(), bytes));
    entry = newEntry();
    check({ "a", "b" }, { 1, 2 });
    EXPECT_EQ((std::vector<int>{ 1, 2 }), news());
    std::unordered_set<std::string> stored;
    EXPECT_TRUE(readEntryState(stateFile().c_str(), entryStateKey("work", "127.0.0.1", "tester"), stored));
    EXPECT_EQ(std::unordered_set<std::string>({ "a", "b" }), stored);

    ASSERT_TRUE(writeWholeFile(stateFile(), "TSSEENID"));
    entry = newEntry();
    check({ "a" }, { 1 });
    EXPECT_EQ((std::vector<int>{ 1 }), news());
}

TEST_F(NewOnlyWorkerTest, AServerWithoutUidlHasEveryMessageAnnounced)
{
    check({ "a", "b" }, { 1, 2 }, false);
    EXPECT_EQ(2, entry->getLastResult());
    EXPECT_FALSE(entry->seenMessages.news().counted);
    EXPECT_TRUE(entry->seenMessages.news().serverLacksUidl);
    expectHeadersOf({ "a", "b" });
    EXPECT_FALSE(fileExists(stateFile()));
}

TEST_F(NewOnlyWorkerTest, AFailedCheckLeavesTheSeenMessagesAsTheyWere)
{
    check({ "a" }, { 1 });
    {
        FakePop3Server server;
        server.loggedIn().answer("+OK 2 100\r\n").answer(uidlList({ "a", "b" })).receive().hangUp();
        server.start();
        pop3Port = server.port();
        RecordingWindow window;
        ASSERT_TRUE(entry->DoCheckEmail(window.handle()));
        ASSERT_TRUE(window.waitFor(WM_CHECK_DONE, 20000));
        EXPECT_TRUE(entry->stopCheck(false));
    }
    EXPECT_EQ(pop3TopBroken, entry->getLastResult());
    EXPECT_FALSE(entry->seenMessages.news().counted);
    EXPECT_EQ(header("a"), entry->getHeader(0)); // kept, not fetched again
    EXPECT_EQ((Commands{ "TOP 2 0" }), topsIn(check({ "a", "b" }, { 2 })));
    EXPECT_EQ((std::vector<int>{ 2 }), news());
}

TEST_F(NewOnlyWorkerTest, EditingKeepsWhatWasSeenUnlessTheMailboxChanged)
{
    check({ "a", "b" }, { 1, 2 });
    MailboxEntry edited;
    edited.copyFrom(*entry);
    edited.setMailSoundFile("new.wav");
    entry->copyFrom(edited);
    // The edit emptied the header list: the blocks are fetched again, but nothing is new.
    EXPECT_EQ(2u, topsIn(check({ "a", "b" }, { 1, 2 })).size());
    EXPECT_EQ(std::vector<int>(), news());

    edited.setUser("somebody.else");
    entry->copyFrom(edited);
    check({ "a", "b" }, { 1, 2 });
    EXPECT_EQ((std::vector<int>{ 1, 2 }), news());
}

TEST_F(NewOnlyWorkerTest, AnEntryThatAnnouncesEveryMessageAsksNoIds)
{
    entry->setAnnounceNewOnly(false);
    FakePop3Server server;
    server.loggedIn().answer("+OK 1 100\r\n").answer(header("a")).answer("+OK bye\r\n");
    server.start();
    pop3Port = server.port();
    RecordingWindow window;
    ASSERT_TRUE(entry->DoCheckEmail(window.handle()));
    ASSERT_TRUE(window.waitFor(WM_CHECK_DONE, 20000));
    EXPECT_TRUE(entry->stopCheck(false));
    EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "TOP 1 0", "QUIT" }), server.commands());
    EXPECT_FALSE(entry->seenMessages.news().counted);
    EXPECT_FALSE(fileExists(stateFile()));
}

} // namespace
