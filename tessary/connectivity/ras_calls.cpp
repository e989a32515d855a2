// Binds the remote access seam to RASAPI32, loaded from the system folder when the program starts.
// The platform functions are declared over the newest records; they take the older ones because
// each record carries its own size.
#include "connectivity/ras_calls.h"
#include <raserror.h>
#include <cstring>

namespace {

// Going through void (*)() keeps the compiler's function-cast check quiet about the record types.
template <class To>
bool bind(HMODULE library, const char* name, To& slot)
{
    FARPROC function = library ? GetProcAddress(library, name) : nullptr;
    slot = reinterpret_cast<To>(reinterpret_cast<void (*)()>(function));
    return slot != nullptr;
}

// The stand-ins without RASAPI32: nothing to list, nothing to dial, no connection to ask about.
DWORD WINAPI noEntries(LPCSTR, LPCSTR, RasEntryName95*, LPDWORD bufferSize, LPDWORD count)
{
    *bufferSize = 0;
    *count = 0;
    return 0;
}

DWORD WINAPI noConnections(RasConn95*, LPDWORD bufferSize, LPDWORD count)
{
    *bufferSize = 0;
    *count = 0;
    return 0;
}

DWORD WINAPI noConnectionStatus(HRASCONN, RasConnStatus95*) { return ERROR_INVALID_HANDLE; }

DWORD WINAPI noDialParams(LPCSTR, RasDialParams95*, LPBOOL) { return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY; }

DWORD WINAPI noDial(LPRASDIALEXTENSIONS, LPCSTR, RasDialParams95*, DWORD, LPVOID, LPHRASCONN connection)
{
    *connection = nullptr;
    return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}

DWORD WINAPI noHangUp(HRASCONN) { return ERROR_INVALID_HANDLE; }

const RasCalls missingRemoteAccess = {
    noEntries, noConnections, noConnectionStatus, noDialParams, noDial, noHangUp, ::Sleep,
};

// Only the system's own copy: a RASAPI32.DLL placed beside the program must not be loaded.
HMODULE loadRemoteAccess()
{
    char path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::strcpy(path + length, "\\rasapi32.dll");
    return LoadLibraryA(path);
}

HMODULE remoteAccessLibrary = loadRemoteAccess();
DWORD (WINAPI *errorStringFunction)(UINT, LPSTR, DWORD) = nullptr;
bool errorStringBound = bind(remoteAccessLibrary, "RasGetErrorStringA", errorStringFunction);

} // namespace

RasCalls bindRemoteAccess(HMODULE library)
{
    RasCalls calls = {};
    calls.Sleep = ::Sleep;
    bool complete = bind(library, "RasEnumEntriesA", calls.RasEnumEntriesA);
    complete = bind(library, "RasEnumConnectionsA", calls.RasEnumConnectionsA) && complete;
    complete = bind(library, "RasGetConnectStatusA", calls.RasGetConnectStatusA) && complete;
    complete = bind(library, "RasGetEntryDialParamsA", calls.RasGetEntryDialParamsA) && complete;
    complete = bind(library, "RasDialA", calls.RasDialA) && complete;
    complete = bind(library, "RasHangUpA", calls.RasHangUpA) && complete;
    return complete ? calls : missingRemoteAccess;
}

RasCalls rasCalls = bindRemoteAccess(remoteAccessLibrary);

bool remoteAccessInstalled()
{
    return bindRemoteAccess(remoteAccessLibrary).RasDialA != noDial;
}

DWORD rasErrorString(DWORD code, LPSTR text, DWORD size)
{
    if (!errorStringBound)
        return ERROR_INVALID_FUNCTION;
    return errorStringFunction(code, text, size);
}
