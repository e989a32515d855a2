// The POP3 dialogue against a scripted server: what is sent in which order, what is kept, and
// the result code of every failing step.
#include "mailcheck/pop3_test_support.h"
#include "storage/mailbox_entry.h"
#include <vector>

using Commands = std::vector<std::string>;

namespace {
const std::string first = topReply("From: Ann <ann@example.org>\r\nSubject: one\r\n");
const std::string second = topReply("From: bob@example.org\r\nSubject: two\r\n");
const std::string third = topReply("Subject: three\r\nFrom: Cy <cy@example.org>\r\n");
} // namespace

TEST_F(Pop3SessionTest, EmptyMailboxLogsOutWithoutAskingForHeaders)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 0 0\r\n").answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, run(server));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, headers);
    EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "QUIT" }), server.commands());
}

TEST_F(Pop3SessionTest, FetchesEveryHeaderBlockInOrderAndLogsOut)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 3 1200\r\n").answer(first).answer(second).answer(third)
        .answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, run(server));
    ASSERT_EQ(3u, count);
    EXPECT_EQ(first, slot(0));
    EXPECT_EQ(second, slot(1));
    EXPECT_EQ(third, slot(2));
    EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "TOP 1 0", "TOP 2 0", "TOP 3 0", "QUIT" }),
              server.commands());
}

TEST_F(Pop3SessionTest, WithoutAHeaderOutputCountsButSendsNoTop)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 2 500\r\n").answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, run(server, "tester", "secret", false));
    EXPECT_EQ(2u, count);
    EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "QUIT" }), server.commands());
}

// Every reply trickles in three bytes at a time; a header line starting with a (stuffed) dot and
// pieces that end on "\r\n." must not be taken for the end of the reply.
TEST_F(Pop3SessionTest, RepliesArrivingInPiecesAreAssembledUntilTheirEnd)
{
    const std::string stuffed = topReply("From: a@b\r\n..dotted: value\r\nSubject: s\r\n");
    FakePop3Server server;
    server.sendInPieces("+OK slow server\r\n", 3, 10)
        .receive().sendInPieces("-ERR\r\n", 2, 10)
        .receive().sendInPieces("+OK\r\n", 2, 10)
        .receive().sendInPieces("+OK\r\n", 2, 10)
        .receive().sendInPieces("+OK 1 99\r\n", 3, 10)
        .receive().sendInPieces(stuffed, 3, 10)
        .receive().sendInPieces("+OK bye\r\n", 3, 10);
    EXPECT_EQ(pop3Success, run(server));
    ASSERT_EQ(1u, count);
    EXPECT_EQ(stuffed, slot(0));
}

TEST_F(Pop3SessionTest, PiecesEndingInsideTheEndSequenceDoNotEndTheReply)
{
    const std::string reply = topReply("X-A: 1\r\n..stuffed\r\n");
    size_t afterDot = reply.find("\r\n..") + 3; // the piece ends in "\r\n."
    size_t beforeLast = reply.size() - 1;        // the piece ends in "\r\n.\r"
    FakePop3Server server;
    server.loggedIn().answer("+OK 1 10\r\n").receive()
        .send(reply.substr(0, afterDot)).pause(150)
        .send(reply.substr(afterDot, beforeLast - afterDot)).pause(150)
        .send(reply.substr(beforeLast)).answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, run(server));
    EXPECT_EQ(reply, slot(0));
}

TEST_F(Pop3SessionTest, RefusedTopKeepsItsErrLineAndTheSessionGoesOn)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 3 900\r\n").answer(first).answer("-ERR no such message\r\n")
        .answer(third).answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, run(server));
    ASSERT_EQ(3u, count);
    EXPECT_EQ(first, slot(0));
    EXPECT_EQ("-ERR no such message\r\n", slot(1));
    EXPECT_EQ(third, slot(2));
    Commands sent = server.commands();
    ASSERT_EQ(8u, sent.size());
    EXPECT_EQ("TOP 3 0", sent[6]);
}

TEST_F(Pop3SessionTest, AnEarlierRefusalIsNotTakenForAReplyThatNeverCame)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 3 10\r\n").answer("-ERR gone\r\n").receive().hangUp();
    EXPECT_EQ(pop3TopBroken, run(server));
    EXPECT_EQ("-ERR gone\r\n", slot(0));
    EXPECT_EQ("(null)", slot(1));
    EXPECT_EQ("(null)", slot(2));
}

