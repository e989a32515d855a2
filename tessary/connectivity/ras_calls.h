// The remote access calls the dial-up layer makes, over the Windows 95 / NT 4 records. They go
// through rasCalls, bound to RASAPI32, so tests can put a scripted phonebook behind them.
#pragma once
#include "connectivity/ras_records.h"

struct RasCalls {
    DWORD (WINAPI *RasEnumEntriesA)(LPCSTR reserved, LPCSTR phonebook, RasEntryName95* entries,
                                    LPDWORD bufferSize, LPDWORD count);
    DWORD (WINAPI *RasEnumConnectionsA)(RasConn95* connections, LPDWORD bufferSize, LPDWORD count);
    DWORD (WINAPI *RasGetConnectStatusA)(HRASCONN connection, RasConnStatus95* status);
    DWORD (WINAPI *RasGetEntryDialParamsA)(LPCSTR phonebook, RasDialParams95* params,
                                           LPBOOL passwordPresent);
    DWORD (WINAPI *RasDialA)(LPRASDIALEXTENSIONS extensions, LPCSTR phonebook, RasDialParams95* params,
                             DWORD notifierType, LPVOID notifier, LPHRASCONN connection);
    DWORD (WINAPI *RasHangUpA)(HRASCONN connection);
    // The waits between RAS calls (1.5 s after a dial, 300 ms between hang-up polls), so that a
    // test can see them without spending them.
    VOID (WINAPI *Sleep)(DWORD milliseconds);
};
extern RasCalls rasCalls;
