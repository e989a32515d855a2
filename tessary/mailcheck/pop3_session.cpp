// One read-only POP3 session: greeting, USER, PASS, STAT, the header block of every message
// through TOP with a line count of 0, QUIT. It never retrieves a body and never deletes. The
// connection is plain, TLS from the first byte, or turned to TLS by STLS before logging in.
#include "mailcheck/pop3_session.h"
#include "mailcheck/certificate_check.h"
#include "mailcheck/pop3_stream.h"
#include "mailcheck/session_deadline.h"
#include "mailcheck/session_limits.h"
#include "mailcheck/tls_channel.h"
#include "storage/mailbox_entry.h"
#include "storage/owned_string.h"
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

uint32_t parseStatCount(const char* reply)
{
    if (!reply || strlen(reply) < 4)
        return 0;
    const char* p = reply + 4;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    uint64_t count = 0;
    for (; isdigit(static_cast<unsigned char>(*p)); ++p) {
        count = count * 10 + uint64_t(*p - '0');
        if (count > pop3MaxMessageCount)
            return negative ? 0 : pop3MaxMessageCount;
    }
    return negative ? 0 : uint32_t(count);
}

int pop3PortFor(const Pop3Target& target)
{
    if (target.port >= 1 && target.port <= 65535)
        return target.port;
    return target.security == SecuritySslTls ? int(standardPop3sPort) : int(pop3Port);
}

namespace {

const char* const tlsUnavailableText = "error: TLS is not available on this system";

// The socket, its event and the TLS channel of one session; all are closed however the session
// ends, the channel with close_notify.
class Pop3Connection {
public:
    Pop3Connection(SOCKET s, HANDLE stopEvent) : stream_{ s, WSA_INVALID_EVENT, stopEvent, nullptr } {}
    ~Pop3Connection()
    {
        if (tls_)
            tls_->close();
        tls_.reset();
        library_.reset();
        closesocket(stream_.socket);
        if (stream_.socketEvent != WSA_INVALID_EVENT)
            WSACloseEvent(stream_.socketEvent);
    }
    Pop3Connection(const Pop3Connection&) = delete;
    Pop3Connection& operator=(const Pop3Connection&) = delete;

    int open()
    {
        stream_.socketEvent = WSACreateEvent();
        if (stream_.socketEvent == WSA_INVALID_EVENT)
            return pop3NoSocketEvent;
        // FD_READ | FD_WRITE | FD_CLOSE; this also makes the socket non-blocking.
        if (WSAEventSelect(stream_.socket, stream_.socketEvent, FD_READ | FD_WRITE | FD_CLOSE) == SOCKET_ERROR)
            return pop3EventSelectFailed;
        return pop3Success;
    }

    bool send(const char* line) { return sendAll(stream_, line, int(strlen(line))); }
    bool status(char* buffer, int size, bool multiLine) { return readStatusReply(stream_, buffer, size, multiLine); }

    // Sends one command line and reads its status reply; the two codes name the failing half.
    int command(const char* line, char* reply, int notSent, int refused)
    {
        if (!send(line))
            return notSent;
        if (!status(reply, pop3StatusBufferSize, false))
            return refused;
        return pop3Success;
    }

