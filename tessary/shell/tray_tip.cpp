// Builds the tray tip from the announced mail and the failing spells.
#include "shell/tray_tip.h"
#include "shell/failing_spells.h"
#include "shell/main_window_state.h"
#include <cstdio>
#include <map>

namespace {

// New messages announced per entry since the window was last opened; entries no longer listed
// are dropped before counting, like the failing spells.
std::map<const MailboxEntry*, int> announced;

void forgetRemovedEntries()
{
    for (auto it = announced.begin(); it != announced.end();) {
        if (app.entries.contains(it->first))
            ++it;
        else
            it = announced.erase(it);
    }
}

std::string newMailLine()
{
    forgetRemovedEntries();
    long messages = 0;
    int accounts = 0;
    for (const auto& entry : announced) {
        messages += entry.second;
        ++accounts;
    }
    if (messages == 0)
        return std::string();
    char line[64];
    snprintf(line, sizeof line, "Tessary: %ld new in %d %s", messages, accounts, accounts == 1 ? "account" : "accounts");
    return line;
}

std::string failingLine(int failing)
{
    char line[64];
    snprintf(line, sizeof line, "Tessary: %d %s", failing,
             failing == 1 ? "account cannot be checked" : "accounts cannot be checked");
    return line;
}

// The failing entries' names in list order, comma-separated.
std::string failingNames()
{
    std::string names;
    for (MailboxEntry* entry = app.entries.head; entry; entry = entry->next) {
        if (!IsFailing(*entry))
            continue;
        if (!names.empty())
            names += ", ";
        names += entry->name ? entry->name : "";
    }
    return names;
}

} // namespace

void NoteAnnouncedMail(const MailboxEntry& entry, int count)
{
    if (count > 0)
        announced[&entry] += count;
}

void ForgetAnnouncedMail()
{
    announced.clear();
}

void cutAnsiText(std::string& text, size_t limit)
{
    size_t kept = 0;
    while (kept < text.size()) {
        size_t step = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[kept])) && kept + 1 < text.size() ? 2 : 1;
        if (kept + step > limit)
            break;
        kept += step;
    }
    text.resize(kept);
}

std::string TrayTipText(size_t limit, bool severalLines)
{
    int failing = app.settings.failureAlerts ? CountFailingEntries() : 0;
    std::string news = newMailLine();
    std::string tip;
    if (failing > 0) {
        tip = failingLine(failing);
        if (severalLines) {
            tip += "\n" + failingNames();
            if (!news.empty())
                tip += "\n" + news;
        }
    } else if (!news.empty()) {
        tip = news;
    } else {
        tip = "Tessary";
    }
    cutAnsiText(tip, limit);
    return tip;
}
