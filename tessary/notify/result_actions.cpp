// The check result actions for mail (every message, or only the new ones), for no (new) mail, and
// for a failed check; mail also shows a notification and counts in the tray tip.
#include "notify/result_actions.h"
#include "notify/announcement_policy.h"
#include "notify/mail_notification.h"
#include "notify/speech.h"
#include "notify/ui_text.h"
#include "shell/activity_log.h"
#include "shell/tray_balloon.h"
#include "shell/tray_icon.h"
#include "shell/tray_tip.h"
#include "shell/wait_cursor.h"
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"
#include <mmsystem.h>
#include <shellapi.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const DWORD launchPauseMs = 500;

// What this check may announce (a busy user, a muted entry); chosen once as the actions start.
Announcements announcing;

void playSound(const char* file, const Settings& settings)
{
    if (!announcing.sound)
        return;
    DWORD flags = SND_FILENAME | SND_NODEFAULT;
    if (!settings.syncAudio)
        flags |= SND_ASYNC;
    uiCalls.PlaySoundA(file, nullptr, flags);
}

void launch(const MailboxEntry& entry, const char* operation, const char* file, const char* parameters,
            const char* failure)
{
    HINSTANCE result = uiCalls.ShellExecuteA(nullptr, operation, file, parameters, nullptr, SW_SHOWNORMAL);
    Sleep(launchPauseMs);
    if (reinterpret_cast<INT_PTR>(result) <= 32)
        LogEntryLine(entry.name, failure);
}

void speakOrLog(const char* text, const Settings& settings, const char* failure)
{
    if (!announcing.speech)
        return;
    if (SpeakString(text, settings.syncAudio != 0) != 1)
        LogEntryLine(nullptr, failure);
}

void speakOrLog(const std::wstring& text, const Settings& settings, const char* failure)
{
    if (!announcing.speech)
        return;
    if (SpeakWideString(text.c_str(), settings.syncAudio != 0) != 1)
        LogEntryLine(nullptr, failure);
}

const char* const mailSpeakFailure = "error: speak failed, SAPI may not be installed, or initialized";

// The messages among numbers (counted from 1) whose header lacks a field that is to be spoken.
int countParseFailures(const MailboxEntry& entry, const std::vector<int>& numbers, const Settings& settings)
{
    int failures = 0;
    for (int number : numbers) {
        const char* header = entry.getHeader(number - 1);
        if ((settings.speakFromAddresses && !hasHeaderField(header, SenderField)) ||
            (settings.speakSubjects && !hasHeaderField(header, SubjectField)))
            ++failures;
    }
    return failures;
}

// The headers of one check that lack a field to be spoken, logged in one line at the first of
// them; a single one keeps the plain wording.
struct ParseFailureReport {
    int count = 0;
    bool logged = false;

    void log()
    {
        if (count == 0 || logged)
            return;
        char text[64];
        if (count == 1)
            snprintf(text, sizeof text, "error: parse header failed");
        else
            snprintf(text, sizeof text, "error: parse header failed (%d messages)", count);
        LogEntryLine(nullptr, text);
        logged = true;
    }
};

void speakField(const MailboxEntry& entry, int number, HeaderFieldKind which, const Settings& settings,
                ParseFailureReport& parseFailures)
{
    std::wstring line;
    if (!buildSpokenFieldLine(entry, number, which, line))
        parseFailures.log();
    speakOrLog(line, settings, mailSpeakFailure);
}

// The messages the report names one by one; the rest are summed up.
size_t namedMessages(const std::vector<int>& numbers)
{
    return std::min(numbers.size(), static_cast<size_t>(spokenMessageLimit));
}

void moreMessagesText(const std::vector<int>& numbers, char* text, size_t size)
{
    snprintf(text, size, "... and %lu more", static_cast<unsigned long>(numbers.size() - namedMessages(numbers)));
}

