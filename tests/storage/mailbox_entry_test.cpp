// A mailbox entry: strings, clearing, copying, stopping its check, and its schedule.
#include <gtest/gtest.h>
#include "storage/mailbox_entry.h"
#include "support/fake_clock.h"
#include "support/entry_headers.h"
#include "support/standin_worker.h"
#include <cstring>

namespace {

TEST(MailboxEntryStrings, EmptyOrNullTextLeavesTheFieldNullAndCopiesAreOwned)
{
    MailboxEntry e;
    char text[] = "work";
    e.setName(text);
    text[0] = 'X';
    EXPECT_STREQ("work", e.name);
    e.setName("");
    EXPECT_EQ(nullptr, e.name);
    e.setServer("pop.example.org");
    e.setServer(nullptr);
    EXPECT_EQ(nullptr, e.server);
    e.setUser("me");
    e.setUser(e.user); // its own text
    EXPECT_STREQ("me", e.user);
}

TEST(MailboxEntryDefaults, MatchTheDocumentedInitialValues)
{
    MailboxEntry e;
    EXPECT_EQ(WaitForConnection, e.connectionMode);
    for (bool day : e.checkDays)
        EXPECT_TRUE(day);
    EXPECT_EQ(0, e.periodHours);
    EXPECT_EQ(30, e.periodMinutes);
    EXPECT_EQ(-1, e.startHour);
    EXPECT_EQ(-1, e.endHour);
    EXPECT_TRUE(e.enabled);
    EXPECT_FALSE(e.isCheckRunning());
    EXPECT_EQ(0, e.lastCheckTime.wYear);
}

TEST(MailboxEntryClear, FreesStringsAndRunStateButKeepsScheduleAndModes)
{
    MailboxEntry e;
    e.setName("a");
    e.setPassword("p");
    e.setShellCommandFile("f");
    e.runShellCommand = true;
    e.connectionMode = AlwaysConnected;
    e.periodHours = 2;
    e.enabled = false;
    e.hangUpWhenDone = true;
    e.checkRequested = true;
    e.hangUpPending = true;
    e.lastResult = 4;
    e.setSecurity(SecuritySslTls);
    e.setPort(995);
    e.setTrustedCertificate("AB");
    e.setAnnounceNewOnly(true);
    e.protocol = ProtocolImap;
    e.setFolder("Lists");
    e.watchContinuously = true;
    e.signIn = SignInMicrosoft;
    e.setAccount("a@example.org");
    e.setRefreshToken("token");
    e.showNotification = false;
    e.mute = true;
    giveHeaders(e, { "hi" });
    e.clear();
    EXPECT_EQ(nullptr, e.name);
    EXPECT_EQ(nullptr, e.password);
    EXPECT_EQ(nullptr, e.shellCommandFile);
    EXPECT_FALSE(e.runShellCommand);
    EXPECT_FALSE(e.checkRequested);
    EXPECT_FALSE(e.hangUpPending);
    EXPECT_EQ(0, e.lastResult);
    EXPECT_EQ(nullptr, e.getHeader(0));
    EXPECT_EQ(AlwaysConnected, e.connectionMode);
    EXPECT_EQ(2, e.periodHours);
    EXPECT_FALSE(e.enabled);
    EXPECT_TRUE(e.hangUpWhenDone);
    // The connection's security goes back to what an entry from an older list file has.
    EXPECT_EQ(SecurityNone, e.security);
    EXPECT_EQ(0, e.port);
    EXPECT_EQ(nullptr, e.trustedCertificate);
    EXPECT_FALSE(e.announceNewOnly);
    // So do the fields of the newest version.
    EXPECT_EQ(ProtocolPop3, e.protocol);
    EXPECT_EQ(nullptr, e.folder);
    EXPECT_FALSE(e.watchContinuously);
    EXPECT_EQ(SignInPassword, e.signIn);
    EXPECT_EQ(nullptr, e.account);
    EXPECT_EQ(nullptr, e.refreshToken);
    EXPECT_TRUE(e.showNotification);
    EXPECT_FALSE(e.mute);
}

TEST(MailboxEntryStop, StopWaitsForTheWorkerAndClosesItsHandles)
{
    MailboxEntry e;
    startStandInWorker(e, StandInBehaviour::EndsOnStop);
    ASSERT_TRUE(e.isCheckRunning());
    e.waitingForDialup = 1;
    EXPECT_TRUE(e.stopCheck(false));
    EXPECT_FALSE(e.isCheckRunning());
    EXPECT_EQ(nullptr, e.stopEvent);
    EXPECT_EQ(0, e.waitingForDialup);
    EXPECT_TRUE(e.stopCheck(false)); // nothing to stop
}

TEST(MailboxEntryStop, AWorkerThatIgnoresTheStopIsKeptThenTerminated)
{
    MailboxEntry e;
    startStandInWorker(e, StandInBehaviour::IgnoresStop);
    HANDLE thread = e.workerThread;
    EXPECT_FALSE(e.stopCheck(false)); // gives up after its 10-second wait
    EXPECT_EQ(thread, e.workerThread);
    EXPECT_TRUE(threadRuns(thread));
    EXPECT_TRUE(e.stopCheck(true));
    EXPECT_FALSE(e.isCheckRunning());
}

TEST(MailboxEntryCopy, DisabledSourceDisablesTheTargetAndStopsItsCheck)
{
    MailboxEntry source;
    source.setName("home");
    source.setServer("10.0.0.1");
    source.setPassword("secret");
    source.setDialupEntry("ISP");
    source.connectionMode = DialAsNeeded;
    source.checkDays[3] = false;
    source.periodHours = 1;
    source.startHour = 8;
    source.endMinute = 30;
    source.enabled = false;
    source.hangUpWhenDone = true;
    source.lastResult = 7;
    source.lastCheckTime = FakeClock::make(2026, 3, 4, 5, 6);
    source.playSoundOnNoMail = true;
    source.setNoMailSoundFile("quiet.wav");
    source.runMailProgram = true;
    source.setMailProgramPath("mail.exe");
    source.setMailProgramArgs("-x");
    source.retryDelayMinutes = 20;
    source.hangUpPending = true;
    source.setSecurity(SecurityStls);
    source.setPort(1110);
    source.setTrustedCertificate("0123ABCD");
    source.setAnnounceNewOnly(true);
    source.protocol = ProtocolImap;
    source.setFolder("Lists");
    source.watchContinuously = true;
    source.signIn = SignInGoogle;
    source.setAccount("home@example.org");
    source.setRefreshToken("1//token");
    source.showNotification = false;
    source.mute = true;

    MailboxEntry target;
    startStandInWorker(target, StandInBehaviour::EndsOnStop);
    target.copyFrom(source);

    EXPECT_FALSE(target.enabled);
    EXPECT_FALSE(target.isCheckRunning());
    EXPECT_STREQ("home", target.name);
    EXPECT_NE(source.name, target.name);
    EXPECT_STREQ("secret", target.password);
    EXPECT_STREQ("ISP", target.dialupEntry);
    EXPECT_EQ(DialAsNeeded, target.connectionMode);
    EXPECT_FALSE(target.checkDays[3]);
    EXPECT_EQ(1, target.periodHours);
    EXPECT_EQ(8, target.startHour);
    EXPECT_EQ(30, target.endMinute);
    EXPECT_TRUE(target.hangUpWhenDone);
    EXPECT_EQ(7, target.lastResult);
    EXPECT_EQ(5, target.lastCheckTime.wHour);
    EXPECT_TRUE(target.playSoundOnNoMail);
    EXPECT_STREQ("quiet.wav", target.noMailSoundFile);
    EXPECT_STREQ("-x", target.mailProgramArgs);
    EXPECT_EQ(SecurityStls, target.security);
    EXPECT_EQ(1110, target.port);
    EXPECT_STREQ("0123ABCD", target.trustedCertificate);
    EXPECT_NE(source.trustedCertificate, target.trustedCertificate);
    EXPECT_TRUE(target.announceNewOnly);
    EXPECT_EQ(ProtocolImap, target.protocol);
    EXPECT_STREQ("Lists", target.folder);
    EXPECT_NE(source.folder, target.folder);
    EXPECT_TRUE(target.watchContinuously);
    EXPECT_EQ(SignInGoogle, target.signIn);
    EXPECT_STREQ("home@example.org", target.account);
    EXPECT_STREQ("1//token", target.refreshToken);
    EXPECT_NE(source.refreshToken, target.refreshToken);
    EXPECT_FALSE(target.showNotification);
    EXPECT_TRUE(target.mute);
    // Retry state and a pending hang-up belong to the entry, not its configuration.
    EXPECT_EQ(0, target.retryDelayMinutes);
    EXPECT_FALSE(target.hangUpPending);
}

TEST(MailboxEntryDisable, StopsTheCheckAndClearsTheRequest)
{
    MailboxEntry e;
    e.checkRequested = true;
    e.waitingForDialup = 1;
    startStandInWorker(e, StandInBehaviour::EndsOnStop);
    e.disable();
    EXPECT_FALSE(e.enabled);
    EXPECT_FALSE(e.checkRequested);
    EXPECT_FALSE(e.isCheckRunning());
    EXPECT_EQ(0, e.waitingForDialup);
}

class Schedule : public ::testing::Test {
protected:
    FakeClock clock{ 2026, 12, 8, 12, 0 }; // a Tuesday
    MailboxEntry e;
    void lastCheckAt(int year, int month, int day, int hour, int minute)
    {
        e.lastCheckTime = FakeClock::make(year, month, day, hour, minute);
    }
};

TEST_F(Schedule, NewEntryIsDueAtOnceAndAgainThirtyMinutesAfterEachCheck)
{
    for (int hour : { 0, 7, 13, 23 }) {
        clock.set(2026, 12, 6 + hour % 7, hour, 59);
        EXPECT_TRUE(e.isDue()) << hour;
    }
    clock.set(2026, 12, 8, 10, 15);
    lastCheckAt(2026, 12, 8, 10, 15);
    EXPECT_FALSE(e.isDue());
    clock.advanceMinutes(29);
    EXPECT_FALSE(e.isDue());
    clock.advanceMinutes(1);
    EXPECT_TRUE(e.isDue());
}

TEST_F(Schedule, DayFlagsFollowTheDayOfTheWeek)
{
    bool onlyTuesday[7] = { false, false, true, false, false, false, false };
    e.setCheckDays(onlyTuesday);
    clock.set(2026, 12, 8, 9, 0); // Tuesday
    EXPECT_TRUE(e.isDue());
    clock.set(2026, 12, 9, 9, 0); // Wednesday
    EXPECT_FALSE(e.isDue());
    e.checkRequested = true; // a request overrides the days
    EXPECT_TRUE(e.isDue());
}

TEST_F(Schedule, WindowStartIsInclusiveAndEndExclusive)
{
    e.startHour = 8;
    e.startMinute = 0;
    e.endHour = 17;
    e.endMinute = 30;
    lastCheckAt(2026, 12, 7, 1, 0);
    clock.set(2026, 12, 8, 7, 59);
    EXPECT_FALSE(e.isDue());
    clock.set(2026, 12, 8, 8, 0);
    EXPECT_TRUE(e.isDue());
    clock.set(2026, 12, 8, 17, 29);
    EXPECT_TRUE(e.isDue());
    clock.set(2026, 12, 8, 17, 30);
    EXPECT_FALSE(e.isDue());
    clock.set(2026, 12, 8, 18, 0);
    EXPECT_FALSE(e.isDue());
}

TEST_F(Schedule, AWindowOverMidnightIsNeverOpen)
{
    e.startHour = 22;
    e.endHour = 2;
    for (int hour = 0; hour < 24; ++hour) {
        clock.set(2026, 12, 8, hour, 30);
        EXPECT_FALSE(e.isDue()) << hour;
    }
    e.checkRequested = true;
    EXPECT_TRUE(e.isDue());
}

TEST_F(Schedule, ACheckAtTenToMidnightIsDueTwentyPastMidnight)
{
    lastCheckAt(2026, 12, 8, 23, 50);
    clock.set(2026, 12, 8, 23, 59);
    EXPECT_FALSE(e.isDue());
    clock.set(2026, 12, 9, 0, 19);
    EXPECT_FALSE(e.isDue());
    clock.set(2026, 12, 9, 0, 20);
    EXPECT_TRUE(e.isDue());
}

TEST_F(Schedule, PeriodsWithHoursAndAMonthEnd)
{
    e.periodHours = 2;
    e.periodMinutes = 45;
    lastCheckAt(2026, 1, 31, 22, 30); // due at 25:15, that is 01:15 on February 1
    clock.set(2026, 2, 1, 1, 14);
    EXPECT_FALSE(e.isDue());
    clock.set(2026, 2, 1, 1, 15);
    EXPECT_TRUE(e.isDue());
}

TEST_F(Schedule, DamagedPeriodsDoNotOverflow)
{
    e.periodMinutes = 0x7FFFFFFF;
    e.periodHours = 0x7FFFFFFF;
    lastCheckAt(2026, 12, 8, 23, 59);
    clock.set(2026, 12, 8, 23, 59);
    EXPECT_FALSE(e.isDue());
}

TEST_F(Schedule, RetryDelayIsCappedAndRunsOutAcrossAMonthEnd)
{
    e.setRetryDelay(500);
    EXPECT_EQ(360, e.retryDelayMinutes);
    EXPECT_TRUE(e.isRetryPending());
    e.setRetryDelay(0);
    EXPECT_FALSE(e.isRetryPending());

    clock.set(2026, 11, 30, 23, 55);
    e.setRetryDelay(10);
    clock.set(2026, 12, 1, 0, 4);
    EXPECT_TRUE(e.isRetryPending());
    clock.set(2026, 12, 1, 0, 5);
    EXPECT_FALSE(e.isRetryPending());
}

} // namespace
