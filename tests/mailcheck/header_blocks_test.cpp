// Header blocks of any size against scripted servers: read to their end however long, kept up to
// the block limit and cut at a line end past it, replies split anywhere, pipelined batches of
// large replies, and the entry's header budget reducing blocks past it.
#include "mailcheck/pop3_test_support.h"
#include "mailcheck/header_budget.h"
#include "mailcheck/header_marks.h"
#include "mailcheck/known_messages.h"
#include "mailcheck/top_reply.h"
#include "storage/mailbox_entry.h"
#include "support/realistic_headers.h"
#include <algorithm>
#include <memory>
#include <vector>

namespace {

const char* const greeting = "+OK fake POP3 ready\r\n";
const char* const withPipelining = "+OK capability list follows\r\nTOP\r\nPIPELINING\r\n.\r\n";

// Header lines of exactly bytes bytes, each line lineLength bytes long (the last one shorter).
std::string linesOf(size_t bytes, size_t lineLength = 100)
{
    std::string lines;
    int n = 0;
    while (lines.size() < bytes) {
        size_t length = bytes - lines.size() < lineLength ? bytes - lines.size() : lineLength;
        std::string name = "X-L" + std::to_string(n++ % 10) + ": ";
        lines += name + std::string(length - name.size() - 2, 'v') + "\r\n";
    }
    return lines;
}

class HeaderBlocksTest : public Pop3SessionTest {
protected:
    void TearDown() override
    {
        marks.reset();
        Pop3SessionTest::TearDown();
    }

    int runWithMarks(FakePop3Server& server, KnownMessages* known = nullptr)
    {
        freeHeaders();
        marks.reset();
        server.start();
        Pop3Target target = { "127.0.0.1", SecurityNone, server.port(), nullptr };
        uint8_t* received = nullptr;
        int result = Pop3Session(target, "tester", "secret", &count, stopEvent, &headers, nullptr, 0, known,
                                 &received);
        marks.reset(received);
        return result;
    }

    uint8_t mark(uint32_t index) const { return marks ? marks[index] : 0xff; }

