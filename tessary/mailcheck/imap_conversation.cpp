// Tagged commands and their responses on an IMAP connection.
#include "mailcheck/imap_conversation.h"
#include "mailcheck/pop3_connection.h"
#include <cstdio>
#include <cstring>

ImapArgument imapArgument(const char* value)
{
    if (!value)
        value = "";
    bool quotable = true;
    for (const char* p = value; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\')
            quotable = false;
    }
    return ImapArgument{ quotable ? "\"" + std::string(value) + "\"" : std::string(value), !quotable };
}

bool ImapConversation::readOne(ImapResponse& response, ImapReply& ended)
{
    ImapReadFailure failure;
    if (readImapResponse(connection_, response, budget_, failure))
        return true;
    switch (failure) {
    case ImapReadFailure::lineTooLong:
        brokenReason_ = "server sent a line longer than 64 KB";
        break;
    case ImapReadFailure::literalTooBig:
        brokenReason_ = "server announced more data than a check takes";
        break;
    case ImapReadFailure::tooMuchData:
        brokenReason_ = "server sent more than 64 MB";
        break;
    case ImapReadFailure::none:
    case ImapReadFailure::lost:
        ended = ImapReply::lost;
        return false;
    }
    ended = ImapReply::broken;
    return false;
}

ImapReply ImapConversation::readGreeting(ImapResponse& greeting)
{
    ImapReply ended = ImapReply::lost;
    if (!readOne(greeting, ended))
        return ended;
    size_t rest = 0;
    std::string status = responseStatus(greeting.text, rest);
    lastText_ = greeting.text.substr(rest);
    if (!greeting.untagged())
        return ImapReply::bad;
    if (status == "OK" || status == "PREAUTH")
        return ImapReply::ok;
    return status == "BYE" ? ImapReply::bye : ImapReply::bad;
}

std::string ImapConversation::nextTag()
{
    char tag[16];
    snprintf(tag, sizeof tag, "t%u", nextTag_++);
    unanswered_.push_back(Unanswered{ tag, false, ImapReply::lost, std::string() });
    return tag;
}

bool ImapConversation::sendWithQueued(std::string& bytes)
{
    if (!queued_.empty()) {
        bytes.insert(0, queued_);
        queued_.clear();
    }
    bool sent = bytes.empty() || connection_.sendBytes(bytes.data(), bytes.size());
    if (!bytes.empty())
        SecureZeroMemory(&bytes[0], bytes.size());
    return sent;
}

void ImapConversation::queue(const std::string& line)
{
    queued_ += nextTag() + " " + line + "\r\n";
}

bool ImapConversation::send(const std::string& line)
{
    std::string command = nextTag() + " " + line + "\r\n";
    return sendWithQueued(command);
}

bool ImapConversation::send(const std::string& verb, const std::vector<ImapArgument>& arguments,
                            ImapReply& refusedEarly)
{
    refusedEarly = ImapReply::ok;
    std::string pending = nextTag() + " " + verb;
    bool sent = true;
    for (const ImapArgument& argument : arguments) {
        if (!argument.literal) {
            pending += " " + argument.value;
            continue;
        }
        char size[24];
        snprintf(size, sizeof size, " {%u}\r\n", unsigned(argument.value.size()));
        pending += size;
        sent = sendWithQueued(pending);
        pending.clear();
        if (!sent)
            break;
        ImapReply reply = await(nullptr, true);
        if (reply != ImapReply::continuation) {
            refusedEarly = reply;
            sent = false;
            break;
        }
        pending = argument.value;
    }
    if (sent) {
        pending += "\r\n";
        sent = sendWithQueued(pending);
    }
    if (!pending.empty())
        SecureZeroMemory(&pending[0], pending.size());
    return sent;
}

bool ImapConversation::sendContinuation(const std::string& bytes)
{
    // They belong to the command already sent: commands queued meanwhile follow them.
    std::string piece = bytes + queued_;
    queued_.clear();
    return sendWithQueued(piece);
}

ImapReply ImapConversation::takeAnswer(const Unanswered& command)
{
    lastText_ = command.text;
    ImapReply reply = command.reply;
    unanswered_.pop_front();
    return reply;
}

ImapReply ImapConversation::await(const UntaggedHandler& onUntagged, bool continuationEnds)
{
    if (unanswered_.empty())
        return ImapReply::lost;
    std::string none;
    if (!queued_.empty() && !sendWithQueued(none))
        return ImapReply::lost;
    if (unanswered_.front().answered)
        return takeAnswer(unanswered_.front());
    bool byeSeen = false;
    for (uint32_t untagged = 0;; ++untagged) {
        if (untagged > imapMaxUntaggedPerCommand) {
            brokenReason_ = "server sent responses without end";
            return ImapReply::broken;
        }
        ImapResponse response;
        ImapReply ended = ImapReply::lost;
        if (!readOne(response, ended))
            return byeSeen && ended == ImapReply::lost ? ImapReply::bye : ended;
        if (response.continuation()) {
            if (continuationEnds) {
                lastText_ = response.text.substr(1); // a SASL challenge, for the step to read
                return ImapReply::continuation;
            }
            continue;
        }
        size_t rest = 0;
        std::string status = responseStatus(response.text, rest);
        if (response.untagged()) {
            if (status == "BYE") {
                byeSeen = true;
                lastText_ = response.text.substr(rest);
            }
            if (onUntagged)
                onUntagged(response);
            continue;
        }
        size_t space = response.text.find(' ');
        auto command = unanswered_.begin();
        while (command != unanswered_.end() && (command->answered || response.text.compare(0, space, command->tag) != 0))
            ++command;
        if (space == std::string::npos || command == unanswered_.end())
            continue; // not ours: a server's mistake, skipped as untagged news are
        command->answered = true;
        command->text = response.text.substr(rest);
        command->reply = status == "OK" ? ImapReply::ok : status == "NO" ? ImapReply::no : ImapReply::bad;
        if (command == unanswered_.begin())
            return takeAnswer(*command);
        // A later command answered first: its answer waits for its own await.
    }
}
