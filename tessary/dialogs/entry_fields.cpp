// Reading and checking the entry's controls; each rule stores its field before the next one runs.
#include "dialogs/entry_fields.h"
#include "dialogs/entry_protocol.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/dialup_combo.h"
#include "dialogs/entry_security.h"
#include "dialogs/entry_sign_in.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstring>

namespace {

// checkDays index (0 is Sunday) to its check box.
const int dayBoxes[7] = { IDC_EMB_SUNDAY, IDC_EMB_MONDAY, IDC_EMB_TUESDAY, IDC_EMB_WEDNESDAY,
                          IDC_EMB_THURSDAY, IDC_EMB_FRIDAY, IDC_EMB_SATURDAY };

// A required text: stored with its setter, or refused with the message when empty.
bool storeRequired(HWND dialog, int id, MailboxEntry& entry, void (MailboxEntry::*set)(const char*),
                   const char* missing)
{
    char text[fieldTextSize];
    readFieldText(dialog, id, text);
    if (text[0] == '\0') {
        showInvalidInput(dialog, missing);
        return false;
    }
    (entry.*set)(text);
    return true;
}

void storeOptionalUser(HWND dialog, MailboxEntry& entry)
{
    char text[fieldTextSize];
    readFieldText(dialog, IDC_EMB_USER, text);
    entry.setUser(text);
}

void storeConnection(HWND dialog, MailboxEntry& entry)
{
    StoreConnectionFields(dialog, { IDC_EMB_DIAL_AS_NEEDED, IDC_EMB_WAIT_FOR_CONNECTION, IDC_EMB_DIALUP, IDC_EMB_HANG_UP },
                          entry);
}

void storeDays(HWND dialog, MailboxEntry& entry)
{
    bool days[7];
    for (int i = 0; i < 7; ++i)
        days[i] = isChecked(dialog, dayBoxes[i]);
    entry.setCheckDays(days);
}

bool storePeriod(HWND dialog, MailboxEntry& entry)
{
    char text[fieldTextSize];
    readFieldText(dialog, IDC_EMB_PERIOD_HOURS, text);
    int hours = ParseCount(text);
    if (hours < 0 || hours > 12) {
        showInvalidInput(dialog, "Period hour must be between 0 and 12");
        return false;
    }
    entry.periodHours = hours;
    readFieldText(dialog, IDC_EMB_PERIOD_MINUTES, text);
    int minutes = ParseCount(text);
    if ((minutes == 0 && hours == 0) || minutes < 0 || minutes > 59) {
        showInvalidInput(dialog, "Period minute must be between 1 and 59, or 0 minutes and 1 or more hours.");
        return false;
    }
    entry.periodMinutes = minutes;
    return true;
}

struct TimeRule {
    int checkId;
    int editId;
    int32_t MailboxEntry::*hour;
    int32_t MailboxEntry::*minute;
    const char* badHour;
    const char* badMinute;
};

const TimeRule startRule = { IDC_EMB_START_TIME_SET, IDC_EMB_START_TIME, &MailboxEntry::startHour,
                             &MailboxEntry::startMinute, "Start hour must be between 0 and 23",
                             "Start minute must be between 0 and 59" };
const TimeRule endRule = { IDC_EMB_END_TIME_SET, IDC_EMB_END_TIME, &MailboxEntry::endHour, &MailboxEntry::endMinute,
                           "End hour must be between 0 and 23", "End minute must be between 0 and 59" };

// "h:m" when the box is checked; -1 as the hour when it is not (the minute stays as it is).
bool storeTime(HWND dialog, MailboxEntry& entry, const TimeRule& rule)
{
    if (!isChecked(dialog, rule.checkId)) {
        entry.*rule.hour = -1;
        return true;
    }
    char text[fieldTextSize];
    readFieldText(dialog, rule.editId, text);
    int hour = ParseCount(text);
    if (hour < 0 || hour > 23) {
        showInvalidInput(dialog, rule.badHour);
        return false;
    }
    entry.*rule.hour = hour;
    const char* colon = std::strchr(text, ':');
    int minute = colon ? ParseCount(colon + 1) : -1;
    if (minute < 0 || minute > 59) {
        showInvalidInput(dialog, rule.badMinute);
        return false;
    }
    entry.*rule.minute = minute;
    return true;
}

void showTime(HWND dialog, const TimeRule& rule, int hour, int minute, const char* unsetText)
{
    if (hour == -1) {
        SetDlgItemTextA(dialog, rule.editId, unsetText);
        setChecked(dialog, rule.checkId, false);
        return;
    }
    char text[32];
    snprintf(text, sizeof text, "%.2d:%.2d", hour, minute);
    SetDlgItemTextA(dialog, rule.editId, text);
    setChecked(dialog, rule.checkId, true);
}

void setNumber(HWND dialog, int id, int value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    SetDlgItemTextA(dialog, id, text);
}

} // namespace

