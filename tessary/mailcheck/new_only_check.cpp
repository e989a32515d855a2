// Preparing and recording a check that announces only new messages.
#include "mailcheck/new_only_check.h"
#include "mailcheck/entry_state_file.h"
#include "storage/data_folder.h"
#include "storage/mailbox_entry.h"

namespace {
uint64_t stateKeyOf(const MailboxEntry& entry)
{
    return entryStateKey(entry.name, entry.server, entry.user);
}

// The entry's state file in the data folder; empty (nothing is read or written then) when the
// path does not fit, or before a data folder was chosen: a worker cannot rely on the current
// directory, which the user-interface thread changes.
void stateFileOf(const MailboxEntry& entry, char* path, size_t size)
{
    path[0] = '\0';
    if (dataFolder()[0])
        entryStateFilePath(dataFolder(), stateKeyOf(entry), path, size);
}
} // namespace

void prepareNewOnlyCheck(MailboxEntry& entry, KnownMessages& known)
{
    char stateFile[MAX_PATH];
    stateFileOf(entry, stateFile, sizeof stateFile);
    // Only this worker changes the memory and the header list, so it reads them without the lock.
    entry.seenMessages.prepare(stateKeyOf(entry), stateFile);
    known.headersById = entry.seenMessages.reusableHeaders(entry.headers, entry.headerMarks, entry.headerCount);
}

bool recordNewOnlyCheck(MailboxEntry& entry, bool succeeded, KnownMessages* known)
{
    if (!known) {
        std::vector<std::string> none;
        entry.seenMessages.record(succeeded, false, false, none);
        return false;
    }
    return entry.seenMessages.record(succeeded, known->idsKnown, known->uidlRefused, known->ids);
}

void saveNewOnlyState(MailboxEntry& entry)
{
    char stateFile[MAX_PATH];
    stateFileOf(entry, stateFile, sizeof stateFile);
    entry.seenMessages.save(stateFile);
}
