// Watching an IMAP folder: idle while nothing changed since the last report, then read it.
#include "mailcheck/imap_watch.h"
#include "mailcheck/imap_folder_session.h"
#include "mailcheck/imap_idle.h"
#include "mailcheck/known_messages.h"
#include "mailcheck/session_deadline.h"
#include "storage/mailbox_entry.h"

volatile LONG watchRetryBaseMs = defaultWatchRetryBaseMs;

DWORD watchRetryPauseMs(uint32_t failures)
{
    uint64_t pause = watchRetryBaseMs < 0 ? 0 : uint64_t(watchRetryBaseMs);
    for (uint32_t i = 1; i < failures && pause < watchRetryLongestMs; ++i)
        pause *= 2;
    return pause < watchRetryLongestMs ? DWORD(pause) : watchRetryLongestMs;
}

bool watchesFolder(const MailboxEntry& entry)
{
    return entry.protocol == ProtocolImap && entry.watchContinuously && entry.connectionMode == AlwaysConnected;
}

namespace {

// Idles until the folder's ids differ from those reported last. pop3Success with ended unset:
// read the folder now.
int idleWhileUnchanged(ImapFolderSession& session, CheckWorkerParams& watch,
                       const std::function<bool()>& stillWanted, char* detail, size_t detailSize, bool& ended)
{
    for (;;) {
        std::vector<std::string> ids;
        session.listIds(ids);
        if (ids != watch.watchedIds)
            return pop3Success;
        InterlockedExchange(&watch.idling, 1);
        IdleOutcome outcome = idleUntilNews(session, detail, detailSize, stillWanted);
        InterlockedExchange(&watch.idling, 0);
        switch (outcome) {
        case IdleOutcome::stopped:
        case IdleOutcome::unwanted:
            ended = true;
            return pop3Success;
        case IdleOutcome::failed:
            return imapWatchBroken;
        case IdleOutcome::renew:
            break;
        case IdleOutcome::news: {
            ImapExchangeDeadline exchange(session);
            int result = session.examine(detail, detailSize);
            if (result != pop3Success)
                return result;
            break;
        }
        }
    }
}

} // namespace

int ImapWatchCycle(const Pop3Target& target, const char* folder, const char* user, const char* password,
                   uint32_t* messageCount, HANDLE stopEvent, char*** headers, char* detail, size_t detailSize,
                   KnownMessages* known, CheckWorkerParams& watch, const std::function<bool()>& stillWanted,
                   bool& ended)
{
    ended = false;
    *messageCount = 0;
    *headers = nullptr;
    detail[0] = '\0';
    ImapFolderSession session(target, folder, stopEvent);
    int result;
    {
        ImapExchangeDeadline exchange(session);
        result = session.open(user, password, detail, detailSize);
    }
    if (result == pop3Success && watch.resumeWatch && session.capabilities().idle)
        result = idleWhileUnchanged(session, watch, stillWanted, detail, detailSize, ended);
    if (result != pop3Success || ended)
        return result;
    ImapExchangeDeadline exchange(session);
    KnownMessages own;
    KnownMessages* ids = known ? known : &own;
    result = session.read(messageCount, headers, ids, detail, detailSize);
    if (result == pop3Success) {
        watch.watchedIds = ids->ids;
        result = session.logOut(detail, detailSize);
    }
    return result;
}
