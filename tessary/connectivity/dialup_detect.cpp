// Which dial-up connections are up, and hanging them up.
#include "connectivity/dialup_detect.h"
#include "connectivity/ras_calls.h"
#include "connectivity/ras_listing.h"
#include <cstring>

namespace {

// 1: the connection's state was read into status; 0: RAS failed.
bool readStatus(HRASCONN connection, RasConnStatus95& status)
{
    std::memset(&status, 0, sizeof status);
    status.dwSize = sizeof status;
    return rasCalls.RasGetConnectStatusA(connection, &status) == 0;
}

bool anyEntryPassesPhonebookTest(const char* name)
{
    RasRecordList<RasEntryName95> entries;
    if (listPhonebookEntries(entries) != RasListing::Listed)
        return false;
    for (DWORD i = 0; i < entries.count(); ++i)
        if (passesPhonebookTest(entries[i].szEntryName, name))
            return true;
    return false;
}

char* copyOf(const char* text)
{
    size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

} // namespace

int DialupDetect::IsDialupConnected(const char* name)
{
    if (name && !anyEntryPassesPhonebookTest(name))
        return -1;
    char* connected = nullptr;
    if (!GetRasConnState(name, connected))
        return -1;
    if (!connected)
        return 0;
    delete[] connected;
    return 1;
}

bool DialupDetect::GetRasConnState(const char* name, char*& connectedName)
{
    RasRecordList<RasConn95> connections;
    switch (listConnections(connections)) {
    case RasListing::Failed:
        return false;
    case RasListing::Empty:
        connectedName = nullptr;
        return true;
    case RasListing::Listed:
        break;
    }
    for (DWORD i = 0; i < connections.count(); ++i) {
        RasConn95& connection = connections[i];
        if (!passesConnectionTest(connection.szEntryName, name))
            continue;
        RasConnStatus95 status;
        if (!readStatus(connection.hrasconn, status))
            return false;
        if (status.rasconnstate == RASCS_Connected) {
            connectedName = copyOf(connection.szEntryName);
            return true;
        }
    }
    connectedName = nullptr;
    return true;
}

int DialupDetect::HangUpConnection(const char* name)
{
    RasRecordList<RasConn95> connections;
    switch (listConnections(connections)) {
    case RasListing::Failed:
        return -1;
    case RasListing::Empty:
        return 1;
    case RasListing::Listed:
        break;
    }
    for (DWORD i = 0; i < connections.count(); ++i) {
        RasConn95& connection = connections[i];
        if (!passesConnectionTest(connection.szEntryName, name))
            continue;
        RasConnStatus95 status;
        if (!readStatus(connection.hrasconn, status))
            return -1;
        if (status.rasconnstate != RASCS_Connected)
            continue; // still being set up, or already going: not ours to end
        rasCalls.RasHangUpA(connection.hrasconn);
        if (!waitUntilHungUp(connection.hrasconn))
            return -1;
    }
    return 1;
}