// Who wrote the announced messages, whether or not speech is on: "sender: subject" for each of
// the first spokenMessageLimit.
void logAnnouncedMessages(const MailboxEntry& entry, const std::vector<int>& numbers)
{
    size_t named = namedMessages(numbers);
    for (size_t i = 0; i < named; ++i) {
        const char* header = entry.getHeader(numbers[i] - 1);
        std::wstring sender, subject;
        readableHeaderText(header, SenderField, sender);
        readableHeaderText(header, SubjectField, subject);
        cutWideText(sender, loggedFieldLimit);
        cutWideText(subject, loggedFieldLimit);
        LogEntryWideLine(entry.name, sender + L": " + subject);
    }
}

bool sendersOrSubjectsSpoken(const Settings& settings)
{
    return settings.speakCheckResults && (settings.speakFromAddresses || settings.speakSubjects);
}

// How many announced messages the log and the report did not name, after the spoken report; it
// is spoken too, unless the log has just spoken it.
void sumUpTheRest(const MailboxEntry& entry, const std::vector<int>& numbers, const Settings& settings)
{
    if (numbers.size() <= namedMessages(numbers))
        return;
    char more[64];
    moreMessagesText(numbers, more, sizeof more);
    LogEntryLine(entry.name, more);
    if (sendersOrSubjectsSpoken(settings) && !settings.fullVoiceFeedback) {
        WaitCursor busy;
        speakOrLog(more, settings, mailSpeakFailure);
    }
}

// Speaks the sender and the subject (as the settings ask) of the messages numbered in numbers,
// the first spokenMessageLimit of them one by one. The parse failure line counts the headers of
// all numbers.
void speakMessages(const MailboxEntry& entry, const std::vector<int>& numbers, const Settings& settings)
{
    if (!settings.speakFromAddresses && !settings.speakSubjects)
        return;
    ParseFailureReport parseFailures;
    parseFailures.count = countParseFailures(entry, numbers, settings);
    size_t spoken = namedMessages(numbers);
    for (size_t i = 0; i < spoken; ++i) {
        if (settings.speakFromAddresses)
            speakField(entry, numbers[i], SenderField, settings, parseFailures);
        if (settings.speakSubjects)
            speakField(entry, numbers[i], SubjectField, settings, parseFailures);
    }
    parseFailures.log();
}

// The spoken count (of the messages announced) and their senders and subjects.
void speakMailReport(const MailboxEntry& entry, const std::vector<int>& announced, const Settings& settings)
{
    WaitCursor busy;
    int count = static_cast<int>(announced.size());
    char line[spokenFieldLineSize];
    snprintf(line, sizeof line, count == 1 ? "Account %s has %d message" : "Account %s has %d messages",
             entry.name ? entry.name : "", count);
    speakOrLog(line, settings, mailSpeakFailure);
    speakMessages(entry, announced, settings);
}

// The mail case: logText in the log, then the popup, the blinking tray icon, the sound, the
// programs and the spoken report of the announced messages.
void mailWaiting(HWND window, const MailboxEntry& entry, const char* logText, const std::vector<int>& announced,
                 const Settings& settings)
{
    LogEntryLine(entry.name, logText);
    if (settings.popupOnMail && announcing.popup) {
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
    }
    if (!startTrayAnimation(window)) {
        FatalError("Could not create animate timer!");
        return;
    }
    NoteAnnouncedMail(entry, static_cast<int>(announced.size()));
    RefreshTrayTip(window);
    if (announcing.notification) {
        MailNotification notification = BuildMailNotification(entry, announced);
        ShowTrayBalloon(window, notification.title, notification.text, BalloonKind::NewMail, &entry);
    }
    if (entry.playSoundOnMail && !settings.speakCheckResults)
        playSound(entry.mailSoundFile, settings);
    if (entry.runMailProgram)
        launch(entry, "open", entry.mailProgramPath, entry.mailProgramArgs,
               "error: ShellExecute() failed on email application");
    if (entry.runShellCommand)
        launch(entry, entry.shellCommand, entry.shellCommandFile, nullptr,
               "error: ShellExecute() failed on shell command");
    logAnnouncedMessages(entry, announced);
    if (settings.speakCheckResults)
        speakMailReport(entry, announced, settings);
    sumUpTheRest(entry, announced, settings);
}

