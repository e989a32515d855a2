// Watching an IMAP folder through the check worker, as the window runs it: after a check the
// next cycle idles while the folder is unchanged on the same connection, reports a change within
// two seconds, ends at once when stopped, ends by itself when the entry's window closes, and polls
// a server without IDLE.
#include "imap_test_support.h"
#include "mailcheck/imap_idle.h"
#include "mailcheck/imap_watch.h"
#include "mailcheck/imap_watch_connection.h"
#include "platform/messages.h"
#include "support/recording_window.h"
#include <gmock/gmock.h>
#include <atomic>
#include <memory>
#include <set>

namespace {

class ImapWatchTest : public ImapSessionTest {
protected:
    void SetUp() override
    {
        ImapSessionTest::SetUp();
        addMessages(1, 2);
        // IDLE answers "+" and then tells of a third message once the test says so.
        server.override = [this](ImapTestConnection& connection, const ImapTestCommand& command) {
            if (command.verb != "IDLE")
                return false;
            connection.send("+ idling\r\n");
            for (int i = 0; i < 200 && !deliver && !server.stopping(); ++i)
                Sleep(25);
            if (deliver && server.messages.size() == 2) {
                server.messages.push_back(ImapTestMessage{ 103, imapHeader(3) });
                connection.send("* 3 EXISTS\r\n");
            }
            return true;
        };
        server.start();
        started = true;
        entry.setName("watched");
        entry.setServer("127.0.0.1");
        entry.setUser("tester");
        entry.setPassword("secret");
        entry.protocol = ProtocolImap;
        entry.watchContinuously = true;
        entry.connectionMode = AlwaysConnected;
        entry.setPort(server.port());
    }
    void TearDown() override
    {
        entry.stopCheck(false);
        ImapSessionTest::TearDown();
    }

    // One check as the window runs it: started, its message awaited, the thread joined.
    bool cycle(bool resume, DWORD ms = 10000)
    {
        RecordingWindow window;
        entry.workerParams.resumeWatch = resume;
        if (!entry.DoCheckEmail(window.handle()) || !window.waitFor(WM_CHECK_DONE, ms))
            return false;
        return entry.stopCheck(false);
    }

    bool waitUntilIdling()
    {
        for (int i = 0; i < 200; ++i) {
            if (entry.workerParams.idling)
                return true;
            Sleep(25);
        }
        return false;
    }

    std::atomic<bool> deliver{ false };
    MailboxEntry entry;
};

TEST_F(ImapWatchTest, AfterACheckTheWatchIdlesUntilTheFolderChangesAndReportsWithinTwoSeconds)
{
    ASSERT_TRUE(cycle(false));
    EXPECT_EQ(2, entry.getLastResult());
    EXPECT_THAT(entry.workerParams.watchedIds, ::testing::ElementsAre("7.101", "7.102"));

    RecordingWindow window;
    entry.workerParams.resumeWatch = true;
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(waitUntilIdling());
    window.pumpFor(300);
    EXPECT_TRUE(window.received().empty()) << "nothing to report while the folder is unchanged";
    DWORD delivered = GetTickCount();
    deliver = true;
    ASSERT_TRUE(window.waitFor(WM_CHECK_DONE, 5000));
    EXPECT_LT(GetTickCount() - delivered, 2000u);
    ASSERT_TRUE(entry.stopCheck(false));
    EXPECT_EQ(3, entry.getLastResult());
    ASSERT_EQ(3, entry.headerCount);
    EXPECT_EQ(keptForm(imapHeader(3)), entry.getHeader(2));
    EXPECT_EQ(0, entry.workerParams.idling);

    const std::set<std::string> readOnly = { "CAPABILITY", "LOGIN", "EXAMINE", "FETCH", "UID FETCH",
                                             "IDLE",       "DONE",  "NOOP",    "LOGOUT" };
    for (const std::string& verb : server.verbs())
        EXPECT_EQ(1u, readOnly.count(verb)) << verb;

    // The report came over the connection of the first check, and the watch idles on it again.
    entry.workerParams.resumeWatch = true;
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(waitUntilIdling());
    EXPECT_EQ(1, server.connections());
    std::vector<std::string> verbs = server.verbs();
    EXPECT_EQ(1, std::count(verbs.begin(), verbs.end(), "LOGIN"));
    EXPECT_EQ(0, std::count(verbs.begin(), verbs.end(), "LOGOUT"));
    EXPECT_EQ(2, std::count(verbs.begin(), verbs.end(), "NOOP")) << "asked for news before each IDLE";
}

// Between two cycles the connection waits parked for the window: a server that dropped it
// meanwhile costs a new login, not a failed watch; a watch that does not go on logs out.
TEST_F(ImapWatchTest, AConnectionLostBetweenCyclesIsReplacedAndOneNotNeededLogsOut)
{
    // Held by value: the server's threads may still be in IDLE when the test ends.
    ScriptedImapServer::Override idle = server.override;
    auto dropOnNoop = std::make_shared<std::atomic<bool>>(true);
    server.override = [idle, dropOnNoop](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb == "NOOP" && dropOnNoop->exchange(false)) {
            connection.close();
            return true;
        }
        return idle(connection, command);
    };
    ASSERT_TRUE(cycle(false));
    ASSERT_NE(nullptr, entry.workerParams.parkedWatch);
    RecordingWindow window;
    entry.workerParams.resumeWatch = true;
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(waitUntilIdling());
    EXPECT_TRUE(window.received().empty()) << "no failure reported";
    EXPECT_EQ(2, server.connections());
    ASSERT_TRUE(entry.stopCheck(false));

