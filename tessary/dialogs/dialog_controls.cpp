// Control helpers and the number parsing rule shared by the configuration dialogs.
#include "dialogs/dialog_controls.h"
#include "platform/ui_calls.h"
#include "shell/startup.h"
#include <htmlhelp.h>
#include <climits>

bool readFieldText(HWND dialog, int id, char (&text)[fieldTextSize])
{
    text[0] = '\0';
    GetDlgItemTextA(dialog, id, text, fieldTextSize);
    return text[0] != '\0';
}

bool isChecked(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void setChecked(HWND dialog, int id, bool checked)
{
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void setTextIfPresent(HWND dialog, int id, const char* text)
{
    if (text)
        SetDlgItemTextA(dialog, id, text);
}

void setTextOrEmpty(HWND dialog, int id, const char* text)
{
    SetDlgItemTextA(dialog, id, text ? text : "");
}

void showTextEnd(HWND dialog, int id)
{
    LRESULT length = SendDlgItemMessageA(dialog, id, WM_GETTEXTLENGTH, 0, 0);
    SendDlgItemMessageA(dialog, id, EM_SETSEL, length, length);
}

void enableControls(HWND dialog, std::initializer_list<int> ids, bool enabled)
{
    for (int id : ids)
        EnableWindow(GetDlgItem(dialog, id), enabled ? TRUE : FALSE);
}

void showInvalidInput(HWND dialog, const char* text)
{
    uiCalls.MessageBoxA(dialog, text, "Tessary: Invalid input", MB_OK | MB_ICONWARNING);
}

int ParseCount(const char* text)
{
    if (!text)
        return 0;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // stays out of every range from here on
    }
    if (negative)
        return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

void showHelpTopic(const char* topic)
{
    enterProgramFolder();
    uiCalls.HtmlHelpA(GetDesktopWindow(), topic, HH_DISPLAY_TOPIC, 0);
}
