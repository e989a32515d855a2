// Header blocks handed to an entry as a check would leave them, for tests of what the program
// shows, speaks and keeps.
#pragma once
#include "storage/mailbox_entry.h"
#include <vector>

// Replaces the entry's header blocks with copies of texts, in order; a null text is an empty slot.
// marks, when given, holds one HeaderMark set a slot.
void giveHeaders(MailboxEntry& entry, const std::vector<const char*>& texts, const std::vector<uint8_t>& marks = {});
