// Commands and their responses on one IMAP connection: tags, arguments sent quoted or as
// literals, and reading up to the tagged response while untagged ones go to the step that wants
// them. Whatever a response breaks (its bounds, the protocol), the step ends with a plain reason.
#pragma once
#include "mailcheck/imap_response.h"
#include <functional>
#include <string>
#include <vector>

class Pop3Connection;

// Untagged responses read while one command runs, at most: a FETCH of every message of the
// largest mailbox a session takes, with room for the server's news beside it.
const uint32_t imapMaxUntaggedPerCommand = 250000;

// How a command ended.
enum class ImapReply {
    ok,
    no,
    bad,
    bye,          // the server said BYE and closed
    lost,         // time-out, closed, stopped, or a receive failed
    broken,       // a response beyond the bounds
    continuation, // "+": the server waits for the rest of the command
};

// An argument of a command: an astring sent as a quoted string where it can be, else as a literal
// (quotes, backslashes, line breaks, 8-bit bytes: RFC 3501 allows those only in literals).
struct ImapArgument {
    std::string value;
    bool literal;
};
ImapArgument imapArgument(const char* value);

class ImapConversation {
public:
    explicit ImapConversation(Pop3Connection& connection) : connection_(connection) {}

    typedef std::function<void(const ImapResponse&)> UntaggedHandler;

    // The first response of the session.
    ImapReply readGreeting(ImapResponse& greeting);

    // Sends "<tag> <verb> <arguments>\r\n": each literal waits for the server's "+" first. False
    // from send when the bytes did not go; refusedEarly then tells a tagged NO/BAD instead of "+".
    bool send(const std::string& verb, const std::vector<ImapArgument>& arguments, ImapReply& refusedEarly);
    bool send(const std::string& line);
    // Bytes that continue the current command (an AUTHENTICATE answer), with its "\r\n".
    bool sendContinuation(const std::string& bytes);

    // Reads until the tagged response of the current command (or "+" when continuationEnds).
    // Untagged responses go to onUntagged (may be null); "* BYE" is remembered.
    ImapReply await(const UntaggedHandler& onUntagged, bool continuationEnds = false);

    // The text of the last tagged response after its status, or of the BYE, or what followed the
    // "+" of a continuation that ended await; for the log line.
    const std::string& lastText() const { return lastText_; }
    // Why the last read broke, in plain words, when it ended broken.
    const std::string& brokenReason() const { return brokenReason_; }

private:
    bool readOne(ImapResponse& response, ImapReply& ended);

    Pop3Connection& connection_;
    uint64_t budget_ = imapMaxSessionBytes;
    unsigned nextTag_ = 1;
    std::string tag_;
    std::string lastText_;
    std::string brokenReason_;
};
