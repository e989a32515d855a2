// The part of a check worker's run that tells new messages from those seen before, for an entry
// that announces only new messages.
#pragma once
#include "mailcheck/known_messages.h"

class MailboxEntry;

// Before the session: the entry's memory is made ready (read from its state file in the data
// folder the first time, or when its name, server or user changed) and the header blocks of its
// current header list are offered to the session by id.
void prepareNewOnlyCheck(MailboxEntry& entry, KnownMessages& known);

// Inside the entry's lock, right after its header list became the session's: records what the
// check found new (known null: the entry does not announce only new messages, so its news say
// nothing). True when the state file is to be written.
bool recordNewOnlyCheck(MailboxEntry& entry, bool succeeded, KnownMessages* known);

// Outside the lock: writes the entry's seen ids to its state file.
void saveNewOnlyState(MailboxEntry& entry);
