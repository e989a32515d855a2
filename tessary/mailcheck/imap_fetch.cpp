// The UIDs and header blocks of a folder's messages.
#include "mailcheck/imap_fetch.h"
#include "mailcheck/imap_session.h"
#include "storage/owned_string.h"
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <unordered_map>

namespace {
std::string upperCase(const std::string& text)
{
    std::string upper(text);
    for (char& c : upper)
        c = char(toupper(static_cast<unsigned char>(c)));
    return upper;
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
    std::string upper = upperCase(text);
    if (open == std::string::npos || upper.compare(open, 8, " FETCH (") != 0)
        return false;
    // Only the line's own text: "UID" inside a literal is not in it.
    for (size_t at = upper.find("UID ", open); at != std::string::npos; at = upper.find("UID ", at + 1)) {
        if (upper[at - 1] == '(' || upper[at - 1] == ' ') {
            parseImapNumber(text, at + 4, uid);
            break;
        }
    }
    return true;
}

bool fetchedHeaderBlock(const ImapResponse& response, std::string& block, bool& cut)
{
    cut = false;
    size_t at = upperCase(response.text).find("BODY[HEADER] ");
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
    if (upperCase(text.substr(value, 3)) == "NIL") {
        block.clear();
        return true;
    }
    return unquote(text, value, block);
}

std::string keptHeaderBlock(const std::string& block, bool cut)
{
    size_t length = block.size();
    if (cut) {
        size_t lastEnd = block.rfind('\n');
        length = lastEnd == std::string::npos ? 0 : lastEnd + 1;
    }
    std::string kept = "+OK\r\n";
    kept.reserve(length + length / 64 + 16);
    bool lineStart = true;
    for (size_t i = 0; i < length; ++i) {
        if (lineStart && block[i] == '.')
            kept += '.';
        kept += block[i];
        lineStart = block[i] == '\n';
    }
    if (!lineStart)
        kept += "\r\n";
    return kept + ".\r\n";
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

int fetchUids(ImapConversation& conversation, uint32_t count, std::vector<uint32_t>& uids, char* why, size_t whySize)
{
    uids.assign(count, 0);
    char line[48];
    snprintf(line, sizeof line, "FETCH 1:%u (UID)", unsigned(count));
    if (!conversation.send(line))
        return fetchFailure(conversation, ImapReply::lost, why, whySize);
    ImapReply reply = conversation.await([&](const ImapResponse& response) {
        uint32_t sequence = 0;
        uint32_t uid = 0;
        if (parseFetchResponse(response, sequence, uid) && sequence >= 1 && sequence <= count && uid)
            uids[sequence - 1] = uid;
    });
    return reply == ImapReply::ok ? pop3Success : fetchFailure(conversation, reply, why, whySize);
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
    uint64_t kept = 0;
    for (const std::string& set : uidSets(wantedUids)) {
        if (kept >= imapMaxKeptHeaderBytes)
            break; // the remaining messages keep no block
        if (!conversation.send("UID FETCH " + set + " (BODY.PEEK[HEADER])"))
            return fetchFailure(conversation, ImapReply::lost, why, whySize);
        ImapReply reply = conversation.await([&](const ImapResponse& response) {
            uint32_t sequence = 0;
            uint32_t uid = 0;
            std::string block;
            bool cut = false;
            if (!parseFetchResponse(response, sequence, uid) || !fetchedHeaderBlock(response, block, cut))
                return;
            auto found = indexOfUid.find(uid);
            if (found == indexOfUid.end() || slots[found->second] || kept >= imapMaxKeptHeaderBytes)
                return;
            std::string text = keptHeaderBlock(block, cut);
            slots[found->second] = ownedCopyOf(text.data(), text.size());
            kept += text.size();
        });
        if (reply != ImapReply::ok)
            return fetchFailure(conversation, reply, why, whySize);
    }
    return pop3Success;
}
