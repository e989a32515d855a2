// The dynamic performance statistics of Windows 95 and 98. A statistic is named by an object and a
// counter ("KERNEL", "CPUUsage"); reading it under one of three HKEY_DYN_DATA keys starts it, stops
// it or gives its current value.
#pragma once
#include <windows.h>

// True if the statistic's value could be read under "PerfStats\StartStat", which starts it.
bool StartPerfStat(const char* object, const char* counter);
// True if it could be read under "PerfStats\StopStat", which stops it.
bool StopPerfStat(const char* object, const char* counter);
// True if the statistic's 4-byte value was read from "PerfStats\StatData" into value; value is
// untouched otherwise.
bool ReadPerfStat(DWORD& value, const char* object, const char* counter);
