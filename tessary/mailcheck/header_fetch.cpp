// The TOP loop, one command at a time or pipelined.
#include "mailcheck/header_fetch.h"
#include "mailcheck/pop3_connection.h"
#include "storage/owned_string.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// "TOP n 0\r\n" into line; answers its length.
size_t topLine(char* line, size_t size, uint32_t number)
{
    int length = snprintf(line, size, "TOP %d 0%s", int(number), "\r\n");
    return length > 0 ? size_t(length) : 0;
}

// Reads the reply to one TOP into its slot; false when it is neither whole nor a refusal.
bool takeTopReply(Pop3Connection& connection, char** slots, uint32_t number)
{
    char reply[pop3TopBufferSize];
    if (!connection.status(reply, sizeof reply, true) && strncmp(reply, "-ERR", 4) != 0)
        return false;
    slots[number - 1] = ownedCopyOf(reply, strlen(reply));
    return true;
}

// Sends the next commands that fit the window in one go, at least one; next and inFlight advance.
bool sendBatch(Pop3Connection& connection, const std::vector<uint32_t>& wanted, size_t window, size_t& next,
               size_t& inFlight)
{
    std::string batch;
    char line[32];
    while (next < wanted.size()) {
        size_t length = topLine(line, sizeof line, wanted[next]);
        if (!batch.empty() && inFlight + length > window)
            break;
        batch.append(line, length);
        inFlight += length;
        ++next;
    }
    return connection.sendBytes(batch.data(), batch.size());
}

} // namespace

int fetchHeaderBlocks(Pop3Connection& connection, char** slots, const std::vector<uint32_t>& wanted, bool pipelined)
{
    // Without pipelining the window holds one command: the next goes out once the last is answered.
    size_t window = pipelined ? pipelineWindowBytes : 0;
    size_t sent = 0;
    size_t inFlight = 0;
    char line[32];
    for (size_t answered = 0; answered < wanted.size(); ++answered) {
        if (sent < wanted.size() && inFlight <= window / 2 && !sendBatch(connection, wanted, window, sent, inFlight))
            return pop3TopNotSent;
        if (!takeTopReply(connection, slots, wanted[answered]))
            return pop3TopBroken;
        inFlight -= topLine(line, sizeof line, wanted[answered]);
    }
    return pop3Success;
}
