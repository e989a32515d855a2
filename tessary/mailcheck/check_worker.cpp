// The check worker thread: one POP3 session for its entry, the result stored in the entry, and
// one message to the window that asked for the check.
#include "mailcheck/check_worker.h"
#include "mailcheck/pop3_session.h"
#include "platform/messages.h"
#include "storage/mailbox_entry.h"

DWORD WINAPI CheckWorker(LPVOID parameter)
{
    CheckWorkerParams* params = static_cast<CheckWorkerParams*>(parameter);
    MailboxEntry* entry = params->entry;
    if (!startWinsock()) {
        // The entry keeps its previous headers and result.
        PostMessageA(params->notifyWindow, WM_CHECK_FAILED, reinterpret_cast<WPARAM>(entry), 0);
        return 0;
    }

    char** headers = nullptr;
    uint32_t count = 0;
    int result = Pop3Session(entry->server, entry->user, entry->password, &count, params->stopEvent,
                             &headers);
    WSACleanup();

    // Readers walk the slots by headerCount, so a count without an array stores no slots.
    EnterCriticalSection(&entry->lock);
    entry->clearHeaders();
    entry->setHeaders(headers, headers ? int32_t(count) : 0);
    LeaveCriticalSection(&entry->lock);

    entry->setLastResult(result == pop3Success ? int32_t(count) : result);
    PostMessageA(params->notifyWindow, WM_CHECK_DONE, reinterpret_cast<WPARAM>(entry), 0);
    return 0;
}
