// Commands and their responses on one IMAP connection: tags, arguments sent quoted or as
// literals, and reading up to the tagged response while untagged ones go to the step that wants
// them. Whatever a response breaks (its bounds, the protocol), the step ends with a plain reason.
#pragma once
#include "mailcheck/imap_response.h"
#include <deque>
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
    // Commands may be sent while earlier ones are still unanswered (tags tell their answers
    // apart); each await takes the answer of the oldest command still waiting for one.
    bool send(const std::string& verb, const std::vector<ImapArgument>& arguments, ImapReply& refusedEarly);
    bool send(const std::string& line);
    // A command to go with the next one sent (or the next await): several commands in one piece,
    // since a small piece sent behind another waits for the first one's acknowledgement.
    void queue(const std::string& line);
    // Bytes that continue the current command (an AUTHENTICATE answer, DONE), with its "\r\n";
    // commands queued meanwhile go right behind them.
    bool sendContinuation(const std::string& bytes);

    // Reads until the tagged response of the oldest unanswered command (or "+" when
    // continuationEnds). Untagged responses go to onUntagged (may be null); "* BYE" is remembered.
    ImapReply await(const UntaggedHandler& onUntagged, bool continuationEnds = false);

    // The text of the last tagged response after its status, or of the BYE, or what followed the
    // "+" of a continuation that ended await; for the log line.
    const std::string& lastText() const { return lastText_; }
    // Why the last read broke, in plain words, when it ended broken.
    const std::string& brokenReason() const { return brokenReason_; }

    // Commands sent and not yet awaited.
    size_t unanswered() const { return unanswered_.size(); }

private:
    // A command sent whose answer has not been taken by await yet.
    struct Unanswered {
        std::string tag;
        bool answered;   // its tagged response came while an older command was awaited
        ImapReply reply;
        std::string text;
    };

    bool readOne(ImapResponse& response, ImapReply& ended);
    std::string nextTag();
    ImapReply takeAnswer(const Unanswered& command);
    bool sendWithQueued(std::string& bytes);

    Pop3Connection& connection_;
    uint64_t budget_ = imapMaxSessionBytes;
    unsigned nextTag_ = 1;
    std::deque<Unanswered> unanswered_;
    std::string queued_; // commands not sent yet
    std::string lastText_;
    std::string brokenReason_;
};
