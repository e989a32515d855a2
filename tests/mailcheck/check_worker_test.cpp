// The check worker on a real thread, started by DoCheckEmail: the result, the headers and the
// line that says why stored in the entry before WM_CHECK_DONE leaves for the window, one worker at
// a time, stopCheck joining it.
#include <gtest/gtest.h>
#include "mailcheck/pop3_session.h"
#include "mailcheck/session_limits.h"
#include "platform/messages.h"
#include "storage/mailbox_entry.h"
#include "support/fake_pop3_server.h"
#include "support/recording_window.h"
#include "support/seam_override.h"
#include <string>
#include <vector>

namespace {

// What the entry held at the moment its worker posted a message.
struct EntryAtPost {
    UINT message = 0;
    LONG result = 0;
    int32_t headerCount = -1;
    std::string firstHeader = "(none)";
    std::string detail = "(none)";
};

MailboxEntry* watchedEntry = nullptr;
std::vector<EntryAtPost> entryAtPost;

BOOL WINAPI lookThenPost(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    EntryAtPost seen;
    seen.message = message;
    EnterCriticalSection(&watchedEntry->lock);
    seen.result = watchedEntry->lastResult;
    seen.headerCount = watchedEntry->headerCount;
    if (watchedEntry->getHeader(0))
        seen.firstHeader = watchedEntry->getHeader(0);
    if (watchedEntry->lastResultDetail)
        seen.detail = watchedEntry->lastResultDetail;
    LeaveCriticalSection(&watchedEntry->lock);
    entryAtPost.push_back(seen);
    return PostMessageA(window, message, wParam, lParam);
}

const std::string annsHeader = "+OK\r\nFrom: Ann <ann@example.org>\r\nSubject: lunch\r\n\r\n.\r\n";
const std::string bobsHeader = "+OK\r\nSubject: news\r\nFrom: bob@example.org\r\n\r\n.\r\n";

class CheckWorkerTest : public ::testing::Test {
protected:
    CheckWorkerTest()
    {
        watchedEntry = &entry;
        entryAtPost.clear();
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
    SeamOverride<BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM)> posting{ checkWorkerCalls.PostMessageA, lookThenPost };
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
    // Everything was in place before the message left: the window may read it at once.
    ASSERT_EQ(1u, entryAtPost.size());
    EXPECT_EQ(WM_CHECK_DONE, entryAtPost[0].message);
    EXPECT_EQ(2, entryAtPost[0].result);
    EXPECT_EQ(2, entryAtPost[0].headerCount);
    EXPECT_EQ(annsHeader, entryAtPost[0].firstHeader);
    EXPECT_EQ("(none)", entryAtPost[0].detail);

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
    server.greets("+OK hello\r\n").answer("+OK\r\n").answer("-ERR wrong password\r\n");
    checkAgainst(server);
    EXPECT_EQ(pop3PassRefused, entry.getLastResult());
    EXPECT_EQ(0, entry.headerCount);
    EXPECT_EQ(nullptr, entry.getHeader(0));
    ASSERT_EQ(1u, entryAtPost.size());
    EXPECT_EQ(pop3PassRefused, entryAtPost[0].result);
    EXPECT_EQ(0, entryAtPost[0].headerCount);
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

// The entry's security, port and trusted certificate reach the session, and the line that says
// why it failed is stored with the result; a later good check drops it again.
TEST_F(CheckWorkerTest, SecuredCheckUsesTheEntrysPortAndStoresWhyItFailed)
{
    {
        FakePop3Server server;
        server.send("+OK hello\r\n").answer("+OK\r\nUSER\r\n.\r\n");
        server.start();
        pop3Port = 1; // the entry's own port wins
        entry.setSecurity(SecurityStls);
        entry.setPort(server.port());
        ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
        ASSERT_TRUE(window.waitFor(WM_CHECK_DONE, 20000));
        EXPECT_EQ((std::vector<std::string>{ "CAPA" }), server.commands());
    }
    EXPECT_EQ(pop3StlsNotOffered, entry.getLastResult());
    ASSERT_EQ(1u, entryAtPost.size());
    EXPECT_EQ(pop3StlsNotOffered, entryAtPost[0].result);
    EXPECT_EQ("error: server does not offer STLS", entryAtPost[0].detail);
    EXPECT_TRUE(entry.stopCheck(false));

    FakePop3Server plain;
    plain.loggedIn().answer("+OK 0 0\r\n").answer("+OK bye\r\n");
    plain.start();
    pop3Port = plain.port();
    entry.setSecurity(SecurityNone);
    entry.setPort(0);
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    for (DWORD waited = 0; window.countOf(WM_CHECK_DONE) < 2 && waited < 20000; waited += 20)
        window.pumpFor(20);
    ASSERT_EQ(2u, window.countOf(WM_CHECK_DONE));
    EXPECT_EQ(0, entry.getLastResult());
    EXPECT_EQ(nullptr, entry.lastResultDetail);
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
    server.greets("+OK hello\r\n").receive(); // takes USER, then never answers
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

TEST_F(CheckWorkerTest, APasswordThisUserCannotReadFailsAtOnceWithoutConnectingUntilOneIsEntered)
{
    entry.setPassword(nullptr);
    const char blobOfAnotherUser[] = "not a blob this user can open";
    ASSERT_FALSE(entry.storedSecrets.open(blobOfAnotherUser, sizeof blobOfAnotherUser, entry.password,
                                          entry.refreshToken));
    ASSERT_TRUE(entry.secretsUnreadable());
    FakePop3Server server;
    server.loggedIn().answer("+OK 0 0\r\n").answer("+OK bye\r\n");
    checkAgainst(server);
    EXPECT_EQ(pop3PasswordUnreadable, entry.getLastResult());
    EXPECT_EQ(-117, entry.getLastResult());
    ASSERT_EQ(1u, entryAtPost.size());
    EXPECT_EQ("error: the stored password cannot be read by this user; enter it again", entryAtPost[0].detail);
    EXPECT_EQ(0, server.connections());
    EXPECT_TRUE(entry.stopCheck(false));

    entry.setPassword("secret");
    EXPECT_FALSE(entry.secretsUnreadable());
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    for (DWORD started = GetTickCount(); window.countOf(WM_CHECK_DONE) < 2 && GetTickCount() - started < 20000;)
        window.pumpFor(50);
    ASSERT_EQ(2u, window.countOf(WM_CHECK_DONE));
    EXPECT_EQ(0, entry.getLastResult());
    EXPECT_EQ(1, server.connections());
}

TEST_F(CheckWorkerTest, ASignInThisUserCannotReadFailsAtOnceWithALineAboutTheSignIn)
{
    entry.signIn = SignInMicrosoft;
    entry.security = SecuritySslTls;
    entry.setAccount("user@example.org");
    entry.setPassword(nullptr);
    const char blobOfAnotherUser[] = "not a blob this user can open";
    ASSERT_FALSE(entry.storedSecrets.open(blobOfAnotherUser, sizeof blobOfAnotherUser, entry.password,
                                          entry.refreshToken));
    ASSERT_TRUE(entry.secretsUnreadable());
    FakePop3Server server;
    checkAgainst(server);
    EXPECT_EQ(pop3PasswordUnreadable, entry.getLastResult());
    ASSERT_EQ(1u, entryAtPost.size());
    EXPECT_EQ("error: the stored sign-in cannot be read by this user; open the entry and sign in again",
              entryAtPost[0].detail);
    EXPECT_EQ(0, server.connections());
}

} // namespace
