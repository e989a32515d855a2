// How much header text one entry keeps in memory, and the reduced form of a block past that.
//
// The rule: the header texts of one check count against the entry's budget (32 MB) in the order
// they are stored: first the blocks reused from the last check, then the fetched ones in mailbox
// order. A text is kept whole while the total, with it, stays within the budget. The first text
// that would go past it, and every text after it, is kept reduced: its status line, then the
// fields From, Subject, Date, Sender, Reply-To, Message-ID, To and Cc (first occurrence, name in
// any letter case, with its folded lines), in that order, each at most reducedFieldLimit bytes
// and all of them at most reducedFieldsLimit bytes (a field cut to fit ends with a line break),
// then the empty line and ".\r\n". So an entry holds at most the budget plus about 1.3 KB a
// message: some 160 MB at the 100,000-message limit of a session, and 40 MB for a mailbox of
// 10,000 messages with typical headers. A refusal ("-ERR" line) is always kept as it is.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The budget of one entry's header texts; a test lowers it to reach it with few messages.
extern size_t entryHeaderBudgetBytes;
const size_t defaultEntryHeaderBudgetBytes = 32 * 1024 * 1024;
const size_t reducedFieldLimit = 512;
const size_t reducedFieldsLimit = 1024;

// The reduced form of a header text (see above).
std::string reducedHeaderText(const char* text, size_t length);

class HeaderBudget {
public:
    explicit HeaderBudget(size_t limit) : limit_(limit) {}

    // An owned copy (ownedCopyOf) of text to keep in a slot: whole while the budget allows, else
    // reduced, with headerReduced added to marks.
    char* keep(const char* text, size_t length, uint8_t& marks);

private:
    size_t limit_;
    size_t used_ = 0;
    bool spent_ = false;
};