    // TLS over the connection from here on: the handshake, then the program's own check of the
    // server's certificate. Only when both pass does the session talk through the channel.
    int startTls(const Pop3Target& target, char* why, size_t whySize)
    {
        library_.reset(new (std::nothrow) TlsLibrary);
        if (!library_ || !library_->load()) {
            snprintf(why, whySize, "%s", tlsUnavailableText);
            return pop3TlsUnavailable;
        }
        tls_.reset(new (std::nothrow) TlsChannel(*library_, stream_.socket, stream_.socketEvent, stream_.stopEvent));
        if (!tls_) {
            snprintf(why, whySize, "error: TLS handshake failed: out of memory");
            return pop3TlsHandshakeFailed;
        }
        int result = tls_->handshake(target.server, why, whySize);
        if (result != pop3Success)
            return result;
        PCCERT_CONTEXT certificate = tls_->serverCertificate();
        if (!certificate) {
            snprintf(why, whySize, "error: certificate not trusted (the server sent none)");
            return pop3CertificateUntrusted;
        }
        result = checkServerCertificate(library_->crypt(), certificate, target.server, target.trustedCertificate, why,
                                        whySize);
        library_->crypt().CertFreeCertificateContext(certificate);
        if (result == pop3Success)
            stream_.tls = tls_.get();
        return result;
    }

private:
    Pop3Stream stream_;
    std::unique_ptr<TlsLibrary> library_;
    std::unique_ptr<TlsChannel> tls_;
};

// True when a CAPA reply lists STLS on one of its capability lines.
bool listsStls(const char* capabilities)
{
    const char* line = strstr(capabilities, "\r\n");
    while (line) {
        line += 2;
        if (line[0] == '.' && line[1] == '\r')
            return false;
        if (strncasecmp(line, "STLS", 4) == 0 && (line[4] == '\r' || line[4] == ' ' || line[4] == '\t'))
            return true;
        line = strstr(line, "\r\n");
    }
    return false;
}

// STLS as RFC 2595 has it: asked for only when CAPA lists it; a server that refuses CAPA or does
// not answer it is asked anyway. Whatever happens, nothing goes on in plain text.
int requestStls(Pop3Connection& connection, char* why, size_t whySize)
{
    char capabilities[pop3TopBufferSize];
    bool answered = connection.send("CAPA\r\n") && connection.status(capabilities, sizeof capabilities, true);
    if (answered && !listsStls(capabilities)) {
        snprintf(why, whySize, "error: server does not offer STLS");
        return pop3StlsNotOffered;
    }
    char reply[pop3StatusBufferSize];
    if (connection.command("STLS\r\n", reply, pop3StlsRefused, pop3StlsRefused) != pop3Success) {
        snprintf(why, whySize, "error: server refused STLS");
        return pop3StlsRefused;
    }
    return pop3Success;
}

// "USER %s%s" or "PASS %s%s". False when the value would not fit the command line whole, or
// carries a line break that would smuggle another command to the server.
bool formatCredential(char* line, const char* format, const char* value)
{
    if (!value)
        value = "";
    if (strpbrk(value, "\r\n"))
        return false;
    int length = snprintf(line, pop3CommandBufferSize, format, value, "\r\n");
    return length >= 0 && length < pop3CommandBufferSize;
}

int logIn(Pop3Connection& connection, const char* user, const char* password, char* reply)
{
    char line[pop3CommandBufferSize];
    if (!formatCredential(line, "USER %s%s", user))
        return pop3UserNotSent;
    int result = connection.command(line, reply, pop3UserNotSent, pop3UserRefused);
    if (result != pop3Success)
        return result;
    bool fits = formatCredential(line, "PASS %s%s", password);
    result = fits ? connection.command(line, reply, pop3PassNotSent, pop3PassRefused) : pop3PassNotSent;
    SecureZeroMemory(line, sizeof line);
    return result;
}

// TOP n 0 for messages 1..count into slots; stops at the first broken reply.
int fetchHeaders(Pop3Connection& connection, char** slots, uint32_t count)
{
    char line[pop3CommandBufferSize];
    char reply[pop3TopBufferSize];
    for (uint32_t i = 1; i <= count; ++i) {
        snprintf(line, sizeof line, "TOP %d 0%s", int(i), "\r\n");
        if (!connection.send(line))
            return pop3TopNotSent;
        // A refused TOP ("-ERR") is kept as that message's text; anything else broken ends it.
        if (!connection.status(reply, sizeof reply, true) && strncmp(reply, "-ERR", 4) != 0)
            return pop3TopBroken;
        slots[i - 1] = ownedCopyOf(reply, strlen(reply));
    }
    return pop3Success;
}

// Up to the logged-in state: TLS first for POP3S, the greeting, STLS before logging in.
int greetAndLogIn(Pop3Connection& connection, const Pop3Target& target, const char* user, const char* password,
                  char* reply, char* why, size_t whySize)
{
    int result = connection.open();
    if (result == pop3Success && target.security == SecuritySslTls)
        result = connection.startTls(target, why, whySize);
    if (result != pop3Success)
        return result;
    if (!connection.status(reply, pop3StatusBufferSize, false))
        return pop3BadGreeting;
    if (target.security == SecurityStls) {
        result = requestStls(connection, why, whySize);
        if (result == pop3Success)
            result = connection.startTls(target, why, whySize);
        if (result != pop3Success)
            return result;
    }
    return logIn(connection, user, password, reply);
}

int runSession(Pop3Connection& connection, const Pop3Target& target, const char* user, const char* password,
               uint32_t* messageCount, char*** headers, char* why, size_t whySize)
{
    char reply[pop3StatusBufferSize];
    int result = greetAndLogIn(connection, target, user, password, reply, why, whySize);
    if (result == pop3Success)
        result = connection.command("STAT\r\n", reply, pop3StatNotSent, pop3StatRefused);
    if (result != pop3Success)
        return result;

    uint32_t count = parseStatCount(reply);
    *messageCount = count;
    if (count >= 1 && headers) {
        char** slots = new (std::nothrow) char*[count]();
        *headers = slots;
        if (slots) {
            result = fetchHeaders(connection, slots, count);
            if (result != pop3Success)
                return result; // the connection is broken: no QUIT
        }
    }
    return connection.command("QUIT\r\n", reply, pop3QuitNotSent, pop3QuitRefused);
}

} // namespace

int Pop3Session(const Pop3Target& target, const char* user, const char* password, uint32_t* messageCount,
                HANDLE stopEvent, char*** headers, char* detail, size_t detailSize)
{
    uint32_t ignoredCount;
    if (!messageCount)
        messageCount = &ignoredCount;
    *messageCount = 0;
    if (headers)
        *headers = nullptr;
    char ignoredDetail[pop3DetailSize];
    if (!detail || detailSize == 0) {
        detail = ignoredDetail;
        detailSize = sizeof ignoredDetail;
    }
    detail[0] = '\0';

    SessionDeadline deadline;
    SOCKET s = connectTo(pop3PortFor(target), target.server);
    if (s == INVALID_SOCKET)
        return pop3NoConnection;
    Pop3Connection connection(s, stopEvent);
    return runSession(connection, target, user, password, messageCount, headers, detail, detailSize);
}

int Pop3Session(const char* server, const char* user, const char* password, uint32_t* messageCount,
                HANDLE stopEvent, char*** headers)
{
    Pop3Target plain = { server, SecurityNone, 0, nullptr };
    return Pop3Session(plain, user, password, messageCount, stopEvent, headers, nullptr, 0);
}
