// Fills the tray record for a balloon by the shell's version and the platform, and answers its click.
#include "shell/tray_balloon.h"
#include "shell/commands.h"
#include "shell/main_window_state.h"
#include "shell/shell_notify_calls.h"
#include "shell/tray_shell.h"
#include "shell/tray_tip.h"
#include "notify/ui_text.h"
#include "text/readable_fields.h"
#include "resources/resource.h"
#include <cstring>

namespace {

const UINT balloonTimeoutMs = 10000; // Windows 2000 and XP keep it at least 10 s anyway
const size_t balloonTitleLimit = 63;
const size_t balloonTextLimit = 255;

// Whose mail program a click on the balloon starts; may dangle, always checked with contains.
const MailboxEntry* clickTarget = nullptr;

DWORD balloonFlags(BalloonKind kind, bool vista)
{
    if (!vista)
        return kind == BalloonKind::NewMail ? NIIF_INFO : NIIF_WARNING;
    // The program's own large icon for mail; the user's quiet hours and Focus Assist hold both.
    DWORD flags = balloonRespectQuietTime;
    return flags | (kind == BalloonKind::NewMail ? NIIF_USER | balloonLargeIcon : NIIF_WARNING);
}

void copyText(WCHAR* field, size_t limit, std::wstring text)
{
    cutWideText(text, limit);
    memcpy(field, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
}

void copyText(CHAR* field, size_t limit, const std::wstring& wide)
{
    std::string text = ansiFromWide(wide);
    cutAnsiText(text, limit);
    memcpy(field, text.c_str(), text.size() + 1);
}

template <class Record>
void fillBalloon(Record& record, DWORD size, HWND window, const std::wstring& title, const std::wstring& text, DWORD flags)
{
    record.cbSize = size;
    record.hWnd = window;
    record.uID = TRAY_ICON_ID;
    record.uFlags = NIF_INFO;
    record.uTimeout = balloonTimeoutMs;
    record.dwInfoFlags = flags;
    copyText(record.szInfoTitle, balloonTitleLimit, title);
    copyText(record.szInfo, balloonTextLimit, text);
}

bool showWide(const TrayShell& shell, HWND window, const std::wstring& title, const std::wstring& text, DWORD flags)
{
    WithBalloonIcon<NOTIFYICONDATAW> data;
    memset(&data, 0, sizeof data);
    fillBalloon(data.record, shell.recordSizeW, window, title, text, flags);
    data.balloonIcon = shell.vistaBalloons ? app.windowIcon : nullptr;
    return shellNotifyCalls.Shell_NotifyIconW(NIM_MODIFY, &data.record) != FALSE;
}

bool showAnsi(const TrayShell& shell, HWND window, const std::wstring& title, const std::wstring& text, DWORD flags)
{
    WithBalloonIcon<NOTIFYICONDATAA> data;
    memset(&data, 0, sizeof data);
    fillBalloon(data.record, shell.recordSizeA, window, title, text, flags);
    data.balloonIcon = shell.vistaBalloons ? app.windowIcon : nullptr;
    return shellNotifyCalls.Shell_NotifyIconA(NIM_MODIFY, &data.record) != FALSE;
}

} // namespace

bool ShowTrayBalloon(HWND window, const std::wstring& title, const std::wstring& text, BalloonKind kind,
                     const MailboxEntry* target)
{
    if (!app.settings.runInTray || !app.shownTrayIcon)
        return false; // no icon to show it over
    TrayShell shell = QueryTrayShell();
    if (!shell.balloons)
        return false;
    DWORD flags = balloonFlags(kind, shell.vistaBalloons);
    bool shown = platformTakesWideText() ? showWide(shell, window, title, text, flags)
                                         : showAnsi(shell, window, title, text, flags);
    if (shown)
        clickTarget = target;
    return shown;
}

void OnBalloonClicked(HWND window)
{
    const MailboxEntry* target = clickTarget;
    clickTarget = nullptr;
    if (target && app.entries.contains(target) && target->runMailProgram && target->mailProgramPath)
        RunMailProgram(*target);
    else
        ShowMainWindow(window);
}

void ForgetBalloonTarget()
{
    clickTarget = nullptr;
}
