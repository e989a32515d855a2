// Worker results: result actions, joining the finished worker, retry delays after failed dials,
// starting the check after a successful one, and recording pending hang-ups. An entry named by a
// message may have been removed meanwhile, so every pointer is looked up in the entry list first.
#include "shell/worker_messages.h"
#include "shell/activity_log.h"
#include "shell/entry_list_view.h"
#include "shell/failing_spells.h"
#include "shell/main_window_state.h"
#include "shell/scheduler.h"
#include "connectivity/dialup_detect.h"
#include "mailcheck/check_failures.h"
#include "mailcheck/imap_watch.h"
#include "mailcheck/imap_watch_connection.h"
#include "mailcheck/server_remedies.h"
#include "notify/result_actions.h"
#include "platform/fatal_error.h"
#include "signin/entry_access.h"
#include "storage/data_folder.h"
#include <cstdio>

namespace {

const char* const checkErrorText =
    "warning: there was an error checking the account, make sure the server is up, and your username and "
    "password are correct";

MailboxEntry* listedEntry(WPARAM pointer)
{
    MailboxEntry* entry = reinterpret_cast<MailboxEntry*>(pointer);
    return app.entries.contains(entry) ? entry : nullptr;
}

void joinCheck(MailboxEntry& entry, const char* forcedText)
{
    if (!entry.stopCheck(false)) {
        LogEntryLine(nullptr, forcedText);
        entry.stopCheck(true);
    }
}

// The line under a failed check's warning that says why in plain words, when the check said more
// than its code (a refused certificate, a server without STLS, the server's refusal); and one
// more that says what to do when the server's words name a remedy.
void logFailureDetail(MailboxEntry& entry)
{
    char text[512] = "";
    EnterCriticalSection(&entry.lock);
    if (entry.lastResultDetail)
        snprintf(text, sizeof text, "%s", entry.lastResultDetail);
    LeaveCriticalSection(&entry.lock);
    if (entry.lastResult >= 0 || !text[0])
        return;
    LogEntryLine(entry.name, text);
    if (const char* remedy = ServerReplyRemedy(text))
        LogEntryLine(entry.name, remedy);
}

// A token service that rotates refresh tokens gave the check a new one: the old one may already
// be void, so the entry list is saved at once.
void saveRotatedRefreshToken(MailboxEntry& entry)
{
    if (adoptRotatedRefreshToken(entry) && !app.entries.save(DataFilePath(entryListFileName)))
        LogEntryLine(entry.name, "error: could not save the entry list with the sign-in's new refresh token");
}

void markHangUp(MailboxEntry& entry)
{
    if (entry.connectionMode != AlwaysConnected && entry.hangUpWhenDone)
        entry.hangUpPending = true;
}

void joinDial()
{
    if (StopDialThread(app.dialWorker) == -1)
        LogEntryLine(nullptr, "error: dial in thread not responding");
}

// Marks the connection as dialled by this program, so that it may be hung up after the checks. A
// null entry name dialled the first phonebook entry: the connection that is up now is that one.
void rememberDialedConnection(const MailboxEntry& entry)
{
    char* connected = nullptr;
    const char* dialed = entry.dialupEntry;
    if (!dialed && DialupDetect::GetRasConnState(nullptr, connected))
        dialed = connected;
    snprintf(app.dialedConnectionName, connectionNameSize, "%s", dialed ? dialed : app.activeConnectionName);
    delete[] connected;
}

// An entry that watches its IMAP folder goes back to watching at once after a successful check,
// inside its window. A dropped watch connects again after a pause that grows with each failure in
// a row (the scheduler starts it), and goes on from what it reported last; any other failure
// waits for the next scheduled check, which reports first.
void resumeWatching(HWND window, MailboxEntry& entry)
{
    CheckWorkerParams& watch = entry.workerParams;
    watch.watchRetryPending = false;
    bool watches = watchesFolder(entry) && entry.enabled && entry.insideCheckWindow();
    bool dropped = entry.lastResult == imapWatchBroken || (entry.lastResult < 0 && watch.watchFailures > 0);
    if (watches && entry.lastResult < 0 && dropped) {
        closeParkedWatch(watch);
        ++watch.watchFailures;
        watch.watchRetryAt = GetTickCount() + watchRetryPauseMs(watch.watchFailures);
        watch.watchRetryPending = true;
        return;
    }
    watch.watchFailures = 0;
    watch.resumeWatch = watches && entry.lastResult >= 0;
    if (!watch.resumeWatch) {
        watch.watchedIds.clear();
        closeParkedWatch(watch); // LOGOUT: the watch does not go on
        return;
    }
    if (!entry.DoCheckEmail(window)) {
        closeParkedWatch(watch);
        LogEntryLine(entry.name, "DoCheckEmail() failed");
    }
}

} // namespace

void OnCheckDone(HWND window, WPARAM entryPointer)
{
    if (MailboxEntry* entry = listedEntry(entryPointer)) {
        RunResultActions(window, *entry, app.settings);
        if (fatalErrorRaised)
            return; // the window is closing; one box is all the user gets
        logFailureDetail(*entry);
        NoteCheckResult(window, *entry, entry->lastResult);
        joinCheck(*entry, "error: forced to kill Check thread");
        saveRotatedRefreshToken(*entry);
        markHangUp(*entry);
        resumeWatching(window, *entry);
    }
    RefreshEntryListAndAnimation();
}

void OnWatchEnded(HWND, WPARAM entryPointer)
{
    if (MailboxEntry* entry = listedEntry(entryPointer)) {
        joinCheck(*entry, "error: forced to kill Check thread");
        entry->workerParams.resumeWatch = false;
        closeParkedWatch(entry->workerParams);
    }
    RefreshEntryListAndAnimation();
}

void OnCheckFailed(HWND window, WPARAM entryPointer)
{
    if (MailboxEntry* entry = listedEntry(entryPointer)) {
        joinCheck(*entry, "warning: forced to kill Check thread");
        markHangUp(*entry);
        LogEntryLine(entry->name, checkErrorText);
        char code[32];
        snprintf(code, sizeof code, " ERROR: %ld", static_cast<long>(entry->lastResult));
        LogLine(code, nullptr, false, false);
        NoteCheckResult(window, *entry, checkNotStarted);
    } else {
        LogEntryLine("ERROR: unknown entry!", checkErrorText);
    }
    RefreshEntryListAndAnimation();
}

void OnDialFailed(HWND)
{
    if (MailboxEntry* entry = listedEntry(reinterpret_cast<WPARAM>(app.dialingEntry))) {
        char text[200];
        snprintf(text, sizeof text,
                 "warning: the dialin thread was unable to connect. make sure the dialup connection is available "
                 "and working properly, retry: %d mins",
                 applyDialRetryDelay(*entry));
        LogEntryLine(entry->name, text);
    }
    joinDial();
    RefreshEntryListAndAnimation();
}

void OnDialConnected(HWND window)
{
    LogEntryLine(nullptr, "dial was successful");
    joinDial();
    if (MailboxEntry* entry = listedEntry(reinterpret_cast<WPARAM>(app.dialingEntry))) {
        rememberDialedConnection(*entry);
        entry->setRetryDelay(0);
        if (entry->enabled || entry->checkRequested) {
            if (entry->DoCheckEmail(window))
                LogEntryLine(entry->name, "checking..");
            else
                LogEntryLine(entry->name, "DoCheckEmail() failed");
        }
    } else {
        LogEntryLine("unknown entry!", "warning: received dial in response from unknown entry");
    }
    RefreshEntryListAndAnimation();
}
