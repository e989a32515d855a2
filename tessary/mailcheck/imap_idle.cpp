// IDLE on an examined folder: the command, the long wait with nothing to read, and DONE.
#include "mailcheck/imap_idle.h"
#include "mailcheck/imap_folder_session.h"
#include "mailcheck/session_deadline.h"
#include <cstdio>

volatile LONG imapIdleRenewalMs = defaultImapIdleRenewalMs;
volatile LONG imapIdleCheckMs = defaultImapIdleCheckMs;

namespace {

// "* <n> EXISTS" or "* <n> EXPUNGE": the folder changed.
bool isFolderNews(const ImapResponse& response)
{
    uint32_t number = 0;
    if (!response.untagged() || !parseImapNumber(response.text, 2, number))
        return false;
    size_t after = response.text.find(' ', 2);
    return after != std::string::npos &&
           (response.text.compare(after, 7, " EXISTS") == 0 || response.text.compare(after, 8, " EXPUNGE") == 0);
}

bool isBye(const ImapResponse& response)
{
    size_t rest = 0;
    return response.untagged() && responseStatus(response.text, rest) == "BYE";
}

IdleOutcome failed(const char* reason, char* why, size_t whySize)
{
    snprintf(why, whySize, "error: %s", reason);
    return IdleOutcome::failed;
}

// Ends IDLE and reads its tagged answer (news that still comes meanwhile is read with it).
bool endIdle(ImapFolderSession& session)
{
    ImapExchangeDeadline exchange(session);
    ImapConversation& conversation = session.conversation();
    return conversation.sendContinuation("DONE\r\n") && conversation.await(nullptr) == ImapReply::ok;
}

} // namespace

IdleOutcome idleUntilNews(ImapFolderSession& session, char* why, size_t whySize,
                          const std::function<bool()>& stillWanted)
{
    ImapConversation& conversation = session.conversation();
    {
        ImapExchangeDeadline exchange(session);
        if (!conversation.send("IDLE"))
            return failed("the connection broke while idling", why, whySize);
        ImapReply reply = conversation.await(nullptr, true);
        if (reply != ImapReply::continuation)
            return failed("server refused IDLE", why, whySize);
    }
    DWORD renewal = imapIdleRenewalMs < 0 ? 0 : DWORD(imapIdleRenewalMs);
    DWORD started = GetTickCount();
    for (;;) {
        DWORD waited = GetTickCount() - started;
        DWORD left = waited < renewal ? renewal - waited : 0;
        DWORD check = imapIdleCheckMs < 1 ? 1 : DWORD(imapIdleCheckMs);
        bool askFirst = stillWanted && left > check;
        NetworkWait wait = session.connection().waitForInput(askFirst ? check : left);
        bool unwanted = wait == NetworkWait::timedOut && askFirst && !stillWanted();
        if (wait == NetworkWait::stopped || unwanted) {
            // Said, not waited for: the program is closing, or the entry stops watching.
            conversation.queue("LOGOUT");
            conversation.sendContinuation("DONE\r\n");
            return unwanted ? IdleOutcome::unwanted : IdleOutcome::stopped;
        }
        if (wait == NetworkWait::timedOut && askFirst)
            continue;
        if (wait == NetworkWait::timedOut)
            return endIdle(session) ? IdleOutcome::renew : failed("server did not end IDLE", why, whySize);
        if (wait == NetworkWait::failed)
            return failed("the connection broke while idling", why, whySize);
        ImapResponse response;
        ImapReadFailure failure;
        uint64_t budget = imapMaxLineLength + imapMaxKeptLiteral;
        ImapExchangeDeadline exchange(session);
        if (!readImapResponse(session.connection(), response, budget, failure))
            return failed("the connection broke while idling", why, whySize);
        if (isBye(response)) {
            snprintf(why, whySize, "error: server ended the session: %.200s", response.text.c_str() + 6);
            return IdleOutcome::failed;
        }
        if (isFolderNews(response))
            return endIdle(session) ? IdleOutcome::news : failed("server did not end IDLE", why, whySize);
        // Anything else (a flag changed, "* OK still here") is no news.
    }
}
