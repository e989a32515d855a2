// The reply to one TOP n 0, read to its closing "." line however long it is, with the header block
// kept up to headerBlockLimit bytes.
#pragma once
#include "mailcheck/pop3_stream.h"
#include <cstddef>
#include <string>

// Most bytes of one message's header block that are kept (the lines after the status line, up to
// the closing dot line). A longer block is cut after its last whole line within the limit; the
// rest is read and dropped. Real mail stays far below it (Exchange refuses 256 KB of headers).
const size_t headerBlockLimit = 256 * 1024;

// A reply to TOP still going after this many bytes is taken for one that never ends, and fails
// like a reply that breaks off. It is 16 times the kept block and 8 times what the most lenient
// mail service accepts in headers (Gmail, 500 KB); without it a server streaming junk at full
// speed would hold the check for ever, as each received byte also lengthens the session's deadline.
const size_t topReplyReadLimit = 16 * headerBlockLimit;

class TopReply : public ReplyReader {
public:
    // Ready for the next reply; the memory of the last one is kept for it.
    void reset();

    // Fails on a status line that is neither "+OK" nor "-ERR" or that is too long for the status
    // reply buffer (the limit every status line has), and on a reply past topReplyReadLimit; a
    // header line of any length within that is taken.
    Progress take(const char* data, size_t length, size_t& used) override;

    // After done: the text to keep, as the server sent it: the status line, the kept header lines
    // and ".\r\n"; a refusal is its "-ERR" line alone.
    const std::string& text() const { return text_; }
    bool refused() const { return refused_; }
    bool cut() const { return dropping_; }

private:
    Progress takeStatus(const char* data, size_t length, size_t& used);
    bool takeLineEnd(const char* piece, size_t pieceLength);

    std::string text_;
    bool statusDone_ = false;
    bool refused_ = false;
    size_t statusLength_ = 0;
    size_t keptEnd_ = 0;        // text_ up to here holds whole lines within the limit
    bool dropping_ = false;     // a line went past the limit: nothing more is stored
    bool lastEndedCrLf_ = false;
    size_t lineLength_ = 0;     // bytes of the current line so far, stored or not
    size_t replyLength_ = 0;    // bytes of the reply so far, stored or not
    char lineHead_[3] = {};     // its first bytes, to know the closing dot line
    char lastByte_ = 0;
};
