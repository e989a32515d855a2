// The check worker on a real thread, started by DoCheckEmail: the result and headers stored in
// the entry before WM_CHECK_DONE reaches the window, one worker at a time, stopCheck joining it.
#include <gtest/gtest.h>
#include "mailcheck/pop3_session.h"
#include "mailcheck/session_limits.h"
#include "platform/messages.h"
#include "storage/mailbox_entry.h"
#include "support/fake_pop3_server.h"
#include "support/recording_window.h"
#include "support/seam_override.h"
#include <string>

namespace {

const std::string annsHeader = "+OK\r\nFrom: Ann <ann@example.org>\r\nSubject: lunch\r\n\r\n.\r\n";
const std::string bobsHeader = "+OK\r\nSubject: news\r\nFrom: bob@example.org\r\n\r\n.\r\n";

class CheckWorkerTest : public ::testing::Test {
protected:
    CheckWorkerTest()
    {
        entry.setName("work");
        entry.setServer("127.0.0.1");
        entry.setUser("tester");
        entry.setPassword("secret");
    }

    // Starts the server and the check, and waits for the worker's message.
    void checkAgainst(FakePop3Server& server)
    {
        server.start();
        pop3Port = server.port();
        ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
        ASSERT_TRUE(window.waitFor(WM_CHECK_DONE, 20000));
    }

    std::string field(int index, int which) const
    {
        char value[256] = "untouched";
        if (!entry.getHeaderField(index, value, sizeof value, which))
            return "(not found)";
        return value;
    }

    SeamOverride<volatile LONG> timeout{ serverTimeoutMs, 5000 };
    SeamOverride<volatile LONG> portRestored{ pop3Port, pop3Port }; // tests point it at their server
    RecordingWindow window;
    MailboxEntry entry; // destroyed first: it stops its worker before the server goes
};

TEST_F(CheckWorkerTest, StoresCountAndHeadersThenPostsDone)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 2 321\r\n").answer(annsHeader).answer(bobsHeader).answer("+OK bye\r\n");
    checkAgainst(server);
    ASSERT_EQ(1u, window.received().size());
    EXPECT_EQ(WM_CHECK_DONE, window.received()[0].message);
    EXPECT_EQ(reinterpret_cast<WPARAM>(&entry), window.received()[0].wParam);
    EXPECT_EQ(0, window.received()[0].lParam);

    EXPECT_EQ(2, entry.getLastResult());
    EXPECT_EQ(2, entry.headerCount);
    EXPECT_EQ(annsHeader, entry.getHeader(0));
    EXPECT_EQ(bobsHeader, entry.getHeader(1));
    EXPECT_EQ("ann@example.org", field(0, 0));
    EXPECT_EQ("lunch", field(0, 1));
    EXPECT_EQ(" bob@example.org", field(1, 0));
    EXPECT_EQ("news", field(1, 1));

    EXPECT_TRUE(entry.isCheckRunning()); // ended but not joined yet
    EXPECT_TRUE(entry.stopCheck(false));
    EXPECT_FALSE(entry.isCheckRunning());
}

TEST_F(CheckWorkerTest, FailedSessionStoresItsCodeAndDropsTheOldHeaders)
{
    char** old = new char*[1];
    old[0] = new char[4]{ 'o', 'l', 'd', '\0' };
    entry.setHeaders(old, 1);
    entry.setLastResult(5);
    FakePop3Server server;
    server.send("+OK hello\r\n").answer("+OK\r\n").answer("-ERR wrong password\r\n");
    checkAgainst(server);
    EXPECT_EQ(pop3PassRefused, entry.getLastResult());
    EXPECT_EQ(0, entry.headerCount);
    EXPECT_EQ(nullptr, entry.getHeader(0));
    EXPECT_TRUE(entry.stopCheck(false));
}

TEST_F(CheckWorkerTest, LateFailureKeepsTheHeadersFetchedSoFar)
{
    FakePop3Server server;
    server.loggedIn().answer("+OK 3 99\r\n").answer(annsHeader).receive().send("+OK\r\nFrom: cut").hangUp();
    checkAgainst(server);
    EXPECT_EQ(pop3TopBroken, entry.getLastResult());
    ASSERT_EQ(3, entry.headerCount);
    EXPECT_EQ(annsHeader, entry.getHeader(0));
    EXPECT_EQ(nullptr, entry.getHeader(1));
    EXPECT_EQ("(not found)", field(1, 0));
    EXPECT_EQ(nullptr, entry.getHeader(2));
}

TEST_F(CheckWorkerTest, EntryWithoutServerEndsWithMinus20)
{
    entry.setServer(nullptr);
    FakePop3Server server;
    checkAgainst(server);
    EXPECT_EQ(pop3NoConnection, entry.getLastResult());
    EXPECT_EQ(0, server.connections());
}

TEST_F(CheckWorkerTest, SecondCheckWhileRunningStartsNothingAndStopCheckJoins)
{
    SeamOverride<volatile LONG> longWait(serverTimeoutMs, 60000);
    FakePop3Server server;
    server.send("+OK hello\r\n").receive(); // takes USER, then never answers
    server.start();
    pop3Port = server.port();
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(server.waitForCommands(1, 20000));
    HANDLE worker = entry.workerThread;
    ASSERT_NE(nullptr, worker);

    entry.checkRequested = true;
    EXPECT_TRUE(entry.DoCheckEmail(window.handle()));
    EXPECT_FALSE(entry.checkRequested);
    EXPECT_EQ(worker, entry.workerThread);

    HANDLE joined = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), worker, GetCurrentProcess(), &joined, SYNCHRONIZE,
                                FALSE, 0));
    DWORD started = GetTickCount();
    EXPECT_TRUE(entry.stopCheck(false)); // the stop event cuts the 60 s wait for USER's reply
    EXPECT_LT(GetTickCount() - started, 30000u);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(joined, 0));
    CloseHandle(joined);
    EXPECT_FALSE(entry.isCheckRunning());
    EXPECT_EQ(nullptr, entry.stopEvent);

    ASSERT_TRUE(window.waitFor(WM_CHECK_DONE, 5000));
    EXPECT_EQ(pop3UserRefused, entry.getLastResult());
    EXPECT_EQ(1, server.connections());
    window.pumpFor(200);
    EXPECT_EQ(1u, window.countOf(WM_CHECK_DONE));
    EXPECT_EQ(0u, window.countOf(WM_CHECK_FAILED));
}

} // namespace
