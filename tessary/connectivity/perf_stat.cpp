// Reads of the performance statistics keys. Starting and stopping a statistic is a side effect of
// reading its value; only the value read from StatData is used.
#include "connectivity/perf_stat.h"
#include "connectivity/dyn_data_calls.h"
#include <cstdio>
#include <cstdlib>

namespace {

// Room for "object\counter"; the statistics' names are short ("KERNEL\CPUUsage").
const size_t valueNameSize = 256;

// "object\counter"; false when the two do not fit a value name.
bool formatValueName(char (&name)[valueNameSize], const char* object, const char* counter)
{
    int length = std::snprintf(name, sizeof name, "%s\\%s", object, counter);
    return length >= 0 && static_cast<size_t>(length) < sizeof name;
}

// Reads the whole value once, for its side effect. The size comes from the registry itself.
bool readWholeValue(const char* keyName, const char* object, const char* counter)
{
    char valueName[valueNameSize];
    if (!formatValueName(valueName, object, counter))
        return false;
    HKEY key;
    if (dynDataCalls.RegOpenKeyExA(HKEY_DYN_DATA, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool read = false;
    DWORD size = 0;
    if (dynDataCalls.RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        void* data = std::malloc(size ? size : 1);
        if (data) {
            read = dynDataCalls.RegQueryValueExA(key, valueName, nullptr, nullptr,
                                                 static_cast<LPBYTE>(data), &size) == ERROR_SUCCESS;
            std::free(data);
        }
    }
    dynDataCalls.RegCloseKey(key);
    return read;
}

} // namespace

bool StartPerfStat(const char* object, const char* counter)
{
    return readWholeValue("PerfStats\\StartStat", object, counter);
}

bool StopPerfStat(const char* object, const char* counter)
{
    return readWholeValue("PerfStats\\StopStat", object, counter);
}

bool ReadPerfStat(DWORD& value, const char* object, const char* counter)
{
    char valueName[valueNameSize];
    if (!formatValueName(valueName, object, counter))
        return false;
    HKEY key;
    if (dynDataCalls.RegOpenKeyExA(HKEY_DYN_DATA, "PerfStats\\StatData", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    // A shorter value must not leave stale bytes in the reading.
    DWORD reading = 0;
    DWORD size = sizeof reading;
    bool read = dynDataCalls.RegQueryValueExA(key, valueName, nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(&reading), &size) == ERROR_SUCCESS;
    dynDataCalls.RegCloseKey(key);
    if (read)
        value = reading;
    return read;
}
