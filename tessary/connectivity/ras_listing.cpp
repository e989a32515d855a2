// The two-call enumeration protocol of RAS: a probe with one record learns the size needed, the
// second call fills a buffer of that many records.
#include "connectivity/ras_listing.h"
#include "connectivity/ras_calls.h"
#include <cstring>

namespace {

// RAS fills names up to their terminator; a record that lacks one must not be read past its field.
void terminate(CHAR* field, size_t length) { field[length - 1] = '\0'; }
void terminateNames(RasEntryName95& entry) { terminate(entry.szEntryName, rasEntryNameLength); }
void terminateNames(RasConn95& connection)
{
    terminate(connection.szEntryName, rasEntryNameLength);
    terminate(connection.szDeviceType, rasDeviceTypeLength);
    terminate(connection.szDeviceName, rasDeviceNameLength);
}

template <class Record, class Enumerate>
RasListing list(RasRecordList<Record>& out, Enumerate enumerate)
{
    Record probe;
    std::memset(&probe, 0, sizeof probe);
    probe.dwSize = sizeof probe;
    DWORD bufferSize = sizeof probe;
    DWORD count = 0;
    enumerate(&probe, &bufferSize, &count); // only the size it asks for matters

    DWORD capacity = bufferSize / sizeof(Record);
    if (capacity == 0)
        return RasListing::Empty;
    Record* records = static_cast<Record*>(std::calloc(capacity, sizeof(Record)));
    if (!records)
        return RasListing::Failed;
    out.adopt(records);
    records[0].dwSize = sizeof(Record);
    bufferSize = capacity * sizeof(Record);
    count = 0;
    if (enumerate(records, &bufferSize, &count) != 0)
        return RasListing::Failed;

    if (count > capacity)
        count = capacity;
    for (DWORD i = 0; i < count; ++i)
        terminateNames(records[i]);
    out.setCount(count);
    return count ? RasListing::Listed : RasListing::Empty;
}

} // namespace

RasListing listPhonebookEntries(RasRecordList<RasEntryName95>& out)
{
    return list(out, [](RasEntryName95* records, LPDWORD bufferSize, LPDWORD count) {
        return rasCalls.RasEnumEntriesA(nullptr, nullptr, records, bufferSize, count);
    });
}

RasListing listConnections(RasRecordList<RasConn95>& out)
{
    return list(out, [](RasConn95* records, LPDWORD bufferSize, LPDWORD count) {
        return rasCalls.RasEnumConnectionsA(records, bufferSize, count);
    });
}

bool passesPhonebookTest(const char* entryName, const char* name)
{
    return !name || std::strstr(entryName, name) != nullptr;
}

bool passesConnectionTest(const char* connectionName, const char* name)
{
    return !name || std::strstr(name, connectionName) != nullptr;
}

bool waitUntilHungUp(HRASCONN connection)
{
    for (int poll = 0; poll < hangUpPollLimit; ++poll) {
        if (poll > 0)
            rasCalls.Sleep(hangUpPollIntervalMs);
        RasConnStatus95 status;
        std::memset(&status, 0, sizeof status);
        status.dwSize = sizeof status;
        if (rasCalls.RasGetConnectStatusA(connection, &status) == ERROR_INVALID_HANDLE)
            return true;
    }
    return false;
}
