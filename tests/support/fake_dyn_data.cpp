// Queries behave as the registry's: no data buffer asks for the size, a short buffer gets
// ERROR_MORE_DATA.
#include "support/fake_dyn_data.h"
#include <cstring>

namespace {
FakeDynData* current = nullptr;
}

FakeDynData::FakeDynData() : savedRegistry_(dynDataCalls), savedVersion_(versionCalls)
{
    current = this;
    dynDataCalls = { openKey, queryValue, closeKey };
    versionCalls = { version };
    values["PerfStats\\StartStat"]["KERNEL\\CPUUsage"] = std::string(4, '\0');
    values["PerfStats\\StopStat"]["KERNEL\\CPUUsage"] = std::string(4, '\0');
    setReading(0);
}

FakeDynData::~FakeDynData()
{
    dynDataCalls = savedRegistry_;
    versionCalls = savedVersion_;
    current = nullptr;
}

void FakeDynData::setReading(DWORD percent)
{
    values["PerfStats\\StatData"]["KERNEL\\CPUUsage"] = std::string(reinterpret_cast<char*>(&percent), 4);
}

LONG WINAPI FakeDynData::openKey(HKEY root, LPCSTR name, DWORD options, REGSAM access, PHKEY key)
{
    current->calls.push_back(std::string("open ") + name + (access == KEY_READ ? " KEY_READ" : " other"));
    if (root != HKEY_DYN_DATA || options != 0 || !current->values.count(name))
        return ERROR_FILE_NOT_FOUND;
    *key = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(current->nextKey_++));
    current->open_[*key] = name;
    return ERROR_SUCCESS;
}

LONG WINAPI FakeDynData::queryValue(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                    LPDWORD size)
{
    if (!current->open_.count(key) || reserved || !size)
        return ERROR_INVALID_PARAMETER;
    const std::string& keyName = current->open_[key];
    current->calls.push_back((data ? "read " : "size ") + keyName + " " + name +
                             (data ? " " + std::to_string(*size) : ""));
    if (current->failingQueries.count(++current->queries_))
        return ERROR_ACCESS_DENIED;
    auto& keyValues = current->values[keyName];
    auto value = keyValues.find(name);
    if (value == keyValues.end())
        return ERROR_FILE_NOT_FOUND;
    DWORD length = static_cast<DWORD>(value->second.size());
    if (type)
        *type = current->valueType; // the statistics are binary values
    if (data && *size < length) {
        *size = length;
        return ERROR_MORE_DATA;
    }
    if (data)
        std::memcpy(data, value->second.data(), length);
    *size = length;
    return ERROR_SUCCESS;
}

LONG WINAPI FakeDynData::closeKey(HKEY key)
{
    if (!current->open_.count(key))
        return ERROR_INVALID_HANDLE;
    current->calls.push_back("close " + current->open_[key]);
    current->open_.erase(key);
    return ERROR_SUCCESS;
}

BOOL WINAPI FakeDynData::version(LPOSVERSIONINFOA info)
{
    current->calls.push_back("version");
    if (current->versionFails || info->dwOSVersionInfoSize != 148)
        return FALSE;
    info->dwPlatformId = current->platformId;
    return TRUE;
}
