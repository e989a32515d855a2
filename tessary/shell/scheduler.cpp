// Poll tick, scheduler rules and the hang-up pass.
#include "shell/scheduler.h"
#include "shell/activity_log.h"
#include "shell/entry_list_view.h"
#include "shell/main_window_state.h"
#include "shell/resume_from_sleep.h"
#include "shell/tray_icon.h"
#include "shell/wait_cursor.h"
#include "connectivity/cpu_monitor.h"
#include "connectivity/dial_worker.h"
#include "connectivity/dialup_detect.h"
#include "connectivity/dyn_data_calls.h"
#include "mailcheck/imap_watch.h"
#include "notify/speech.h"
#include "platform/fatal_error.h"
#include "signin/entry_access.h"
#include <cstdio>
#include <cstring>

namespace {

void copyConnectionName(char* destination, const char* name)
{
    snprintf(destination, connectionNameSize, "%s", name ? name : "");
}

void startCheck(HWND window, MailboxEntry& entry)
{
    if (entry.DoCheckEmail(window)) {
        LogEntryLine(entry.name, "checking");
        RefreshEntryListAndAnimation();
    } else {
        LogEntryLine(entry.name, "DoCheckEmail() failed");
    }
}

void speakConnectSpeed()
{
    int32_t speed = ReadConnectSpeed();
    if (speed == -1)
        return;
    char text[64];
    snprintf(text, sizeof text, "connected at %d bps", static_cast<int>(speed));
    WaitCursor busy;
    if (SpeakString(text, app.settings.syncAudio != 0) != 1) {
        LogEntryLine(nullptr, "error: SpeakString() failed");
        LogLine("SAPI may not be installed, or was not initialized", nullptr, false, true);
    }
}

void watchConnection()
{
    char* connected = nullptr;
    if (!DialupDetect::GetRasConnState(nullptr, connected)) {
        LogEntryLine(nullptr, "error: GetRasConnState() failed");
        return;
    }
    if (!connected) {
        app.activeConnectionName[0] = '\0';
        app.dialedConnectionName[0] = '\0';
        return;
    }
    if (strcmp(connected, app.activeConnectionName) != 0) {
        copyConnectionName(app.activeConnectionName, connected);
        // Another connection than the one this program dialled is up: it is the user's.
        if (strcmp(app.activeConnectionName, app.dialedConnectionName) != 0)
            app.dialedConnectionName[0] = '\0';
        if (app.settings.speakConnectSpeed)
            speakConnectSpeed();
    }
    delete[] connected;
}

void startDial(HWND window, MailboxEntry& entry)
{
    entry.waitingForDialup = 0;
    app.dialingEntry = &entry;
    if (DoThreadDialIn(app.dialWorker, window, entry.dialupEntry) != 1) {
        char text[80];
        snprintf(text, sizeof text, "error: DoThreadDialIn() failed, retry: %d mins", applyDialRetryDelay(entry));
        LogEntryLine(entry.name, text);
        return;
    }
    // The delay is kept until the dial has succeeded, so that dials failing one after another
    // wait longer each time.
    LogEntryLine("dialing", entry.dialupEntry ? entry.dialupEntry : "(first found)");
    RefreshEntryListAndAnimation();
}

void waitForLine(MailboxEntry& entry)
{
    if (&entry == app.dialingEntry || entry.waitingForDialup == 1)
        return;
    entry.waitingForDialup = 1;
    LogEntryLine(entry.name, "waiting for dialup access");
    RefreshEntryListAndAnimation();
}

// Rule 1: scheduled checks of a waiting entry run only while a connection is up.
void checkWhenConnected(HWND window, MailboxEntry& entry)
{
    int connected = DialupDetect::IsDialupConnected(entry.dialupEntry);
    if (connected == -1)
        LogEntryLine(entry.name, "error: IsDialupConnected() failed");
    else if (connected == 1 && entry.isDue())
        startCheck(window, entry);
}

// Rule 2: dial when needed, or wait while another entry's dial holds the line.
void dialAsNeeded(HWND window, MailboxEntry& entry)
{
    int connected = DialupDetect::IsDialupConnected(entry.dialupEntry);
    if (connected == -1)
        LogEntryLine(entry.name, "error: IsDialupConnected() failed");
    else if (connected == 1)
        startCheck(window, entry);
    else if (!dialInProgress())
        startDial(window, entry);
    else
        waitForLine(entry);
}

void hangUpPass()
{
    MailboxEntry* candidate = app.entries.findHangUpCandidate();
    if (!candidate)
        return;
    // Only a connection this program dialled itself is hung up.
    const char* line = candidate->dialupEntry;
    if (candidate->connectionMode != AlwaysConnected && candidate->hangUpWhenDone &&
        app.dialedConnectionName[0] && (!line || strcmp(line, app.dialedConnectionName) == 0)) {
        int connected = DialupDetect::IsDialupConnected(line);
        if (connected == -1) {
            LogEntryLine(nullptr, "error: IsDialupConnected() failed");
        } else if (connected == 1) {
            LogEntryLine(line, "hanging up");
            WaitCursor busy;
            if (DialupDetect::HangUpConnection(line) == -1)
                LogEntryLine(nullptr, "error: HangUpConnection() failed");
        }
    }
    candidate->hangUpPending = false;
}

} // namespace

