// Construction, setters, check control and copying of a mailbox entry.
#include "storage/mailbox_entry.h"
#include "storage/owned_string.h"
#include "platform/clock.h"
#include "mailcheck/imap_watch_connection.h"

namespace {
const int maxRetryDelayMinutes = 360;
const DWORD stopWaitMs = 10000;
} // namespace

MailboxEntry::MailboxEntry()
{
    InitializeCriticalSection(&lock);
}

MailboxEntry::~MailboxEntry()
{
    clear();
    DeleteCriticalSection(&lock);
}

void MailboxEntry::clear()
{
    if (!stopCheck(false))
        stopCheck(true);
    closeParkedWatch(workerParams);
    freeOwned(name);
    freeOwned(server);
    freeOwned(user);
    freeOwned(password);
    freeOwned(dialupEntry);
    freeOwned(mailSoundFile);
    freeOwned(noMailSoundFile);
    freeOwned(mailProgramPath);
    freeOwned(mailProgramArgs);
    freeOwned(shellCommand);
    freeOwned(shellCommandFile);
    freeOwned(trustedCertificate);
    freeOwned(folder);
    freeOwned(account);
    freeOwned(refreshToken);
    signInSession.clear();
    storedSecrets.clear();
    protocol = ProtocolPop3;
    watchContinuously = false;
    signIn = SignInPassword;
    showNotification = true;
    mute = false;
    security = SecurityNone;
    port = 0;
    announceNewOnly = false;
    playSoundOnMail = false;
    playSoundOnNoMail = false;
    runMailProgram = false;
    runShellCommand = false;
    clearHeaders();
    waitingForDialup = 0;
    retryDelayMinutes = 0;
    retryFrom = SYSTEMTIME{};
    checkRequested = false;
    hangUpPending = false;
    lastCheckTime = SYSTEMTIME{};
    lastResult = 0;
    freeOwned(lastResultDetail);
}

void MailboxEntry::setName(const char* text) { replaceOwned(name, text); }
void MailboxEntry::setServer(const char* text) { replaceOwned(server, text); }
void MailboxEntry::setUser(const char* text) { replaceOwned(user, text); }
void MailboxEntry::setPassword(const char* text) { replaceOwned(password, text); }
void MailboxEntry::setDialupEntry(const char* text) { replaceOwned(dialupEntry, text); }
void MailboxEntry::setMailSoundFile(const char* text) { replaceOwned(mailSoundFile, text); }
void MailboxEntry::setNoMailSoundFile(const char* text) { replaceOwned(noMailSoundFile, text); }
void MailboxEntry::setMailProgramPath(const char* text) { replaceOwned(mailProgramPath, text); }
void MailboxEntry::setMailProgramArgs(const char* text) { replaceOwned(mailProgramArgs, text); }
void MailboxEntry::setShellCommand(const char* text) { replaceOwned(shellCommand, text); }
void MailboxEntry::setShellCommandFile(const char* text) { replaceOwned(shellCommandFile, text); }
void MailboxEntry::setTrustedCertificate(const char* text) { replaceOwned(trustedCertificate, text); }
void MailboxEntry::setFolder(const char* text) { replaceOwned(folder, text); }
void MailboxEntry::setAccount(const char* text) { replaceOwned(account, text); }
void MailboxEntry::setRefreshToken(const char* text) { replaceOwned(refreshToken, text); }
void MailboxEntry::setLastResultDetail(const char* text) { replaceOwned(lastResultDetail, text); }

void MailboxEntry::setCheckDays(const bool days[7])
{
    for (int i = 0; i < 7; ++i)
        checkDays[i] = days[i];
}

void MailboxEntry::getCheckDays(bool days[7]) const
{
    for (int i = 0; i < 7; ++i)
        days[i] = checkDays[i];
}

