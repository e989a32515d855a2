// The UIDs and header blocks of a folder's messages.
#include "mailcheck/imap_fetch.h"
#include "mailcheck/imap_session.h"
#include "storage/owned_string.h"
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>

namespace {
// Where needle (upper-case) stands in text from on, whatever the text's case; npos when nowhere.
// Looked for in place: a copy of every response would cost as much as reading it.
size_t findNoCase(const std::string& text, const char* needle, size_t from = 0)
{
    size_t length = strlen(needle);
    for (size_t at = from; at + length <= text.size(); ++at) {
        size_t i = 0;
        while (i < length && toupper(static_cast<unsigned char>(text[at + i])) == needle[i])
            ++i;
        if (i == length)
            return at;
    }
    return std::string::npos;
}

// A quoted string at text[at] with its escapes undone; false when it is not one.
bool unquote(const std::string& text, size_t at, std::string& value)
{
    if (at >= text.size() || text[at] != '"')
        return false;
    value.clear();
    for (size_t i = at + 1; i < text.size(); ++i) {
        if (text[i] == '"')
            return true;
        if (text[i] == '\\' && i + 1 < text.size())
            ++i;
        value += text[i];
    }
    return false;
}
} // namespace

bool parseFetchResponse(const ImapResponse& response, uint32_t& sequence, uint32_t& uid)
{
    const std::string& text = response.text;
    uid = 0;
    if (!response.untagged() || !parseImapNumber(text, 2, sequence))
        return false;
    size_t open = text.find(' ', 2);
    if (open == std::string::npos || findNoCase(text, " FETCH (", open) != open)
        return false;
    // Only the line's own text: "UID" inside a literal is not in it.
    for (size_t at = findNoCase(text, "UID ", open); at != std::string::npos; at = findNoCase(text, "UID ", at + 1)) {
        if (text[at - 1] == '(' || text[at - 1] == ' ') {
            parseImapNumber(text, at + 4, uid);
            break;
        }
    }
    return true;
}

bool fetchedHeaderBlock(const ImapResponse& response, std::string& block, bool& cut)
{
    cut = false;
    size_t at = findNoCase(response.text, "BODY[HEADER] ");
    if (at == std::string::npos)
        return false;
    size_t value = at + 13;
    const std::string& text = response.text;
    if (value < text.size() && text[value] == '{') {
        const ImapLiteral* literal = response.literalAfter(value);
        if (!literal)
            return false;
        block = literal->kept;
        cut = literal->kept.size() < literal->size;
        return true;
    }
    if (findNoCase(text, "NIL", value) == value) {
        block.clear();
        return true;
    }
    return unquote(text, value, block);
}

char* keptHeaderBlock(const std::string& block, bool cut, size_t& length)
{
    size_t size = block.size();
    if (cut) {
        size_t lastEnd = block.rfind('\n');
        size = lastEnd == std::string::npos ? 0 : lastEnd + 1;
    }
    size_t dots = 0;
    bool lineStart = true;
    for (size_t i = 0; i < size; ++i) {
        dots += lineStart && block[i] == '.';
        lineStart = block[i] == '\n';
    }
    bool endsOpen = size > 0 && !lineStart;
    // "+OK\r\n", the lines with their extra dots, "\r\n" for an open last line, ".\r\n", NUL.
    char* kept = allocateOwnedBytes(5 + size + dots + (endsOpen ? 2 : 0) + 3 + 1);
    if (!kept) {
        length = 0;
        return nullptr;
    }
    char* out = kept;
    memcpy(out, "+OK\r\n", 5);
    out += 5;
    lineStart = true;
    for (size_t i = 0; i < size; ++i) {
        if (lineStart && block[i] == '.')
            *out++ = '.';
        *out++ = block[i];
        lineStart = block[i] == '\n';
    }
    if (endsOpen) {
        memcpy(out, "\r\n", 2);
        out += 2;
    }
    memcpy(out, ".\r\n", 4); // with the NUL
    length = size_t(out - kept) + 3;
    return kept;
}

