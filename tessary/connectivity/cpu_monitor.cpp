// Starting, stopping and reading the CPU statistic for the busy gate.
#include "connectivity/cpu_monitor.h"
#include "connectivity/perf_stat.h"
#include "connectivity/version_calls.h"
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"

const char* const cpuStatObject = "KERNEL";
const char* const cpuStatCounter = "CPUUsage";
bool cpuStatStarted = false;

namespace {

// False when the version could not be read (already reported as fatal).
bool forceOffOnNt(Settings& settings)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!versionCalls.GetVersionExA(&version)) {
        FatalError("GetVersionEx failed!");
        return false;
    }
    // NT has no dynamic statistics; the option is kept off there, also in the saved settings.
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT)
        settings.skipWhenCpuBusy = 0;
    return true;
}

} // namespace

void ApplyCpuMonitorSetting(Settings& settings)
{
    if (settings.skipWhenCpuBusy && !forceOffOnNt(settings))
        return;
    if (settings.skipWhenCpuBusy) {
        if (!cpuStatStarted) {
            // A failed start shows up later as failed readings, which beep.
            StartPerfStat(cpuStatObject, cpuStatCounter);
            cpuStatStarted = true;
        }
        return;
    }
    if (cpuStatStarted) {
        StopPerfStat(cpuStatObject, cpuStatCounter);
        cpuStatStarted = false;
    }
}

bool IsCpuTooBusy(const Settings& settings)
{
    if (!settings.skipWhenCpuBusy || !cpuStatStarted)
        return false;
    DWORD usage = 0;
    if (!ReadPerfStat(usage, cpuStatObject, cpuStatCounter)) {
        uiCalls.MessageBeep(0xFFFFFFFF);
        return false;
    }
    return usage > cpuBusyThreshold;
}
