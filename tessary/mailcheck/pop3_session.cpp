// One read-only POP3 session: greeting, USER, PASS, STAT, the header block of every message
// through TOP with a line count of 0, QUIT. It never retrieves a body and never deletes.
#include "mailcheck/pop3_session.h"
#include "mailcheck/session_deadline.h"
#include "mailcheck/session_limits.h"
#include "storage/owned_string.h"
#include <cctype>
#include <cstdio>
#include <cstring>
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

namespace {

// The socket and its event of one session; both are closed however the session ends.
class Pop3Connection {
public:
    Pop3Connection(SOCKET s, HANDLE stopEvent) : socket_(s), stopEvent_(stopEvent) {}
    ~Pop3Connection()
    {
        closesocket(socket_);
        if (event_ != WSA_INVALID_EVENT)
            WSACloseEvent(event_);
    }
    Pop3Connection(const Pop3Connection&) = delete;
    Pop3Connection& operator=(const Pop3Connection&) = delete;

    int open()
    {
        event_ = WSACreateEvent();
        if (event_ == WSA_INVALID_EVENT)
            return pop3NoSocketEvent;
        // FD_READ | FD_WRITE | FD_CLOSE; this also makes the socket non-blocking.
        if (WSAEventSelect(socket_, event_, FD_READ | FD_WRITE | FD_CLOSE) == SOCKET_ERROR)
            return pop3EventSelectFailed;
        return pop3Success;
    }

    bool send(const char* line) { return sendAll(socket_, line, int(strlen(line)), event_, stopEvent_); }
    bool status(char* buffer, int size, bool multiLine)
    {
        return readStatusReply(socket_, buffer, size, event_, stopEvent_, multiLine);
    }

    // Sends one command line and reads its status reply; the two codes name the failing half.
    int command(const char* line, char* reply, int notSent, int refused)
    {
        if (!send(line))
            return notSent;
        if (!status(reply, pop3StatusBufferSize, false))
            return refused;
        return pop3Success;
    }

private:
    SOCKET socket_;
    HANDLE stopEvent_;
    WSAEVENT event_ = WSA_INVALID_EVENT;
};

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
    if (!connection.status(reply, pop3StatusBufferSize, false))
        return pop3BadGreeting;
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

int runSession(Pop3Connection& connection, const char* user, const char* password,
               uint32_t* messageCount, char*** headers)
{
    char reply[pop3StatusBufferSize];
    int result = connection.open();
    if (result == pop3Success)
        result = logIn(connection, user, password, reply);
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

int Pop3Session(const char* server, const char* user, const char* password, uint32_t* messageCount,
                HANDLE stopEvent, char*** headers)
{
    uint32_t ignoredCount;
    if (!messageCount)
        messageCount = &ignoredCount;
    *messageCount = 0;
    if (headers)
        *headers = nullptr;

    SessionDeadline deadline;
    SOCKET s = connectTo(int(pop3Port), server);
    if (s == INVALID_SOCKET)
        return pop3NoConnection;
    Pop3Connection connection(s, stopEvent);
    return runSession(connection, user, password, messageCount, headers);
}
