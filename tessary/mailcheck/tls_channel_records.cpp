// The TLS channel's record layer: text encrypted into records on the way out, records decrypted
// into text on the way in, with the text (and only the text) credited to the session's deadline.
#include "mailcheck/tls_channel.h"
#include "mailcheck/session_deadline.h"
#include "mailcheck/tls_channel_settings.h"
#include <cstring>

bool TlsChannel::send(const char* data, int length)
{
    if (!established_ || broken_)
        return false;
    char* record = outgoing_.get();
    while (length > 0) {
        unsigned long chunk = static_cast<unsigned long>(length);
        if (chunk > sizes_.cbMaximumMessage)
            chunk = sizes_.cbMaximumMessage;
        memcpy(record + sizes_.cbHeader, data, chunk);
        SecBuffer parts[4] = { { sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record },
                               { chunk, SECBUFFER_DATA, record + sizes_.cbHeader },
                               { sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record + sizes_.cbHeader + chunk },
                               { 0, SECBUFFER_EMPTY, nullptr } };
        SecBufferDesc description = { SECBUFFER_VERSION, 4, parts };
        bool encrypted = sspi_->EncryptMessage(&context_, 0, &description, 0) == SEC_E_OK;
        bool sent = encrypted && sendRaw(record, parts[0].cbBuffer + parts[1].cbBuffer + parts[2].cbBuffer);
        // A command line may hold the password: nothing of it stays behind in the record buffer.
        SecureZeroMemory(record, sizes_.cbHeader + chunk + sizes_.cbTrailer);
        if (!sent) {
            broken_ = true;
            return false;
        }
        data += chunk;
        length -= int(chunk);
    }
    return true;
}

TlsChannel::Decrypted TlsChannel::decryptRecord()
{
    if (incomingLength_ == 0 || incomingIsPartial_)
        return Decrypted::needMore;
    SecBuffer parts[4] = { { incomingLength_, SECBUFFER_DATA, incoming_.get() },
                           { 0, SECBUFFER_EMPTY, nullptr },
                           { 0, SECBUFFER_EMPTY, nullptr },
                           { 0, SECBUFFER_EMPTY, nullptr } };
    SecBufferDesc description = { SECBUFFER_VERSION, 4, parts };
    SECURITY_STATUS status = sspi_->DecryptMessage(&context_, &description, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
        incomingIsPartial_ = true;
        return Decrypted::needMore;
    }
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED)
        return Decrypted::failed;
    const SecBuffer* data = nullptr;
    const SecBuffer* extra = nullptr;
    for (const SecBuffer& part : parts) {
        if (part.BufferType == SECBUFFER_DATA && !data)
            data = &part;
        else if (part.BufferType == SECBUFFER_EXTRA && !extra)
            extra = &part;
    }
    // The text is decrypted in place inside incoming_: copy it out before the rest moves up.
    if (data && data->cbBuffer) {
        if (data->cbBuffer > tlsPlainCapacity)
            return Decrypted::failed;
        memcpy(plain_.get(), data->pvBuffer, data->cbBuffer);
        plainStart_ = 0;
        plainLength_ = data->cbBuffer;
        creditReceived(link_.deadline, data->cbBuffer);
    }
    keepExtra(extra);
    if (status == SEC_I_CONTEXT_EXPIRED) {
        peerClosed_ = true;
        return Decrypted::closed;
    }
    if (status == SEC_I_RENEGOTIATE && !renegotiate())
        return Decrypted::failed;
    return Decrypted::data;
}

Received TlsChannel::receive(char* into, int room, int& got)
{
    got = 0;
    while (got < room) {
        if (plainStart_ < plainLength_) {
            unsigned long waiting = plainLength_ - plainStart_;
            unsigned long take = static_cast<unsigned long>(room - got);
            if (take > waiting)
                take = waiting;
            memcpy(into + got, plain_.get() + plainStart_, take);
            plainStart_ += take;
            got += int(take);
            continue;
        }
        if (broken_ || peerClosed_ || !established_)
            break;
        Decrypted step = decryptRecord();
        if (step == Decrypted::failed)
            broken_ = true;
        // Records without text (empty ones, renegotiations) can come faster than they are taken,
        // so that no wait ever runs to notice the stop event or the deadline: look here.
        if (step == Decrypted::data && plainStart_ >= plainLength_ && interrupted())
            broken_ = true;
        if (step != Decrypted::needMore)
            continue;
        // Like a plain receive, hand over what has come rather than ask the socket again: the
        // reply reading comes back when the socket says there is more.
        if (got)
            break;
        if (incomingLength_ >= tlsIncomingCapacity) {
            broken_ = true; // a record larger than any TLS record can be
            continue;
        }
        int arrived = receiveIncoming();
        if (arrived == 0)
            peerClosed_ = true;
        else if (arrived < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
            return Received::nothingYet;
        else if (arrived < 0)
            broken_ = true;
    }
    if (got)
        return Received::data;
    return peerClosed_ ? Received::closed : Received::failed;
}

bool TlsChannel::hasPendingInput() const
{
    return plainStart_ < plainLength_ || (incomingLength_ > 0 && !incomingIsPartial_) || broken_ || peerClosed_;
}
