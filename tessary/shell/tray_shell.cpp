// Finds the tray's abilities from shell32's version.
#include "shell/tray_shell.h"
#include "shell/shell_notify_calls.h"
#include <cstddef>

namespace {

const DWORD vistaShellBuild = 6000;

// The record sizes of the shell versions: 4.0, 5.0 (the tip grows to 128 and the balloon fields
// follow), 6.0 (guidItem), Vista (hBalloonIcon).
template <class Record>
DWORD recordSize(const DLLVERSIONINFO& version, bool vista)
{
    if (version.dwMajorVersion < 5)
        return static_cast<DWORD>(offsetof(Record, szTip) + 64 * sizeof(Record().szTip[0]));
    if (version.dwMajorVersion < 6)
        return static_cast<DWORD>(offsetof(Record, guidItem));
    if (!vista)
        return static_cast<DWORD>(sizeof(Record)); // the headers stop at guidItem
    return static_cast<DWORD>(sizeof(WithBalloonIcon<Record>));
}

static_assert(sizeof(NOTIFYICONDATAW) == offsetof(WithBalloonIcon<NOTIFYICONDATAW>, balloonIcon) &&
                  offsetof(NOTIFYICONDATAW, guidItem) + sizeof(GUID) <= sizeof(NOTIFYICONDATAW),
              "the declared record ends with guidItem, and the balloon icon follows it");

} // namespace

TrayShell QueryTrayShell()
{
    DLLVERSIONINFO version = {};
    version.cbSize = sizeof version;
    if (FAILED(shellNotifyCalls.DllGetVersion(&version))) {
        version.dwMajorVersion = 4;
        version.dwMinorVersion = 0;
        version.dwBuildNumber = 0;
    }
    TrayShell shell;
    shell.balloons = version.dwMajorVersion >= 5;
    shell.vistaBalloons = version.dwMajorVersion > 6 ||
                          (version.dwMajorVersion == 6 && version.dwBuildNumber >= vistaShellBuild);
    shell.recordSizeA = recordSize<NOTIFYICONDATAA>(version, shell.vistaBalloons);
    shell.recordSizeW = recordSize<NOTIFYICONDATAW>(version, shell.vistaBalloons);
    shell.tipLimit = shell.balloons ? 127 : 63;
    return shell;
}
