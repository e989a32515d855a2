// The tray icon, its blinking after mail, and its clicks and menu.
#include "shell/tray_icon.h"
#include "shell/commands.h"
#include "shell/failing_spells.h"
#include "shell/popup_menu.h"
#include "shell/shell_notify_calls.h"
#include "shell/tray_balloon.h"
#include "shell/tray_shell.h"
#include "shell/tray_tip.h"
#include "platform/messages.h"
#include "platform/fatal_error.h"
#include "resources/resource.h"
#include <shellapi.h>
#include <cstring>
#include <string>

namespace {

const int trayAnimPeriodMs = 100;
const int trayBlinkWhileVisibleMs = 7000;

// The tip the tray shows now, as last set by the program; set again only when it changes.
std::string shownTip;

// The record in the size the shell knows (the 64-character tip of Windows 95 and NT 4's shell,
// 128 from shell 5.0 on), with the tip of the program's state.
NOTIFYICONDATAA trayData(HWND window, HICON icon)
{
    TrayShell shell = QueryTrayShell();
    NOTIFYICONDATAA data;
    memset(&data, 0, sizeof data);
    data.cbSize = shell.recordSizeA;
    data.hWnd = window;
    data.uID = TRAY_ICON_ID;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.hIcon = icon;
    std::string tip = TrayTipText(shell.tipLimit, shell.balloons);
    memcpy(data.szTip, tip.c_str(), tip.size() + 1);
    return data;
}

HICON frameIcon(int frame)
{
    if (frame == 1)
        return app.trayBlink1;
    if (frame == 3)
        return app.trayBlink2;
    return RestingTrayIcon();
}

void showTrayMenu(HWND window)
{
    if (app.trayAnimRunning)
        stopTrayAnimation(window);
    SetForegroundWindow(window);
    PopupMenu menu;
    if (!menu.create())
        return;
    bool built = menu.add(IDM_SHOW_WINDOW, "&Show window") && menu.add(IDM_CHECK_ALL, "Check all &now") &&
                 (!app.entries.firstWithMailProgram() || menu.add(IDM_RUN_EMAIL_APP, "R&un email app")) &&
                 menu.addSeparator() && menu.add(IDM_CLOSE, "&Close Tessary");
    if (!built)
        return;
    menu.setDefault(IDM_SHOW_WINDOW);
    POINT cursor;
    GetCursorPos(&cursor);
    menu.track(window, cursor);
    PostMessageA(window, WM_NULL, 0, 0);
}

} // namespace

bool showTrayIcon(HWND window, HICON icon)
{
    NOTIFYICONDATAA data = trayData(window, icon);
    if (!shellNotifyCalls.Shell_NotifyIconA(NIM_MODIFY, &data) && !shellNotifyCalls.Shell_NotifyIconA(NIM_ADD, &data))
        return false;
    app.shownTrayIcon = icon;
    shownTip = data.szTip;
    return true;
}

void setTrayIcon(HWND window, HICON icon)
{
    NOTIFYICONDATAA data = trayData(window, icon);
    data.uFlags = NIF_MESSAGE | NIF_ICON;
    shellNotifyCalls.Shell_NotifyIconA(NIM_MODIFY, &data);
    app.shownTrayIcon = icon;
}

void removeTrayIcon(HWND window)
{
    NOTIFYICONDATAA data = trayData(window, nullptr);
    data.uFlags = 0;
    shellNotifyCalls.Shell_NotifyIconA(NIM_DELETE, &data); // a missing icon is no error
    app.shownTrayIcon = nullptr;
    shownTip.clear();
    ForgetBalloonTarget();
}

void RefreshTrayTip(HWND window)
{
    if (!app.settings.runInTray || !app.shownTrayIcon)
        return;
    NOTIFYICONDATAA data = trayData(window, app.shownTrayIcon);
    if (shownTip == data.szTip)
        return;
    data.uFlags = NIF_TIP;
    if (shellNotifyCalls.Shell_NotifyIconA(NIM_MODIFY, &data))
        shownTip = data.szTip;
}

HICON RestingTrayIcon()
{
    return ShowsFailureIcon() && app.trayErrorIcon ? app.trayErrorIcon : app.trayIcon;
}

void ShowRestingTrayIcon(HWND window)
{
    HICON resting = RestingTrayIcon();
    if (app.settings.runInTray && !app.trayAnimRunning && app.shownTrayIcon != resting)
        setTrayIcon(window, resting);
}

bool startTrayAnimation(HWND window)
{
    if (app.trayAnimRunning)
        return true;
    if (!SetTimer(window, IDT_TRAY_ANIM, trayAnimPeriodMs, nullptr))
        return false;
    app.trayAnimRunning = true;
    return true;
}

void StepTrayAnimation(HWND window)
{
    app.trayAnimElapsedMs += trayAnimPeriodMs;
    if (app.settings.runInTray &&
        (!IsWindowVisible(window) || app.trayAnimElapsedMs < trayBlinkWhileVisibleMs)) {
        app.trayAnimFrame = (app.trayAnimFrame + 1) % 4;
        setTrayIcon(window, frameIcon(app.trayAnimFrame));
        return;
    }
    stopTrayAnimation(window);
}

void stopTrayAnimation(HWND window)
{
    app.trayAnimElapsedMs = 0;
    app.trayAnimFrame = 0;
    KillTimer(window, IDT_TRAY_ANIM);
    app.trayAnimRunning = false;
    if (app.settings.runInTray)
        setTrayIcon(window, RestingTrayIcon());
}

void OnTrayNotify(HWND window, WPARAM id, LPARAM mouseMessage)
{
    if (id != TRAY_ICON_ID)
        return;
    if (mouseMessage == WM_LBUTTONDOWN)
        ShowMainWindow(window);
    else if (mouseMessage == WM_RBUTTONDOWN)
        showTrayMenu(window);
    else if (mouseMessage == NIN_BALLOONUSERCLICK)
        OnBalloonClicked(window);
    else if (mouseMessage == NIN_BALLOONTIMEOUT)
        ForgetBalloonTarget();
}