void MailboxEntry::setRetryDelay(int minutes)
{
    if (minutes > maxRetryDelayMinutes)
        minutes = maxRetryDelayMinutes;
    if (minutes < 0)
        minutes = 0;
    retryDelayMinutes = minutes;
    retryFrom = localTimeNow();
}

bool MailboxEntry::DoCheckEmail(HWND notifyWindow)
{
    if (workerThread) {
        checkRequested = false;
        return true;
    }
    if (stopEvent)
        CloseHandle(stopEvent);
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!stopEvent)
        return false;
    workerParams.entry = this;
    workerParams.notifyWindow = notifyWindow;
    workerParams.stopEvent = stopEvent;
    workerThread = CreateThread(nullptr, 0, CheckWorker, &workerParams, CREATE_SUSPENDED, &workerThreadId);
    if (!workerThread)
        return false;
    ResumeThread(workerThread);
    lastCheckTime = localTimeNow();
    checkRequested = false;
    waitingForDialup = 0;
    return true;
}

bool MailboxEntry::stopCheck(bool terminate)
{
    if (!workerThread)
        return true;
    if (stopEvent)
        SetEvent(stopEvent);
    if (terminate) {
        TerminateThread(workerThread, 0);
        WaitForSingleObject(workerThread, stopWaitMs); // termination is asynchronous
    } else if (WaitForSingleObject(workerThread, stopWaitMs) != WAIT_OBJECT_0) {
        return false;
    }
    CloseHandle(workerThread);
    workerThread = nullptr;
    if (stopEvent) {
        CloseHandle(stopEvent);
        stopEvent = nullptr;
    }
    waitingForDialup = 0;
    return true;
}

void MailboxEntry::disable()
{
    enabled = false;
    checkRequested = false;
    if (!stopCheck(false))
        stopCheck(true);
    closeParkedWatch(workerParams);
    waitingForDialup = 0;
}

void MailboxEntry::copyFrom(const MailboxEntry& source)
{
    if (&source == this)
        return;
    clear();
    setName(source.name);
    setServer(source.server);
    setUser(source.user);
    setPassword(source.password);
    setDialupEntry(source.dialupEntry);
    connectionMode = source.connectionMode;
    setCheckDays(source.checkDays);
    periodHours = source.periodHours;
    periodMinutes = source.periodMinutes;
    startHour = source.startHour;
    startMinute = source.startMinute;
    endHour = source.endHour;
    endMinute = source.endMinute;
    if (source.enabled)
        enabled = true;
    else
        disable();
    checkRequested = source.checkRequested;
    hangUpWhenDone = source.hangUpWhenDone;
    lastResult = source.lastResult;
    lastCheckTime = source.lastCheckTime;
    playSoundOnMail = source.playSoundOnMail;
    setMailSoundFile(source.mailSoundFile);
    playSoundOnNoMail = source.playSoundOnNoMail;
    setNoMailSoundFile(source.noMailSoundFile);
    runMailProgram = source.runMailProgram;
    setMailProgramPath(source.mailProgramPath);
    setMailProgramArgs(source.mailProgramArgs);
    runShellCommand = source.runShellCommand;
    setShellCommand(source.shellCommand);
    setShellCommandFile(source.shellCommandFile);
    security = source.security;
    port = source.port;
    setTrustedCertificate(source.trustedCertificate);
    announceNewOnly = source.announceNewOnly;
    protocol = source.protocol;
    setFolder(source.folder);
    watchContinuously = source.watchContinuously;
    if (signIn != source.signIn || !sameOwnedText(account, source.account) ||
        !sameOwnedText(refreshToken, source.refreshToken)) {
        EnterCriticalSection(&lock);
        signInSession.clear();
        LeaveCriticalSection(&lock);
    }
    signIn = source.signIn;
    setAccount(source.account);
    setRefreshToken(source.refreshToken);
    storedSecrets.copyFrom(source.storedSecrets);
    showNotification = source.showNotification;
    mute = source.mute;
}
