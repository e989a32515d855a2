// The check worker thread: one POP3 or IMAP session for its entry, the result stored in the entry, and
// one message to the window that asked for the check.
#include "mailcheck/check_worker.h"
#include "mailcheck/imap_session.h"
#include "mailcheck/imap_watch.h"
#include "mailcheck/new_only_check.h"
#include "mailcheck/pop3_session.h"
#include "mailcheck/signed_in_check.h"
#include "signin/signin_result.h"
#include "platform/messages.h"
#include "storage/mailbox_entry.h"
#include <cstdio>

CheckWorkerCalls checkWorkerCalls = { ::PostMessageA };

DWORD WINAPI CheckWorker(LPVOID parameter)
{
    CheckWorkerParams* params = static_cast<CheckWorkerParams*>(parameter);
    MailboxEntry* entry = params->entry;
    if (!startWinsock()) {
        // The entry keeps its previous headers and result.
        checkWorkerCalls.PostMessageA(params->notifyWindow, WM_CHECK_FAILED, reinterpret_cast<WPARAM>(entry), 0);
        return 0;
    }

    char** headers = nullptr;
    uint8_t* marks = nullptr;
    uint32_t count = 0;
    char detail[pop3DetailSize];
    Pop3Target target = { entry->server, entry->security, entry->port, entry->trustedCertificate };
    KnownMessages known;
    KnownMessages* newOnly = entry->announceNewOnly ? &known : nullptr;
    if (newOnly)
        prepareNewOnlyCheck(*entry, known);
    int result;
    if (entry->secretsUnreadable()) {
        // Logging in without the password or refresh token could only be refused; the user must
        // enter it again, or sign in again.
        snprintf(detail, sizeof detail, "%s",
                 entry->signIn == SignInPassword
                     ? "error: the stored password cannot be read by this user; enter it again"
                     : "error: the stored sign-in cannot be read by this user; open the entry and sign in again");
        result = pop3PasswordUnreadable;
    } else if (entry->signIn != SignInPassword) {
        // Signed-in IMAP entries check once each time rather than watch: each reconnection of a
        // watch would need a token of its own.
        result = signedInSession(*entry, target, &count, params->stopEvent, &headers, detail, sizeof detail, newOnly,
                                 &marks);
    } else if (watchesFolder(*entry)) {
        bool ended = false;
        result = ImapWatchCycle(target, entry->folder, entry->user, entry->password, &count, params->stopEvent,
                                &headers, detail, sizeof detail, newOnly, *params,
                                [entry] { return entry->insideCheckWindow(); }, ended);
        if (ended) {
            WSACleanup();
            // Stopped: the window joins the thread itself. Out of the entry's window: it is told.
            if (WaitForSingleObject(params->stopEvent, 0) != WAIT_OBJECT_0)
                checkWorkerCalls.PostMessageA(params->notifyWindow, WM_WATCH_ENDED, reinterpret_cast<WPARAM>(entry), 0);
            return 0;
        }
    } else if (entry->protocol == ProtocolImap) {
        result = ImapSession(target, entry->folder, entry->user, entry->password, &count, params->stopEvent,
                             &headers, detail, sizeof detail, newOnly);
    } else {
        result = Pop3Session(target, entry->user, entry->password, &count, params->stopEvent, &headers, detail,
                             sizeof detail, newOnly, &marks);
    }
    WSACleanup();

    // Readers walk the slots by headerCount, so a count without an array stores no slots.
    EnterCriticalSection(&entry->lock);
    entry->clearHeaders();
    entry->setHeaders(headers, headers ? int32_t(count) : 0, headers ? marks : nullptr);
    if (!headers)
        delete[] marks;
    entry->setLastResultDetail(result == pop3Success ? nullptr : detail);
    bool saveState = recordNewOnlyCheck(*entry, result == pop3Success, newOnly);
    LeaveCriticalSection(&entry->lock);
    if (saveState)
        saveNewOnlyState(*entry);

    entry->setLastResult(result == pop3Success ? int32_t(count) : result);
    checkWorkerCalls.PostMessageA(params->notifyWindow, WM_CHECK_DONE, reinterpret_cast<WPARAM>(entry), 0);
    return 0;
}
