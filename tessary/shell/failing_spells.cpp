// Counts each entry's failed checks in a row and turns them into one alert per failing spell.
#include "shell/failing_spells.h"
#include "shell/activity_log.h"
#include "shell/main_window_state.h"
#include "shell/tray_balloon.h"
#include "shell/tray_icon.h"
#include "notify/ui_text.h"
#include "mailcheck/check_failures.h"
#include <cstdio>
#include <map>
#include <string>

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

// The one message of a spell: a notification where the shell shows them, and a line in the log
// (written whether or not the notification could be shown, so the spell is always on record).
void alertUser(HWND window, const MailboxEntry& entry, int result)
{
    char words[160];
    DescribeCheckFailure(result, words, sizeof words, entry.signIn != SignInPassword);
    char text[400];
    snprintf(text, sizeof text, "%s cannot be checked: %s", entry.name ? entry.name : "", words);
    ShowTrayBalloon(window, L"Tessary", wideFromAnsi(text), BalloonKind::Failure, nullptr);
    LogEntryLine(nullptr, (std::string("warning: ") + text).c_str());
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
                alertUser(window, entry, result);
        }
    }
    if (record.failing != wasFailing) {
        ShowRestingTrayIcon(window);
        RefreshTrayTip(window);
    }
}

void ForgiveNextConnectionFailure(const MailboxEntry& entry)
{
    failures[&entry].forgiveConnectionFailure = true;
}

void IgnoreNextResult(const MailboxEntry& entry)
{
    failures[&entry].ignoreNextResult = true;
}

bool IsFailing(const MailboxEntry& entry)
{
    auto found = failures.find(&entry);
    return found != failures.end() && found->second.failing;
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
