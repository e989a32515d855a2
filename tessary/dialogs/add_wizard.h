// The add account wizard "Add Account Wizard": eight pages that fill a new mailbox entry one topic
// at a time (name, server, credentials, connection, schedule, sounds, e-mail program, done).
#pragma once
#include <windows.h>
#include <cstdint>
#include "dialogs/client_detection.h"
#include "storage/mailbox_entry.h"

// The entry being filled while the wizard runs.
extern MailboxEntry* wizardEntry;
// How the last run ended: PSN_RESET when it was cancelled, PSN_WIZFINISH when it was finished;
// 0 while a run has ended neither way.
extern int32_t wizardOutcome;
// The detection table of the e-mail program page, while that page exists.
extern ClientCandidate* clientCandidates;

// Runs the wizard modally on entry: 1 finished, 0 cancelled (the entry is half filled and the
// caller deletes it), -1 when the wizard could not be run.
int RunAddWizard(HWND owner, HINSTANCE instance, MailboxEntry* entry);
