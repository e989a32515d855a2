// All mailbox entries of the program, in the order they were created, and their file "default.tsl".
#pragma once
#include <cstdint>
#include "storage/mailbox_entry.h"

extern const char* const entryListFileName; // "default.tsl"

class EntryList {
public:
    EntryList() = default;
    virtual ~EntryList();
    EntryList(const EntryList&) = delete;
    EntryList& operator=(const EntryList&) = delete;

    MailboxEntry* addNew();               // an entry with the defaults, appended
    void append(MailboxEntry* entry);     // takes ownership
    MailboxEntry* last() const;
    void remove(MailboxEntry* entry);     // deletes it; an entry not in the list is left alone
    bool contains(const void* pointer) const;
    void clearAll();

    void requestCheckAllEnabled();
    void enableAll();
    void disableAll();
    MailboxEntry* findHangUpCandidate() const;
    MailboxEntry* firstWithMailProgram() const;

    // Reads the file. False when it is missing, has another magic, or is damaged; a damaged file
    // keeps every entry read in full before the damage, and is copied to "<name>.bad" first so
    // that the next save cannot destroy what could not be read.
    bool load(const char* fileName);
    // Writes the file; the old one is replaced only when the new one is complete.
    bool save(const char* fileName) const;

    MailboxEntry* head = nullptr;
    int32_t count = 0;
};
