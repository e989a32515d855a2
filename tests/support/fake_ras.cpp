// The fake RAS checks record sizes and buffer sizes as the platform does, so a caller that skips
// the size probe or forgets a size field fails here too.
#include "support/fake_ras.h"
#include <algorithm>
#include <cstring>
#include <raserror.h>

namespace {

FakeRas* current = nullptr;
const DWORD scriptedFailure = 621; // "cannot open the phonebook"

HRASCONN handleOf(size_t index) { return reinterpret_cast<HRASCONN>(index + 1); }

// RAS copies names into fixed fields; a name as long as the field keeps no terminator.
void copyName(CHAR* field, const std::string& name)
{
    std::memset(field, 0, rasEntryNameLength);
    std::memcpy(field, name.data(), std::min(name.size(), rasEntryNameLength));
}

template <class Record, class Fill>
DWORD enumerate(Record* records, LPDWORD bufferSize, LPDWORD count, size_t n, Fill fill)
{
    if (!records || !bufferSize || !count || records->dwSize != sizeof(Record))
        return ERROR_INVALID_SIZE;
    DWORD needed = static_cast<DWORD>(n * sizeof(Record));
    *count = static_cast<DWORD>(n);
    if (*bufferSize < needed) {
        *bufferSize = needed;
        return ERROR_BUFFER_TOO_SMALL;
    }
    *bufferSize = needed;
    for (size_t i = 0; i < n; ++i)
        fill(records[i], i);
    return 0;
}

} // namespace

FakeRas::FakeRas() : saved_(rasCalls)
{
    current = this;
    rasCalls = { enumEntries, enumConnections, connectStatus, entryDialParams, dial, hangUp, sleep };
}

FakeRas::~FakeRas()
{
    rasCalls = saved_;
    current = nullptr;
}

std::vector<std::string> FakeRas::calls()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return calls_;
}

int FakeRas::count(const std::string& call)
{
    std::vector<std::string> all = calls();
    return static_cast<int>(std::count(all.begin(), all.end(), call));
}

void FakeRas::record(const std::string& call)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    calls_.push_back(call);
}

FakeConnection* FakeRas::find(HRASCONN handle)
{
    size_t index = reinterpret_cast<size_t>(handle) - 1;
    return index < connections.size() ? &connections[index] : nullptr;
}

DWORD WINAPI FakeRas::enumEntries(LPCSTR reserved, LPCSTR phonebook, RasEntryName95* records,
                                  LPDWORD bufferSize, LPDWORD count)
{
    std::lock_guard<std::recursive_mutex> lock(current->mutex_);
    current->record("entries");
    if (reserved || phonebook)
        return ERROR_INVALID_PARAMETER;
    if (current->failingEntryCalls.count(++current->entryCalls_))
        return scriptedFailure;
    return enumerate(records, bufferSize, count, current->phonebook.size(),
                     [](RasEntryName95& r, size_t i) { r.dwSize = sizeof r; copyName(r.szEntryName, current->phonebook[i]); });
}

DWORD WINAPI FakeRas::enumConnections(RasConn95* records, LPDWORD bufferSize, LPDWORD count)
{
    std::lock_guard<std::recursive_mutex> lock(current->mutex_);
    current->record("connections");
    if (current->failingConnectionCalls.count(++current->connectionCalls_))
        return scriptedFailure;
    return enumerate(records, bufferSize, count, current->connections.size(), [](RasConn95& r, size_t i) {
        std::memset(&r, 0, sizeof r);
        r.dwSize = sizeof r;
        r.hrasconn = handleOf(i);
        copyName(r.szEntryName, current->connections[i].name);
        std::strcpy(r.szDeviceType, "modem");
    });
}

DWORD WINAPI FakeRas::connectStatus(HRASCONN handle, RasConnStatus95* status)
{
    std::lock_guard<std::recursive_mutex> lock(current->mutex_);
    FakeConnection* c = current->find(handle);
    current->record("status " + (c ? c->name : std::string("?")));
    if (!c || !status || status->dwSize != sizeof *status)
        return c ? ERROR_INVALID_SIZE : ERROR_INVALID_HANDLE;
    if (c->statusError)
        return c->statusError;
    if (c->hungUp) {
        if (c->pollsToLetGo == 0)
            return ERROR_INVALID_HANDLE;
        if (c->pollsToLetGo > 0)
            --c->pollsToLetGo;
        status->rasconnstate = RASCS_Disconnected;
        return 0;
    }
    status->rasconnstate = c->state;
    return 0;
}

DWORD WINAPI FakeRas::entryDialParams(LPCSTR phonebook, RasDialParams95* params, LPBOOL password)
{
    std::lock_guard<std::recursive_mutex> lock(current->mutex_);
    current->record(std::string("params ") + params->szEntryName);
    if (phonebook || !password || params->dwSize != sizeof *params)
        return ERROR_INVALID_PARAMETER;
    if (!current->storedParams.count(params->szEntryName))
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    std::strcpy(params->szPhoneNumber, "555-0100");
    std::strcpy(params->szUserName, "dialer");
    *password = TRUE;
    return 0;
}

DWORD WINAPI FakeRas::dial(LPRASDIALEXTENSIONS extensions, LPCSTR phonebook, RasDialParams95* params,
                           DWORD notifierType, LPVOID notifier, LPHRASCONN connection)
{
    current->record(std::string("dial ") + params->szEntryName);
    if (current->dialGate)
        WaitForSingleObject(current->dialGate, INFINITE);
    std::lock_guard<std::recursive_mutex> lock(current->mutex_);
    current->dialled = *params;
    if (extensions || phonebook || notifierType != 1 || notifier || *connection)
        return ERROR_INVALID_PARAMETER;
    if (current->dialGivesHandle) {
        FakeConnection made;
        made.name = params->szEntryName;
        made.state = current->dialResult == 0 ? RASCS_Connected : RASCS_OpenPort;
        current->connections.push_back(made);
        *connection = handleOf(current->connections.size() - 1);
    }
    return current->dialResult;
}

DWORD WINAPI FakeRas::hangUp(HRASCONN handle)
{
    std::lock_guard<std::recursive_mutex> lock(current->mutex_);
    FakeConnection* c = current->find(handle);
    current->record("hangup " + (c ? c->name : std::string("?")));
    if (!c)
        return ERROR_INVALID_HANDLE;
    c->hungUp = true;
    return 0;
}

VOID WINAPI FakeRas::sleep(DWORD milliseconds)
{
    current->record("sleep " + std::to_string(milliseconds));
}
