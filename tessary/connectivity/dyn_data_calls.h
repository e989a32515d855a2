// The registry calls that read the dynamic performance statistics under HKEY_DYN_DATA (Windows 95
// and 98 only). They go through dynDataCalls so tests can script readings and failures.
#pragma once
#include <windows.h>

struct DynDataCalls {
    LONG (WINAPI *RegOpenKeyExA)(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY key);
    LONG (WINAPI *RegQueryValueExA)(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                    LPBYTE data, LPDWORD dataSize);
    LONG (WINAPI *RegCloseKey)(HKEY key);
};
extern DynDataCalls dynDataCalls;
