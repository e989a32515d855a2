// Formats, appends, trims and speaks the lines of the activity log.
#include "shell/activity_log.h"
#include "shell/log_lines.h"
#include "shell/main_window_state.h"
#include "platform/clock.h"
#include "platform/fatal_error.h"
#include "notify/speech.h"
#include "notify/ui_text.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The account of the log's lines. It belongs to one edit control; a new window's log, or a text
// that someone else changed (its length no longer adds up), is read once in full to start over.
// On the NT family the control is given UTF-16 text and counted in its units, elsewhere in bytes.
LogLines logLines;
HWND countedLog = nullptr;

void recountFromControl(HWND log)
{
    if (platformTakesWideText()) {
        std::wstring text = controlText(log);
        logLines.recount(text.data(), text.size());
    } else {
        int length = GetWindowTextLengthA(log);
        std::vector<char> text(static_cast<size_t>(length) + 1);
        int read = GetWindowTextA(log, text.data(), length + 1);
        logLines.recount(text.data(), static_cast<size_t>(read < 0 ? 0 : read));
    }
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

void appendToLog(HWND log, const std::wstring& line)
{
    size_t end = keepCountInStep(log);
    SendMessageA(log, EM_SETSEL, end, end);
    sendTextMessage(log, EM_REPLACESEL, FALSE, line);
    if (platformTakesWideText()) {
        logLines.append(line.data(), line.size());
    } else {
        std::string ansi = ansiFromWide(line);
        logLines.append(ansi.data(), ansi.size());
    }
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

std::wstring formattedLine(const std::wstring& text, const char* prefix, bool timePrefix, bool newLine)
{
    std::wstring line = newLine ? L"\r\n" : L"";
    if (timePrefix) {
        SYSTEMTIME now = localTimeNow();
        wchar_t stamp[16];
        swprintf(stamp, sizeof stamp / sizeof stamp[0], L"%.2d:%.2d ", now.wHour, now.wMinute);
        line += stamp;
    }
    if (prefix)
        line += wideFromAnsi(prefix) + (newLine ? L": " : L" ");
    return line + text;
}

void writeLine(const std::wstring& line)
{
    HWND log = mainWindow ? GetDlgItem(mainWindow, IDC_LOG) : nullptr;
    if (!log)
        return;
    appendToLog(log, line);
    dropOldestLinesBeyondLimit(log);
    SendMessageA(log, EM_LINESCROLL, 0, SendMessageA(log, EM_GETLINECOUNT, 0, 0));
}

} // namespace

void LogLine(const char* text, const char* prefix, bool timePrefix, bool newLine)
{
    if (!text)
        return;
    writeLine(formattedLine(wideFromAnsi(text), prefix, timePrefix, newLine));
    if (app.settings.fullVoiceFeedback) {
        bool wait = app.settings.syncAudio != 0;
        if (prefix)
            SpeakString(prefix, wait);
        SpeakString(text, wait);
    }
}

void LogWideLine(const std::wstring& text, const char* prefix, bool timePrefix, bool newLine)
{
    writeLine(formattedLine(text, prefix, timePrefix, newLine));
    if (app.settings.fullVoiceFeedback) {
        bool wait = app.settings.syncAudio != 0;
        if (prefix)
            SpeakString(prefix, wait);
        SpeakWideString(text.c_str(), wait);
    }
}
