// The main window and a watched IMAP folder: the window starts the watch again after each report,
// the scheduler leaves a running watch alone, the list shows it as watching, and a change of the
// folder reaches the log within two seconds.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/modal_script.h"
#include "support/window_driver.h"
#include "resources/resource.h"
#include "support/scripted_imap_server.h"
#include "shell/scheduler.h"
#include "mailcheck/imap_watch.h"
#include "mailcheck/session_limits.h"
#include "support/seam_override.h"
#include <atomic>

namespace {

std::string header(int n)
{
    return "From: sender" + std::to_string(n) + "@example.org\r\nSubject: watched " + std::to_string(n) + "\r\n\r\n";
}

TEST(WatchedFolder, TheWindowKeepsWatchingAndTheLogHasTheNewsWithinTwoSeconds)
{
    std::atomic<bool> deliver{ false };
    ScriptedImapServer server;
    server.messages = { { 11, header(1) }, { 12, header(2) } };
    server.override = [&](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb != "IDLE")
            return false;
        connection.send("+ idling\r\n");
        for (int i = 0; i < 200 && !deliver; ++i)
            Sleep(25);
        if (deliver && server.messages.size() == 2) {
            server.messages.push_back({ 13, header(3) });
            connection.send("* 3 EXISTS\r\n");
        }
        return true;
    };
    server.start();

    MainWindowHarness h;
    h.writeEntryList([&](EntryList& list) {
        MailboxEntry* e = list.addNew();
        e->setName("watched");
        e->setServer("127.0.0.1");
        e->setUser("tester");
        e->setPassword("secret");
        e->connectionMode = AlwaysConnected;
        e->protocol = ProtocolImap;
        e->watchContinuously = true;
        e->setPort(server.port());
        e->periodMinutes = 0; // due at every tick: the scheduler must still leave the watch alone
    });
    ASSERT_NE(nullptr, h.open());
    MailboxEntry* entry = h.entry(0);
    h.tick();
    ASSERT_TRUE(h.pumpUntil([&] { return h.log().find("watched: 2 messages") != std::string::npos; }, 10000))
        << h.log();
    ASSERT_TRUE(h.pumpUntil([&] { return entry->workerParams.idling != 0; }, 5000));
    EXPECT_TRUE(h.pumpUntil([&] { return h.rowText(0, 2) == "watching"; }, 3000)) << h.rowText(0, 2);
    h.tick();
    h.tick();
    EXPECT_EQ(1, h.logCount("watched: checking"));

    // Its headers can be looked at while it idles.
    ASSERT_TRUE(h.selectRow(0));
    std::string shown;
    ModalScript script;
    script.on("Message Header(s)", [&](HWND dialog) {
        char text[4096] = "";
        SetDlgItemInt(dialog, IDC_HDR_MESSAGE, 2, FALSE); // the viewer shows one message at a time
        GetDlgItemTextA(dialog, IDC_HDR_TEXT, text, sizeof text);
        shown = text;
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    h.command(IDM_SHOW_HEADERS);
    EXPECT_NE(std::string::npos, shown.find("Subject: watched 2")) << shown;

    DWORD delivered = GetTickCount();
    deliver = true;
    ASSERT_TRUE(h.pumpUntil([&] { return h.log().find("watched: 3 messages") != std::string::npos; }, 5000))
        << h.log();
    EXPECT_LT(GetTickCount() - delivered, 2000u);
    EXPECT_EQ("3", h.rowText(0, 3));
    EXPECT_TRUE(h.pumpUntil([&] { return entry->workerParams.idling != 0; }, 5000)) << "watching again";

    DWORD stopping = GetTickCount();
    EXPECT_TRUE(entry->stopCheck(false));
    EXPECT_LT(GetTickCount() - stopping, 2000u);
}

// A watch the server drops connects again after a short pause, and goes on watching without
// announcing the unchanged folder again.
TEST(WatchedFolder, ADroppedWatchConnectsAgainAfterAPause)
{
    SeamOverride<volatile LONG> shortPause(watchRetryBaseMs, 300);
    std::atomic<int> idles{ 0 };
    ScriptedImapServer server;
    server.messages = { { 11, header(1) }, { 12, header(2) } };
    server.override = [&](ImapTestConnection& connection, const ImapTestCommand& command) {
        if (command.verb != "IDLE")
            return false;
        connection.send("+ idling\r\n");
        if (++idles == 1) {
            connection.close(); // the first watch is dropped
            return true;
        }
        connection.hold();
        return true;
    };
    server.start();

    MainWindowHarness h;
    h.writeEntryList([&](EntryList& list) {
        MailboxEntry* e = list.addNew();
        e->setName("watched");
        e->setServer("127.0.0.1");
        e->setUser("tester");
        e->setPassword("secret");
        e->connectionMode = AlwaysConnected;
        e->protocol = ProtocolImap;
        e->watchContinuously = true;
        e->setPort(server.port());
    });
    ASSERT_NE(nullptr, h.open());
    MailboxEntry* entry = h.entry(0);
    h.tick();
    ASSERT_TRUE(h.pumpUntil([&] { return h.log().find("watched: error: the connection broke while idling") !=
                                         std::string::npos; }, 10000))
        << h.log();
    EXPECT_EQ(imapWatchBroken, entry->getLastResult());
    EXPECT_TRUE(entry->workerParams.watchRetryPending);
    h.pump(400);
    h.tick();
    // The flag goes up just before IDLE is sent: the server may not have it yet.
    ASSERT_TRUE(h.pumpUntil([&] { return entry->workerParams.idling != 0 && idles == 2; }, 5000)) << h.log();
    EXPECT_EQ(1, h.logCount("watched: 2 messages")) << h.log();
    EXPECT_EQ(1u, entry->workerParams.watchFailures); // reset once a watch reports again
    EXPECT_TRUE(entry->stopCheck(false));
}

TEST(WatchedFolder, ThePauseAfterDropsDoublesUpToAMinute)
{
    EXPECT_EQ(10000u, watchRetryPauseMs(1));
    EXPECT_EQ(20000u, watchRetryPauseMs(2));
    EXPECT_EQ(40000u, watchRetryPauseMs(3));
    EXPECT_EQ(60000u, watchRetryPauseMs(4));
    EXPECT_EQ(60000u, watchRetryPauseMs(4000000000u));
}

} // namespace
