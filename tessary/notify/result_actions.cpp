// The check result actions for mail, for no mail, and for a failed check.
#include "notify/result_actions.h"
#include "notify/speech.h"
#include "shell/activity_log.h"
#include "shell/tray_icon.h"
#include "shell/wait_cursor.h"
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"
#include <mmsystem.h>
#include <shellapi.h>
#include <cstdio>
#include <cstring>

namespace {

const DWORD launchPauseMs = 500;
const int headerFieldSender = 0;
const int headerFieldSubject = 1;

void playSound(const char* file, const Settings& settings)
{
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
    if (SpeakString(text, settings.syncAudio != 0) != 1)
        LogEntryLine(nullptr, failure);
}

void speakMailReport(const MailboxEntry& entry, int count, const Settings& settings)
{
    const char* speakFailure = "error: speak failed, SAPI may not be installed, or initialized";
    WaitCursor busy;
    char line[spokenFieldLineSize];
    snprintf(line, sizeof line, count == 1 ? "Account %s has %d message" : "Account %s has %d messages",
             entry.name ? entry.name : "", count);
    speakOrLog(line, settings, speakFailure);
    if (!settings.speakFromAddresses && !settings.speakSubjects)
        return;
    for (int number = 1; number <= count; ++number) {
        if (settings.speakFromAddresses) {
            if (!buildSpokenFieldLine(entry, number, headerFieldSender, line, sizeof line))
                LogEntryLine(nullptr, "error: parse header failed");
            speakOrLog(line, settings, speakFailure);
        }
        if (settings.speakSubjects) {
            if (!buildSpokenFieldLine(entry, number, headerFieldSubject, line, sizeof line))
                LogEntryLine(nullptr, "error: parse header failed");
            speakOrLog(line, settings, speakFailure);
        }
    }
}

void mailWaiting(HWND window, const MailboxEntry& entry, int count, const Settings& settings)
{
    char text[32];
    snprintf(text, sizeof text, "%d messages", count);
    LogEntryLine(entry.name, text);
    if (settings.popupOnMail) {
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
    }
    if (!startTrayAnimation(window)) {
        FatalError("Could not create animate timer!");
        return;
    }
    if (entry.playSoundOnMail && !settings.speakCheckResults)
        playSound(entry.mailSoundFile, settings);
    if (entry.runMailProgram)
        launch(entry, "open", entry.mailProgramPath, entry.mailProgramArgs,
               "error: ShellExecute() failed on email application");
    if (entry.runShellCommand)
        launch(entry, entry.shellCommand, entry.shellCommandFile, nullptr,
               "error: ShellExecute() failed on shell command");
    if (settings.speakCheckResults)
        speakMailReport(entry, count, settings);
}

void noMail(const MailboxEntry& entry, const Settings& settings)
{
    LogEntryLine(entry.name, "no mail.");
    if (entry.playSoundOnNoMail && !settings.speakCheckResults)
        playSound(entry.noMailSoundFile, settings);
    if (settings.speakCheckResults) {
        WaitCursor busy;
        char line[spokenFieldLineSize];
        snprintf(line, sizeof line, "Account %s has no messages.", entry.name ? entry.name : "");
        speakOrLog(line, settings, "error: speak failed, SAPI may not be installed or initialized");
    }
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

bool buildSpokenFieldLine(const MailboxEntry& entry, int number, int which, char* line, size_t size)
{
    int prefixLength = snprintf(line, size, which == headerFieldSender ? "Message %d from: " : "Message %d subject: ",
                                number);
    if (prefixLength < 0 || static_cast<size_t>(prefixLength) >= size)
        return true; // the prefix alone already fills the line
    return entry.getHeaderField(number - 1, line + prefixLength, size - prefixLength, which);
}

void RunResultActions(HWND window, const MailboxEntry& entry, const Settings& settings)
{
    int result = entry.lastResult;
    if (result > 0)
        mailWaiting(window, entry, result, settings);
    else if (result == 0)
        noMail(entry, settings);
    else
        checkFailed(entry, result);
}
