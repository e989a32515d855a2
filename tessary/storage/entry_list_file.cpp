// Loading and saving "default.tsl": a 31-byte magic, the entry count, then the entries.
#include "storage/entry_list.h"
#include "storage/binary_file.h"
#include <cstdio>
#include <cstring>

const char* const entryListFileName = "default.tsl";

namespace {
const char entryListMagic[] = "TSL0108PREttyPreTTyPRETTyKITTY!";
const size_t entryListMagicLength = 31;
static_assert(sizeof entryListMagic == entryListMagicLength + 1, "the magic is 31 bytes");

// Keeps a copy of a file that could not be read in full, so that saving over it loses nothing.
void keepUnreadableFile(const char* fileName)
{
    char backup[MAX_PATH];
    if (snprintf(backup, sizeof backup, "%s.bad", fileName) < static_cast<int>(sizeof backup))
        CopyFileA(fileName, backup, FALSE);
}
} // namespace

bool EntryList::load(const char* fileName)
{
    clearAll();
    FileReader file;
    if (!file.open(fileName))
        return false;
    char magic[entryListMagicLength];
    int32_t stored = 0;
    if (!file.readBytes(magic, entryListMagicLength) ||
        memcmp(magic, entryListMagic, entryListMagicLength) != 0 || !file.readInt32(stored) ||
        stored < 0) {
        file.close();
        keepUnreadableFile(fileName);
        return false;
    }
    // Nothing is allocated from the count: each entry is read from the data that is there, and
    // the first one that does not fit ends the load.
    for (int32_t i = 0; i < stored; ++i) {
        MailboxEntry* entry = addNew();
        if (!entry->readFrom(file)) {
            remove(entry);
            file.close();
            keepUnreadableFile(fileName);
            return false;
        }
    }
    return true;
}

bool EntryList::save(const char* fileName) const
{
    AtomicFileWriter file;
    if (!file.open(fileName) || !file.writeBytes(entryListMagic, entryListMagicLength) ||
        !file.writeInt32(count))
        return false;
    int32_t written = 0;
    for (MailboxEntry* entry = head; entry && written < count; entry = entry->next, ++written)
        if (!entry->writeTo(file))
            return false;
    return file.commit();
}
