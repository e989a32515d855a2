// The POP3 session against broken or hostile servers and bad input: buffer limits, junk bytes,
// absurd counts, credentials too long for a command line, names that do not resolve.
#include "mailcheck/pop3_test_support.h"
#include "mailcheck/session_deadline.h"
#include "mailcheck/top_reply.h"
#include <thread>
#include <vector>

using Commands = std::vector<std::string>;

TEST_F(Pop3SessionTest, TopStatusLineKeepsTheStatusReplyLimit)
{
    const std::string fits = "+OK " + std::string(248, 's') + "\r\n"; // 254 bytes, as a greeting may have
    FakePop3Server server;
    server.loggedIn().answer("+OK 2 10\r\n").answer(fits + "From: a\r\n\r\n.\r\n")
        .answer("+OK " + std::string(249, 's') + "\r\nFrom: b\r\n\r\n.\r\n");
    EXPECT_EQ(pop3TopBroken, run(server));
    EXPECT_EQ(fits + "From: a\r\n\r\n.\r\n", slot(0));
    EXPECT_EQ("(null)", slot(1));
}

TEST_F(Pop3SessionTest, StatusReplyOfTwoHundredFiftyFourBytesFitsOneMoreDoesNot)
{
    auto greeting = [](size_t length) { return "+OK " + std::string(length - 6, 'g') + "\r\n"; };
    {
        FakePop3Server server;
        server.greets(greeting(254)).answer("-ERR stop here\r\n");
        EXPECT_EQ(pop3UserRefused, run(server)); // the greeting was taken
    }
    {
        FakePop3Server server;
        server.send(greeting(255));
        EXPECT_EQ(pop3BadGreeting, run(server));
        EXPECT_TRUE(server.commands().empty());
    }
}

TEST_F(Pop3SessionTest, EndlessLineWithoutLineEndFailsAsSoonAsTheBufferIsFull)
{
    SeamOverride<volatile LONG> longWait(serverTimeoutMs, 60000);
    FakePop3Server server;
    server.send("+OK " + std::string(1000, 'x')).holdWithoutReading();
    DWORD started = GetTickCount();
    EXPECT_EQ(pop3BadGreeting, run(server));
    EXPECT_LT(GetTickCount() - started, 30000u); // not the 60 s wait
}

// A reply to TOP has no buffer to fill: one that never ends fails at the server time-out.
TEST_F(Pop3SessionTest, EndlessTopReplyFailsAtTheServerTimeOut)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 500);
    FakePop3Server server;
    server.loggedIn().answer("+OK 1 10\r\n").receive()
        .send("+OK\r\n" + std::string(400000, 'y')).holdWithoutReading();
    DWORD started = GetTickCount();
    EXPECT_EQ(pop3TopBroken, run(server));
    EXPECT_LT(GetTickCount() - started, 30000u);
    EXPECT_EQ("(null)", slot(0));
}

// A server streaming one endless reply at full speed never lets a wait run out, and each byte
// lengthens the session's deadline: the reply's own bound ends it.
TEST_F(Pop3SessionTest, TopReplyStreamingPastItsReadLimitFailsAtOnce)
{
    SeamOverride<volatile LONG> longWait(serverTimeoutMs, 60000);
    std::string line = "X-Filler: " + std::string(1000, 'f') + "\r\n";
    std::string stream = "+OK\r\n";
    while (stream.size() <= topReplyReadLimit)
        stream += line;
    FakePop3Server server;
    server.loggedIn().answer("+OK 1 10\r\n").answer(stream + "\r\n.\r\n");
    DWORD started = GetTickCount();
    EXPECT_EQ(pop3TopBroken, run(server));
    EXPECT_LT(GetTickCount() - started, 30000u);
    EXPECT_EQ("(null)", slot(0));
}

