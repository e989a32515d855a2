// Loading and saving "default.tsl": a 31-byte magic, the entry count, then the entries. The
// magic names the version; every version is read, the newest is written.
#include "storage/entry_list.h"
#include "storage/binary_file.h"
#include <cstring>

const char* const entryListFileName = "default.tsl";

namespace {
const size_t entryListMagicLength = 31;
const char version8Magic[] = "TSL0108PREttyPreTTyPRETTyKITTY!";
const char version9Magic[] = "TSL0109PREttyPreTTyPRETTyKITTY!";
const char version10Magic[] = "TSL0110PREttyPreTTyPRETTyKITTY!";
static_assert(sizeof version8Magic == entryListMagicLength + 1, "the magic is 31 bytes");
static_assert(sizeof version9Magic == entryListMagicLength + 1, "the magic is 31 bytes");
static_assert(sizeof version10Magic == entryListMagicLength + 1, "the magic is 31 bytes");

// The version a magic names, compared byte for byte and with its letter case; false for another.
bool versionOfMagic(const char* magic, EntryFileVersion& version)
{
    if (memcmp(magic, version10Magic, entryListMagicLength) == 0)
        version = EntryFileVersion10;
    else if (memcmp(magic, version9Magic, entryListMagicLength) == 0)
        version = EntryFileVersion9;
    else if (memcmp(magic, version8Magic, entryListMagicLength) == 0)
        version = EntryFileVersion8;
    else
        return false;
    return true;
}
} // namespace

bool EntryList::load(const char* fileName)
{
    FileLoadReport report;
    return load(fileName, report);
}

bool EntryList::load(const char* fileName, FileLoadReport& report)
{
    clearAll();
    FileReader file;
    if (!openForLoading(fileName, file, report))
        return false;
    char magic[entryListMagicLength];
    EntryFileVersion version = EntryFileVersion10;
    int32_t stored = 0;
    bool intact = file.readBytes(magic, entryListMagicLength) && versionOfMagic(magic, version) &&
                  file.readInt32(stored) && stored >= 0;
    // Nothing is allocated from the count: each entry is read from the data that is there, and
    // the first one that does not fit ends the load.
    for (int32_t i = 0; intact && i < stored; ++i) {
        MailboxEntry* entry = addNew();
        intact = entry->readFrom(file, version);
        if (!intact)
            remove(entry);
    }
    // Bytes after the counted entries are entries a smaller count would lose at the next save.
    intact = intact && file.remaining() == 0;
    file.close();
    report.entriesRead = count;
    finishLoading(fileName, intact, report);
    return intact;
}

bool EntryList::save(const char* fileName) const
{
    AtomicFileWriter file;
    if (!file.open(fileName) || !file.writeBytes(version10Magic, entryListMagicLength) ||
        !file.writeInt32(count))
        return false;
    int32_t written = 0;
    for (MailboxEntry* entry = head; entry && written < count; entry = entry->next, ++written)
        if (!entry->writeTo(file))
            return false;
    return file.commit();
}