int applyDialRetryDelay(MailboxEntry& entry)
{
    entry.setRetryDelay(entry.retryDelayMinutes ? entry.retryDelayMinutes * 2 : 10);
    return entry.retryDelayMinutes;
}

int32_t ReadConnectSpeed()
{
    HKEY key;
    if (dynDataCalls.RegOpenKeyExA(HKEY_DYN_DATA, "PerfStats\\StatData", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return -1;
    DWORD type = 0;
    DWORD speed = 0;
    DWORD size = sizeof speed;
    LONG status = dynDataCalls.RegQueryValueExA(key, "Dial-Up Adapter\\ConnectSpeed", nullptr, &type,
                                                reinterpret_cast<BYTE*>(&speed), &size);
    dynDataCalls.RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_BINARY || size != 4)
        return -1;
    return static_cast<int32_t>(speed);
}

void RunScheduler(HWND window)
{
    for (MailboxEntry* entry = app.entries.head; entry && !fatalErrorRaised; entry = entry->next) {
        if (!entry->isSchedulable())
            continue;
        if (signInWithdrawn(*entry))
            continue; // the service withdrew the sign-in: nothing to try until the user signs in
        bool requested = entry->checkRequested;
        if (entry->connectionMode == WaitForConnection && !requested)
            checkWhenConnected(window, *entry);
        if ((entry->connectionMode == DialAsNeeded || (entry->connectionMode == WaitForConnection && requested)) &&
            entry->isDue() && !entry->isRetryPending()) {
            // A check that fails at once for its unreadable password needs no line.
            if (entry->secretsUnreadable())
                startCheck(window, *entry);
            else
                dialAsNeeded(window, *entry);
        }
        // A folder being watched is checked already: the watch reports its news itself.
        bool watching = entry->isCheckRunning() && watchesFolder(*entry);
        CheckWorkerParams& watch = entry->workerParams;
        if (watch.watchRetryPending && !entry->isCheckRunning() && int32_t(GetTickCount() - watch.watchRetryAt) >= 0) {
            watch.watchRetryPending = false;
            startCheck(window, *entry);
            continue;
        }
        if (entry->connectionMode == AlwaysConnected && entry->isDue() && !watching)
            startCheck(window, *entry);
    }
}

void RunPollTick(HWND window)
{
    bool cpuBusy = IsCpuTooBusy(app.settings);
    watchConnection();
    if (!cpuBusy && !ResumeHoldsChecks())
        RunScheduler(window);
    hangUpPass();
    ShowRestingTrayIcon(window); // an entry removed while failing takes its spell with it
    RefreshTrayTip(window);
}
