// Records what the program asks the tray for (icons, tips, notifications) instead of showing it,
// and plays a shell of a chosen version.
#pragma once
#include "shell/shell_notify_calls.h"
#include <string>
#include <vector>

struct RecordedTrayCall {
    DWORD message = 0;   // NIM_ADD, NIM_MODIFY, NIM_DELETE
    bool wide = false;   // through Shell_NotifyIconW
    DWORD size = 0;      // cbSize
    UINT flags = 0;      // uFlags
    std::string tip;     // when NIF_TIP is set
    std::wstring title;  // when NIF_INFO is set
    std::wstring text;
    DWORD infoFlags = 0;
    HICON balloonIcon = nullptr; // when the record is Vista's
};

class TrayRecorder {
public:
    TrayRecorder();
    ~TrayRecorder();
    TrayRecorder(const TrayRecorder&) = delete;
    TrayRecorder& operator=(const TrayRecorder&) = delete;

    // The shell version DllGetVersion answers; versionKnown false: the shell has no DllGetVersion.
    bool versionKnown = true;
    DWORD major = 6, minor = 1, build = 7601; // Windows 7
    void playShell(DWORD majorVersion, DWORD minorVersion, DWORD buildNumber);
    void playShellWithoutVersion() { versionKnown = false; }

    std::vector<RecordedTrayCall> calls;
    // The calls that showed a notification (NIF_INFO), in order.
    std::vector<RecordedTrayCall> balloons() const;
    // The tip of the last call that set one; empty when none did.
    std::string lastTip() const;

private:
    static BOOL WINAPI notifyAnsi(DWORD, PNOTIFYICONDATAA);
    static BOOL WINAPI notifyWide(DWORD, PNOTIFYICONDATAW);
    static HRESULT CALLBACK version(DLLVERSIONINFO*);
    ShellNotifyCalls saved_;
};
