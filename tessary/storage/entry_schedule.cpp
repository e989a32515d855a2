// When a mailbox entry is due for its scheduled check, and whether a retry delay still holds it.
#include "storage/mailbox_entry.h"
#include "platform/clock.h"

namespace {
bool insideWindowAt(const MailboxEntry& entry, const SYSTEMTIME& now)
{
    if (now.wDayOfWeek > 6 || !entry.checkDays[now.wDayOfWeek])
        return false;
    int hour = now.wHour;
    int minute = now.wMinute;
    // The start minute is inclusive, the end minute exclusive; the window never wraps midnight.
    if (entry.startHour != -1 && (hour < entry.startHour || (hour == entry.startHour && minute < entry.startMinute)))
        return false;
    return entry.endHour == -1 || hour < entry.endHour || (hour == entry.endHour && minute < entry.endMinute);
}
} // namespace

bool MailboxEntry::insideCheckWindow() const
{
    return insideWindowAt(*this, localTimeNow());
}

bool MailboxEntry::isDue() const
{
    if (checkRequested)
        return true;
    SYSTEMTIME now = localTimeNow();
    if (!insideWindowAt(*this, now))
        return false;
    int hour = now.wHour;
    int minute = now.wMinute;
    // 64-bit so that a period read from a damaged file cannot overflow.
    long long totalMinutes = static_cast<long long>(lastCheckTime.wMinute) + periodMinutes;
    long long dueHour = static_cast<long long>(lastCheckTime.wHour) + periodHours + totalMinutes / 60;
    long long dueMinute = totalMinutes % 60;
    // A check on another day of the month counts as yesterday: the hour now runs on past 23.
    if (now.wDay != lastCheckTime.wDay)
        hour += 24;
    return hour > dueHour || (hour == dueHour && minute >= dueMinute);
}

bool MailboxEntry::isRetryPending() const
{
    if (retryDelayMinutes == 0)
        return false;
    SYSTEMTIME now = localTimeNow();
    int hours = now.wHour - retryFrom.wHour;
    if (now.wDay != retryFrom.wDay)
        hours += 24;
    int elapsed = hours * 60 + now.wMinute - retryFrom.wMinute;
    return elapsed < retryDelayMinutes;
}
