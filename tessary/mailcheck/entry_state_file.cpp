// Reading and writing the per-entry state file: read defensively, written whole or not at all.
#include "mailcheck/entry_state_file.h"
#include "mailcheck/pop3_session.h"
#include "mailcheck/uidl_list.h"
#include "storage/binary_file.h"
#include <cstdio>
#include <cstring>

namespace {

const char stateMagic[8] = { 'T', 'S', 'S', 'E', 'E', 'N', 'I', 'D' };
const size_t headerSize = 8 + 4 + 4 + 4 + 4;
const size_t checksumSize = 4;
const uint64_t largestFile = headerSize + uint64_t(pop3MaxMessageCount) * (1 + uidlMaxIdLength) + checksumSize;

// Made by the compiler: a table built at first use would need a start-up lock, and that lock
// brings in runtime code that the oldest systems cannot load.
struct Crc32Table {
    uint32_t entries[256];
};

constexpr Crc32Table makeCrc32Table()
{
    Crc32Table table = {};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table.entries[n] = c;
    }
    return table;
}

constexpr Crc32Table crc32Table = makeCrc32Table();
static_assert(crc32Table.entries[1] == 0x77073096u, "the zip CRC-32 table");

uint32_t crc32(const unsigned char* data, size_t length)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i)
        crc = crc32Table.entries[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

uint32_t littleEndian32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void appendLittleEndian32(std::string& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += char((value >> shift) & 0xFF);
}

// The ids of a whole file already in memory; false at the first thing out of place.
bool parseState(const unsigned char* data, size_t size, uint64_t key, std::unordered_set<std::string>& ids)
{
    if (size < headerSize + checksumSize || memcmp(data, stateMagic, sizeof stateMagic) != 0)
        return false;
    if (littleEndian32(data + size - checksumSize) != crc32(data, size - checksumSize))
        return false;
    uint64_t storedKey = uint64_t(littleEndian32(data + 12)) | (uint64_t(littleEndian32(data + 16)) << 32);
    uint32_t count = littleEndian32(data + 20);
    if (littleEndian32(data + 8) != entryStateVersion || storedKey != key || count > pop3MaxMessageCount)
        return false;
    size_t at = headerSize;
    size_t end = size - checksumSize;
    for (uint32_t i = 0; i < count; ++i) {
        if (at >= end)
            return false;
        size_t length = data[at++];
        if (length > end - at)
            return false;
        const char* id = reinterpret_cast<const char*>(data + at);
        if (!isValidUniqueId(id, length))
            return false;
        ids.emplace(id, length);
        at += length;
    }
    return at == end;
}

} // namespace

uint64_t entryStateKey(const char* name, const char* server, const char* user)
{
    uint64_t hash = 14695981039346656037ull;
    const char* parts[3] = { name, server, user };
    for (const char* part : parts) {
        for (const char* p = part ? part : ""; *p; ++p) {
            hash ^= uint8_t(*p);
            hash *= 1099511628211ull;
        }
        hash *= 1099511628211ull; // the zero byte that ends the part
    }
    return hash;
}

bool entryStateFilePath(const char* folder, uint64_t key, char* path, size_t size)
{
    if (!path || size == 0)
        return false;
    int length = snprintf(path, size, "%sseen-%08lx%08lx.ids", folder ? folder : "",
                          static_cast<unsigned long>(key >> 32), static_cast<unsigned long>(key & 0xFFFFFFFFu));
    if (length < 0 || size_t(length) >= size) {
        path[0] = '\0';
        return false;
    }
    return true;
}

bool readEntryState(const char* path, uint64_t key, std::unordered_set<std::string>& ids)
{
    ids.clear();
    FileReader file;
    if (!path || !*path || !file.open(path))
        return false;
    uint64_t size = file.remaining();
    if (size > largestFile)
        return false;
    std::string data(static_cast<size_t>(size), '\0');
    if (!file.readBytes(&data[0], data.size()))
        return false;
    if (!parseState(reinterpret_cast<const unsigned char*>(data.data()), data.size(), key, ids)) {
        ids.clear();
        return false;
    }
    return true;
}

bool writeEntryState(const char* path, uint64_t key, const std::vector<std::string>& ids)
{
    if (!path || !*path)
        return false;
    std::string data(stateMagic, sizeof stateMagic);
    appendLittleEndian32(data, entryStateVersion);
    appendLittleEndian32(data, uint32_t(key & 0xFFFFFFFFu));
    appendLittleEndian32(data, uint32_t(key >> 32));
    size_t countAt = data.size();
    appendLittleEndian32(data, 0);
    uint32_t count = 0;
    for (const std::string& id : ids) {
        if (!isValidUniqueId(id.data(), id.size()) || count >= pop3MaxMessageCount)
            continue;
        data += char(id.size());
        data += id;
        ++count;
    }
    for (int i = 0; i < 4; ++i)
        data[countAt + i] = char((count >> (8 * i)) & 0xFF);
    appendLittleEndian32(data, crc32(reinterpret_cast<const unsigned char*>(data.data()), data.size()));
    AtomicFileWriter file;
    return file.open(path) && file.writeBytes(data.data(), data.size()) && file.commit();
}
