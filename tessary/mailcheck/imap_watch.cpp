// Watching an IMAP folder: idle while nothing changed since the last report, then read it, and
// keep the connection for the next cycle.
#include "mailcheck/imap_watch.h"
#include "mailcheck/imap_folder_session.h"
#include "mailcheck/imap_idle.h"
#include "mailcheck/imap_watch_connection.h"
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
    // A signed-in entry's check is a single session: treated as a watch, it would be started
    // again the moment it ends.
    return entry.protocol == ProtocolImap && entry.watchContinuously && entry.connectionMode == AlwaysConnected &&
           entry.signIn == SignInPassword;
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

// The connection the last cycle kept, when it still answers; the folder is examined again if the
// server says it changed meanwhile. Null when there is none or it was lost: the cycle connects anew.
std::unique_ptr<ImapFolderSession> goOnFromLastCycle(CheckWorkerParams& watch, const Pop3Target& target,
                                                     const char* folder, const char* user, HANDLE stopEvent)
{
    std::unique_ptr<ImapFolderSession> session = takeParkedWatchSession(watch, target, folder, user, stopEvent);
    if (!session)
        return session;
    bool usable;
    {
        ImapExchangeDeadline exchange(*session);
        char why[pop3DetailSize];
        bool changed = false;
        usable = session->askForNews(changed, why, sizeof why) &&
                 (!changed || session->examine(why, sizeof why) == pop3Success);
    }
    if (!usable)
        session.reset(); // a server's time-out for a quiet connection, say: no failure of the watch
    return session;
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
    std::unique_ptr<ImapFolderSession> session;
    if (watch.resumeWatch)
        session = goOnFromLastCycle(watch, target, folder, user, stopEvent);
    else
        closeParkedWatch(watch);
    int result = pop3Success;
    if (!session) {
        session.reset(new ImapFolderSession(target, folder, stopEvent));
        ImapExchangeDeadline exchange(*session);
        result = session->open(user, password, detail, detailSize);
    }
    bool watching = result == pop3Success && session->capabilities().idle;
    if (watching && watch.resumeWatch)
        result = idleWhileUnchanged(*session, watch, stillWanted, detail, detailSize, ended);
    if (result != pop3Success || ended)
        return result;
    {
        ImapExchangeDeadline exchange(*session);
        KnownMessages own;
        KnownMessages* ids = known ? known : &own;
        result = session->read(messageCount, headers, ids, detail, detailSize);
        if (result != pop3Success)
            return result;
        watch.watchedIds = ids->ids;
        if (!watching)
            return session->logOut(detail, detailSize);
    }
    // The window reports, then the next cycle idles again on this same connection.
    parkWatchSession(watch, std::move(session), target, folder, user);
    return pop3Success;
}