TEST_F(Pop3SessionTest, BinaryJunkNeitherCrashesNorHidesTheLineEnd)
{
    {
        FakePop3Server server;
        server.send(std::string("\0\0\xff\xfe junk\r\n", 11));
        EXPECT_EQ(pop3BadGreeting, run(server));
    }
    {
        // NUL bytes before the line end: the end is still found within what arrived.
        FakePop3Server server;
        server.greets(std::string("+OK\0\0ready\r\n", 12)).answer(std::string("+OK\0\r\n", 6))
            .answer("+OK\r\n").answer("+OK 1 1\r\n")
            .answer(std::string("+OK\r\nFrom: a\0b\r\n\r\n.\r\n", 21)).answer("+OK bye\r\n");
        EXPECT_EQ(pop3Success, run(server));
        EXPECT_EQ("+OK\r\nFrom: a", slot(0)); // the text ends at the first NUL
    }
    {
        FakePop3Server server;
        server.loggedIn().answer("+OK 2 9\r\n").answer("\x01\x02garbage\r\n.\r\n");
        EXPECT_EQ(pop3TopBroken, run(server));
    }
}

TEST_F(Pop3SessionTest, NegativeStatCountIsAnEmptyMailbox)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK -5 100\r\n").answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, run(server));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, headers);
    EXPECT_EQ("QUIT", server.commands().back());
}

TEST_F(Pop3SessionTest, AbsurdStatCountIsCutToTheSessionLimit)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 99999999999999999999 1\r\n").answer(topReply("X: 1\r\n")).hangUp();
    EXPECT_EQ(pop3TopBroken, run(server));
    ASSERT_EQ(pop3MaxMessageCount, count);
    EXPECT_EQ(topReply("X: 1\r\n"), slot(0));
    EXPECT_EQ("(null)", slot(pop3MaxMessageCount - 1)); // the array has exactly that many slots
}

TEST(StatCount, ReadsTheNumberAfterTheStatusWord)
{
    EXPECT_EQ(3u, parseStatCount("+OK 3 1200"));
    EXPECT_EQ(12u, parseStatCount("+OK    12abc"));
    EXPECT_EQ(7u, parseStatCount("+OK +7"));
    EXPECT_EQ(0u, parseStatCount("+OK"));
    EXPECT_EQ(0u, parseStatCount("+OK none"));
    EXPECT_EQ(0u, parseStatCount("+OK -3"));
    EXPECT_EQ(0u, parseStatCount("+OK -99999999999999999999"));
    EXPECT_EQ(100000u, parseStatCount("+OK 100000"));
    EXPECT_EQ(100000u, parseStatCount("+OK 100001"));
    EXPECT_EQ(100000u, parseStatCount("+OK 4294967296"));
    EXPECT_EQ(0u, parseStatCount(nullptr));
}

TEST_F(Pop3SessionTest, LongestUserNameAndPasswordGoOutWhole)
{
    const std::string user(248, 'u'), password(248, 'p');
    FakePop3Server server;
    server.loggedIn().answer("+OK 0 0\r\n").answer("+OK bye\r\n");
    EXPECT_EQ(pop3Success, run(server, user.c_str(), password.c_str()));
    Commands sent = server.commands();
    ASSERT_EQ(5u, sent.size());
    EXPECT_EQ("USER " + user, sent[1]);
    EXPECT_EQ("PASS " + password, sent[2]);
}

TEST_F(Pop3SessionTest, CredentialsThatDoNotFitOrBreakTheLineAreNeverSent)
{
    const std::string tooLong(249, 'x');
    {
        FakePop3Server server;
        server.greets("+OK hello\r\n");
        EXPECT_EQ(pop3UserNotSent, run(server, tooLong.c_str(), "secret"));
        EXPECT_EQ(Commands{ "CAPA" }, server.commands());
    }
    {
        FakePop3Server server;
        server.greets("+OK hello\r\n").answer("+OK\r\n");
        EXPECT_EQ(pop3PassNotSent, run(server, "tester", tooLong.c_str()));
        EXPECT_EQ((Commands{ "CAPA", "USER tester" }), server.commands());
    }
    {
        FakePop3Server server;
        server.greets("+OK hello\r\n");
        EXPECT_EQ(pop3UserNotSent, run(server, "tester\r\nDELE 1", "secret"));
        EXPECT_EQ(Commands{ "CAPA" }, server.commands());
    }
    {
        FakePop3Server server;
        server.greets("+OK hello\r\n").answer("+OK\r\n");
        EXPECT_EQ(pop3PassNotSent, run(server, "tester", "se\ncret"));
        EXPECT_EQ((Commands{ "CAPA", "USER tester" }), server.commands());
    }
}

