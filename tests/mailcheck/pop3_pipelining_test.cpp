// Pipelined commands against scripted servers: only where CAPA offers PIPELINING, the same
// result, header list and codes as one command at a time, whatever pieces the replies come in,
// and the stop event and the time-out ending a batch as they end a single command.
#include "mailcheck/pop3_test_support.h"
#include <thread>
#include <vector>

using Commands = std::vector<std::string>;

namespace {

const char* const greeting = "+OK fake POP3 ready\r\n";
const char* const withPipelining = "+OK capability list follows\r\nTOP\r\nUSER\r\nPipelining\r\n.\r\n";

std::string header(int n)
{
    return topReply("From: Sender " + std::to_string(n) + " <s" + std::to_string(n) +
                    "@example.org>\r\nSubject: number " + std::to_string(n) + "\r\n");
}

// The replies to TOP 1 0 .. TOP count 0, back to back.
std::string headerReplies(int count)
{
    std::string all;
    for (int n = 1; n <= count; ++n)
        all += header(n);
    return all;
}

Commands expectedCommands(int count)
{
    Commands sent = { "CAPA", "USER tester", "PASS secret", "STAT" };
    for (int n = 1; n <= count; ++n)
        sent.push_back("TOP " + std::to_string(n) + " 0");
    sent.push_back("QUIT");
    return sent;
}

// A server that offers PIPELINING and holds back every reply of a batch until the whole batch
// has come: a client that waited for each reply would wait in vain.
void scriptPipelined(FakePop3Server& server, int count, const std::string& topReplies, size_t pieceSize = 0)
{
    server.send(greeting).answer(withPipelining).answer("+OK user\r\n");
    server.receive().receive().send("+OK logged in\r\n+OK " + std::to_string(count) + " 9999\r\n");
    for (int n = 1; n <= count; ++n)
        server.receive();
    if (pieceSize)
        server.sendInPieces(topReplies, pieceSize, 0);
    else
        server.send(topReplies);
    server.answer("+OK bye\r\n");
}

class Pop3PipeliningTest : public Pop3SessionTest {};

TEST_F(Pop3PipeliningTest, AServerOfferingPipeliningGetsItsCommandsInBatches)
{
    FakePop3Server server;
    scriptPipelined(server, 5, headerReplies(5));
    EXPECT_EQ(pop3Success, run(server));
    ASSERT_EQ(5u, count);
    for (uint32_t i = 0; i < 5; ++i)
        EXPECT_EQ(header(int(i + 1)), slot(i));
    // The server answered nothing of a batch before all of it had come, so success itself shows
    // that the commands came in batches.
    EXPECT_EQ(expectedCommands(5), server.commands());
}

TEST_F(Pop3PipeliningTest, WithoutPipeliningEveryCommandWaitsForTheReplyBeforeIt)
{
    const char* const capabilityLists[] = {
        "-ERR unknown command\r\n",
        "+OK\r\nTOP\r\nUSER\r\nX-PIPELINING\r\nPIPELININGS\r\n.\r\n",
    };
    for (const char* capabilities : capabilityLists) {
        SCOPED_TRACE(capabilities);
        FakePop3Server server;
        server.send(greeting).answer(capabilities).answer("+OK\r\n").answer("+OK\r\n").answer("+OK 3 30\r\n");
        for (int n = 1; n <= 3; ++n)
            server.answer(header(n));
        server.answer("+OK bye\r\n");
        EXPECT_EQ(pop3Success, run(server));
        ASSERT_EQ(3u, count);
        EXPECT_EQ(header(3), slot(2));
        EXPECT_EQ(expectedCommands(3), server.commands());
        EXPECT_EQ(0, server.repliesWithCommandsAhead());
    }
}

// A server that never answers CAPA costs one time-out; the session then goes on one command at
// a time.
TEST_F(Pop3PipeliningTest, UnansweredCapaMeansNoCapabilities)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 300);
    FakePop3Server server;
    server.send(greeting).receive().answer("+OK\r\n").answer("+OK\r\n").answer("+OK 1 30\r\n").answer(header(1))
        .answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, run(server));
    EXPECT_EQ(header(1), slot(0));
    EXPECT_EQ(expectedCommands(1), server.commands());
}

// A capability list too long to keep names nothing, and is still read to its end: its last lines
// are not taken for the replies to the commands that follow.
TEST_F(Pop3PipeliningTest, ACapabilityListTooLongToKeepNamesNothingAndIsReadToItsEnd)
{
    std::string capabilities = "+OK capability list follows\r\n";
    while (capabilities.size() < 2 * size_t(pop3CapabilityBufferSize))
        capabilities += "X-VENDOR-FEATURE-" + std::to_string(capabilities.size()) + " with its arguments\r\n";
    capabilities += "PIPELINING\r\n.\r\n";
    FakePop3Server server;
    server.send(greeting).answer(capabilities).answer("+OK\r\n").answer("+OK\r\n").answer("+OK 1 30\r\n")
        .answer(header(1)).answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, run(server));
    EXPECT_EQ(header(1), slot(0));
    EXPECT_EQ(expectedCommands(1), server.commands());
    EXPECT_EQ(0, server.repliesWithCommandsAhead()); // its PIPELINING did not count
}

