// The entry list: ownership, list-wide commands and the hang-up decision.
#include "storage/entry_list.h"
#include <cstring>

EntryList::~EntryList()
{
    clearAll();
}

MailboxEntry* EntryList::addNew()
{
    MailboxEntry* entry = new MailboxEntry;
    append(entry);
    return entry;
}

void EntryList::append(MailboxEntry* entry)
{
    entry->next = nullptr;
    if (!head) {
        head = entry;
    } else {
        MailboxEntry* tail = head;
        while (tail->next)
            tail = tail->next;
        tail->next = entry;
    }
    ++count;
}

MailboxEntry* EntryList::last() const
{
    MailboxEntry* entry = head;
    while (entry && entry->next)
        entry = entry->next;
    return entry;
}

void EntryList::remove(MailboxEntry* entry)
{
    for (MailboxEntry** link = &head; *link; link = &(*link)->next) {
        if (*link == entry) {
            *link = entry->next;
            --count;
            delete entry;
            return;
        }
    }
}

bool EntryList::contains(const void* pointer) const
{
    for (MailboxEntry* entry = head; entry; entry = entry->next)
        if (entry == pointer)
            return true;
    return false;
}

void EntryList::clearAll()
{
    while (head) {
        MailboxEntry* entry = head;
        head = entry->next;
        delete entry;
    }
    count = 0;
}

void EntryList::requestCheckAllEnabled()
{
    for (MailboxEntry* entry = head; entry; entry = entry->next) {
        if (!entry->enabled)
            continue;
        entry->checkRequested = true;
        entry->waitingForDialup = 0;
        entry->setRetryDelay(0);
    }
}

void EntryList::enableAll()
{
    for (MailboxEntry* entry = head; entry; entry = entry->next)
        entry->enabled = true;
}

void EntryList::disableAll()
{
    for (MailboxEntry* entry = head; entry; entry = entry->next)
        entry->disable();
}

MailboxEntry* EntryList::findHangUpCandidate() const
{
    MailboxEntry* candidate = head;
    while (candidate && !candidate->hangUpPending)
        candidate = candidate->next;
    if (!candidate)
        return nullptr;
    for (MailboxEntry* entry = head; entry; entry = entry->next) {
        if (entry->connectionMode == AlwaysConnected)
            continue;
        if (entry->isCheckRunning())
            return nullptr;
        // An entry the scheduler never checks (disabled, or without a server) is "due" for ever
        // when it was never checked, and would hold the line up for ever.
        if (!entry->isSchedulable())
            continue;
        // A due entry on another named connection does not need this line.
        bool sharesLine = !entry->dialupEntry || !candidate->dialupEntry ||
                          strcmp(entry->dialupEntry, candidate->dialupEntry) == 0;
        if (sharesLine && entry->isDue())
            return nullptr;
    }
    return candidate;
}

MailboxEntry* EntryList::firstWithMailProgram() const
{
    for (MailboxEntry* entry = head; entry; entry = entry->next)
        if (entry->runMailProgram)
            return entry;
    return nullptr;
}
