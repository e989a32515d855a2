// Formats, appends, trims and speaks the lines of the activity log.
#include "shell/activity_log.h"
#include "shell/log_lines.h"
#include "shell/main_window_state.h"
#include "platform/clock.h"
#include "platform/fatal_error.h"
#include "notify/speech.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The account of the log's lines. It belongs to one edit control; a new window's log, or a text
// that someone else changed (its length no longer adds up), is read once in full to start over.
LogLines logLines;
HWND countedLog = nullptr;

size_t controlTextLength(HWND log)
{
    return static_cast<size_t>(SendMessageA(log, WM_GETTEXTLENGTH, 0, 0));
}

void recountFromControl(HWND log)
{
    int length = GetWindowTextLengthA(log);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    int read = GetWindowTextA(log, text.data(), length + 1);
    logLines.recount(text.data(), static_cast<size_t>(read < 0 ? 0 : read));
    countedLog = log;
}

// The control's text length is known to it without reading the text; when it is not what the
// account says, the account is rebuilt. Answers the length.
size_t keepCountInStep(HWND log)
{
    size_t length = controlTextLength(log);
    if (log != countedLog || length != logLines.textLength()) {
        recountFromControl(log);
        length = logLines.textLength();
    }
    return length;
}

void appendToLog(HWND log, const char* line)
{
    size_t end = keepCountInStep(log);
    SendMessageA(log, EM_SETSEL, end, end);
    SendMessageA(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line));
    logLines.append(line, strlen(line));
}

// Lines are counted and dropped by their line breaks, not by the edit control's display lines:
// those wrap, and dropping a wrapped piece would cut a line in the middle. Only the dropped line's
// length is needed, so the cost does not grow with the log.
void dropOldestLinesBeyondLimit(HWND log)
{
    keepCountInStep(log); // a control that took less than the whole line is read again
    while (logLines.lines() > static_cast<size_t>(logLineLimit)) {
        size_t removed = logLines.dropFirst();
        SendMessageA(log, EM_SETSEL, 0, static_cast<LPARAM>(removed)); // the line and its line break
        SendMessageA(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
    }
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
        dropOldestLinesBeyondLimit(log);
        SendMessageA(log, EM_LINESCROLL, 0, SendMessageA(log, EM_GETLINECOUNT, 0, 0));
    }
    if (app.settings.fullVoiceFeedback) {
        bool wait = app.settings.syncAudio != 0;
        if (prefix)
            SpeakString(prefix, wait);
        SpeakString(text, wait);
    }
}
