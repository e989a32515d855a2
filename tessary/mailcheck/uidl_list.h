// The reply to UIDL: the server's unique id of every message, taken line by line as the reply
// arrives, so that a mailbox of any size never needs the whole reply in one buffer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A unique id is 1 to 70 printable characters (0x21 to 0x7E).
const size_t uidlMaxIdLength = 70;
bool isValidUniqueId(const char* id, size_t length);

// Parses one line of the list, "<number> <id>" without its "\r\n". False when the line does not
// have that form: no number, a number of 0 or above maxNumber, no id, an id that is too long or
// holds other characters, anything after the id but blanks.
bool parseUidlLine(const char* line, size_t length, uint32_t maxNumber, uint32_t& number, const char*& id,
                   size_t& idLength);

// Gathers one reply to UIDL for a mailbox of messageCount messages (the bounded STAT count): the
// status line, the id lines and the closing dot line. Lines that do not parse, or name a message
// outside 1..messageCount, or a message already named, are skipped. An id given to two messages
// belongs to neither: both count as having no id.
class UidlList {
public:
    explicit UidlList(uint32_t messageCount);

    enum class State { reading, listed, refused, broken };

    // Takes bytes of the reply as they arrive and answers how many belonged to it: all of them
    // while it goes on, fewer when the reply ended within them (the rest is the next reply's).
    size_t take(const char* data, size_t length);
    State state() const { return state_; }

    // The id of message number (counted from 1), or "" when the server gave it none.
    const std::string& id(uint32_t number) const;
    // One id a message, index 0 for message 1; valid once state() is listed.
    std::vector<std::string>& ids() { return ids_; }

    // Longest line kept; a longer one is read to its end and skipped.
    static const size_t maxLineLength = 128;

private:
    void endLine();
    void takeStatusLine();
    void takeListLine();
    void finish();

    uint32_t messageCount_;
    std::vector<std::string> ids_;
    State state_ = State::reading;
    bool statusSeen_ = false;
    char line_[maxLineLength + 2] = {};
    size_t lineLength_ = 0;
    bool lineTooLong_ = false;
    bool lastWasCr_ = false;
    uint64_t taken_ = 0;
    uint64_t byteLimit_;
};