    std::unique_ptr<uint8_t[]> marks;
};

TEST_F(HeaderBlocksTest, BlocksUpToTheLimitAreKeptWholeAndLongerOnesCutAfterTheirLastWholeLine)
{
    // The block counts the header lines and the empty line, not the status line or the dot line.
    const std::string atLimit = linesOf(headerBlockLimit - 2) + "\r\n";
    const std::string longer = linesOf(headerBlockLimit + 50) + "\r\n";
    const std::string small = "From: a@example.org\r\nSubject: after the long ones\r\n\r\n";
    FakePop3Server server;
    server.loggedIn().answer("+OK 3 10\r\n").answer("+OK\r\n" + atLimit + ".\r\n").answer("+OK\r\n" + longer + ".\r\n")
        .answer("+OK\r\n" + small + ".\r\n").answer("+OK bye\r\n");
    ASSERT_EQ(pop3Success, runWithMarks(server));
    ASSERT_EQ(3u, count);
    EXPECT_EQ("+OK\r\n" + atLimit + ".\r\n", slot(0));
    EXPECT_EQ(headerKeptWhole, mark(0));
    // Lines of 100 bytes: the last whole one within the limit ends at 262,100 bytes.
    const size_t kept = headerBlockLimit / 100 * 100;
    EXPECT_EQ("+OK\r\n" + longer.substr(0, kept) + ".\r\n", slot(1));
    EXPECT_EQ(headerCut, mark(1));
    EXPECT_EQ("+OK\r\n" + small + ".\r\n", slot(2));
    EXPECT_EQ(headerKeptWhole, mark(2));
}

TEST_F(HeaderBlocksTest, ALineLongerThanTheLimitIsReadAndDroppedWithEverythingAfterIt)
{
    const std::string before = "From: a@example.org\r\nSubject: huge field\r\n";
    const std::string huge = "X-Huge: " + std::string(3 * headerBlockLimit, 'h') + "\r\n";
    FakePop3Server server;
    server.loggedIn().answer("+OK 2 10\r\n").answer("+OK\r\n" + before + huge + "To: b@example.org\r\n\r\n.\r\n")
        .answer(topReply("Subject: next\r\n")).answer("+OK bye\r\n");
    ASSERT_EQ(pop3Success, runWithMarks(server));
    EXPECT_EQ("+OK\r\n" + before + ".\r\n", slot(0));
    EXPECT_EQ(headerCut, mark(0));
    EXPECT_EQ(topReply("Subject: next\r\n"), slot(1));
    EXPECT_EQ("QUIT", server.commands().back());
}

// Pieces that end inside "\r\n.\r\n", inside a line that crosses the limit, and inside the next
// status line; a dot line that is not the last (".." stuffed, or "." without its CR) ends nothing.
TEST_F(HeaderBlocksTest, RepliesSplitAtOddPlacesGiveTheSameBlocks)
{
    const std::string large = "+OK\r\n" + linesOf(headerBlockLimit + 1000, 997) + "\r\n.\r\n";
    const std::string dotty = topReply("X-A: 1\r\n..\r\n.\nX-B: 2\r\n");
    const std::string each[] = { topReply(realisticHeaderBlock(20000, 1)), large, dotty, "-ERR gone\r\n" };
    for (size_t piece : { size_t(7), size_t(4093), size_t(65537) }) {
        SCOPED_TRACE(piece);
        FakePop3Server server;
        server.loggedIn().answer("+OK 4 10\r\n");
        for (const std::string& reply : each)
            server.receive().sendInPieces(reply, piece, 0);
        server.answer("+OK bye\r\n");
        ASSERT_EQ(pop3Success, runWithMarks(server));
        EXPECT_EQ(each[0], slot(0));
        EXPECT_EQ(headerCut, mark(1));
        EXPECT_EQ(large.substr(0, 5 + headerBlockLimit / 997 * 997) + ".\r\n", slot(1)); // whole lines only
        EXPECT_EQ(dotty, slot(2));
        EXPECT_EQ("-ERR gone\r\n", slot(3));
    }
}

TEST_F(HeaderBlocksTest, PipelinedBatchesOfLargeRepliesAreFetchedWhole)
{
    const int messages = 150;
    FakePop3Server server;
    server.send(greeting).answer(withPipelining).answer("+OK\r\n").receive().receive()
        .send("+OK\r\n+OK " + std::to_string(messages) + " 1\r\n");
    for (int n = 1; n <= messages; ++n)
        server.answer(topReply(realisticHeaderBlock(n % 3 ? 12000 : 70000, uint32_t(n))));
    server.answer("+OK bye\r\n");
    ASSERT_EQ(pop3Success, runWithMarks(server));
    ASSERT_EQ(uint32_t(messages), count);
    for (uint32_t i = 0; i < count; ++i) {
        ASSERT_EQ(topReply(realisticHeaderBlock((i + 1) % 3 ? 12000 : 70000, i + 1)), slot(i)) << i;
        ASSERT_EQ(headerKeptWhole, mark(i));
    }
    EXPECT_GT(server.repliesWithCommandsAhead(), 0); // the commands did go in batches
}

TEST_F(HeaderBlocksTest, PastTheBudgetBlocksAreKeptReducedToTheFieldsPeopleUse)
{
    SeamOverride<size_t> smallBudget(entryHeaderBudgetBytes, 25000);
    const std::string block = "Received: from a by b\r\nTo: tester@example.org\r\nX-Junk: " + std::string(9000, 'j') +
                              "\r\nsubject: Lower case\r\n folded on\r\nFrom: Sender <s@example.org>\r\n"
                              "Date: Tue, 4 Jun 2024 09:12:44 +0000\r\nMessage-ID: <m@example.org>\r\n"
                              "X-Subject: not this one\r\nCc: " + std::string(800, 'c') + "\r\n\r\n";
    const std::string reduced = "+OK 4711 octets\r\nFrom: Sender <s@example.org>\r\nsubject: Lower case\r\n folded on\r\n"
                                "Date: Tue, 4 Jun 2024 09:12:44 +0000\r\nMessage-ID: <m@example.org>\r\n"
                                "To: tester@example.org\r\n";
    FakePop3Server server;
    server.loggedIn().answer("+OK 5 10\r\n");
    for (int n = 1; n <= 5; ++n)
        server.answer(n == 4 ? std::string("-ERR gone\r\n") : "+OK 4711 octets\r\n" + block + ".\r\n");
    server.answer("+OK bye\r\n");
    ASSERT_EQ(pop3Success, runWithMarks(server));
    ASSERT_EQ(5u, count);
    EXPECT_EQ("+OK 4711 octets\r\n" + block + ".\r\n", slot(0));
    EXPECT_EQ("+OK 4711 octets\r\n" + block + ".\r\n", slot(1));
    EXPECT_EQ(headerKeptWhole, mark(1));
    // The third would take the total past 25,000 bytes. Cc, too long, is cut to fit with its line end.
    const size_t room = std::min(reducedFieldLimit, reducedFieldsLimit - (reduced.size() - 17));
    const std::string withCc = reduced + "Cc: " + std::string(room - 6, 'c') + "\r\n\r\n.\r\n";
    EXPECT_EQ(withCc, slot(2));
    EXPECT_EQ(headerReduced, mark(2));
    EXPECT_EQ("-ERR gone\r\n", slot(3));
    EXPECT_EQ(headerKeptWhole, mark(3));
    EXPECT_EQ(withCc, slot(4));
    EXPECT_EQ(headerReduced, mark(4));
}

TEST_F(HeaderBlocksTest, AReducedFieldTooLongIsCutAndTheNextFieldsStillFit)
{
    SeamOverride<size_t> noBudget(entryHeaderBudgetBytes, 0);
    const std::string from = "From: " + std::string(120 * 1024, 'f') + "\r\n";
    FakePop3Server server;
    server.loggedIn().answer("+OK 1 10\r\n").answer("+OK\r\nX-A: 1\r\n" + from + "Subject: still here\r\n\r\n.\r\n")
        .answer("+OK bye\r\n");
    ASSERT_EQ(pop3Success, runWithMarks(server));
    EXPECT_EQ("+OK\r\nFrom: " + std::string(reducedFieldLimit - 8, 'f') + "\r\nSubject: still here\r\n\r\n.\r\n",
              slot(0));
    EXPECT_EQ(headerReduced, mark(0));
}

// Blocks reused from the last check count against the budget first; a cut one stays marked cut.
TEST_F(HeaderBlocksTest, ReusedBlocksCountAgainstTheBudgetAndKeepTheirMarks)
{
    const std::string oldCut = topReply("Subject: old and cut\r\n" + std::string(6000, 'x') + "\r\n");
    const std::string oldWhole = topReply("Subject: old\r\n" + std::string(6000, 'y') + "\r\n");
    SeamOverride<size_t> smallBudget(entryHeaderBudgetBytes, oldCut.size() + 100);
    KnownMessages known;
    known.headersById = { { "a", KnownHeader(oldCut.c_str(), headerCut) }, { "c", oldWhole.c_str() } };
    FakePop3Server server;
    server.loggedIn().answer("+OK 3 10\r\n")
        .answer("+OK\r\n1 a\r\n2 b\r\n3 c\r\n.\r\n").answer(topReply("Subject: new\r\n")).answer("+OK bye\r\n");
    ASSERT_EQ(pop3Success, runWithMarks(server, &known));
    EXPECT_EQ(oldCut, slot(0));
    EXPECT_EQ(headerCut, mark(0));
    EXPECT_EQ("+OK\r\nSubject: old\r\n\r\n.\r\n", slot(2)); // past the budget already
    EXPECT_EQ(headerReduced, mark(2));
    EXPECT_EQ("+OK\r\nSubject: new\r\n\r\n.\r\n", slot(1));
    EXPECT_EQ(headerReduced, mark(1));
}

} // namespace
