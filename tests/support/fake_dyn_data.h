// A scripted HKEY_DYN_DATA behind dynDataCalls, and a chosen platform behind versionCalls. Every
// registry call is recorded; keys must be opened under HKEY_DYN_DATA and closed again.
#pragma once
#include "connectivity/dyn_data_calls.h"
#include "connectivity/version_calls.h"
#include <map>
#include <set>
#include <string>
#include <vector>

class FakeDynData {
public:
    FakeDynData();
    ~FakeDynData();

    // key name -> value name -> bytes. A key that is not here cannot be opened.
    std::map<std::string, std::map<std::string, std::string>> values;
    std::set<int> failingQueries; // RegQueryValueExA calls (1-based) that fail
    DWORD platformId = VER_PLATFORM_WIN32_WINDOWS;
    bool versionFails = false;
    DWORD valueType = REG_BINARY; // the type every query reports

    void setReading(DWORD percent); // StatData's "KERNEL\CPUUsage"
    // "open KEY access", "size KEY VALUE", "read KEY VALUE SIZE", "close KEY", "version"
    std::vector<std::string> calls;
    int openKeys() const { return static_cast<int>(open_.size()); }

private:
    static LONG WINAPI openKey(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
    static LONG WINAPI queryValue(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    static LONG WINAPI closeKey(HKEY);
    static BOOL WINAPI version(LPOSVERSIONINFOA);

    std::map<HKEY, std::string> open_;
    int nextKey_ = 1;
    int queries_ = 0;
    DynDataCalls savedRegistry_;
    VersionCalls savedVersion_;
};
