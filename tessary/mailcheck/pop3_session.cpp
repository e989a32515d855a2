// One read-only POP3 session: greeting, CAPA, USER, PASS, STAT, UIDL when the entry wants the
// unique ids, the header block of every message not known already through TOP with a line count
// of 0, QUIT. It never retrieves a body and never deletes. The connection is plain, TLS from the
// first byte, or turned to TLS by STLS before logging in.
#include "mailcheck/pop3_session.h"
#include "mailcheck/header_budget.h"
#include "mailcheck/header_fetch.h"
#include "mailcheck/known_messages.h"
#include "mailcheck/pop3_connection.h"
#include "mailcheck/pop3_xoauth2.h"
#include "mailcheck/server_capabilities.h"
#include "mailcheck/session_deadline.h"
#include "mailcheck/session_limits.h"
#include "mailcheck/uidl_list.h"
#include "storage/mailbox_entry.h"
#include "storage/owned_string.h"
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

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

// STLS as RFC 2595 has it: asked for only when CAPA lists it; a server that refuses CAPA or does
// not answer it is asked anyway. Whatever happens, nothing goes on in plain text.
int requestStls(Pop3Connection& connection, const ServerCapabilities& capabilities, char* why, size_t whySize)
{
    if (capabilities.answered && !capabilities.stls) {
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

// Up to the greeting and the server's capabilities: TLS first for POP3S, STLS before logging in,
// and the capabilities asked again under TLS (what was said in plain text may have been forged).
int greet(Pop3Connection& connection, const Pop3Target& target, char* reply, ServerCapabilities& capabilities,
          char* why, size_t whySize)
{
    int result = connection.open();
    if (result == pop3Success && target.security == SecuritySslTls)
        result = connection.startTls(target, why, whySize);
    if (result != pop3Success)
        return result;
    if (!connection.status(reply, pop3StatusBufferSize, false))
        return pop3BadGreeting;
    capabilities = askCapabilities(connection);
    if (target.security == SecurityStls) {
        result = requestStls(connection, capabilities, why, whySize);
        if (result == pop3Success)
            result = connection.startTls(target, why, whySize);
        if (result != pop3Success)
            return result;
        capabilities = askCapabilities(connection);
    }
    return pop3Success;
}

// USER, PASS and STAT, and UIDL when asked for. A server that takes pipelined commands gets PASS,
// STAT and UIDL in one go once it has accepted USER; the replies are read in order as they would
// be one at a time, so each failure keeps its code.
int logInAndCount(Pop3Connection& connection, const char* user, const char* password, bool pipelined,
                  bool withUidl, char* reply)
{
    char line[pop3CommandBufferSize + 16];
    if (!formatCredential(line, "USER %s%s", user))
        return pop3UserNotSent;
    int result = connection.command(line, reply, pop3UserNotSent, pop3UserRefused);
    if (result != pop3Success)
        return result;
    if (!formatCredential(line, "PASS %s%s", password)) {
        SecureZeroMemory(line, sizeof line);
        return pop3PassNotSent;
    }
    if (!pipelined) {
        result = connection.command(line, reply, pop3PassNotSent, pop3PassRefused);
        SecureZeroMemory(line, sizeof line);
        if (result != pop3Success)
            return result;
        return connection.command("STAT\r\n", reply, pop3StatNotSent, pop3StatRefused);
    }
    strcat(line, withUidl ? "STAT\r\nUIDL\r\n" : "STAT\r\n");
    bool sent = connection.send(line);
    SecureZeroMemory(line, sizeof line);
    if (!sent)
        return pop3PassNotSent;
    if (!connection.status(reply, pop3StatusBufferSize, false))
        return pop3PassRefused;
    if (!connection.status(reply, pop3StatusBufferSize, false))
        return pop3StatRefused;
    return pop3Success;
}

// Feeds the reply to UIDL into its list.
class UidlReply : public ReplyReader {
public:
    explicit UidlReply(UidlList& list) : list_(list) {}
    Progress take(const char* data, size_t length, size_t& used) override
    {
        used = list_.take(data, length);
        switch (list_.state()) {
        case UidlList::State::reading:
            return Progress::more;
        case UidlList::State::listed:
        case UidlList::State::refused:
            return Progress::done;
        case UidlList::State::broken:
            break;
        }
        return Progress::failed;
    }

private:
    UidlList& list_;
};

// Reads the reply to UIDL (already sent) into known. A refusal is no failure: the session then
// fetches every header block, as it does without UIDL.
int readUidl(Pop3Connection& connection, uint32_t count, KnownMessages& known)
{
    UidlList list(count);
    UidlReply reply(list);
    if (!connection.read(reply))
        return pop3UidlBroken;
    if (list.state() == UidlList::State::refused) {
        known.uidlRefused = true;
        return pop3Success;
    }
    known.idsKnown = true;
    known.ids.swap(list.ids());
    return pop3Success;
}

// The unique ids, when the entry wants them: UIDL is sent now unless it went with STAT already.
int listIds(Pop3Connection& connection, uint32_t count, bool alreadySent, KnownMessages& known)
{
    if (!alreadySent) {
        if (count == 0) {
            known.idsKnown = true; // an empty mailbox has no ids to ask for
            return pop3Success;
        }
        if (!connection.send("UIDL\r\n"))
            return pop3UidlNotSent;
    }
    return readUidl(connection, count, known);
}

// Slots of messages whose header block is known by its id are filled with a copy, within the
// budget like a fetched one; the others are the messages to fetch.
std::vector<uint32_t> fillKnownHeaders(HeaderSlots& slots, uint32_t count, const KnownMessages* known)
{
    std::vector<uint32_t> wanted;
    for (uint32_t number = 1; number <= count; ++number) {
        if (known && known->idsKnown) {
            const std::string& id = known->ids[number - 1];
            auto found = id.empty() ? known->headersById.end() : known->headersById.find(id);
            if (found != known->headersById.end() && found->second.text) {
                uint8_t marks = found->second.marks;
                const char* text = found->second.text;
                slots.texts[number - 1] = slots.budget.keep(text, strlen(text), marks);
                slots.marks[number - 1] = marks;
                continue;
            }
        }
        wanted.push_back(number);
    }
    return wanted;
}

// A signed-in entry logs in with its access token (AUTH XOAUTH2) instead of USER and PASS; it
// sends no pipelined UIDL, so listIds asks for it.
int logInWithTokenAndCount(Pop3Connection& connection, const char* account, const char* accessToken, char* reply,
                           char* why, size_t whySize)
{
    int result = authenticateXoauth2(connection, account, accessToken, why, whySize);
    if (result != pop3Success)
        return result;
    return connection.command("STAT\r\n", reply, pop3StatNotSent, pop3StatRefused);
}

// The header list of count slots: reused blocks first, then TOP for the others. The marks go to
// headerMarks when the caller wants them, whatever the result.
int fetchHeaders(Pop3Connection& connection, uint32_t count, bool pipelined, const KnownMessages* known,
                 char*** headers, uint8_t** headerMarks)
{
    char** texts = new (std::nothrow) char*[count]();
    std::unique_ptr<uint8_t[]> marks(new (std::nothrow) uint8_t[count]());
    *headers = texts;
    int result = pop3Success;
    if (texts && marks) {
        HeaderBudget budget(entryHeaderBudgetBytes);
        HeaderSlots slots = { texts, marks.get(), budget };
        std::vector<uint32_t> wanted = fillKnownHeaders(slots, count, known);
        result = fetchHeaderBlocks(connection, slots, wanted, pipelined);
    }
    if (headerMarks)
        *headerMarks = marks.release();
    return result;
}

// The server's own words when it refused the login or the count: many name their remedy (an app
// password, POP switched on). Only an "-ERR" reply is quoted, on one line and cut short.
void quoteRefusal(int result, const char* reply, char* why, size_t whySize)
{
    bool login = result == pop3UserRefused || result == pop3PassRefused;
    if ((!login && result != pop3StatRefused) || why[0] != '\0' || strncmp(reply, "-ERR", 4) != 0)
        return;
    const char* start = reply + 4;
    while (*start == ' ')
        ++start;
    std::string text;
    for (const char* c = start; *c && *c != '\r' && *c != '\n' && text.size() < 200; ++c)
        text += static_cast<unsigned char>(*c) < 0x20 ? '?' : *c;
    const char* what = login ? "the login" : "to count the messages";
    if (text.empty())
        snprintf(why, whySize, "error: server refused %s", what);
    else
        snprintf(why, whySize, "error: server refused %s: %s", what, text.c_str());
}

int runSession(Pop3Connection& connection, const Pop3Target& target, const char* user, const char* password,
               const char* accessToken, uint32_t* messageCount, char*** headers, uint8_t** headerMarks,
               KnownMessages* known, char* why,
               size_t whySize)
{
    char reply[pop3StatusBufferSize];
    reply[0] = '\0';
    ServerCapabilities capabilities;
    int result = greet(connection, target, reply, capabilities, why, whySize);
    if (result == pop3Success && accessToken)
        result = logInWithTokenAndCount(connection, user, accessToken, reply, why, whySize);
    else if (result == pop3Success)
        result = logInAndCount(connection, user, password, capabilities.pipelining, known != nullptr, reply);
    if (result != pop3Success) {
        quoteRefusal(result, reply, why, whySize);
        return result;
    }

    uint32_t count = parseStatCount(reply);
    *messageCount = count;
    if (known) {
        result = listIds(connection, count, capabilities.pipelining && !accessToken, *known);
        if (result != pop3Success)
            return result;
    }
    if (count >= 1 && headers) {
        result = fetchHeaders(connection, count, capabilities.pipelining, known, headers, headerMarks);
        if (result != pop3Success)
            return result; // the connection is broken: no QUIT
    }
    return connection.command("QUIT\r\n", reply, pop3QuitNotSent, pop3QuitRefused);
}

// The common start of both kinds of session.
int openAndRun(const Pop3Target& target, const char* user, const char* password, const char* accessToken,
               uint32_t* messageCount, HANDLE stopEvent, char*** headers, char* detail, size_t detailSize,
               KnownMessages* known, uint8_t** headerMarks)
{
    uint32_t ignoredCount;
    if (!messageCount)
        messageCount = &ignoredCount;
    *messageCount = 0;
    if (headers)
        *headers = nullptr;
    if (headerMarks)
        *headerMarks = nullptr;
    char ignoredDetail[pop3DetailSize];
    if (!detail || detailSize == 0) {
        detail = ignoredDetail;
        detailSize = sizeof ignoredDetail;
    }
    detail[0] = '\0';
    if (accessToken && target.security == SecurityNone) {
        snprintf(detail, detailSize, "%s", signInResultLine(signInNeedsTls));
        return signInNeedsTls; // the token never goes over plain text
    }

    SessionDeadline deadline;
    SOCKET s = connectTo(pop3PortFor(target), target.server);
    if (s == INVALID_SOCKET)
        return pop3NoConnection;
    Pop3Connection connection(s, stopEvent, &deadline);
    return runSession(connection, target, user, password, accessToken, messageCount, headers, headerMarks, known,
                      detail, detailSize);
}

} // namespace

int Pop3Session(const Pop3Target& target, const char* user, const char* password, uint32_t* messageCount,
                HANDLE stopEvent, char*** headers, char* detail, size_t detailSize, KnownMessages* known,
                uint8_t** headerMarks)
{
    return openAndRun(target, user, password, nullptr, messageCount, stopEvent, headers, detail, detailSize, known,
                      headerMarks);
}

int Pop3SessionWithToken(const Pop3Target& target, const char* account, const char* accessToken,
                         uint32_t* messageCount, HANDLE stopEvent, char*** headers, char* detail, size_t detailSize,
                         KnownMessages* known, uint8_t** headerMarks)
{
    return openAndRun(target, account, nullptr, accessToken ? accessToken : "", messageCount, stopEvent, headers,
                      detail, detailSize, known, headerMarks);
}

int Pop3Session(const char* server, const char* user, const char* password, uint32_t* messageCount,
                HANDLE stopEvent, char*** headers)
{
    Pop3Target plain = { server, SecurityNone, 0, nullptr };
    return Pop3Session(plain, user, password, messageCount, stopEvent, headers, nullptr, 0);
}
