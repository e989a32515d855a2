// The remote access calls the dial-up layer makes, over the Windows 95 / NT 4 records. They go
// through rasCalls, bound to RASAPI32 at run time, so tests can put a scripted phonebook behind them.
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

// Windows 95 without Dial-Up Networking has no RASAPI32. The table for a loaded RASAPI32 module:
// its own functions, or, when library is null or lacks one of them, stand-ins that answer as a
// remote access service with an empty phonebook and no connections, so that dialling fails.
RasCalls bindRemoteAccess(HMODULE library);

// Whether RASAPI32 was found in the system folder when the program started.
bool remoteAccessInstalled();

// RasGetErrorStringA of the RASAPI32 found at start; non-zero (no text) without one.
DWORD rasErrorString(DWORD code, LPSTR text, DWORD size);
