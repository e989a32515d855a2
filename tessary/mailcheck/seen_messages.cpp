// Telling new messages from those seen before, and remembering header blocks by message id.
#include "mailcheck/seen_messages.h"
#include "mailcheck/entry_state_file.h"
#include "mailcheck/header_marks.h"
#include <cstring>

void SeenMessages::prepare(uint64_t key, const char* stateFile)
{
    if (prepared_ && key_ == key)
        return;
    // Another mailbox (the entry's name, server or user changed): nothing of the old one counts.
    headerIds_.clear();
    havePrevious_ = readEntryState(stateFile, key, previous_);
    fileInStep_ = havePrevious_;
    key_ = key;
    prepared_ = true;
}

std::unordered_map<std::string, KnownHeader> SeenMessages::reusableHeaders(char* const* headers,
                                                                           const uint8_t* marks, int32_t count) const
{
    std::unordered_map<std::string, KnownHeader> byId;
    for (int32_t i = 0; headers && i < count && size_t(i) < headerIds_.size(); ++i) {
        const std::string& id = headerIds_[size_t(i)];
        const char* text = headers[i];
        uint8_t slotMarks = marks ? marks[i] : uint8_t(headerKeptWhole);
        if (!id.empty() && text && strncmp(text, "+OK", 3) == 0 && !(slotMarks & headerReduced))
            byId.emplace(id, KnownHeader(text, slotMarks));
    }
    return byId;
}

bool SeenMessages::record(bool succeeded, bool idsKnown, bool uidlRefused, std::vector<std::string>& ids)
{
    news_ = CheckNews();
    news_.serverLacksUidl = succeeded && uidlRefused;
    if (!idsKnown) {
        headerIds_.clear();
        return false;
    }
    headerIds_.swap(ids);
    if (!succeeded)
        return false;

    news_.counted = true;
    std::unordered_set<std::string> current;
    for (size_t i = 0; i < headerIds_.size(); ++i) {
        const std::string& id = headerIds_[i];
        // A message without a usable id cannot be recognised later, so it is always new.
        if (id.empty() || !havePrevious_ || previous_.count(id) == 0)
            news_.newNumbers.push_back(int(i + 1));
        if (!id.empty())
            current.insert(id);
    }
    bool changed = !havePrevious_ || current != previous_;
    previous_.swap(current);
    havePrevious_ = true;
    if (changed)
        fileInStep_ = false;
    return !fileInStep_;
}

bool SeenMessages::save(const char* stateFile)
{
    std::vector<std::string> ids(previous_.begin(), previous_.end());
    fileInStep_ = writeEntryState(stateFile, key_, ids);
    return fileInStep_;
}
