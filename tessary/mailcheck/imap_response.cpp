// Gathering IMAP responses with their literals, within the session's bounds.
#include "mailcheck/imap_response.h"
#include "mailcheck/pop3_connection.h"
#include <algorithm>
#include <cctype>
#include <cstring>

const ImapLiteral* ImapResponse::literalAfter(size_t from) const
{
    for (const ImapLiteral& literal : literals)
        if (literal.offset > from)
            return &literal;
    return nullptr;
}

bool announcedLiteral(const std::string& line, uint64_t& size, bool& tooBig)
{
    tooBig = false;
    if (line.empty() || line.back() != '}')
        return false;
    size_t close = line.size() - 1;
    size_t end = close;
    if (end > 0 && line[end - 1] == '+')
        --end;
    size_t open = line.rfind('{', end);
    if (open == std::string::npos || open + 1 >= end)
        return false;
    uint64_t value = 0;
    for (size_t i = open + 1; i < end; ++i) {
        if (!isdigit(static_cast<unsigned char>(line[i])))
            return false;
        value = value * 10 + uint64_t(line[i] - '0');
        if (value > 0xFFFFFFFFull) {
            tooBig = true;
            return true;
        }
    }
    size = value;
    return true;
}

ReplyReader::Progress ImapResponseReader::endLine()
{
    std::string& text = response_.text;
    text.resize(text.size() - 2); // the "\r\n"
    uint64_t size = 0;
    bool tooBig = false;
    if (!announcedLiteral(text, size, tooBig))
        return Progress::done;
    if (tooBig || size > budget_) {
        failure_ = ImapReadFailure::literalTooBig;
        return Progress::failed;
    }
    response_.literals.push_back(ImapLiteral{ text.size(), std::string(), size });
    literalLeft_ = size;
    inLiteral_ = true;
    return Progress::more;
}

ReplyReader::Progress ImapResponseReader::take(const char* data, size_t length, size_t& used)
{
    for (used = 0; used < length;) {
        if (budget_ == 0) {
            failure_ = ImapReadFailure::tooMuchData;
            return Progress::failed;
        }
        if (inLiteral_) {
            size_t chunk = size_t(std::min<uint64_t>(literalLeft_, length - used));
            std::string& kept = response_.literals.back().kept;
            if (kept.size() < imapMaxKeptLiteral)
                kept.append(data + used, std::min(chunk, imapMaxKeptLiteral - kept.size()));
            used += chunk;
            literalLeft_ -= chunk;
            budget_ -= std::min<uint64_t>(budget_, chunk);
            if (literalLeft_ == 0)
                inLiteral_ = false;
            continue;
        }
        // The line up to its next "\n", appended in one piece rather than byte by byte.
        const char* start = data + used;
        size_t available = size_t(std::min<uint64_t>(length - used, budget_));
        const char* newline = static_cast<const char*>(memchr(start, '\n', available));
        size_t piece = newline ? size_t(newline - start) + 1 : available;
        std::string& text = response_.text;
        if (text.size() + piece > imapMaxLineLength) {
            failure_ = ImapReadFailure::lineTooLong;
            return Progress::failed;
        }
        text.append(start, piece);
        used += piece;
        budget_ -= piece;
        if (newline && text.size() >= 2 && text[text.size() - 2] == '\r') {
            Progress step = endLine();
            if (step != Progress::more)
                return step;
        }
    }
    return Progress::more;
}

bool readImapResponse(Pop3Connection& connection, ImapResponse& response, uint64_t& budget,
                      ImapReadFailure& failure)
{
    response = ImapResponse();
    ImapResponseReader reader(response, budget);
    bool done = connection.read(reader);
    failure = done ? ImapReadFailure::none
                   : (reader.failure() != ImapReadFailure::none ? reader.failure() : ImapReadFailure::lost);
    return done;
}

std::string responseStatus(const std::string& text, size_t& rest)
{
    size_t space = text.find(' ');
    rest = text.size();
    if (space == std::string::npos)
        return std::string();
    size_t start = space + 1;
    size_t end = start;
    while (end < text.size() && isalpha(static_cast<unsigned char>(text[end])))
        ++end;
    std::string status;
    for (size_t i = start; i < end; ++i)
        status += char(toupper(static_cast<unsigned char>(text[i])));
    rest = end < text.size() ? end + 1 : end;
    return status;
}

bool parseImapNumber(const std::string& text, size_t at, uint32_t& value)
{
    uint64_t number = 0;
    size_t i = at;
    for (; i < text.size() && isdigit(static_cast<unsigned char>(text[i])); ++i) {
        number = number * 10 + uint64_t(text[i] - '0');
        if (number > 0xFFFFFFFFull)
            return false;
    }
    if (i == at)
        return false;
    value = uint32_t(number);
    return true;
}
