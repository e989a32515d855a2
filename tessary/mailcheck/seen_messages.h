// What a mailbox entry remembers between its checks to tell new messages from those seen before:
// the unique ids seen at the last successful check (also kept in the entry's state file), the id
// of each slot of its header list (so that a block seen before is not fetched again), and what
// the last check found new. Only the entry's check worker changes it, inside the entry's lock;
// the user-interface thread reads news() after the worker's message, as it reads the headers.
#pragma once
#include "mailcheck/known_messages.h"
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// What one check found new.
struct CheckNews {
    bool counted = false;           // the check told new messages from those seen before
    bool serverLacksUidl = false;   // UIDL was asked for and refused: every message is announced
    std::vector<int> newNumbers;    // the new messages, counted from 1, in mailbox order
};

class SeenMessages {
public:
    // Before a check of the mailbox with the given state key: when the memory belongs to another
    // key, or to none yet, the previous set is read from stateFile (missing or damaged: none).
    void prepare(uint64_t key, const char* stateFile);

    // The header blocks of the entry's header list (headers, count, and marks, null for all
    // whole) by the id of their message, for a session to reuse instead of fetching them again.
    // Refused or missing blocks are left out, and so are reduced ones: the next check may have
    // room for them whole. The texts stay owned by the header list.
    std::unordered_map<std::string, KnownHeader> reusableHeaders(char* const* headers, const uint8_t* marks,
                                                                 int32_t count) const;

    // After a check whose header list is now the session's, one slot a message. idsKnown: the
    // session has the ids (one a message, "" for none). A successful check with ids counts the
    // new messages and makes its ids the previous set; answers true when the state file must be
    // written (the set changed, or the file did not hold it). Any other check leaves the previous
    // set alone.
    bool record(bool succeeded, bool idsKnown, bool uidlRefused, std::vector<std::string>& ids);

    // Writes the previous set to stateFile; a failure is tried again after the next check.
    bool save(const char* stateFile);

    const CheckNews& news() const { return news_; }

private:
    bool prepared_ = false;
    uint64_t key_ = 0;
    bool havePrevious_ = false;
    bool fileInStep_ = false;   // the state file holds previous_
    std::unordered_set<std::string> previous_;
    std::vector<std::string> headerIds_; // the id of each slot of the header list, "" for none
    CheckNews news_;
};
