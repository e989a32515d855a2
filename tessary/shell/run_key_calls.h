// Opening the Run keys, through runKeyCalls: tests refuse a key there as the rights of a standard
// account would, since the test prefix's registry refuses nothing.
#pragma once
#include <windows.h>

struct RunKeyCalls {
    LONG (WINAPI *RegOpenKeyExA)(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY key);
    LONG (WINAPI *RegCreateKeyExA)(HKEY root, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                                   REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition);
};
extern RunKeyCalls runKeyCalls;
