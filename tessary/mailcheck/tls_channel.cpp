// The TLS channel of a POP3 session: SChannel's client handshake driven by the socket's event and
// the stop event, then records encrypted on the way out and decrypted on the way in.
#define SCHANNEL_USE_BLACKLISTS
#include "mailcheck/tls_channel.h"
#include "mailcheck/pop3_session.h"
#include "mailcheck/pop3_stream.h"
#include "mailcheck/session_deadline.h"
#include <subauth.h>
#include <schannel.h>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Room for what the server sends before SChannel takes it: a whole handshake flight with its
// certificates, or several records.
const unsigned long incomingCapacity = 65536;
// The most plain text one record can carry, with room for any padding SChannel leaves in it.
const unsigned long plainCapacity = 16384 + 2048;
// Handshake steps before a server is taken to lead the client in circles.
const int maxHandshakeSteps = 64;

const ULONG requestFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                           ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                           ISC_REQ_MANUAL_CRED_VALIDATION;

// No client certificate; the server's certificate is checked by the program, not by SChannel.
const DWORD credentialFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;

char unifiedProvider[] = UNISP_NAME_A;

const char* handshakeWords(SECURITY_STATUS status)
{
    switch (status) {
    case SEC_E_ALGORITHM_MISMATCH:
        return "no protocol or cipher in common";
    case SEC_E_INVALID_TOKEN:
    case SEC_E_ILLEGAL_MESSAGE:
        return "the server's answer is not a TLS handshake";
    case SEC_E_UNSUPPORTED_FUNCTION:
        return "protocol not supported";
    default:
        return "SChannel refused";
    }
}

} // namespace

#if !defined(_WIN64)
// SChannel tells the two credential records apart by dwVersion and reads them by these sizes.
static_assert(sizeof(SCHANNEL_CRED) == 56, "SCHANNEL_CRED is 56 bytes");
static_assert(sizeof(SCH_CREDENTIALS) == 44, "SCH_CREDENTIALS is 44 bytes");
static_assert(sizeof(SecBuffer) == 12 && sizeof(SecBufferDesc) == 12, "SSPI buffers");
#endif

TlsChannel::TlsChannel(const TlsLibrary& library, SOCKET s, WSAEVENT socketEvent, HANDLE stopEvent)
    : sspi_(library.sspi()), socket_(s), socketEvent_(socketEvent), stopEvent_(stopEvent)
{
}

TlsChannel::~TlsChannel()
{
    if (haveContext_)
        sspi_->DeleteSecurityContext(&context_);
    if (haveCredentials_)
        sspi_->FreeCredentialsHandle(&credentials_);
    delete[] serverName_;
}

bool TlsChannel::acquireCredentials()
{
    // The newer record where the system takes it, else the older one; neither names protocols,
    // so the system's defaults apply (and follow its updates).
    TimeStamp expiry;
    SCH_CREDENTIALS current = {};
    current.dwVersion = SCH_CREDENTIALS_VERSION;
    current.dwFlags = credentialFlags;
    SECURITY_STATUS status = sspi_->AcquireCredentialsHandleA(nullptr, unifiedProvider, SECPKG_CRED_OUTBOUND, nullptr,
                                                              &current, nullptr, nullptr, &credentials_, &expiry);
    if (status != SEC_E_OK) {
        SCHANNEL_CRED older = {};
        older.dwVersion = SCHANNEL_CRED_VERSION;
        older.dwFlags = credentialFlags;
        status = sspi_->AcquireCredentialsHandleA(nullptr, unifiedProvider, SECPKG_CRED_OUTBOUND, nullptr, &older,
                                                  nullptr, nullptr, &credentials_, &expiry);
    }
    haveCredentials_ = status == SEC_E_OK;
    return haveCredentials_;
}

int TlsChannel::handshake(const char* serverName, char* why, size_t whySize)
{
    why[0] = '\0';
    size_t nameLength = serverName ? strlen(serverName) : 0;
    incoming_.reset(new (std::nothrow) char[incomingCapacity]);
    plain_.reset(new (std::nothrow) char[plainCapacity]);
    serverName_ = new (std::nothrow) char[nameLength + 1];
    if (!incoming_ || !plain_ || !serverName_) {
        snprintf(why, whySize, "error: TLS handshake failed: out of memory");
        return pop3TlsHandshakeFailed;
    }
    memcpy(serverName_, serverName ? serverName : "", nameLength + 1);
    if (!acquireCredentials())
        return tlsUnavailable(why, whySize);
    return negotiate(why, whySize);
}

