// Reading the reply to UIDL line by line, with every length bounded.
#include "mailcheck/uidl_list.h"
#include <cstring>
#include <unordered_map>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

const std::string noId;

} // namespace

bool isValidUniqueId(const char* id, size_t length)
{
    if (length == 0 || length > uidlMaxIdLength)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (id[i] < 0x21 || id[i] > 0x7E)
            return false;
    return true;
}

bool parseUidlLine(const char* line, size_t length, uint32_t maxNumber, uint32_t& number, const char*& id,
                   size_t& idLength)
{
    size_t at = 0;
    uint64_t value = 0;
    size_t digits = 0;
    for (; at < length && line[at] >= '0' && line[at] <= '9'; ++at, ++digits) {
        value = value * 10 + uint64_t(line[at] - '0');
        if (value > maxNumber)
            return false;
    }
    if (digits == 0 || value == 0 || at == length || !isBlank(line[at]))
        return false;
    while (at < length && isBlank(line[at]))
        ++at;
    size_t start = at;
    while (at < length && !isBlank(line[at]))
        ++at;
    size_t found = at - start;
    while (at < length && isBlank(line[at]))
        ++at;
    if (at != length || !isValidUniqueId(line + start, found))
        return false;
    number = uint32_t(value);
    id = line + start;
    idLength = found;
    return true;
}

UidlList::UidlList(uint32_t messageCount)
    : messageCount_(messageCount), ids_(messageCount),
      // Room for every message's line at its longest, the status line and the dot line: a server
      // that sends more is not sending a UIDL list.
      byteLimit_((uint64_t(messageCount) + 2) * (maxLineLength + 2))
{
}

const std::string& UidlList::id(uint32_t number) const
{
    if (number < 1 || number > messageCount_)
        return noId;
    return ids_[number - 1];
}

size_t UidlList::take(const char* data, size_t length)
{
    size_t used = 0;
    while (used < length && state_ == State::reading) {
        char c = data[used++];
        if (++taken_ > byteLimit_) {
            state_ = State::broken;
            break;
        }
        if (c == '\n' && lastWasCr_) {
            if (!lineTooLong_ && lineLength_ > 0)
                --lineLength_; // the '\r'
            endLine();
            continue;
        }
        lastWasCr_ = c == '\r';
        if (lineLength_ < sizeof line_)
            line_[lineLength_++] = c;
        else
            lineTooLong_ = true;
    }
    return used;
}

void UidlList::endLine()
{
    if (!statusSeen_)
        takeStatusLine();
    else if (!lineTooLong_)
        takeListLine();
    lineLength_ = 0;
    lineTooLong_ = false;
    lastWasCr_ = false;
}

void UidlList::takeStatusLine()
{
    statusSeen_ = true;
    if (lineLength_ >= 3 && memcmp(line_, "+OK", 3) == 0)
        return;
    state_ = lineLength_ >= 4 && memcmp(line_, "-ERR", 4) == 0 ? State::refused : State::broken;
}

void UidlList::takeListLine()
{
    const char* text = line_;
    size_t length = lineLength_;
    if (length > maxLineLength)
        return;
    if (length >= 1 && text[0] == '.') {
        if (length == 1) {
            finish();
            return;
        }
        ++text; // a dot-stuffed line
        --length;
    }
    uint32_t number = 0;
    const char* id = nullptr;
    size_t idLength = 0;
    if (parseUidlLine(text, length, messageCount_, number, id, idLength) && ids_[number - 1].empty())
        ids_[number - 1].assign(id, idLength);
}

void UidlList::finish()
{
    std::unordered_map<std::string, uint32_t> firstHolder;
    std::vector<bool> shared(ids_.size(), false);
    for (uint32_t i = 0; i < ids_.size(); ++i) {
        if (ids_[i].empty())
            continue;
        auto placed = firstHolder.emplace(ids_[i], i);
        if (!placed.second) {
            shared[i] = true;
            shared[placed.first->second] = true;
        }
    }
    for (uint32_t i = 0; i < ids_.size(); ++i)
        if (shared[i])
            ids_[i].clear();
    state_ = State::listed;
}
