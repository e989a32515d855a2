// The modal driver: one thread timer per script, re-entered from nested modal loops.
#include "support/modal_script.h"
#include "platform/fatal_error.h"
#include <vector>

namespace {

ModalScript* active = nullptr;
const UINT tickMs = 15;
const DWORD stuckAfterMs = 8000;

struct Search {
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    Search& search = *reinterpret_cast<Search*>(parameter);
    if (IsWindowVisible(window) && IsWindowEnabled(window) && windowText(window) == *search.caption) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK firstEnabled(HWND window, LPARAM parameter)
{
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (IsWindowVisible(window) && IsWindowEnabled(window) && std::string(className) == "#32770") {
        *reinterpret_cast<HWND*>(parameter) = window;
        return FALSE;
    }
    return TRUE;
}

struct TextSearch {
    const std::string* text;
    HWND found;
};

BOOL CALLBACK matchChild(HWND window, LPARAM parameter)
{
    TextSearch& search = *reinterpret_cast<TextSearch*>(parameter);
    if (windowText(window) == *search.text) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

std::vector<std::string> items(HWND dialog, int id, UINT countMessage, UINT lengthMessage, UINT textMessage)
{
    std::vector<std::string> result;
    LRESULT count = SendDlgItemMessageA(dialog, id, countMessage, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendDlgItemMessageA(dialog, id, lengthMessage, i, 0);
        std::string text(static_cast<size_t>(length < 0 ? 0 : length) + 1, '\0');
        SendDlgItemMessageA(dialog, id, textMessage, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(length < 0 ? 0 : length));
        result.push_back(text);
    }
    return result;
}

} // namespace

ModalScript::ModalScript() : outer_(active)
{
    active = this;
    timer_ = SetTimer(nullptr, 0, tickMs, tick);
    idleSince_ = GetTickCount();
}

ModalScript::~ModalScript()
{
    KillTimer(nullptr, timer_);
    active = outer_;
}

ModalScript& ModalScript::on(const std::string& caption, std::function<void(HWND)> step)
{
    steps_.push_back({ caption, std::move(step) });
    return *this;
}

void CALLBACK ModalScript::tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (active)
        active->onTick();
}

void ModalScript::onTick()
{
    if (!steps_.empty()) {
        if (HWND dialog = findThreadDialog(steps_.front().caption)) {
            Step step = std::move(steps_.front());
            steps_.pop_front();
            idleSince_ = GetTickCount();
            step.run(dialog);
            idleSince_ = GetTickCount();
            return;
        }
    }
    if (GetTickCount() - idleSince_ < stuckAfterMs)
        return;
    // Nothing to do for too long: close whatever modal dialog is still open.
    HWND open = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), firstEnabled, reinterpret_cast<LPARAM>(&open));
    if (!open)
        return;
    stuck_ = true;
    stuckCaption = windowText(open);
    steps_.clear();
    PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
    idleSince_ = GetTickCount();
}

HWND findThreadDialog(const std::string& caption)
{
    Search search = { &caption, nullptr };
    EnumThreadWindows(GetCurrentThreadId(), matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND controlByText(HWND dialog, const std::string& text)
{
    TextSearch search = { &text, nullptr };
    EnumChildWindows(dialog, matchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string windowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(got));
    return text;
}

std::string itemText(HWND dialog, int id)
{
    return windowText(GetDlgItem(dialog, id));
}

bool itemChecked(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool itemEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void setItemText(HWND dialog, int id, const std::string& text)
{
    SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void click(HWND dialog, int id)
{
    SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

std::vector<std::string> comboItems(HWND dialog, int id)
{
    return items(dialog, id, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

std::string comboSelection(HWND dialog, int id)
{
    LRESULT selected = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR)
        return "";
    return comboItems(dialog, id)[static_cast<size_t>(selected)];
}

std::vector<std::string> listItems(HWND dialog, int id)
{
    return items(dialog, id, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

void drainQuitMessage()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    fatalErrorRaised = false;
}
