// Reading the reply to TOP n 0 piece by piece: the status line, then header lines of any length
// until the closing dot line, storing no more than the limit allows.
#include "mailcheck/top_reply.h"
#include "mailcheck/pop3_session.h"
#include <cstring>

void TopReply::reset()
{
    text_.clear();
    statusDone_ = refused_ = dropping_ = false;
    statusLength_ = keptEnd_ = lineLength_ = replyLength_ = 0;
    lastEndedCrLf_ = false;
    lastByte_ = 0;
}

ReplyReader::Progress TopReply::takeStatus(const char* data, size_t length, size_t& used)
{
    while (used < length) {
        char c = data[used++];
        text_ += c;
        // The same bound as every other status line of a session: 254 bytes with the line end.
        if (text_.size() >= size_t(pop3StatusBufferSize - 1))
            return Progress::failed;
        if (c != '\n')
            continue;
        statusDone_ = true;
        if (text_.compare(0, 4, "-ERR") == 0) {
            refused_ = true;
            return Progress::done;
        }
        if (text_.compare(0, 3, "+OK") != 0)
            return Progress::failed;
        statusLength_ = keptEnd_ = text_.size();
        lastEndedCrLf_ = text_.size() >= 2 && text_[text_.size() - 2] == '\r';
        return Progress::more;
    }
    return Progress::more;
}

// A line ended with the last byte of piece. True when it was the closing dot line.
bool TopReply::takeLineEnd(const char* piece, size_t pieceLength)
{
    char beforeEnd = pieceLength >= 2 ? piece[pieceLength - 2] : lastByte_;
    bool endsCrLf = lineLength_ >= 2 && beforeEnd == '\r';
    if (lastEndedCrLf_ && lineLength_ == 3 && memcmp(lineHead_, ".\r\n", 3) == 0) {
        text_.resize(keptEnd_);
        text_ += ".\r\n";
        return true;
    }
    if (!dropping_) {
        if (text_.size() - statusLength_ <= headerBlockLimit) {
            keptEnd_ = text_.size();
        } else {
            text_.resize(keptEnd_);
            dropping_ = true;
        }
    }
    lastEndedCrLf_ = endsCrLf;
    lineLength_ = 0;
    return false;
}

ReplyReader::Progress TopReply::take(const char* data, size_t length, size_t& used)
{
    used = 0;
    if (!statusDone_) {
        Progress step = takeStatus(data, length, used);
        if (step != Progress::more || !statusDone_)
            return step;
    }
    while (used < length) {
        const char* piece = data + used;
        size_t rest = length - used;
        const char* lineEnd = static_cast<const char*>(memchr(piece, '\n', rest));
        size_t pieceLength = lineEnd ? size_t(lineEnd - piece) + 1 : rest;
        if (replyLength_ + used + pieceLength > topReplyReadLimit)
            return Progress::failed;
        for (size_t i = 0; i < pieceLength && lineLength_ + i < sizeof lineHead_; ++i)
            lineHead_[lineLength_ + i] = piece[i];
        lineLength_ += pieceLength;
        // Room for one line past the limit is never needed: the closing dot line (3 bytes) is
        // the only one stored beyond it, and only for a moment.
        if (!dropping_) {
            if (text_.size() - statusLength_ + pieceLength <= headerBlockLimit + 3) {
                text_.append(piece, pieceLength);
            } else {
                text_.resize(keptEnd_);
                dropping_ = true;
            }
        }
        used += pieceLength;
        if (lineEnd && takeLineEnd(piece, pieceLength))
            return Progress::done;
        lastByte_ = piece[pieceLength - 1];
    }
    replyLength_ += length; // all of it belonged to this reply
    return Progress::more;
}
