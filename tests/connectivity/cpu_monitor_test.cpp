// The CPU gate and the statistic's start and stop, over a scripted HKEY_DYN_DATA.
#include <gtest/gtest.h>
#include "connectivity/cpu_monitor.h"
#include "connectivity/perf_stat.h"
#include "support/fake_dyn_data.h"
#include "support/seam_override.h"
#include "support/ui_recorder.h"

namespace {

typedef std::vector<std::string> Calls;

const Calls startCalls = { "open PerfStats\\StartStat KEY_READ", "size PerfStats\\StartStat KERNEL\\CPUUsage",
                           "read PerfStats\\StartStat KERNEL\\CPUUsage 4", "close PerfStats\\StartStat" };
const Calls stopCalls = { "open PerfStats\\StopStat KEY_READ", "size PerfStats\\StopStat KERNEL\\CPUUsage",
                          "read PerfStats\\StopStat KERNEL\\CPUUsage 4", "close PerfStats\\StopStat" };

class CpuGate : public ::testing::Test {
protected:
    Settings withOption(bool on)
    {
        Settings s = defaultSettings();
        s.skipWhenCpuBusy = on;
        return s;
    }

    SeamOverride<bool> started{ cpuStatStarted, false };
    FakeDynData stats;
    UiRecorder ui;
};

TEST_F(CpuGate, OptionStartsTheStatisticOnceAndStopsItOnce)
{
    Settings on = withOption(true);
    ApplyCpuMonitorSetting(on);
    EXPECT_TRUE(cpuStatStarted);
    Calls expected = { "version" };
    expected.insert(expected.end(), startCalls.begin(), startCalls.end());
    EXPECT_EQ(expected, stats.calls);

    ApplyCpuMonitorSetting(on);
    Settings off = withOption(false);
    ApplyCpuMonitorSetting(off);
    ApplyCpuMonitorSetting(off);
    EXPECT_FALSE(cpuStatStarted);
    expected.push_back("version");
    expected.insert(expected.end(), stopCalls.begin(), stopCalls.end());
    EXPECT_EQ(expected, stats.calls);

    stats.calls.clear();
    ApplyCpuMonitorSetting(on);
    EXPECT_TRUE(cpuStatStarted);
    EXPECT_EQ(startCalls, Calls(stats.calls.begin() + 1, stats.calls.end()));
    EXPECT_EQ(0, stats.openKeys());
}

TEST_F(CpuGate, FailedStartStillCountsAsStartedAndReadsThenBeep)
{
    stats.values.erase("PerfStats\\StartStat");
    stats.values.erase("PerfStats\\StatData");
    Settings on = withOption(true);
    ApplyCpuMonitorSetting(on);
    EXPECT_TRUE(cpuStatStarted);
    EXPECT_FALSE(IsCpuTooBusy(on));
    EXPECT_FALSE(IsCpuTooBusy(on));
    EXPECT_EQ((std::vector<UINT>{ 0xFFFFFFFF, 0xFFFFFFFF }), ui.beeps); // one a tick
}

TEST_F(CpuGate, BusyOnlyAboveNinety)
{
    Settings on = withOption(true);
    ApplyCpuMonitorSetting(on);
    stats.calls.clear();
    stats.setReading(90);
    EXPECT_FALSE(IsCpuTooBusy(on));
    stats.setReading(91);
    EXPECT_TRUE(IsCpuTooBusy(on));
    EXPECT_EQ((Calls{ "open PerfStats\\StatData KEY_READ", "read PerfStats\\StatData KERNEL\\CPUUsage 4",
                      "close PerfStats\\StatData" }),
              Calls(stats.calls.begin(), stats.calls.begin() + 3));
    EXPECT_TRUE(ui.beeps.empty());

    // A value that is not 4 bytes is no reading.
    stats.values["PerfStats\\StatData"]["KERNEL\\CPUUsage"] = std::string(8, '\x7f');
    EXPECT_FALSE(IsCpuTooBusy(on));
    EXPECT_EQ(1u, ui.beeps.size());
    EXPECT_EQ(0, stats.openKeys());
}

TEST_F(CpuGate, NothingIsReadWhileTheOptionIsOffOrNotStarted)
{
    stats.setReading(100);
    Settings off = withOption(false);
    Settings on = withOption(true);
    cpuStatStarted = true;
    EXPECT_FALSE(IsCpuTooBusy(off));
    cpuStatStarted = false;
    EXPECT_FALSE(IsCpuTooBusy(on));
    EXPECT_TRUE(stats.calls.empty());
}

TEST_F(CpuGate, NtForcesTheOptionOff)
{
    stats.platformId = VER_PLATFORM_WIN32_NT;
    Settings on = withOption(true);
    ApplyCpuMonitorSetting(on);
    EXPECT_EQ(0, on.skipWhenCpuBusy);
    EXPECT_FALSE(cpuStatStarted);
    EXPECT_EQ((Calls{ "version" }), stats.calls);

    // A statistic started before (settings applied on the other branch) is stopped.
    cpuStatStarted = true;
    on.skipWhenCpuBusy = 1;
    ApplyCpuMonitorSetting(on);
    EXPECT_FALSE(cpuStatStarted);
    EXPECT_EQ(stopCalls, Calls(stats.calls.end() - 4, stats.calls.end()));
}

TEST_F(CpuGate, FailingVersionIsFatalAndAppliesNothing)
{
    stats.versionFails = true;
    Settings on = withOption(true);
    ApplyCpuMonitorSetting(on);
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("GetVersionEx failed!", ui.boxes[0].text);
    EXPECT_EQ("Tessary Fatal Error", ui.boxes[0].caption);
    EXPECT_EQ(1, on.skipWhenCpuBusy);
    EXPECT_FALSE(cpuStatStarted);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(CpuGate, StatisticReadsFailCleanly)
{
    stats.failingQueries = { 1 };
    EXPECT_FALSE(StartPerfStat("KERNEL", "CPUUsage")); // size query fails
    stats.failingQueries = { 3 };
    stats.calls.clear();
    EXPECT_FALSE(StopPerfStat("KERNEL", "CPUUsage")); // the read itself fails
    EXPECT_EQ(stopCalls, stats.calls);
    DWORD value = 42;
    EXPECT_FALSE(ReadPerfStat(value, "KERNEL", "Missing"));
    EXPECT_EQ(42u, value);
    EXPECT_EQ(0, stats.openKeys());
}

TEST(PlatformStatistics, MissingStatisticsAnswerFalse)
{
    // The statistics exist only on Windows 95 and 98.
    DWORD value = 42;
    EXPECT_FALSE(ReadPerfStat(value, "KERNEL", "CPUUsage"));
    EXPECT_EQ(42u, value);
    EXPECT_FALSE(StartPerfStat("KERNEL", "CPUUsage"));
}

} // namespace
