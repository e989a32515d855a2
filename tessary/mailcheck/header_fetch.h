// Fetching header blocks with TOP n 0: one command at a time, or pipelined in batches when the
// server takes that. Both give the same slots, the same codes and stop at the same failures.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class HeaderBudget;
class Pop3Connection;

// Commands sent and not yet answered: at most this many, whatever the size of their replies; a new
// batch goes out once they are down to the half. At most 14 bytes a TOP line, they stay under
// 16 KB, which the server's receive buffer holds while it is busy sending replies, so a send never
// waits on a server that waits on us. The replies themselves pass through the connection's fixed
// read-ahead, one at a time, so no buffer of ours grows with them.
const size_t pipelineWindowCommands = 1024;

// Where the header blocks of a session go: one text and one HeaderMark set a slot, the texts kept
// within the budget.
struct HeaderSlots {
    char** texts;
    uint8_t* marks;
    HeaderBudget& budget;
};

// TOP n 0 for each message number in wanted (ascending, 1..slot count), its reply into slot n - 1
// (a refused TOP keeps its "-ERR" line). pop3TopNotSent or pop3TopBroken end it at once: the
// connection is of no further use.
int fetchHeaderBlocks(Pop3Connection& connection, HeaderSlots& slots, const std::vector<uint32_t>& wanted,
                      bool pipelined);