// The no-mail case: logText in the log, the no-mail sound, and spokenFormat (with the name).
void noMail(const MailboxEntry& entry, const Settings& settings, const char* logText, const char* spokenFormat)
{
    LogEntryLine(entry.name, logText);
    if (entry.playSoundOnNoMail && !settings.speakCheckResults)
        playSound(entry.noMailSoundFile, settings);
    if (settings.speakCheckResults) {
        WaitCursor busy;
        char line[spokenFieldLineSize];
        snprintf(line, sizeof line, spokenFormat, entry.name ? entry.name : "");
        speakOrLog(line, settings, "error: speak failed, SAPI may not be installed or initialized");
    }
}

// Every message of the mailbox, for a check that announces them all.
std::vector<int> everyMessage(int count)
{
    std::vector<int> numbers(static_cast<size_t>(count));
    for (int number = 1; number <= count; ++number)
        numbers[static_cast<size_t>(number - 1)] = number;
    return numbers;
}

// A check that told new messages from those seen before: the mail case for the new ones only,
// the no-mail case when there are none.
void newMailOnly(HWND window, const MailboxEntry& entry, int total, const std::vector<int>& fresh,
                 const Settings& settings)
{
    if (fresh.empty()) {
        noMail(entry, settings, "no new mail", "Account %s has no new messages.");
        return;
    }
    char text[64];
    snprintf(text, sizeof text, "%d messages, %d new", total, static_cast<int>(fresh.size()));
    mailWaiting(window, entry, text, fresh, settings);
}

// Said once in a run of the program, however many entries' servers lack UIDL.
bool noUidlWarningLogged = false;

void warnOfServerWithoutUidl(const MailboxEntry& entry)
{
    if (noUidlWarningLogged)
        return;
    noUidlWarningLogged = true;
    LogEntryLine(entry.name, "warning: server has no UIDL, announcing all messages");
}

void checkFailed(const MailboxEntry& entry, int code)
{
    LogEntryLine(entry.name, "warning: there was an error checking the account, make sure the server is up, "
                             "and your username and password are correct");
    char text[32];
    snprintf(text, sizeof text, " ERROR: %d", code);
    LogLine(text, nullptr, false, false);
}

} // namespace

bool buildSpokenFieldLine(const MailboxEntry& entry, int number, HeaderFieldKind which, std::wstring& line)
{
    wchar_t prefix[48];
    swprintf(prefix, sizeof prefix / sizeof prefix[0], which == SenderField ? L"Message %d from: " : L"Message %d subject: ",
             number);
    std::wstring field;
    bool found = readableHeaderText(entry.getHeader(number - 1), which, field);
    line = prefix + field;
    cutWideText(line, spokenFieldLineSize - 1);
    return found;
}

void RunResultActions(HWND window, const MailboxEntry& entry, const Settings& settings)
{
    announcing = ChooseAnnouncements(entry, settings);
    SpokenLogHold quietLog(!announcing.speech);
    int result = entry.lastResult;
    const CheckNews& news = entry.seenMessages.news();
    if (result > 0 && news.serverLacksUidl)
        warnOfServerWithoutUidl(entry);
    if (result > 0 && news.counted) {
        newMailOnly(window, entry, result, news.newNumbers, settings);
    } else if (result > 0) {
        char text[32];
        snprintf(text, sizeof text, "%d messages", result);
        mailWaiting(window, entry, text, everyMessage(result), settings);
    } else if (result == 0) {
        noMail(entry, settings, "no mail.", "Account %s has no messages.");
    } else {
        checkFailed(entry, result);
    }
}