std::vector<std::string> uidSets(std::vector<uint32_t> uids)
{
    std::sort(uids.begin(), uids.end());
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    std::vector<std::string> sets;
    std::string set;
    size_t inSet = 0;
    for (size_t i = 0; i < uids.size();) {
        size_t last = i;
        while (last + 1 < uids.size() && uids[last + 1] == uids[last] + 1 &&
               inSet + (last + 2 - i) <= imapMessagesPerFetch)
            ++last;
        char range[32];
        if (last == i)
            snprintf(range, sizeof range, "%u", unsigned(uids[i]));
        else
            snprintf(range, sizeof range, "%u:%u", unsigned(uids[i]), unsigned(uids[last]));
        if (!set.empty())
            set += ',';
        set += range;
        inSet += last - i + 1;
        i = last + 1;
        if (inSet >= imapMessagesPerFetch) {
            sets.push_back(set);
            set.clear();
            inSet = 0;
        }
    }
    if (!set.empty())
        sets.push_back(set);
    return sets;
}

int fetchFailure(ImapConversation& conversation, ImapReply reply, char* why, size_t whySize)
{
    if (reply == ImapReply::broken) {
        snprintf(why, whySize, "error: %s", conversation.brokenReason().c_str());
        return imapServerBroken;
    }
    if (reply == ImapReply::lost)
        snprintf(why, whySize, "error: server did not send the messages asked for");
    else if (reply == ImapReply::bye)
        snprintf(why, whySize, "error: server ended the session: %.200s", conversation.lastText().c_str());
    else
        snprintf(why, whySize, "error: server refused to send the messages: %.200s", conversation.lastText().c_str());
    return imapFetchFailed;
}

int fetchHeaderBlocksByUid(ImapConversation& conversation, char** slots, const std::vector<uint32_t>& uids,
                           const std::vector<uint32_t>& wanted, char* why, size_t whySize)
{
    std::unordered_map<uint32_t, uint32_t> indexOfUid;
    std::vector<uint32_t> wantedUids;
    for (uint32_t index : wanted) {
        if (index < uids.size() && uids[index]) {
            indexOfUid.emplace(uids[index], index);
            wantedUids.push_back(uids[index]);
        }
    }
    // The sets are asked for ahead of their answers: the server works through them back to back
    // while the answers are read.
    std::vector<std::string> sets = uidSets(wantedUids);
    size_t asked = 0;
    uint64_t kept = 0;
    std::string block;
    auto takeBlock = [&](const ImapResponse& response) {
        uint32_t sequence = 0;
        uint32_t uid = 0;
        bool cut = false;
        if (kept >= imapMaxKeptHeaderBytes || !parseFetchResponse(response, sequence, uid) ||
            !fetchedHeaderBlock(response, block, cut))
            return; // beyond what a session keeps, the remaining messages keep no block
        auto found = indexOfUid.find(uid);
        if (found == indexOfUid.end() || slots[found->second])
            return;
        size_t length = 0;
        slots[found->second] = keptHeaderBlock(block, cut, length);
        kept += length;
    };
    for (size_t answered = 0; answered < sets.size(); ++answered) {
        if (answered == asked && kept >= imapMaxKeptHeaderBytes)
            break;
        // A few sets in flight: enough to keep the server busy, and few enough that the commands
        // fit the socket's buffers while the server's answers wait to be read. Once a session
        // keeps all it may, the remaining sets are not asked for at all.
        for (; asked < sets.size() && asked < answered + imapFetchesInFlight && kept < imapMaxKeptHeaderBytes; ++asked)
            conversation.queue("UID FETCH " + sets[asked] + " (BODY.PEEK[HEADER])");
        ImapReply reply = conversation.await(takeBlock);
        if (reply != ImapReply::ok)
            return fetchFailure(conversation, reply, why, whySize);
    }
    return pop3Success;
}
