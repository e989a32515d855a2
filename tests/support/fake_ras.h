// A scripted remote access service behind rasCalls: a phonebook, connections with states, stored
// dial parameters, failing enumeration calls and slow hang-ups. It records every call in order.
#pragma once
#include "connectivity/ras_calls.h"
#include <mutex>
#include <set>
#include <string>
#include <vector>

struct FakeConnection {
    std::string name;
    RASCONNSTATE state = RASCS_Connected;
    DWORD statusError = 0;  // non-zero: every status query of this connection fails with it
    int pollsToLetGo = 0;   // status queries after the hang-up that still answer; -1: never lets go
    bool hungUp = false;
};

class FakeRas {
public:
    FakeRas();
    ~FakeRas();

    std::vector<std::string> phonebook;
    std::set<std::string> storedParams; // entries whose dial parameters are stored
    std::vector<FakeConnection> connections;
    std::set<int> failingEntryCalls;      // RasEnumEntriesA calls (1-based, over the fake's life) that fail
    std::set<int> failingConnectionCalls; // the same for RasEnumConnectionsA
    DWORD dialResult = 0;
    bool dialGivesHandle = true; // a failed dial still leaves a connection to hang up
    HANDLE dialGate = nullptr;   // when set, RasDialA waits for it

    // "entries", "connections", "params NAME", "dial NAME", "status NAME", "hangup NAME", "sleep MS"
    std::vector<std::string> calls();
    int count(const std::string& call);
    RasDialParams95 dialled = {}; // the parameters RasDialA received

private:
    static DWORD WINAPI enumEntries(LPCSTR, LPCSTR, RasEntryName95*, LPDWORD, LPDWORD);
    static DWORD WINAPI enumConnections(RasConn95*, LPDWORD, LPDWORD);
    static DWORD WINAPI connectStatus(HRASCONN, RasConnStatus95*);
    static DWORD WINAPI entryDialParams(LPCSTR, RasDialParams95*, LPBOOL);
    static DWORD WINAPI dial(LPRASDIALEXTENSIONS, LPCSTR, RasDialParams95*, DWORD, LPVOID, LPHRASCONN);
    static DWORD WINAPI hangUp(HRASCONN);
    static VOID WINAPI sleep(DWORD);
    void record(const std::string& call);
    FakeConnection* find(HRASCONN handle);

    std::recursive_mutex mutex_;
    std::vector<std::string> calls_;
    int entryCalls_ = 0;
    int connectionCalls_ = 0;
    RasCalls saved_;
};
