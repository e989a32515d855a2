// Dialling one phonebook entry with the dial parameters the system has stored for it.
#pragma once
#include <cstddef>

// The longest entry name RAS accepts.
const size_t maxDialupEntryNameLength = 256;

// Dials name (null: the first entry in the phonebook) and returns when the line is up or has
// failed, at least 1.5 s after the dial itself. A name only has to occur inside some phonebook
// entry's name to be tried, but it is the name itself that is dialled. 1: connected; -1: not (no
// entries, no match, a name over 256 characters, no stored parameters, or the dial failed; a
// half-made connection is hung up first).
int DialEntry(const char* name);
