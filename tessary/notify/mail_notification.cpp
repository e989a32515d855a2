// Builds the notification for new mail from the entry's headers.
#include "notify/mail_notification.h"
#include "notify/ui_text.h"
#include "text/readable_fields.h"
#include <algorithm>
#include <cwchar>

namespace {

std::wstring messageLine(const MailboxEntry& entry, int number)
{
    const char* header = entry.getHeader(number - 1);
    std::wstring sender, subject;
    readableHeaderText(header, SenderField, sender);
    readableHeaderText(header, SubjectField, subject);
    std::wstring line = sender + L": " + subject;
    cutWideText(line, notifiedLineLimit);
    return line;
}

} // namespace

MailNotification BuildMailNotification(const MailboxEntry& entry, const std::vector<int>& numbers)
{
    MailNotification notification;
    wchar_t count[48];
    swprintf(count, sizeof count / sizeof count[0], numbers.size() == 1 ? L": %lu new message" : L": %lu new messages",
             static_cast<unsigned long>(numbers.size()));
    notification.title = wideFromAnsi(entry.name) + count;
    size_t named = std::min(numbers.size(), notifiedMessageLimit);
    for (size_t i = 0; i < named; ++i) {
        if (i > 0)
            notification.text += L"\n";
        notification.text += messageLine(entry, numbers[i]);
    }
    if (numbers.size() > named) {
        wchar_t more[48];
        swprintf(more, sizeof more / sizeof more[0], L"\n... and %lu more", static_cast<unsigned long>(numbers.size() - named));
        notification.text += more;
    }
    return notification;
}
