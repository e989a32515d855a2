// The TOP loop, one command at a time or pipelined.
#include "mailcheck/header_fetch.h"
#include "mailcheck/header_budget.h"
#include "mailcheck/header_marks.h"
#include "mailcheck/pop3_connection.h"
#include "mailcheck/top_reply.h"
#include <cstdio>
#include <string>

namespace {

// "TOP n 0\r\n" into line; answers its length.
size_t topLine(char* line, size_t size, uint32_t number)
{
    int length = snprintf(line, size, "TOP %d 0%s", int(number), "\r\n");
    return length > 0 ? size_t(length) : 0;
}

// Reads the reply to one TOP into its slot; false when it is neither whole nor a refusal.
bool takeTopReply(Pop3Connection& connection, TopReply& reply, HeaderSlots& slots, uint32_t number)
{
    reply.reset();
    if (!connection.read(reply))
        return false;
    uint8_t marks = reply.cut() ? headerCut : headerKeptWhole;
    slots.texts[number - 1] = slots.budget.keep(reply.text().data(), reply.text().size(), marks);
    slots.marks[number - 1] = marks;
    return true;
}

// Sends the next commands that fit the window in one go, at least one; next and inFlight advance.
bool sendBatch(Pop3Connection& connection, const std::vector<uint32_t>& wanted, size_t window, size_t& next,
               size_t& inFlight)
{
    std::string batch;
    char line[32];
    while (next < wanted.size() && (batch.empty() || inFlight < window)) {
        batch.append(line, topLine(line, sizeof line, wanted[next]));
        ++inFlight;
        ++next;
    }
    return connection.sendBytes(batch.data(), batch.size());
}

} // namespace

int fetchHeaderBlocks(Pop3Connection& connection, HeaderSlots& slots, const std::vector<uint32_t>& wanted,
                      bool pipelined)
{
    // Without pipelining the window holds one command: the next goes out once the last is answered.
    size_t window = pipelined ? pipelineWindowCommands : 1;
    size_t sent = 0;
    size_t inFlight = 0;
    TopReply reply; // one for the whole loop: its buffer grows once to the largest block
    for (size_t answered = 0; answered < wanted.size(); ++answered) {
        if (sent < wanted.size() && inFlight <= window / 2 && !sendBatch(connection, wanted, window, sent, inFlight))
            return pop3TopNotSent;
        if (!takeTopReply(connection, reply, slots, wanted[answered]))
            return pop3TopBroken;
        --inFlight;
    }
    return pop3Success;
}