    // A check that reports and is not followed by another: the window closes the parked connection.
    entry.workerParams.resumeWatch = false;
    ASSERT_TRUE(cycle(false));
    ASSERT_NE(nullptr, entry.workerParams.parkedWatch);
    size_t before = server.verbs().size();
    closeParkedWatch(entry.workerParams);
    EXPECT_EQ(nullptr, entry.workerParams.parkedWatch);
    for (int i = 0; i < 40 && server.verbs().size() == before; ++i)
        Sleep(25);
    EXPECT_EQ("LOGOUT", server.verbs().back());
    closeParkedWatch(entry.workerParams); // nothing parked: nothing happens
}

// IDLE is renewed (here every 300 ms, through the seam) on the connection the watch has, and a
// renewal is no news.
TEST_F(ImapWatchTest, RenewalSendsIdleAgainOnTheSameConnectionWithoutAReport)
{
    SeamOverride<volatile LONG> shortRenewal(imapIdleRenewalMs, 300);
    server.override = [this](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb != "IDLE")
            return false;
        connection.send("+ idling\r\n");
        while (!server.stopping() && connection.linesWaiting(25) == 0) {
        }
        return true; // DONE is waiting: the server answers it
    };
    ASSERT_TRUE(cycle(false));
    RecordingWindow window;
    entry.workerParams.resumeWatch = true;
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(waitUntilIdling());
    window.pumpFor(1200);
    EXPECT_TRUE(window.received().empty());
    ASSERT_TRUE(entry.stopCheck(false));
    std::vector<std::string> verbs = server.verbs();
    EXPECT_GE(std::count(verbs.begin(), verbs.end(), "IDLE"), 3);
    EXPECT_EQ(1, std::count(verbs.begin(), verbs.end(), "LOGIN"));
    EXPECT_EQ(1, server.connections());
}

// Settings changed between two cycles: the parked connection, logged in to the old ones, is
// not taken up.
TEST_F(ImapWatchTest, AParkedConnectionServesOnlyTheSettingsItWasMadeFor)
{
    ASSERT_TRUE(cycle(false));
    entry.setUser("someone else");
    server.user = "someone else";
    RecordingWindow window;
    entry.workerParams.resumeWatch = true;
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(waitUntilIdling());
    EXPECT_EQ(2, server.connections());
    std::vector<std::string> verbs = server.verbs();
    EXPECT_EQ(2, std::count(verbs.begin(), verbs.end(), "LOGIN"));
    EXPECT_EQ(1, std::count(verbs.begin(), verbs.end(), "LOGOUT")) << "the old connection logged out";
    EXPECT_EQ(0, std::count(verbs.begin(), verbs.end(), "NOOP"));
}

TEST_F(ImapWatchTest, StoppingAWatchEndsItAtOnceWithDoneAndLogoutAndNoReport)
{
    ASSERT_TRUE(cycle(false));
    RecordingWindow window;
    entry.workerParams.resumeWatch = true;
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(waitUntilIdling());
    DWORD stopping = GetTickCount();
    ASSERT_TRUE(entry.stopCheck(false));
    EXPECT_LT(GetTickCount() - stopping, 2000u);
    window.pumpFor(200);
    EXPECT_TRUE(window.received().empty());
    EXPECT_EQ(2, entry.getLastResult());
    for (int i = 0; i < 160 && server.verbs().back() != "LOGOUT"; ++i) // the server idles 5 s at most
        Sleep(50);
    std::vector<std::string> verbs = server.verbs();
    ASSERT_GE(verbs.size(), 3u);
    EXPECT_EQ("IDLE", verbs[verbs.size() - 3]);
    EXPECT_EQ("DONE", verbs[verbs.size() - 2]);
    EXPECT_EQ("LOGOUT", verbs.back());
}

TEST_F(ImapWatchTest, TheWatchEndsByItselfWhenTheEntrysWindowCloses)
{
    SeamOverride<volatile LONG> askOften(imapIdleCheckMs, 100);
    ASSERT_TRUE(cycle(false));
    RecordingWindow window;
    entry.workerParams.resumeWatch = true;
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(waitUntilIdling());
    bool none[7] = {};
    entry.setCheckDays(none);
    ASSERT_TRUE(window.waitFor(WM_WATCH_ENDED, 3000));
    EXPECT_EQ(1u, window.received().size());
    EXPECT_TRUE(entry.stopCheck(false));
    EXPECT_EQ(2, entry.getLastResult());
}

TEST_F(ImapWatchTest, AServerWithoutIdleIsCheckedAtOnceInsteadOfWatched)
{
    server.capabilities = "IMAP4rev1";
    ASSERT_TRUE(cycle(false));
    ASSERT_TRUE(cycle(true, 3000));
    std::vector<std::string> verbs = server.verbs();
    EXPECT_EQ(0, std::count(verbs.begin(), verbs.end(), "IDLE"));
    EXPECT_EQ(2, std::count(verbs.begin(), verbs.end(), "LOGOUT"));
}

// Only LAN entries with the option, and only IMAP, watch; a dial-up line is never held up.
TEST(ImapWatchChoice, OnlyImapEntriesWithTheOptionOnALanWatch)
{
    MailboxEntry entry;
    entry.protocol = ProtocolImap;
    entry.watchContinuously = true;
    entry.connectionMode = AlwaysConnected;
    EXPECT_TRUE(watchesFolder(entry));
    entry.connectionMode = DialAsNeeded;
    EXPECT_FALSE(watchesFolder(entry));
    entry.connectionMode = WaitForConnection;
    EXPECT_FALSE(watchesFolder(entry));
    entry.connectionMode = AlwaysConnected;
    entry.watchContinuously = false;
    EXPECT_FALSE(watchesFolder(entry));
    entry.watchContinuously = true;
    entry.protocol = ProtocolPop3;
    EXPECT_FALSE(watchesFolder(entry));
}

} // namespace
