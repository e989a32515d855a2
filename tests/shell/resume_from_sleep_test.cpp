// Waking from sleep: checks that ran across the sleep are stopped, the scheduler waits for the
// network (30 s at most), each entry that fell due is checked exactly once, and a connection
// failure right after the wake does not count toward a failing spell.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/seam_override.h"
#include "support/standin_worker.h"
#include "shell/failing_spells.h"
#include "shell/resume_from_sleep.h"
#include "connectivity/network_state_calls.h"
#include "mailcheck/pop3_session.h"
#include "platform/messages.h"
#include <string>

namespace {

// The network answers "down" this many more times, then "up".
int downAnswers = 0;
int networkQueries = 0;

BOOL WINAPI scriptedNetwork(LPDWORD flags)
{
    ++networkQueries;
    if (flags)
        *flags = 1;
    if (downAnswers > 0) {
        --downAnswers;
        return FALSE;
    }
    return TRUE;
}

class ResumeFromSleep : public ::testing::Test {
protected:
    MainWindowHarness h;
    SeamOverride<decltype(networkStateCalls.IsNetworkAlive)> network{ networkStateCalls.IsNetworkAlive,
                                                                     scriptedNetwork };

    void SetUp() override
    {
        downAnswers = 0;
        networkQueries = 0;
        h.writeEntryList([](EntryList& list) {
            for (const char* name : { "early", "late", "fresh", "off" }) {
                MailboxEntry* e = list.addNew();
                e->setName(name);
                e->setServer("127.0.0.1");
                e->connectionMode = AlwaysConnected;
                e->enabled = std::string(name) != "off";
            }
        });
        ASSERT_NE(nullptr, h.open());
        // Asleep since 10:00, woken at 12:00: the entries checked then, every 30 minutes, fell due;
        // the one checked at 11:50 is not due yet, and the disabled one is never checked.
        h.entry(0)->lastCheckTime = FakeClock::make(2026, 12, 8, 10, 0);
        h.entry(1)->lastCheckTime = FakeClock::make(2026, 12, 8, 9, 45);
        h.entry(2)->lastCheckTime = FakeClock::make(2026, 12, 8, 11, 50);
        h.entry(3)->lastCheckTime = FakeClock::make(2026, 12, 8, 10, 0);
    }
    void wake(WPARAM event = PBT_APMRESUMEAUTOMATIC)
    {
        SendMessageA(h.window(), WM_POWERBROADCAST, event, 0);
    }
    int checks(const std::string& name) const { return h.logCount(name + ": checking"); }
};

TEST_F(ResumeFromSleep, EachEntryThatFellDueIsCheckedOnceWhenTheNetworkIsBack)
{
    downAnswers = 3;
    wake();
    wake(PBT_APMRESUMESUSPEND); // the same wake, told a second time
    EXPECT_EQ(1, h.logCount("resumed from sleep: checking 2 accounts that fell due"));
    EXPECT_EQ(1, h.logCount("resumed from sleep"));

    // While the network is down the poll tick starts nothing.
    h.tick();
    EXPECT_EQ(0, checks("early"));
    ASSERT_TRUE(h.pumpUntil([&] { return checks("early") == 1; }, 10000)) << h.log();
    EXPECT_EQ(4, networkQueries);
    EXPECT_EQ(1, checks("late"));
    h.waitForIdleChecks();
    h.tick();
    h.tick();
    EXPECT_EQ(1, checks("early"));
    EXPECT_EQ(1, checks("late"));
    EXPECT_EQ(0, checks("fresh"));
    EXPECT_EQ(0, checks("off"));
    EXPECT_FALSE(ResumeHoldsChecks());
}

TEST_F(ResumeFromSleep, WithoutTheNetworkTheChecksGoOnAfterThirtySeconds)
{
    downAnswers = 1000;
    wake();
    for (UINT waited = resumeNetworkPollMs; waited < resumeNetworkWaitMs; waited += resumeNetworkPollMs)
        StepResumeWait(h.window());
    EXPECT_EQ(0, checks("early"));
    EXPECT_TRUE(ResumeHoldsChecks());
    StepResumeWait(h.window());
    EXPECT_EQ(1, checks("early"));
    EXPECT_EQ(1, checks("late"));
    EXPECT_FALSE(ResumeHoldsChecks());
    h.waitForIdleChecks();
}

TEST_F(ResumeFromSleep, ACheckRunningAcrossTheSleepIsStoppedAndRunsAgain)
{
    MailboxEntry* fresh = h.entry(2);
    startStandInWorker(*fresh, StandInBehaviour::EndsOnStop);
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), fresh->workerThread, GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    wake();
    EXPECT_FALSE(fresh->isCheckRunning());
    EXPECT_FALSE(threadRuns(thread));
    CloseHandle(thread);
    EXPECT_EQ(1, h.logCount("resumed from sleep: checking 3 accounts that fell due"));
    ASSERT_TRUE(h.pumpUntil([&] { return checks("fresh") == 1; }, 10000)) << h.log();
    h.waitForIdleChecks();
    EXPECT_EQ(1, checks("fresh"));
}

TEST_F(ResumeFromSleep, AConnectionFailureRightAfterTheWakeDoesNotCountTowardASpell)
{
    wake();
    ASSERT_TRUE(h.pumpUntil([&] { return checks("early") == 1; }, 10000));
    ASSERT_TRUE(h.waitForIdleChecks());
    EXPECT_EQ(pop3NoConnection, h.entry(0)->getLastResult()); // nothing listens on the port
    MailboxEntry* early = h.entry(0);
    auto fail = [&] {
        startStandInWorker(*early, StandInBehaviour::EndsOnStop);
        early->setLastResult(pop3NoConnection);
        SendMessageA(h.window(), WM_CHECK_DONE, reinterpret_cast<WPARAM>(early), 0);
    };
    fail();
    fail();
    EXPECT_EQ(0, h.logCount("warning: early cannot be checked"));
    fail();
    EXPECT_EQ(1, h.logCount("warning: early cannot be checked: the server cannot be reached"));
}

TEST_F(ResumeFromSleep, ASecondSleepSoonAfterTheFirstIsAWakeOfItsOwn)
{
    wake();
    ASSERT_TRUE(h.pumpUntil([&] { return checks("early") == 1; }, 10000));
    h.waitForIdleChecks();
    h.clock.advanceMinutes(45); // asleep again: the two fall due once more, and the third as well
    SendMessageA(h.window(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    wake(PBT_APMRESUMESUSPEND);
    EXPECT_EQ(1, h.logCount("resumed from sleep: checking 3 accounts that fell due")) << h.log();
    ASSERT_TRUE(h.pumpUntil([&] { return checks("early") == 2; }, 10000)) << h.log();
    h.waitForIdleChecks();
    EXPECT_EQ(2, checks("late"));
    EXPECT_EQ(1, checks("fresh"));
}

TEST_F(ResumeFromSleep, OtherPowerEventsChangeNothing)
{
    wake(PBT_APMSUSPEND);
    wake(PBT_APMPOWERSTATUSCHANGE);
    EXPECT_EQ(0, h.logCount("resumed from sleep"));
    EXPECT_FALSE(ResumeHoldsChecks());
}

} // namespace