TEST_F(Pop3PipeliningTest, RepliesSplitAtEveryByteGiveTheSameHeaders)
{
    FakePop3Server server;
    scriptPipelined(server, 4, headerReplies(4), 1);
    EXPECT_EQ(pop3Success, run(server));
    ASSERT_EQ(4u, count);
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(header(int(i + 1)), slot(i));
}

TEST_F(Pop3PipeliningTest, RepliesTogetherWithTheirEndSequencesSplitAcrossPiecesAreKeptApart)
{
    // Pieces of 7 bytes end inside "\r\n.\r\n" and inside the next reply's status line.
    const std::string replies = header(1) + "-ERR no such message\r\n" + topReply("X-Dots: ..\r\n..stuffed\r\n");
    FakePop3Server server;
    scriptPipelined(server, 3, replies, 7);
    EXPECT_EQ(pop3Success, run(server));
    EXPECT_EQ(header(1), slot(0));
    EXPECT_EQ("-ERR no such message\r\n", slot(1));
    EXPECT_EQ(topReply("X-Dots: ..\r\n..stuffed\r\n"), slot(2));
}

TEST_F(Pop3PipeliningTest, ARefusedTopInTheMiddleOfABatchKeepsItsLineAndTheRestFollows)
{
    FakePop3Server server;
    scriptPipelined(server, 5, header(1) + header(2) + "-ERR message 3 is gone\r\n" + header(4) + header(5));
    EXPECT_EQ(pop3Success, run(server));
    EXPECT_EQ(header(2), slot(1));
    EXPECT_EQ("-ERR message 3 is gone\r\n", slot(2));
    EXPECT_EQ(header(4), slot(3));
    EXPECT_EQ(header(5), slot(4));
}

TEST_F(Pop3PipeliningTest, ARefusalBeforeTheEndOfTheLogInKeepsItsCode)
{
    {
        FakePop3Server server;
        server.send(greeting).answer(withPipelining).answer("+OK\r\n").receive().receive()
            .send("-ERR wrong password\r\n-ERR not logged in\r\n");
        EXPECT_EQ(pop3PassRefused, run(server));
        EXPECT_EQ(0u, count);
    }
    {
        FakePop3Server server;
        server.send(greeting).answer(withPipelining).answer("+OK\r\n").receive().receive()
            .send("+OK\r\n-ERR mailbox locked\r\n");
        EXPECT_EQ(pop3StatRefused, run(server));
    }
}

TEST_F(Pop3PipeliningTest, TheStopEventInTheMiddleOfABatchEndsItAsItEndsOneCommand)
{
    SeamOverride<volatile LONG> longWait(serverTimeoutMs, 60000);
    FakePop3Server server;
    server.send(greeting).answer(withPipelining).answer("+OK\r\n").receive().receive()
        .send("+OK\r\n+OK 5 500\r\n");
    for (int n = 1; n <= 5; ++n)
        server.receive();
    server.send(header(1) + header(2)).holdWithoutReading();
    server.start();
    HANDLE stop = stopEvent;
    std::thread stopper([&server, stop] {
        server.waitForCommands(9, 20000);
        Sleep(200);
        SetEvent(stop);
    });
    SeamOverride<volatile LONG> port(pop3Port, server.port());
    DWORD started = GetTickCount();
    int result = Pop3Session("127.0.0.1", "tester", "secret", &count, stopEvent, &headers);
    DWORD took = GetTickCount() - started;
    stopper.join();
    EXPECT_EQ(pop3TopBroken, result);
    EXPECT_LT(took, 30000u);
    ASSERT_EQ(5u, count);
    EXPECT_EQ(header(1), slot(0));
    EXPECT_EQ(header(2), slot(1));
    EXPECT_EQ("(null)", slot(2));
    EXPECT_EQ("(null)", slot(4));
}

TEST_F(Pop3PipeliningTest, TheTimeOutInTheMiddleOfABatchEndsIt)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 300);
    FakePop3Server server;
    server.send(greeting).answer(withPipelining).answer("+OK\r\n").receive().receive()
        .send("+OK\r\n+OK 4 500\r\n");
    for (int n = 1; n <= 4; ++n)
        server.receive();
    server.send(header(1) + "+OK\r\nFrom: half").holdWithoutReading();
    EXPECT_EQ(pop3TopBroken, run(server));
    EXPECT_EQ(header(1), slot(0));
    EXPECT_EQ("(null)", slot(1));
}

TEST_F(Pop3PipeliningTest, AMailboxLargerThanOneWindowIsFetchedWhole)
{
    // More commands than one window holds: the server answers each TOP as it reads it, and the
    // client keeps sending while it reads.
    const int messages = 3000;
    FakePop3Server server;
    server.send(greeting).answer(withPipelining).answer("+OK\r\n").receive().receive()
        .send("+OK\r\n+OK " + std::to_string(messages) + " 1\r\n");
    for (int n = 1; n <= messages; ++n)
        server.answer(header(n));
    server.answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, run(server));
    ASSERT_EQ(uint32_t(messages), count);
    for (uint32_t i = 0; i < count; ++i)
        ASSERT_EQ(header(int(i + 1)), slot(i));
    EXPECT_EQ(expectedCommands(messages), server.commands());
}

} // namespace
