// One IMAP server response (RFC 3501) gathered from the stream: its line, with the literals that
// the line announces ("{n}" before a line break) read apart. Every size is bounded, so a server
// that announces a huge literal, sends an endless line or never stops talking cannot hold a check.
#pragma once
#include "mailcheck/pop3_stream.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Longest line kept, without its literals; a longer one breaks the response.
const size_t imapMaxLineLength = 65536;
// Longest part of one literal that is kept; the rest is read and dropped.
const size_t imapMaxKeptLiteral = 262144;
// Most bytes one session takes from the server: every header block of a large mailbox fits, a
// literal announced beyond what is left breaks the session at once.
const uint64_t imapMaxSessionBytes = 64ull * 1024 * 1024;

struct ImapLiteral {
    size_t offset;      // where it stood in the line: the text's length when it began
    std::string kept;   // its first imapMaxKeptLiteral bytes
    uint64_t size;      // as announced
};

struct ImapResponse {
    std::string text;   // the line without "\r\n"; each literal's "{n}" stays in it
    std::vector<ImapLiteral> literals;
    bool untagged() const { return text.size() >= 2 && text[0] == '*' && text[1] == ' '; }
    bool continuation() const { return !text.empty() && text[0] == '+'; }
    // The literal announced first after text offset from, or null.
    const ImapLiteral* literalAfter(size_t from) const;
};

// Why reading a response stopped short.
enum class ImapReadFailure { none, lost, lineTooLong, literalTooBig, tooMuchData };

// Gathers one response. budget holds the bytes the session may still take; it shrinks as they
// arrive and is shared by every response of the session.
class ImapResponseReader : public ReplyReader {
public:
    ImapResponseReader(ImapResponse& response, uint64_t& budget) : response_(response), budget_(budget) {}
    Progress take(const char* data, size_t length, size_t& used) override;
    ImapReadFailure failure() const { return failure_; }

private:
    Progress endLine();

    ImapResponse& response_;
    uint64_t& budget_;
    uint64_t literalLeft_ = 0;
    bool inLiteral_ = false;
    ImapReadFailure failure_ = ImapReadFailure::none;
};

class Pop3Connection;

// Reads the next response from the connection; failure says why when it answers false.
bool readImapResponse(Pop3Connection& connection, ImapResponse& response, uint64_t& budget,
                      ImapReadFailure& failure);

// The size a line announces for a literal after it ("{123}" or "{123+}" at its end): true with
// size set when there is one; tooBig when the digits do not make a number below 2^32.
bool announcedLiteral(const std::string& line, uint64_t& size, bool& tooBig);

// The status of a tagged or untagged response after its tag ("OK", "NO", "BAD", "BYE",
// "PREAUTH"), upper-cased, or "" when there is none; rest points past it and the blank.
std::string responseStatus(const std::string& text, size_t& rest);

// A decimal number at text[at] (digits only, below 2^32); false when there is none.
bool parseImapNumber(const std::string& text, size_t at, uint32_t& value);
