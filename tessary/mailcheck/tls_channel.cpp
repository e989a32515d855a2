// The TLS channel of a POP3 session: its buffers, the raw bytes to and from the socket, and the
// certificate the server presented. The handshake, the record layer and the shutdown have files
// of their own (tls_channel_*.cpp).
#include "mailcheck/tls_channel.h"
#include "mailcheck/session_deadline.h"
#include "mailcheck/tls_channel_settings.h"
#include <schannel.h>
#include <cstring>
#include <new>

TlsChannel::TlsChannel(const TlsLibrary& library, const Pop3Stream& link)
    : sspi_(library.sspi()), crypt_(library.crypt()), link_(link)
{
    // Under the channel the socket carries records only: no TLS, no read-ahead of replies.
    link_.tls = nullptr;
    link_.ahead = nullptr;
}

TlsChannel::~TlsChannel()
{
    if (haveContext_)
        sspi_->DeleteSecurityContext(&context_);
    if (haveCredentials_)
        sspi_->FreeCredentialsHandle(&credentials_);
    delete[] serverName_;
}

// Adds what the socket has to incoming_, waiting for it when there is nothing yet.
TlsChannel::Fill TlsChannel::fillIncoming()
{
    if (incomingLength_ >= tlsIncomingCapacity)
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
        switch (waitForNetwork(link_, happened)) {
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

// One recv onto the end of incoming_ (which has room); answers what recv answered. Raw bytes earn
// the session no time: only the text they carry does, once decrypted.
int TlsChannel::receiveIncoming()
{
    int got = recv(link_.socket, incoming_.get() + incomingLength_, int(tlsIncomingCapacity - incomingLength_), 0);
    if (got > 0) {
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
    return sendAll(link_, static_cast<const char*>(data), int(length));
}

// The check was stopped, or the session's time is up: what the waits would have told, for the
// loops that do not wait because the server keeps sending.
bool TlsChannel::interrupted() const
{
    return (link_.stopEvent && WaitForSingleObject(link_.stopEvent, 0) == WAIT_OBJECT_0) ||
           sessionTimeIsUp(link_.deadline);
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

bool TlsChannel::keepJudgedCertificate()
{
    PCCERT_CONTEXT certificate = serverCertificate();
    if (!certificate)
        return false;
    judgedSize_ = certificate->cbCertEncoded;
    judged_.reset(new (std::nothrow) unsigned char[judgedSize_ ? judgedSize_ : 1]);
    if (judged_)
        memcpy(judged_.get(), certificate->pbCertEncoded, judgedSize_);
    crypt_.CertFreeCertificateContext(certificate);
    return judged_ != nullptr;
}
