// Asking a POP3 server for its capabilities and reading the list.
#include "mailcheck/server_capabilities.h"
#include "mailcheck/pop3_connection.h"
#include <cstdint>
#include <cstring>

bool listsCapability(const char* reply, const char* name)
{
    size_t length = strlen(name);
    const char* line = strstr(reply, "\r\n");
    while (line) {
        line += 2;
        if (line[0] == '.' && line[1] == '\r')
            return false;
        if (strncasecmp(line, name, length) == 0 &&
            (line[length] == '\r' || line[length] == ' ' || line[length] == '\t'))
            return true;
        line = strstr(line, "\r\n");
    }
    return false;
}

namespace {

// Past this many bytes a reply is no capability list: reading it stops there.
const uint32_t capabilityReplyLimit = 65536;

// The reply to CAPA, kept while it fits a reply buffer: one "-ERR" line, or lines up to
// "\r\n.\r\n". A longer reply names nothing, but is still read to its end, so that its last
// lines are not taken for the replies to the commands that follow.
class CapabilityReply : public ReplyReader {
public:
    Progress take(const char* data, size_t length, size_t& used) override
    {
        for (used = 0; used < length;) {
            char c = data[used++];
            if (++received_ > capabilityReplyLimit)
                return Progress::failed;
            if (fits()) {
                text_[received_ - 1] = c;
                text_[received_] = '\0';
            }
            memmove(tail_, tail_ + 1, sizeof tail_ - 1);
            tail_[sizeof tail_ - 1] = c;
            if (c == '\n' && ended())
                return Progress::done;
        }
        return Progress::more;
    }

    // The whole reply when it fits and is a "+OK" list; else null.
    const char* list() const { return fits() && strncmp(text_, "+OK", 3) == 0 ? text_ : nullptr; }

private:
    bool fits() const { return received_ < sizeof text_ - 1; }
    bool ended() const
    {
        if (strncmp(text_, "-ERR", 4) == 0)
            return tail_[sizeof tail_ - 2] == '\r';
        return memcmp(tail_, "\r\n.\r\n", sizeof tail_) == 0;
    }

    char text_[pop3CapabilityBufferSize] = {};
    char tail_[5] = {}; // the last bytes taken
    uint32_t received_ = 0;
};

} // namespace

ServerCapabilities askCapabilities(Pop3Connection& connection)
{
    ServerCapabilities found;
    CapabilityReply reply;
    found.answered = connection.send("CAPA\r\n") && connection.read(reply) && reply.list();
    if (found.answered) {
        found.stls = listsCapability(reply.list(), "STLS");
        found.pipelining = listsCapability(reply.list(), "PIPELINING");
    }
    return found;
}
