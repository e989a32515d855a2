// What a POP3 session is given and gives back when its entry announces only new messages: the
// header blocks it need not fetch again, and the unique id of every message (UIDL).
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// A header text kept from the last check, with its HeaderMark set; the text stays its owner's.
struct KnownHeader {
    KnownHeader(const char* text = nullptr, uint8_t marks = 0) : text(text), marks(marks) {}
    const char* text;
    uint8_t marks;
};

struct KnownMessages {
    // In: header blocks of messages seen before, by unique id.
    std::unordered_map<std::string, KnownHeader> headersById;
    // Out: the session has the ids (UIDL answered, or the mailbox is empty).
    bool idsKnown = false;
    // Out: the server answered UIDL with "-ERR"; every header block was fetched.
    bool uidlRefused = false;
    // Out: one id a message, index 0 for message 1; "" where the server gave none.
    std::vector<std::string> ids;
};
