// Listing the phonebook entries and the active connections, and the two name tests applied to
// them. Shared by the dial-up queries and the dial itself.
#pragma once
#include "connectivity/ras_records.h"
#include <cstdlib>

// The records of one listing; the buffer is released when the list goes out of scope, so every
// return path of its user frees it.
template <class Record>
class RasRecordList {
public:
    RasRecordList() = default;
    ~RasRecordList() { std::free(records_); }
    RasRecordList(const RasRecordList&) = delete;
    RasRecordList& operator=(const RasRecordList&) = delete;

    DWORD count() const { return count_; }
    Record& operator[](DWORD i) { return records_[i]; }

    // Used by the listing itself.
    void adopt(Record* records) { std::free(records_); records_ = records; count_ = 0; }
    void setCount(DWORD count) { count_ = count; }

private:
    Record* records_ = nullptr;
    DWORD count_ = 0;
};

enum class RasListing { Failed, Empty, Listed };

// The default phonebook's entries, in RAS order.
RasListing listPhonebookEntries(RasRecordList<RasEntryName95>& list);
// The active connections, in RAS order.
RasListing listConnections(RasRecordList<RasConn95>& list);

// Phonebook test: the given name occurs inside the entry's name. A null name passes.
bool passesPhonebookTest(const char* entryName, const char* name);
// Connection test: the connection's entry name occurs inside the given name. A null name passes.
bool passesConnectionTest(const char* connectionName, const char* name);

// Queries a connection that has been hung up until RAS declares its handle invalid, 300 ms apart.
// RAS normally lets go within a few seconds; after hangUpPollLimit queries (about 10 s) the
// connection is given up on, so a RAS that never lets go cannot freeze the caller. True when RAS
// let go.
const int hangUpPollLimit = 34;
const DWORD hangUpPollIntervalMs = 300;
bool waitUntilHungUp(HRASCONN connection);