// Runs InitializeSecurityContext until the handshake is done: its tokens go to the server, the
// server's bytes come back to it. incoming_ may already hold bytes for it (a renegotiation).
int TlsChannel::negotiate(char* why, size_t whySize)
{
    bool needsBytes = false;
    for (int steps = 0; steps < maxHandshakeSteps;) {
        if (needsBytes) {
            const char* words = nullptr;
            switch (fillIncoming()) {
            case Fill::data:
                break;
            case Fill::closed:
                words = "the server closed the connection";
                break;
            case Fill::timedOut:
                words = "no answer from the server in time";
                break;
            case Fill::stopped:
                words = "the check was stopped";
                break;
            case Fill::failed:
                words = "the connection broke";
                break;
            }
            if (words) {
                snprintf(why, whySize, "error: TLS handshake failed: %s", words);
                return pop3TlsHandshakeFailed;
            }
        }
        SecBuffer in[2] = { { incomingLength_, SECBUFFER_TOKEN, incoming_.get() }, { 0, SECBUFFER_EMPTY, nullptr } };
        SecBufferDesc inDesc = { SECBUFFER_VERSION, 2, in };
        SecBuffer out[1] = { { 0, SECBUFFER_TOKEN, nullptr } };
        SecBufferDesc outDesc = { SECBUFFER_VERSION, 1, out };
        ULONG attributes = 0;
        TimeStamp expiry;
        bool first = !haveContext_;
        SECURITY_STATUS status = sspi_->InitializeSecurityContextA(
            &credentials_, first ? nullptr : &context_, serverName_, requestFlags, 0, 0, first ? nullptr : &inDesc, 0,
            first ? &context_ : nullptr, &outDesc, &attributes, &expiry);
        if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS))
            haveContext_ = true;

        // Tokens go out whatever the status: after a failure it is the alert that tells the server.
        bool sent = true;
        if (out[0].pvBuffer) {
            sent = out[0].cbBuffer == 0 || sendRaw(out[0].pvBuffer, out[0].cbBuffer);
            sspi_->FreeContextBuffer(out[0].pvBuffer);
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            // Each time at least one more byte arrives, so the buffer's end bounds this.
            needsBytes = true;
            continue;
        }
        ++steps;
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED && status != SEC_I_INCOMPLETE_CREDENTIALS) {
            snprintf(why, whySize, "error: TLS handshake failed: %s (0x%08lX)", handshakeWords(status),
                     static_cast<unsigned long>(status));
            return pop3TlsHandshakeFailed;
        }
        if (!sent) {
            snprintf(why, whySize, "error: TLS handshake failed: the connection broke");
            return pop3TlsHandshakeFailed;
        }
        if (!first)
            keepExtra(in[1].BufferType == SECBUFFER_EXTRA ? &in[1] : nullptr);
        if (status == SEC_E_OK) {
            if (sspi_->QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK ||
                sizes_.cbMaximumMessage == 0 || sizes_.cbMaximumMessage > plainCapacity ||
                sizes_.cbHeader > 4096 || sizes_.cbTrailer > 4096) {
                snprintf(why, whySize, "error: TLS handshake failed: SChannel gave no record sizes");
                return pop3TlsHandshakeFailed;
            }
            outgoing_.reset(new (std::nothrow) char[sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer]);
            if (!outgoing_) {
                snprintf(why, whySize, "error: TLS handshake failed: out of memory");
                return pop3TlsHandshakeFailed;
            }
            established_ = true;
            return pop3Success;
        }
        // Asked for a client certificate: there is none, and asking again goes on without one.
        needsBytes = status == SEC_I_CONTINUE_NEEDED && incomingLength_ == 0;
    }
    snprintf(why, whySize, "error: TLS handshake failed: the handshake does not end");
    return pop3TlsHandshakeFailed;
}

