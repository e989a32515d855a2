// A stand-in for a running check: a real thread installed in an entry's worker fields that ends
// when the entry's stop event is signalled (or never, to exercise termination).
#pragma once
#include "storage/mailbox_entry.h"

enum class StandInBehaviour { EndsOnStop, IgnoresStop };

// Puts a running thread and a stop event into the entry as DoCheckEmail would.
void startStandInWorker(MailboxEntry& entry, StandInBehaviour behaviour);
// Whether the thread handle is still signalled-free (the thread runs).
bool threadRuns(HANDLE thread);
