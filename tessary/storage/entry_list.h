// All mailbox entries of the program, in the order they were created, and their file "default.tsl".
#pragma once
#include <cstdint>
#include "storage/damaged_files.h"
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

    // Reads the file, any version. False when it is missing, has another magic, cannot be
    // opened, or is damaged (also when bytes are left over after the counted entries). A damaged
    // file keeps every entry read in full before the damage; a file not read in full is kept
    // aside first (see damaged_files.h), so that the next save cannot destroy what it held. A
    // missing file whose "<name>.new" is there is replaced by it first. The report says which.
    bool load(const char* fileName, FileLoadReport& report);
    bool load(const char* fileName);
    // Writes the file in the newest version; the old one is replaced only when the new one is
    // complete, and never while it could neither be read nor kept aside.
    bool save(const char* fileName) const;

    MailboxEntry* head = nullptr;
    int32_t count = 0;
};
