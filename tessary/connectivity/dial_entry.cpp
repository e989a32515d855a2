// The synchronous dial, run on the dial thread.
#include "connectivity/dial_entry.h"
#include "connectivity/ras_calls.h"
#include "connectivity/ras_listing.h"
#include <cstring>

namespace {

// RAS reports the outcome before the line has settled; give it time before the caller uses it.
const DWORD settleAfterDialMs = 1500;

// The stored password must not linger on the stack after the dial.
class DialParams {
public:
    DialParams() { clear(); params.dwSize = sizeof params; }
    ~DialParams() { clear(); }
    RasDialParams95 params;

private:
    void clear() { SecureZeroMemory(&params, sizeof params); }
};

// Fills the entry name to dial into params. False: no entry to dial.
bool chooseEntry(const char* name, RasDialParams95& params)
{
    RasRecordList<RasEntryName95> entries;
    if (listPhonebookEntries(entries) != RasListing::Listed)
        return false;
    const char* dialled = nullptr;
    if (!name) {
        dialled = entries[0].szEntryName;
    } else {
        for (DWORD i = 0; i < entries.count() && !dialled; ++i)
            if (passesPhonebookTest(entries[i].szEntryName, name))
                dialled = name;
        if (!dialled)
            return false;
    }
    size_t length = std::strlen(dialled);
    if (length > maxDialupEntryNameLength)
        return false;
    std::memcpy(params.szEntryName, dialled, length + 1);
    return true;
}

} // namespace

int DialEntry(const char* name)
{
    DialParams dial;
    if (!chooseEntry(name, dial.params))
        return -1;
    BOOL passwordPresent = FALSE;
    if (rasCalls.RasGetEntryDialParamsA(nullptr, &dial.params, &passwordPresent) != 0)
        return -1;

    HRASCONN connection = nullptr;
    DWORD result = rasCalls.RasDialA(nullptr, nullptr, &dial.params, 1, nullptr, &connection);
    rasCalls.Sleep(settleAfterDialMs);
    if (result == 0)
        return 1;

    if (connection) {
        rasCalls.RasHangUpA(connection);
        waitUntilHungUp(connection);
    }
    return -1;
}
