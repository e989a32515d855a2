// The connection of one POP3 session: opening, sending, reading, and turning it to TLS.
#include "mailcheck/pop3_connection.h"
#include "mailcheck/certificate_check.h"
#include <cstdio>
#include <cstring>

Pop3Connection::Pop3Connection(SOCKET s, HANDLE stopEvent, SessionDeadline* deadline)
    : stream_{ s, WSA_INVALID_EVENT, stopEvent, nullptr, &ahead_, deadline }
{
}

Pop3Connection::~Pop3Connection()
{
    if (tls_)
        tls_->close();
    tls_.reset();
    closesocket(stream_.socket);
    if (stream_.socketEvent != WSA_INVALID_EVENT)
        WSACloseEvent(stream_.socketEvent);
}

int Pop3Connection::open()
{
    stream_.socketEvent = WSACreateEvent();
    if (stream_.socketEvent == WSA_INVALID_EVENT)
        return pop3NoSocketEvent;
    // FD_READ | FD_WRITE | FD_CLOSE; this also makes the socket non-blocking.
    if (WSAEventSelect(stream_.socket, stream_.socketEvent, FD_READ | FD_WRITE | FD_CLOSE) == SOCKET_ERROR)
        return pop3EventSelectFailed;
    return pop3Success;
}

bool Pop3Connection::send(const char* line)
{
    return sendAll(stream_, line, int(strlen(line)));
}

bool Pop3Connection::sendBytes(const char* data, size_t length)
{
    return sendAll(stream_, data, int(length));
}

bool Pop3Connection::status(char* buffer, int size, bool multiLine)
{
    return readStatusReply(stream_, buffer, size, multiLine);
}

bool Pop3Connection::read(ReplyReader& reader)
{
    return readReplyWith(stream_, reader);
}

int Pop3Connection::command(const char* line, char* reply, int notSent, int refused)
{
    if (!send(line))
        return notSent;
    if (!status(reply, pop3StatusBufferSize, false))
        return refused;
    return pop3Success;
}

int Pop3Connection::startTls(const Pop3Target& target, char* why, size_t whySize)
{
    // Whatever came in plain text after the reply to STLS was not protected by TLS and must never
    // pass for a reply that was: it is dropped.
    ahead_.start = ahead_.end = 0;
    if (!library_.load())
        return tlsUnavailable(why, whySize);
    tls_.emplace(library_, stream_);
    int result = tls_->handshake(target.server, why, whySize);
    if (result != pop3Success)
        return result;
    PCCERT_CONTEXT certificate = tls_->serverCertificate();
    if (!certificate) {
        snprintf(why, whySize, "error: certificate not trusted (the server sent none)");
        return pop3CertificateUntrusted;
    }
    result = checkServerCertificate(library_.crypt(), certificate, target.server, target.trustedCertificate, why,
                                    whySize);
    library_.crypt().CertFreeCertificateContext(certificate);
    if (result == pop3Success && !tls_->keepJudgedCertificate()) {
        snprintf(why, whySize, "error: TLS handshake failed: out of memory");
        result = pop3TlsHandshakeFailed;
    }
    if (result == pop3Success)
        stream_.tls = &*tls_;
    return result;
}

NetworkWait Pop3Connection::waitForInput(DWORD ms)
{
    if (ahead_.start < ahead_.end || ahead_.peerClosed || (stream_.tls && stream_.tls->hasPendingInput()))
        return NetworkWait::ready;
    DWORD started = GetTickCount();
    for (;;) {
        DWORD waited = GetTickCount() - started;
        if (waited >= ms)
            return NetworkWait::timedOut;
        WSAEVENT events[2] = { stream_.socketEvent, stream_.stopEvent };
        DWORD woke = WSAWaitForMultipleEvents(stream_.stopEvent ? 2 : 1, events, FALSE, ms - waited, FALSE);
        if (woke == WSA_WAIT_TIMEOUT)
            return NetworkWait::timedOut;
        if (woke == WSA_WAIT_EVENT_0 + 1)
            return NetworkWait::stopped;
        if (woke != WSA_WAIT_EVENT_0)
            return NetworkWait::failed;
        WSANETWORKEVENTS happened;
        if (WSAEnumNetworkEvents(stream_.socket, stream_.socketEvent, &happened) != 0)
            return NetworkWait::failed;
        if (happened.lNetworkEvents & (FD_READ | FD_CLOSE)) {
            // Taking the events took the read notice: a wake without events hands it to the read.
            // Over TLS the channel itself tells the close once the records before it are taken.
            if ((happened.lNetworkEvents & FD_CLOSE) && !stream_.tls)
                ahead_.peerClosed = true;
            WSASetEvent(stream_.socketEvent);
            return NetworkWait::ready;
        }
    }
}
