// Taking the display name, or else the address, out of a "From:" value.
#include "text/display_name.h"
#include "text/encoded_words.h"
#include "text/header_field.h"
#include <string>

namespace {

std::string trimmed(const std::string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// The position of the first c that stands outside a quoted string, or npos.
size_t findOutsideQuotes(const std::string& text, char c)
{
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (quoted && text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            quoted = !quoted;
        else if (!quoted && text[i] == c)
            return i;
    }
    return std::string::npos;
}

// The phrase with its quotes removed and the characters escaped inside them taken as they are.
std::string unquoted(const std::string& phrase)
{
    std::string text;
    bool quoted = false;
    for (size_t i = 0; i < phrase.size(); ++i) {
        if (quoted && phrase[i] == '\\' && i + 1 < phrase.size())
            text += phrase[++i];
        else if (phrase[i] == '"')
            quoted = !quoted;
        else
            text += phrase[i];
    }
    return trimmed(text);
}

struct Sender {
    std::string name;    // unquoted, still encoded; the whole value when it has no recognisable parts
    std::string address; // what is said when the name comes to nothing
};

Sender splitSender(const std::string& value)
{
    Sender sender;
    size_t open = findOutsideQuotes(value, '<');
    if (open != std::string::npos) {
        sender.name = unquoted(value.substr(0, open));
        size_t close = value.find('>', open + 1);
        size_t end = close == std::string::npos ? value.size() : close;
        sender.address = trimmed(value.substr(open + 1, end - open - 1));
        return sender;
    }
    size_t comment = findOutsideQuotes(value, '(');
    if (comment != std::string::npos && comment > 0 && value.back() == ')') {
        sender.name = trimmed(value.substr(comment + 1, value.size() - comment - 2));
        sender.address = trimmed(value.substr(0, comment));
        return sender;
    }
    // A bare address, or a name without one: encoded words in it are still decoded.
    sender.name = value;
    return sender;
}

} // namespace

std::wstring spokenSender(const char* value, size_t length)
{
    Sender sender = splitSender(trimmed(unfoldedHeaderText(value, length)));
    std::wstring spoken = decodedHeaderText(sender.name.data(), sender.name.size());
    if (spoken.empty())
        spoken = decodedHeaderText(sender.address.data(), sender.address.size());
    return spoken;
}

void appendSpokenSender(const char* value, size_t length, BoundedText& out)
{
    std::wstring spoken = spokenSender(value, length);
    out.appendWide(spoken.data(), spoken.size());
}