// Adds what the socket has to incoming_, waiting for it when there is nothing yet.
TlsChannel::Fill TlsChannel::fillIncoming()
{
    if (incomingLength_ >= incomingCapacity)
        return Fill::failed;
    bool closing = false;
    for (;;) {
        int got = receiveIncoming();
        if (got > 0)
            return Fill::data;
        if (got == 0 || closing)
            return Fill::closed;
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return Fill::failed;
        WSANETWORKEVENTS happened;
        switch (waitForNetwork(socket_, socketEvent_, stopEvent_, happened)) {
        case NetworkWait::ready:
            closing = (happened.lNetworkEvents & FD_CLOSE) != 0;
            break;
        case NetworkWait::timedOut:
            return Fill::timedOut;
        case NetworkWait::stopped:
            return Fill::stopped;
        case NetworkWait::failed:
            return Fill::failed;
        }
    }
}

// One recv onto the end of incoming_ (which has room); answers what recv answered.
int TlsChannel::receiveIncoming()
{
    int got = recv(socket_, incoming_.get() + incomingLength_, int(incomingCapacity - incomingLength_), 0);
    if (got > 0) {
        SessionDeadline::received(uint32_t(got));
        incomingLength_ += static_cast<unsigned long>(got);
        incomingIsPartial_ = false;
    }
    return got;
}

// Moves the bytes SChannel did not use to the front of incoming_; none when extra is null.
void TlsChannel::keepExtra(const SecBuffer* extra)
{
    unsigned long left = extra && extra->cbBuffer <= incomingLength_ ? extra->cbBuffer : 0;
    if (left)
        memmove(incoming_.get(), incoming_.get() + incomingLength_ - left, left);
    incomingLength_ = left;
    incomingIsPartial_ = false;
}

bool TlsChannel::sendRaw(const void* data, unsigned long length)
{
    return sendAll(Pop3Stream{ socket_, socketEvent_, stopEvent_, nullptr, nullptr }, static_cast<const char*>(data),
                   int(length));
}

PCCERT_CONTEXT TlsChannel::serverCertificate() const
{
    PCCERT_CONTEXT certificate = nullptr;
    if (!haveContext_ ||
        sspi_->QueryContextAttributesA(const_cast<CtxtHandle*>(&context_), SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                       &certificate) != SEC_E_OK)
        return nullptr;
    return certificate;
}

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
        if (data->cbBuffer > plainCapacity)
            return Decrypted::failed;
        memcpy(plain_.get(), data->pvBuffer, data->cbBuffer);
        plainStart_ = 0;
        plainLength_ = data->cbBuffer;
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

// The server asked for a new handshake (or, in TLS 1.3, sent a message after it): SChannel
// gets what came with the request and leads the exchange.
bool TlsChannel::renegotiate()
{
    char ignored[160];
    return negotiate(ignored, sizeof ignored) == pop3Success;
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
        if (step != Decrypted::needMore)
            continue;
        // Like a plain receive, hand over what has come rather than ask the socket again: the
        // reply reading comes back when the socket says there is more.
        if (got)
            break;
        if (incomingLength_ >= incomingCapacity) {
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

void TlsChannel::close()
{
    if (!established_ || closeSent_)
        return;
    closeSent_ = true;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control = { sizeof type, SECBUFFER_TOKEN, &type };
    SecBufferDesc controlDescription = { SECBUFFER_VERSION, 1, &control };
    if (sspi_->ApplyControlToken(&context_, &controlDescription) != SEC_E_OK)
        return;
    SecBuffer out = { 0, SECBUFFER_TOKEN, nullptr };
    SecBufferDesc outDescription = { SECBUFFER_VERSION, 1, &out };
    ULONG attributes = 0;
    TimeStamp expiry;
    SECURITY_STATUS status = sspi_->InitializeSecurityContextA(&credentials_, &context_, serverName_, requestFlags, 0,
                                                               0, nullptr, 0, nullptr, &outDescription, &attributes,
                                                               &expiry);
    // One attempt: a server that no longer reads must not hold the end of the check.
    if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && out.pvBuffer && out.cbBuffer)
        ::send(socket_, static_cast<const char*>(out.pvBuffer), int(out.cbBuffer), 0);
    if (out.pvBuffer)
        sspi_->FreeContextBuffer(out.pvBuffer);
}
