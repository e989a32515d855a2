// Wake-up handling: stopping checks that ran across the sleep, waiting for the network, and one
// check of each entry that fell due.
#include "shell/resume_from_sleep.h"
#include "shell/activity_log.h"
#include "shell/entry_list_view.h"
#include "shell/failing_spells.h"
#include "shell/main_window_state.h"
#include "shell/scheduler.h"
#include "connectivity/network_state_calls.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstring>

namespace {

bool waiting = false;
UINT waitedMs = 0;
DWORD lastResumeTick = 0;
bool resumedBefore = false;
bool suspendedSinceResume = false;

// Windows sends PBT_APMRESUMESUSPEND after PBT_APMRESUMEAUTOMATIC when the user is there; both
// belong to one wake, and the second must not stop the checks the first has just started. A
// suspend in between (announced by PBT_APMSUSPEND, though a critical one is not) starts a new one.
const DWORD sameWakeMs = 60000;

bool isResume(WPARAM event)
{
    return event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND;
}

bool sameWakeAsBefore()
{
    return resumedBefore && !suspendedSinceResume && (waiting || GetTickCount() - lastResumeTick < sameWakeMs);
}

// A check that ran across the sleep waits on a connection that is gone: it is stopped, its result
// does not count, and it is due again as if it never ran.
void stopCheckAcrossSleep(MailboxEntry& entry)
{
    IgnoreNextResult(entry);
    if (!entry.stopCheck(false)) {
        LogEntryLine(nullptr, "error: forced to kill Check thread");
        entry.stopCheck(true);
    }
    memset(&entry.lastCheckTime, 0, sizeof entry.lastCheckTime);
}

int prepareDueEntries()
{
    int due = 0;
    for (MailboxEntry* entry = app.entries.head; entry; entry = entry->next) {
        if (entry->isCheckRunning())
            stopCheckAcrossSleep(*entry);
        if (entry->isSchedulable() && entry->isDue()) {
            ForgiveNextConnectionFailure(*entry);
            ++due;
        }
    }
    return due;
}

void endWait(HWND window)
{
    KillTimer(window, IDT_RESUME_WAIT);
    waiting = false;
}

} // namespace

BOOL OnPowerBroadcast(HWND window, WPARAM event)
{
    if (event == PBT_APMSUSPEND)
        suspendedSinceResume = true;
    if (!isResume(event) || sameWakeAsBefore())
        return TRUE;
    resumedBefore = true;
    suspendedSinceResume = false;
    lastResumeTick = GetTickCount();
    int due = prepareDueEntries();
    char text[96];
    snprintf(text, sizeof text, "resumed from sleep: checking %d %s that fell due", due,
             due == 1 ? "account" : "accounts");
    LogEntryLine(nullptr, text);
    RefreshEntryListAndAnimation();
    waitedMs = 0;
    waiting = SetTimer(window, IDT_RESUME_WAIT, resumeNetworkPollMs, nullptr) != 0;
    if (!waiting)
        RunScheduler(window); // no timer to wait with: check at once rather than not at all
    return TRUE;
}

void StepResumeWait(HWND window)
{
    if (!waiting)
        return;
    waitedMs += resumeNetworkPollMs;
    DWORD flags = 0;
    if (!networkStateCalls.IsNetworkAlive(&flags) && waitedMs < resumeNetworkWaitMs)
        return;
    endWait(window);
    RunScheduler(window);
}

bool ResumeHoldsChecks()
{
    return waiting;
}

void StopResumeWait(HWND window)
{
    endWait(window);
    resumedBefore = false;
    suspendedSinceResume = false;
}
