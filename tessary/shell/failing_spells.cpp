// Counts each entry's failed checks in a row and turns them into one alert per failing spell.
#include "shell/failing_spells.h"
#include "shell/activity_log.h"
#include "shell/main_window_state.h"
#include "shell/tray_icon.h"
#include "mailcheck/check_failures.h"
#include <cstdio>
#include <map>

namespace {

struct EntryFailures {
    int inARow = 0;
    bool failing = false;
    bool forgiveConnectionFailure = false;
    bool ignoreNextResult = false;
};

// Keyed by the entry; records of entries no longer listed are dropped before they are counted, so
// a new entry that happens to get a removed one's address starts clean.
std::map<const MailboxEntry*, EntryFailures> failures;

void forgetRemovedEntries()
{
    for (auto it = failures.begin(); it != failures.end();) {
        if (app.entries.contains(it->first))
            ++it;
        else
            it = failures.erase(it);
    }
}

// The one message of a spell. The log line is what the user sees today; a notification will join it.
void alertUser(const MailboxEntry& entry, int result)
{
    char words[160];
    DescribeCheckFailure(result, words, sizeof words, entry.signIn != SignInPassword);
    char text[400];
    snprintf(text, sizeof text, "warning: %s cannot be checked: %s", entry.name ? entry.name : "", words);
    LogEntryLine(nullptr, text);
}

bool startsSpell(const EntryFailures& record, int result)
{
    return ClassifyCheckFailure(result) == CheckFailureKind::NeedsUser || record.inARow >= failuresStartingSpell;
}

} // namespace

void NoteCheckResult(HWND window, const MailboxEntry& entry, int result)
{
    forgetRemovedEntries();
    EntryFailures& record = failures[&entry];
    bool wasFailing = record.failing;
    bool forgive = record.forgiveConnectionFailure;
    record.forgiveConnectionFailure = false;
    if (record.ignoreNextResult) {
        record.ignoreNextResult = false;
        return;
    }
    if (result >= 0) {
        record.inARow = 0;
        record.failing = false;
    } else if (forgive && ClassifyCheckFailure(result) == CheckFailureKind::Connection) {
        return;
    } else {
        ++record.inARow;
        if (!record.failing && startsSpell(record, result)) {
            record.failing = true;
            if (app.settings.failureAlerts)
                alertUser(entry, result);
        }
    }
    if (record.failing != wasFailing)
        ShowRestingTrayIcon(window);
}

void ForgiveNextConnectionFailure(const MailboxEntry& entry)
{
    failures[&entry].forgiveConnectionFailure = true;
}

void IgnoreNextResult(const MailboxEntry& entry)
{
    failures[&entry].ignoreNextResult = true;
}

int CountFailingEntries()
{
    forgetRemovedEntries();
    int count = 0;
    for (const auto& entry : failures)
        if (entry.second.failing)
            ++count;
    return count;
}

bool ShowsFailureIcon()
{
    return app.settings.failureAlerts && CountFailingEntries() > 0;
}

void ForgetFailingSpells()
{
    failures.clear();
}
