// The poll tick of the main window and the scheduler that starts checks and dials.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

const UINT pollPeriodMs = 6500;

// Every 6500 ms: CPU gate, connection watch, scheduler, pending hang-up.
void RunPollTick(HWND window);
// One pass over the entries, starting the checks and the dial that are due.
void RunScheduler(HWND window);
// The speed the dial-up adapter connected at, from HKEY_DYN_DATA; -1 when it cannot be read.
int32_t ReadConnectSpeed();

// The retry delay after a failed dial: double the current one, 10 minutes the first time; stored
// (capped at 360) and stamped. Answers the delay in force.
int applyDialRetryDelay(MailboxEntry& entry);
