// The field rules of a mailbox entry's controls: what is read, in which order, its ranges and the
// message for each refusal. The edit entry dialog runs them all; the wizard's schedule page runs
// the schedule rules on controls with the same ids.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// All rules in the dialog's field order (name, server, user, password, security, port, trusted
// certificate, announce only new messages, connection, dial-up entry, hang-up, days, period,
// start and end time, enabled). False at the first refusal, which has shown its message;
// the fields of the rules before it stay stored.
bool StoreEntryFields(HWND dialog, MailboxEntry& entry);

// Connection mode from three radio buttons (the third is the LAN), the dial-up entry from its
// combo box and the hang-up check box, on the controls with the given ids.
struct ConnectionControls {
    int dialAsNeeded, waitForConnection, dialup, hangUp;
};
void StoreConnectionFields(HWND dialog, const ConnectionControls& ids, MailboxEntry& entry);

// The schedule rules alone: days, period hours and minutes, start time, end time.
bool StoreScheduleFields(HWND dialog, MailboxEntry& entry);

// Adds "0".."12" to the period hours and "0".."59" to the period minutes.
void FillPeriodLists(HWND dialog);
// Shows the entry's days, period and start and end times (with their check boxes).
void ShowScheduleFields(HWND dialog, const MailboxEntry& entry);
