// The poll tick and the scheduler: dialling, waiting for the line, retry delays, the CPU gate and
// hanging up, against a fake remote access service.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "shell/scheduler.h"
#include "platform/thread_calls.h"
#include "support/seam_override.h"

namespace {

class Scheduler : public ::testing::Test {
protected:
    MainWindowHarness h;
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Scheduler() override
    {
        SetEvent(gate);
        h.pumpUntil([] { return !dialInProgress(); }, 5000);
        CloseHandle(gate);
    }
    bool logged(const std::string& part) const { return h.log().find(part) != std::string::npos; }
    bool waitForLog(const std::string& part) { return h.pumpUntil([&] { return logged(part); }, 5000); }
    static MailboxEntry* add(EntryList& list, const char* name, ConnectionMode mode, const char* line)
    {
        MailboxEntry* e = list.addNew();
        e->setName(name);
        e->setServer("127.0.0.1");
        e->connectionMode = mode;
        e->setDialupEntry(line);
        return e;
    }
};

TEST_F(Scheduler, TwoEntriesOnOneLineDialOnceAndTheSecondWaitsOnce)
{
    h.ras.phonebook = { "ISP" };
    h.ras.storedParams = { "ISP" };
    h.ras.dialGate = gate;
    h.writeEntryList([](EntryList& list) {
        add(list, "first", DialAsNeeded, "ISP");
        add(list, "second", DialAsNeeded, "ISP");
    });
    ASSERT_NE(nullptr, h.open());
    h.tick();
    EXPECT_TRUE(logged("dialing: ISP"));
    EXPECT_TRUE(logged("second: waiting for dialup access"));
    EXPECT_EQ(1, h.entry(1)->waitingForDialup);
    h.tick();
    EXPECT_EQ(1, h.logCount("waiting for dialup access"));
    // The dial thread reaches the dial call in its own time; on a busy machine that is after the tick.
    EXPECT_TRUE(h.pumpUntil([&] { return h.ras.count("dial ISP") > 0; }, 5000));
    EXPECT_EQ(1, h.ras.count("dial ISP"));

    SetEvent(gate);
    ASSERT_TRUE(waitForLog("first: checking.."));
    EXPECT_TRUE(logged("dial was successful"));
    EXPECT_STREQ("ISP", app.dialedConnectionName);
    h.tick();
    EXPECT_TRUE(logged("second: checking"));
    EXPECT_EQ(0, h.entry(1)->waitingForDialup);
    EXPECT_EQ(1, h.ras.count("dial ISP"));
    h.waitForIdleChecks();
}

TEST_F(Scheduler, AnEntryWhosePasswordCannotBeReadFailsWithoutDialling)
{
    h.ras.phonebook = { "ISP" };
    h.ras.storedParams = { "ISP" };
    h.writeEntryList([](EntryList& list) { add(list, "copied", DialAsNeeded, "ISP"); });
    ASSERT_NE(nullptr, h.open());
    const char blobOfAnotherUser[] = "made for someone else";
    MailboxEntry* e = h.entry(0);
    ASSERT_FALSE(e->storedSecrets.open(blobOfAnotherUser, sizeof blobOfAnotherUser, e->password, e->refreshToken));
    h.tick();
    ASSERT_TRUE(waitForLog("copied: error: the stored password cannot be read by this user; enter it again"))
        << h.log();
    EXPECT_EQ(0, h.ras.count("dial ISP"));
    EXPECT_FALSE(logged("dialing"));
    EXPECT_EQ(-117, e->getLastResult());
    h.waitForIdleChecks();
}

TEST_F(Scheduler, AFailingDialDoublesItsRetryDelayUpToSixHours)
{
    h.ras.phonebook = {}; // nothing can be dialled
    h.writeEntryList([](EntryList& list) { add(list, "home", DialAsNeeded, nullptr); });
    ASSERT_NE(nullptr, h.open());
    for (int delay : { 10, 20, 40, 80, 160, 320, 360, 360 }) {
        h.tick();
        std::string line = "retry: " + std::to_string(delay) + " mins";
        ASSERT_TRUE(waitForLog(line)) << h.log();
        ASSERT_TRUE(h.pumpUntil([] { return !dialInProgress(); }, 5000));
        EXPECT_EQ(delay, h.entry(0)->retryDelayMinutes);
        h.clock.advanceMinutes(delay - 1);
        h.tick(); // still held back
        EXPECT_FALSE(dialInProgress());
        h.clock.advanceMinutes(1);
    }
    EXPECT_TRUE(logged("home: warning: the dialin thread was unable to connect. make sure the dialup connection "
                       "is available and working properly, retry: 10 mins"));
}

TEST_F(Scheduler, TheCpuGateHoldsChecksBackAboveNinetyPercent)
{
    h.writeSettings([](Settings& s) { s.skipWhenCpuBusy = 1; });
    h.writeEntryList([](EntryList& list) { add(list, "lan", AlwaysConnected, nullptr); });
    ASSERT_NE(nullptr, h.open());
    h.dynData.setReading(91);
    h.tick();
    EXPECT_FALSE(logged("lan: checking"));
    h.dynData.setReading(90);
    h.tick();
    EXPECT_TRUE(logged("lan: checking"));
    h.waitForIdleChecks();

    size_t beeps = h.ui.beeps.size();
    h.entry(0)->checkRequested = true;
    h.dynData.values["PerfStats\\StatData"].erase("KERNEL\\CPUUsage"); // the reading fails
    h.tick();
    EXPECT_EQ(beeps + 1, h.ui.beeps.size());
    EXPECT_EQ(2, h.logCount("lan: checking")); // a failed reading lets the check go ahead
    h.waitForIdleChecks();
}

TEST_F(Scheduler, AConnectionTheUserMadeIsNeverHungUp)
{
    h.ras.phonebook = { "ISP" };
    FakeConnection byHand;
    byHand.name = "ISP";
    h.ras.connections.push_back(byHand);
    h.writeEntryList([](EntryList& list) { add(list, "work", WaitForConnection, "ISP")->hangUpWhenDone = true; });
    ASSERT_NE(nullptr, h.open());
    h.tick();
    EXPECT_TRUE(logged("work: checking"));
    ASSERT_TRUE(h.pumpUntil([&] { return h.entry(0)->hangUpPending; }, 5000));
    h.tick();
    EXPECT_FALSE(h.entry(0)->hangUpPending);
    EXPECT_EQ(0, h.ras.count("hangup ISP"));
    EXPECT_FALSE(logged("hanging up"));
}

TEST_F(Scheduler, AConnectionThisProgramDialledIsHungUpWhenNoEntryNeedsIt)
{
    h.ras.phonebook = { "ISP" };
    h.ras.storedParams = { "ISP" };
    h.writeEntryList([](EntryList& list) { add(list, "home", DialAsNeeded, "ISP")->hangUpWhenDone = true; });
    ASSERT_NE(nullptr, h.open());
    h.tick();
    ASSERT_TRUE(waitForLog("home: checking.."));
    ASSERT_TRUE(h.pumpUntil([&] { return h.entry(0)->hangUpPending; }, 5000));
    h.tick();
    EXPECT_TRUE(logged("ISP: hanging up"));
    EXPECT_EQ(1, h.ras.count("hangup ISP"));
    EXPECT_FALSE(h.entry(0)->hangUpPending);
}

TEST_F(Scheduler, ASuccessfulDialForAnEntryDisabledMeanwhileStartsNoCheck)
{
    h.ras.phonebook = { "ISP" };
    h.ras.storedParams = { "ISP" };
    h.ras.dialGate = gate;
    h.writeEntryList([](EntryList& list) { add(list, "home", DialAsNeeded, "ISP"); });
    ASSERT_NE(nullptr, h.open());
    h.tick();
    h.entry(0)->disable();
    SetEvent(gate);
    ASSERT_TRUE(waitForLog("dial was successful"));
    h.pump(200);
    EXPECT_FALSE(logged("checking"));
    EXPECT_FALSE(h.entry(0)->isCheckRunning());
}

TEST_F(Scheduler, WaitingEntriesCheckOnlyWhileConnectedUnlessTheUserAsks)
{
    h.ras.phonebook = { "ISP" };
    h.ras.storedParams = { "ISP" };
    h.writeEntryList([](EntryList& list) {
        add(list, "waiter", WaitForConnection, "ISP");
        list.addNew()->setName("no server");
    });
    ASSERT_NE(nullptr, h.open());
    h.tick();
    EXPECT_FALSE(logged("checking"));
    EXPECT_FALSE(logged("dialing"));
    EXPECT_FALSE(logged("no server"));
    h.entry(0)->checkRequested = true; // a request dials like a dial-as-needed entry
    h.tick();
    EXPECT_TRUE(logged("dialing: ISP"));
    ASSERT_TRUE(waitForLog("waiter: checking.."));
    h.waitForIdleChecks();
}

TEST_F(Scheduler, TheConnectionWatchSpeaksTheSpeedAndForgetsADialledLineReplacedByAnother)
{
    h.dynData.values["PerfStats\\StatData"]["Dial-Up Adapter\\ConnectSpeed"] = std::string("\x80\x70\x00\x00", 4);
    ASSERT_NE(nullptr, h.open());
    FakeConnection line;
    line.name = "Other ISP";
    h.ras.connections.push_back(line);
    snprintf(app.dialedConnectionName, sizeof app.dialedConnectionName, "ISP");
    h.speech->clearLog();
    h.tick();
    EXPECT_STREQ("Other ISP", app.activeConnectionName);
    EXPECT_STREQ("", app.dialedConnectionName);
    bool spoken = false;
    for (const std::string& call : h.speech->log)
        spoken = spoken || call.find("connected at 28800 bps") != std::string::npos;
    EXPECT_TRUE(spoken);
    EXPECT_EQ(28800, ReadConnectSpeed());
    h.dynData.valueType = REG_DWORD;
    EXPECT_EQ(-1, ReadConnectSpeed());

    h.ras.connections.clear();
    h.tick();
    EXPECT_STREQ("", app.activeConnectionName);
}

TEST_F(Scheduler, EntriesTheSchedulerNeverChecksDoNotHoldADialledLineUp)
{
    h.ras.phonebook = { "ISP" };
    h.ras.storedParams = { "ISP" };
    h.writeEntryList([](EntryList& list) {
        add(list, "home", DialAsNeeded, "ISP")->hangUpWhenDone = true;
        add(list, "off", DialAsNeeded, "ISP")->enabled = false; // never checked, so always "due"
        add(list, "no server", DialAsNeeded, nullptr)->setServer(nullptr);
    });
    ASSERT_NE(nullptr, h.open());
    h.tick();
    ASSERT_TRUE(waitForLog("home: checking.."));
    ASSERT_TRUE(h.pumpUntil([&] { return h.entry(0)->hangUpPending; }, 5000));
    h.tick();
    EXPECT_TRUE(logged("ISP: hanging up"));
    EXPECT_EQ(1, h.ras.count("hangup ISP"));

    // A requested check makes the disabled entry one the scheduler checks: it needs the line again.
    h.entry(0)->hangUpPending = true;
    h.entry(1)->checkRequested = true;
    h.ras.connections.clear(); // the line is down, so the request dials rather than checks
    h.ras.dialGate = gate;
    h.tick();
    EXPECT_TRUE(logged("dialing: ISP"));
    EXPECT_TRUE(h.entry(0)->hangUpPending); // held back while the other entry waits for its dial
}

TEST_F(Scheduler, RemoteAccessFailuresAreLogged)
{
    h.ras.phonebook = { "ISP" };
    FakeConnection broken;
    broken.name = "ISP";
    broken.statusError = 5;
    h.ras.connections.push_back(broken);
    ASSERT_NE(nullptr, h.open());
    h.tick();
    EXPECT_TRUE(logged("error: GetRasConnState() failed"));

    // The line this program dialled is up, but hanging it up fails on another connection that
    // shares its name ("IS" occurs inside "ISP").
    h.ras.connections.clear();
    FakeConnection line;
    line.name = "ISP";
    h.ras.connections.push_back(line);
    h.ras.connections.push_back(broken);
    h.ras.connections.back().name = "IS";
    snprintf(app.dialedConnectionName, sizeof app.dialedConnectionName, "ISP");
    MailboxEntry* home = app.entries.addNew();
    home->setName("home");
    home->setServer("127.0.0.1");
    home->connectionMode = DialAsNeeded;
    home->setDialupEntry("ISP");
    home->hangUpWhenDone = true;
    home->hangUpPending = true;
    home->lastCheckTime = FakeClock::make(2026, 12, 8, 11, 59); // checked a minute ago: not due
    h.tick();
    EXPECT_TRUE(logged("ISP: hanging up"));
    EXPECT_TRUE(logged("error: HangUpConnection() failed"));
    EXPECT_EQ(1, h.ras.count("hangup ISP"));
    EXPECT_FALSE(home->hangUpPending);
}

HANDLE WINAPI noThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

TEST_F(Scheduler, ADialThreadThatCannotStartSetsTheRetryDelay)
{
    h.writeEntryList([](EntryList& list) { add(list, "home", DialAsNeeded, nullptr); });
    ASSERT_NE(nullptr, h.open());
    SeamOverride<decltype(threadCalls.CreateThread)> refused(threadCalls.CreateThread, noThread);
    h.tick();
    EXPECT_TRUE(logged("home: error: DoThreadDialIn() failed, retry: 10 mins"));
    EXPECT_EQ(10, h.entry(0)->retryDelayMinutes);
    EXPECT_FALSE(dialInProgress());
    h.tick(); // held back by the delay
    EXPECT_FALSE(logged("retry: 20 mins"));
    h.clock.advanceMinutes(10);
    h.tick();
    EXPECT_TRUE(logged("home: error: DoThreadDialIn() failed, retry: 20 mins"));
}

} // namespace