TEST_F(Pop3SessionTest, EachRefusedStepGivesItsCodeAndNothingMoreIsSent)
{
    struct Case {
        int acceptedReplies; // "+OK" replies before the refusal, the greeting included
        int expected;
        Commands sent;
    };
    const Case cases[] = {
        { 0, pop3BadGreeting, {} },
        { 1, pop3UserRefused, { "CAPA", "USER tester" } },
        { 2, pop3PassRefused, { "CAPA", "USER tester", "PASS secret" } },
        { 3, pop3StatRefused, { "CAPA", "USER tester", "PASS secret", "STAT" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        FakePop3Server server;
        if (c.acceptedReplies > 0)
            server.greets("+OK hello\r\n");
        else
            server.send("-ERR go away\r\n");
        for (int i = 1; i < c.acceptedReplies; ++i)
            server.answer("+OK\r\n");
        if (c.acceptedReplies > 0)
            server.answer("-ERR refused\r\n");
        EXPECT_EQ(c.expected, run(server));
        EXPECT_EQ(0u, count);
        EXPECT_EQ(nullptr, headers);
        EXPECT_EQ(c.sent, server.commands());
    }
}

TEST_F(Pop3SessionTest, FailingQuitFailsTheSessionButKeepsTheHeaders)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 2 10\r\n").answer(first).answer(second).answer("-ERR not today\r\n");
    EXPECT_EQ(pop3QuitRefused, run(server));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(first, slot(0));
    EXPECT_EQ(second, slot(1));
}

TEST_F(Pop3SessionTest, SilentServerTimesOutAtTheStepItIsIn)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 300);
    {
        FakePop3Server server; // never greets
        EXPECT_EQ(pop3BadGreeting, run(server));
    }
    {
        FakePop3Server server;
        server.greets("+OK hello\r\n").receive(); // takes USER, then says nothing
        EXPECT_EQ(pop3UserRefused, run(server));
    }
    {
        FakePop3Server server;
        server.loggedIn().answer("+OK 2 10\r\n").answer(first).receive(); // no second header
        EXPECT_EQ(pop3TopBroken, run(server));
        EXPECT_EQ(first, slot(0));
        EXPECT_EQ("(null)", slot(1));
    }
}

TEST_F(Pop3SessionTest, StopEventEndsAWaitLongBeforeTheTimeout)
{
    SeamOverride<volatile LONG> longWait(serverTimeoutMs, 60000);
    FakePop3Server server;
    server.greets("+OK hello\r\n").receive();
    HANDLE stop = stopEvent;
    std::thread stopper([stop] {
        Sleep(300);
        SetEvent(stop);
    });
    DWORD started = GetTickCount();
    int result = run(server);
    DWORD took = GetTickCount() - started;
    stopper.join();
    EXPECT_EQ(pop3UserRefused, result);
    EXPECT_LT(took, 30000u); // the wait itself would have lasted 60 s
}

TEST_F(Pop3SessionTest, StopEventAlreadySetEndsTheFirstWait)
{
    SeamOverride<volatile LONG> longWait(serverTimeoutMs, 60000);
    SetEvent(stopEvent);
    FakePop3Server server; // silent
    EXPECT_EQ(pop3BadGreeting, run(server));
}

TEST_F(Pop3SessionTest, ServerClosingInTheMiddleOfATopReplyKeepsWhatCameBefore)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 3 10\r\n").answer(first).receive()
        .send("+OK\r\nFrom: half <h@x>\r\nSubj").hangUp();
    EXPECT_EQ(pop3TopBroken, run(server));
    ASSERT_EQ(3u, count);
    EXPECT_EQ(first, slot(0));
    EXPECT_EQ("(null)", slot(1));
    EXPECT_EQ("(null)", slot(2));
    Commands sent = server.commands();
    EXPECT_EQ("TOP 2 0", sent.back()); // no QUIT on a broken connection
}

TEST_F(Pop3SessionTest, ServerClosingRightAfterTheLastReplyStillCountsTheReply)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 0 0\r\n").receive().send("+OK bye\r\n").hangUp();
    EXPECT_EQ(pop3Success, run(server));
}

TEST_F(Pop3SessionTest, ServerClosingBeforeOrDuringTheGreeting)
{
    {
        FakePop3Server server;
        server.hangUp();
        EXPECT_EQ(pop3BadGreeting, run(server));
    }
    {
        FakePop3Server server;
        server.send("+OK hel").hangUp();
        EXPECT_EQ(pop3BadGreeting, run(server));
    }
}

// A refused login or count quotes the server's "-ERR" reply on one log line: cut at 200
// characters, control characters shown as '?', nothing quoted for a reply that never came.
TEST_F(Pop3SessionTest, ARefusalIsQuotedOnOneLineAndCutShort)
{
    struct Case {
        int acceptedReplies; // after the greeting
        std::string refusal; // empty: the server hangs up instead
        int expected;
        std::string detail;
    };
    const Case cases[] = {
        { 0, "-ERR no such user\r\n", pop3UserRefused, "error: server refused the login: no such user" },
        { 1, "-ERR " + std::string(300, 'a') + "\r\n", pop3PassRefused,
          "error: server refused the login: " + std::string(200, 'a') },
        { 1, "-ERR bad\tpass\x01word\r\n", pop3PassRefused, "error: server refused the login: bad?pass?word" },
        { 1, "-ERR\r\n", pop3PassRefused, "error: server refused the login" },
        { 2, "-ERR [SYS/PERM] POP is off\r\n", pop3StatRefused,
          "error: server refused to count the messages: [SYS/PERM] POP is off" },
        { 1, "", pop3PassRefused, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.detail);
        FakePop3Server server;
        server.greets("+OK hello\r\n");
        for (int i = 0; i < c.acceptedReplies; ++i)
            server.answer("+OK\r\n");
        if (c.refusal.empty())
            server.hangUp();
        else
            server.answer(c.refusal);
        server.start();
        Pop3Target target = { "127.0.0.1", SecurityNone, server.port(), nullptr };
        char detail[pop3DetailSize] = "unchanged";
        EXPECT_EQ(c.expected, Pop3Session(target, "tester", "secret", &count, stopEvent, nullptr, detail,
                                          sizeof detail));
        EXPECT_EQ(c.detail, detail);
    }
}
