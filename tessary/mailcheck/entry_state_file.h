// The per-entry state file: the unique ids of the messages an entry saw at its last successful
// check, kept in the data folder so that a restart does not announce the whole mailbox again.
// It is a cache: a missing or damaged file only means every message counts as new once.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

// A stable key of an entry's mailbox: FNV-1a (64 bits) of its name, server and user, each
// followed by a zero byte (a null text counts as empty).
uint64_t entryStateKey(const char* name, const char* server, const char* user);

// folder (empty, or ending in a backslash) followed by "seen-<key as 16 lower-case hex
// digits>.ids". False, with path empty, when it does not fit size.
bool entryStateFilePath(const char* folder, uint64_t key, char* path, size_t size);

// Reads the ids stored for key. False, with ids empty, when the file is missing, unreadable,
// belongs to another key, or is damaged in any way (short, too long, a bad length, a byte
// changed): the caller then has no previous set.
bool readEntryState(const char* path, uint64_t key, std::unordered_set<std::string>& ids);

// Writes the non-empty ids (each at most 70 bytes) for key, replacing the file only once the new
// one is complete. False when it could not be written.
bool writeEntryState(const char* path, uint64_t key, const std::vector<std::string>& ids);

// The file's layout, all integers little-endian:
//   8 bytes  "TSSEENID"
//   int32    version, 1
//   uint32   key, low half;  uint32  key, high half
//   int32    id count (0 to pop3MaxMessageCount)
//   per id:  one byte length (1 to 70), then the id's bytes
//   uint32   CRC-32 (as zip has it) of every byte before it
const uint32_t entryStateVersion = 1;
