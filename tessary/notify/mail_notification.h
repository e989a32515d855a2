// The words of the notification for new mail: "<entry>: K new messages" over the senders and
// subjects of the first three, decoded, and "... and N more" for the rest.
#pragma once
#include <string>
#include <vector>
#include "storage/mailbox_entry.h"

struct MailNotification {
    std::wstring title;
    std::wstring text; // one line a message, then the summing-up line
};

// Messages a notification names one by one.
const size_t notifiedMessageLimit = 3;
// Room for one "sender: subject" line, in UTF-16 units: three of them and the summing-up line
// fit the 255 characters a notification's text takes.
const size_t notifiedLineLimit = 72;

// For the messages numbered (from 1) in numbers, the new ones a check announces.
MailNotification BuildMailNotification(const MailboxEntry& entry, const std::vector<int>& numbers);