bool StoreScheduleFields(HWND dialog, MailboxEntry& entry)
{
    storeDays(dialog, entry);
    return storePeriod(dialog, entry) && storeTime(dialog, entry, startRule) && storeTime(dialog, entry, endRule);
}

void StoreConnectionFields(HWND dialog, const ConnectionControls& ids, MailboxEntry& entry)
{
    if (isChecked(dialog, ids.dialAsNeeded))
        entry.connectionMode = DialAsNeeded;
    else if (isChecked(dialog, ids.waitForConnection))
        entry.connectionMode = WaitForConnection;
    else
        entry.connectionMode = AlwaysConnected;
    ReadDialupEntry(dialog, ids.dialup, entry);
    entry.hangUpWhenDone = isChecked(dialog, ids.hangUp);
}

bool StoreEntryFields(HWND dialog, MailboxEntry& entry)
{
    if (!storeRequired(dialog, IDC_EMB_NAME, entry, &MailboxEntry::setName,
                       "You must supply a friendly name to identify this entry. This can be your email address, or "
                       "something else that will help you remember what it is.") ||
        !storeRequired(dialog, IDC_EMB_SERVER, entry, &MailboxEntry::setServer,
                       "You must supply a server domain name or dotted IP.") ||
        (!SignInMethodChosen(dialog) &&
         (!storeRequired(dialog, IDC_EMB_USER, entry, &MailboxEntry::setUser,
                         "You must supply the user, or mailbox name used to access your email.") ||
          !storeRequired(dialog, IDC_EMB_PASSWORD, entry, &MailboxEntry::setPassword,
                         "You must supply the password used to access your email."))))
        return false;
    StoreProtocolFields(dialog, entry);
    if (!StoreSecurityFields(dialog, entry) || !StoreSignInFields(dialog, entry))
        return false;
    if (SignInMethodChosen(dialog))
        storeOptionalUser(dialog, entry); // a signed-in entry logs in as its account
    entry.setAnnounceNewOnly(isChecked(dialog, IDC_EMB_ANNOUNCE_NEW_ONLY));
    storeConnection(dialog, entry);
    if (!StoreScheduleFields(dialog, entry))
        return false;
    if (isChecked(dialog, IDC_EMB_ENABLED))
        entry.enabled = true;
    else
        entry.disable();
    return true;
}

void FillPeriodLists(HWND dialog)
{
    char text[16];
    for (int hours = 0; hours <= 12; ++hours) {
        snprintf(text, sizeof text, "%d", hours);
        SendDlgItemMessageA(dialog, IDC_EMB_PERIOD_HOURS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    for (int minutes = 0; minutes <= 59; ++minutes) {
        snprintf(text, sizeof text, "%d", minutes);
        SendDlgItemMessageA(dialog, IDC_EMB_PERIOD_MINUTES, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

void ShowScheduleFields(HWND dialog, const MailboxEntry& entry)
{
    for (int i = 0; i < 7; ++i)
        setChecked(dialog, dayBoxes[i], entry.checkDays[i]);
    setNumber(dialog, IDC_EMB_PERIOD_HOURS, entry.periodHours);
    setNumber(dialog, IDC_EMB_PERIOD_MINUTES, entry.periodMinutes);
    showTime(dialog, startRule, entry.startHour, entry.startMinute, "00:00");
    showTime(dialog, endRule, entry.endHour, entry.endMinute, "23:59");
}
