// RASAPI32 bound at run time: the system's own copy when it is there, and without it (Windows 95
// without Dial-Up Networking) stand-ins under which LAN use goes on and every dial fails as usual.
#include <gtest/gtest.h>
#include "connectivity/dial_entry.h"
#include "connectivity/dialup_detect.h"
#include "connectivity/ras_calls.h"
#include "support/seam_override.h"
#include <raserror.h>
#include <string>

namespace {

std::string systemLibrary(const char* name)
{
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
}

TEST(RemoteAccessBinding, TheSystemsRasapi32IsBoundFunctionByFunction)
{
    HMODULE library = LoadLibraryA(systemLibrary("rasapi32.dll").c_str());
    ASSERT_NE(nullptr, library);
    RasCalls calls = bindRemoteAccess(library);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(library, "RasEnumEntriesA")),
              reinterpret_cast<void*>(calls.RasEnumEntriesA));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(library, "RasDialA")), reinterpret_cast<void*>(calls.RasDialA));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(library, "RasHangUpA")),
              reinterpret_cast<void*>(calls.RasHangUpA));
    EXPECT_TRUE(remoteAccessInstalled());
    // The error texts come from the same library.
    typedef DWORD(WINAPI * ErrorString)(UINT, LPSTR, DWORD);
    ErrorString own = reinterpret_cast<ErrorString>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "RasGetErrorStringA")));
    ASSERT_NE(nullptr, own);
    char text[256] = "", ownText[256] = "";
    EXPECT_EQ(own(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, ownText, sizeof ownText),
              rasErrorString(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, text, sizeof text));
    EXPECT_STREQ(ownText, text);
    FreeLibrary(library);
}

TEST(RemoteAccessBinding, AModuleWithoutTheRasFunctionsCountsAsMissing)
{
    // Half a table would call into nothing; a library that lacks any function is not used at all.
    RasCalls missing = bindRemoteAccess(nullptr);
    RasCalls notRas = bindRemoteAccess(GetModuleHandleA("kernel32.dll"));
    EXPECT_EQ(missing.RasDialA, notRas.RasDialA);
    EXPECT_EQ(missing.RasEnumEntriesA, notRas.RasEnumEntriesA);
    EXPECT_EQ(missing.RasGetConnectStatusA, notRas.RasGetConnectStatusA);
}

TEST(RemoteAccessBinding, WithoutRasapi32NothingIsListedAndEveryDialFails)
{
    SeamOverride<RasCalls> noRemoteAccess(rasCalls, bindRemoteAccess(nullptr));
    EXPECT_EQ(0, DialupDetect::IsDialupConnected(nullptr));   // no connection is up
    EXPECT_EQ(-1, DialupDetect::IsDialupConnected("Office")); // no such phonebook entry
    char* connected = nullptr;
    EXPECT_TRUE(DialupDetect::GetRasConnState(nullptr, connected));
    EXPECT_EQ(nullptr, connected);
    EXPECT_EQ(1, DialupDetect::HangUpConnection(nullptr));
    EXPECT_EQ(-1, DialEntry("Office"));
    EXPECT_EQ(-1, DialEntry(nullptr));

    // Called directly, the stand-ins answer as RAS does for an entry that is not there.
    HRASCONN connection = reinterpret_cast<HRASCONN>(1);
    RasDialParams95 params = {};
    params.dwSize = sizeof params;
    EXPECT_EQ(DWORD(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY),
              rasCalls.RasDialA(nullptr, nullptr, &params, 1, nullptr, &connection));
    EXPECT_EQ(nullptr, connection);
    RasConnStatus95 status = {};
    status.dwSize = sizeof status;
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), rasCalls.RasGetConnectStatusA(connection, &status));
}

} // namespace
