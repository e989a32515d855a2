// Filling an entry's header slots for tests.
#include "support/entry_headers.h"
#include "storage/owned_string.h"
#include <cstring>

void giveHeaders(MailboxEntry& entry, const std::vector<const char*>& texts, const std::vector<uint8_t>& marks)
{
    char** slots = new char*[texts.size()];
    for (size_t i = 0; i < texts.size(); ++i)
        slots[i] = texts[i] ? ownedCopyOf(texts[i], std::strlen(texts[i])) : nullptr;
    uint8_t* markSlots = nullptr;
    if (!marks.empty()) {
        markSlots = new uint8_t[texts.size()]();
        std::memcpy(markSlots, marks.data(), marks.size() < texts.size() ? marks.size() : texts.size());
    }
    entry.clearHeaders();
    entry.setHeaders(slots, static_cast<int32_t>(texts.size()), markSlots);
}