TEST_F(Pop3SessionTest, ServerNamesThatLeadNowhereGiveMinus20)
{
    int freePort; // a port nobody listens on any more: the connection is refused
    {
        FakePop3Server gone;
        freePort = gone.port();
    }
    SeamOverride<volatile LONG> port(pop3Port, freePort);
    EXPECT_EQ(pop3NoConnection, Pop3Session("127.0.0.1", "u", "p", &count, stopEvent, &headers));
    EXPECT_EQ(pop3NoConnection, Pop3Session("no-such-host.invalid", "u", "p", &count, stopEvent, &headers));
    EXPECT_EQ(pop3NoConnection, Pop3Session("", "u", "p", &count, stopEvent, &headers));
    EXPECT_EQ(pop3NoConnection, Pop3Session(nullptr, "u", "p", &count, stopEvent, &headers));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, headers);
}

TEST_F(Pop3SessionTest, ConnectsToADottedAddressOrToAResolvedName)
{
    FakePop3Server server;
    server.start();
    EXPECT_NE(INVALID_SOCKET, [&] {
        SOCKET s = connectTo(server.port(), "localhost");
        if (s != INVALID_SOCKET)
            closesocket(s);
        return s;
    }());
    SOCKET s = connectTo(server.port(), "127.0.0.1");
    ASSERT_NE(INVALID_SOCKET, s);
    sockaddr_in peer = {};
    int length = sizeof peer;
    ASSERT_EQ(0, getpeername(s, reinterpret_cast<sockaddr*>(&peer), &length));
    EXPECT_EQ(htonl(INADDR_LOOPBACK), peer.sin_addr.s_addr);
    EXPECT_EQ(server.port(), ntohs(peer.sin_port));
    closesocket(s);
}

// A peer that stops reading fills the socket; sending must give up, not wait for ever.
TEST_F(Pop3SessionTest, SendingToAPeerThatStopsReadingGivesUp)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 500);
    FakePop3Server server;
    server.holdWithoutReading();
    server.start();
    SOCKET s = connectTo(server.port(), "127.0.0.1");
    ASSERT_NE(INVALID_SOCKET, s);
    WSAEVENT event = WSACreateEvent();
    ASSERT_EQ(0, WSAEventSelect(s, event, FD_READ | FD_WRITE | FD_CLOSE));
    std::vector<char> lots(64 << 20, 'z');
    DWORD started = GetTickCount();
    EXPECT_FALSE(sendAll(s, lots.data(), int(lots.size()), event, stopEvent));
    EXPECT_LT(GetTickCount() - started, 30000u);
    SetEvent(stopEvent); // and the stop event ends such a wait too, whatever the time limit
    SeamOverride<volatile LONG> longWait(serverTimeoutMs, 60000);
    started = GetTickCount();
    EXPECT_FALSE(sendAll(s, lots.data(), int(lots.size()), event, stopEvent));
    EXPECT_LT(GetTickCount() - started, 30000u);
    closesocket(s);
    WSACloseEvent(event);
}


