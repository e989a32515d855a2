// The CPU usage gate: while skipWhenCpuBusy is on, the poll tick starts no checks when the
// processor is over 90 per cent busy. The load comes from the "KERNEL\CPUUsage" statistic, which
// only Windows 95 and 98 have; on NT the option is switched off.
#pragma once
#include <windows.h>
#include "storage/settings.h"

extern const char* const cpuStatObject;  // "KERNEL"
extern const char* const cpuStatCounter; // "CPUUsage"

// Load above which the checks of a tick are held back; a reading equal to it is not busy.
const DWORD cpuBusyThreshold = 90;

// Set while this process has started the CPU statistic and not yet stopped it. The main window's
// destruction stops it (StopPerfStat) when set, and clears it.
extern bool cpuStatStarted;

// Run when settings are applied: forces skipWhenCpuBusy off in settings on NT, then starts the
// statistic once when the option is on, or stops it when the option went off. A failing
// GetVersionExA is fatal ("GetVersionEx failed!") and nothing else happens.
void ApplyCpuMonitorSetting(Settings& settings);

// True when this tick's checks must be held back. A failed reading beeps and lets them go ahead.
bool IsCpuTooBusy(const Settings& settings);
