// Applying the settings record to the system, step by step; each fatal failure stops there.
#include "shell/apply_settings.h"
#include "shell/activity_log.h"
#include "shell/startup_entry.h"
#include "shell/tray_icon.h"
#include "connectivity/cpu_monitor.h"
#include "mailcheck/session_limits.h"
#include "notify/speech.h"
#include "platform/fatal_error.h"
#include <cstdio>

namespace {

// An account that may change neither Run key runs on without the start-up entry: a warning, not
// a reason to stop.
bool applyStartupValue(const Settings& settings)
{
    bool applied;
    if (settings.runAtStartup) {
        char path[1024];
        DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        if (length == 0 || length >= sizeof path) {
            FatalError("Error GetModuleFileName()");
            return false;
        }
        char command[1100];
        snprintf(command, sizeof command, "%s /m", path);
        applied = SetStartupEntry(command);
    } else {
        applied = RemoveStartupEntry();
    }
    if (!applied)
        LogEntryLine(nullptr, "warning: could not set the start-up entry");
    return true;
}

void applySpeech(const Settings& settings)
{
    if (!settings.speakConnectSpeed && !settings.speakCheckResults && !settings.fullVoiceFeedback) {
        ShutdownSpeech();
        return;
    }
    if (!IsSpeechInitialized()) {
        if (InitSpeech() != 1)
            LogEntryLine(nullptr, "warning: could not initialize speech, SAPI may not be installed");
        else if (SpeechEngineInUse() == SpeechEngineKind::SpeechApi5)
            LogEntryLine(nullptr, "warning: no SAPI 4 speech engine found, using SAPI 5");
    }
    if (SelectVoice(settings.voiceIndex) != 1)
        LogEntryLine(nullptr, "warning: could not set desired voice ):");
}

// The wait limit in milliseconds. A negative number of seconds waits not at all rather than for
// weeks, and a huge one stays within what a 32-bit millisecond count can hold.
LONG timeoutMilliseconds(int32_t seconds)
{
    if (seconds < 0)
        return 0;
    const int32_t largest = 0x7FFFFFFF / 1000;
    return (seconds > largest ? largest : seconds) * 1000;
}

} // namespace

void ApplySettings(HWND window, Settings& settings)
{
    serverTimeoutMs = timeoutMilliseconds(settings.serverTimeoutSeconds);
    if (!applyStartupValue(settings))
        return;
    if (settings.runInTray) {
        if (!showTrayIcon(window, RestingTrayIcon())) {
            FatalError("Could not add to tray!");
            return;
        }
    } else {
        removeTrayIcon(window);
    }
    applySpeech(settings);
    ApplyCpuMonitorSetting(settings);
}