TEST(SessionDeadlineRule, TenTimeoutsPlusTenMillisecondsAByte)
{
    EXPECT_EQ(5000u, sessionTimeLeftMs(0, 0, 500));
    EXPECT_EQ(1000u, sessionTimeLeftMs(4000, 0, 500));
    EXPECT_EQ(0u, sessionTimeLeftMs(5000, 0, 500));
    EXPECT_EQ(1000u, sessionTimeLeftMs(5000, 100, 500)); // 100 bytes earn one more second
    EXPECT_EQ(0u, sessionTimeLeftMs(0, 0, -1));          // a negative time-out allows no wait
    // Huge values neither overflow nor wrap into a small deadline.
    EXPECT_EQ(0xFFFFFFFEu, sessionTimeLeftMs(0, 0, 0x7FFFFFFF));
    EXPECT_EQ(0xFFFFFFFEu, sessionTimeLeftMs(0xFFFFFFFFu, uint64_t(1) << 40, 0));
}

// A server that sends one byte well within every wait's time-out would otherwise keep the session
// (and its entry's check) running for ever: the whole session has a deadline.
TEST_F(Pop3SessionTest, SlowDripEndsAtTheSessionDeadline)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 400);
    FakePop3Server server;
    // One byte every 150 ms, never a whole reply.
    server.loggedIn().answer("+OK 1 10\r\n").receive().send("+OK\r\n").sendInPieces(
        std::string(4000, 'd'), 1, 150);
    DWORD started = GetTickCount();
    EXPECT_EQ(pop3TopBroken, run(server));
    DWORD took = GetTickCount() - started;
    EXPECT_GE(took, 4000u); // ten time-outs of 400 ms at the least
    EXPECT_LT(took, 60000u);
    EXPECT_EQ(1u, count);
}


// A reply that arrives while a send waits for room must still be read at once afterwards: the wait
// for room takes the socket's read notice, and without it the reply reading would sit out the
// whole time-out although the reply is there.
TEST_F(Pop3SessionTest, ReplyThatArrivedDuringABlockedSendIsReadAtOnce)
{
    FakePop3Server server;
    server.send("+OK early\r\n").pause(1500); // reads nothing until the pause is over
    server.start();
    SOCKET s = connectTo(server.port(), "127.0.0.1");
    ASSERT_NE(INVALID_SOCKET, s);
    WSAEVENT event = WSACreateEvent();
    ASSERT_EQ(0, WSAEventSelect(s, event, FD_READ | FD_WRITE | FD_CLOSE));
    Sleep(300); // the reply is in before the send starts to block
    std::vector<char> lots(16 << 20, 'z');
    ASSERT_TRUE(sendAll(s, lots.data(), int(lots.size()), event, stopEvent));
    char reply[pop3StatusBufferSize];
    DWORD started = GetTickCount();
    EXPECT_TRUE(readStatusReply(s, reply, sizeof reply, event, stopEvent, false));
    EXPECT_STREQ("+OK early\r\n", reply);
    EXPECT_LT(GetTickCount() - started, 4000u); // not the 5 s time-out
    closesocket(s);
    WSACloseEvent(event);
}

// While a send waits for room and a reply is already waiting to be read, the wait must stay a
// wait: the stop event ends it, and it ends at all.
TEST_F(Pop3SessionTest, BlockedSendWithAReplyWaitingStillEndsOnTheStopEvent)
{
    SeamOverride<volatile LONG> longWait(serverTimeoutMs, 60000);
    FakePop3Server server;
    server.send("+OK early\r\n").holdWithoutReading();
    server.start();
    SOCKET s = connectTo(server.port(), "127.0.0.1");
    ASSERT_NE(INVALID_SOCKET, s);
    WSAEVENT event = WSACreateEvent();
    ASSERT_EQ(0, WSAEventSelect(s, event, FD_READ | FD_WRITE | FD_CLOSE));
    Sleep(300); // the reply is in before the send starts to block
    HANDLE stop = stopEvent;
    std::thread stopper([stop] {
        Sleep(1000);
        SetEvent(stop);
    });
    std::vector<char> lots(64 << 20, 'z');
    DWORD started = GetTickCount();
    EXPECT_FALSE(sendAll(s, lots.data(), int(lots.size()), event, stopEvent));
    EXPECT_LT(GetTickCount() - started, 20000u);
    stopper.join();
    closesocket(s);
    WSACloseEvent(event);
}
