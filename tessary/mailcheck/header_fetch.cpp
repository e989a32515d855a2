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

int fetchOneAtATime(Pop3Connection& connection, char** slots, const std::vector<uint32_t>& wanted)
{
    char line[pop3CommandBufferSize];
    for (uint32_t number : wanted) {
        topLine(line, sizeof line, number);
        if (!connection.send(line))
            return pop3TopNotSent;
        if (!takeTopReply(connection, slots, number))
            return pop3TopBroken;
    }
    return pop3Success;
}

// Sends the next commands that fit the window in one go; next and inFlight advance.
bool sendBatch(Pop3Connection& connection, const std::vector<uint32_t>& wanted, size_t& next, size_t& inFlight)
{
    std::string batch;
    char line[32];
    while (next < wanted.size()) {
        size_t length = topLine(line, sizeof line, wanted[next]);
        if (inFlight + length > pipelineWindowBytes)
            break;
        batch.append(line, length);
        inFlight += length;
        ++next;
    }
    return connection.sendBytes(batch.data(), batch.size());
}

int fetchPipelined(Pop3Connection& connection, char** slots, const std::vector<uint32_t>& wanted)
{
    size_t sent = 0;
    size_t inFlight = 0;
    char line[32];
    for (size_t answered = 0; answered < wanted.size(); ++answered) {
        if (sent < wanted.size() && inFlight <= pipelineRefillBytes && !sendBatch(connection, wanted, sent, inFlight))
            return pop3TopNotSent;
        if (!takeTopReply(connection, slots, wanted[answered]))
            return pop3TopBroken;
        inFlight -= topLine(line, sizeof line, wanted[answered]);
    }
    return pop3Success;
}

} // namespace

int fetchHeaderBlocks(Pop3Connection& connection, char** slots, const std::vector<uint32_t>& wanted, bool pipelined)
{
    return pipelined ? fetchPipelined(connection, slots, wanted) : fetchOneAtATime(connection, slots, wanted);
}
