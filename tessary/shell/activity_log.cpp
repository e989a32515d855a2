// Formats, appends, trims and speaks the lines of the activity log.
#include "shell/activity_log.h"
#include "shell/main_window_state.h"
#include "platform/clock.h"
#include "platform/fatal_error.h"
#include "notify/speech.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void appendToLog(HWND log, const char* line)
{
    LRESULT end = SendMessageA(log, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(log, EM_SETSEL, end, end);
    SendMessageA(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line));
}

// Lines are counted and dropped by their line breaks, not by the edit control's display lines:
// those wrap, and dropping a wrapped piece would cut a line in the middle.
void dropOldestLineBeyondLimit(HWND log)
{
    int length = GetWindowTextLengthA(log);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    GetWindowTextA(log, text.data(), length + 1);
    int lines = 1;
    const char* firstBreak = nullptr;
    for (const char* at = strstr(text.data(), "\r\n"); at; at = strstr(at + 2, "\r\n")) {
        if (!firstBreak)
            firstBreak = at;
        ++lines;
    }
    if (lines <= logLineLimit || !firstBreak)
        return;
    SendMessageA(log, EM_SETSEL, 0, (firstBreak - text.data()) + 2); // the line and its line break
    SendMessageA(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
}

} // namespace

void LogLine(const char* text, const char* prefix, bool timePrefix, bool newLine)
{
    if (!text)
        return;
    char stamp[16] = "";
    if (timePrefix) {
        SYSTEMTIME now = localTimeNow();
        snprintf(stamp, sizeof stamp, "%.2d:%.2d ", now.wHour, now.wMinute);
    }
    std::vector<char> line(strlen(text) + (prefix ? strlen(prefix) : 0) + 100);
    if (prefix)
        snprintf(line.data(), line.size(), newLine ? "\r\n%s%s: %s" : "%s%s %s", stamp, prefix, text);
    else
        snprintf(line.data(), line.size(), newLine ? "\r\n%s%s" : "%s%s", stamp, text);

    HWND log = mainWindow ? GetDlgItem(mainWindow, IDC_LOG) : nullptr;
    if (log) {
        appendToLog(log, line.data());
        dropOldestLineBeyondLimit(log);
        SendMessageA(log, EM_LINESCROLL, 0, SendMessageA(log, EM_GETLINECOUNT, 0, 0));
    }
    if (app.settings.fullVoiceFeedback) {
        bool wait = app.settings.syncAudio != 0;
        if (prefix)
            SpeakString(prefix, wait);
        SpeakString(text, wait);
    }
}
