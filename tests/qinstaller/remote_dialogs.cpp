// Finding and driving another process's dialogs.
#include "remote_dialogs.h"
#include <vector>

namespace {

struct Search {
    const std::function<bool(HWND)>* match;
    HWND found;
};

BOOL CALLBACK considerWindow(HWND window, LPARAM parameter)
{
    Search* search = reinterpret_cast<Search*>(parameter);
    if (IsWindowVisible(window) && windowClass(window) == "#32770" && (*search->match)(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collectStatic(HWND child, LPARAM parameter)
{
    std::string* text = reinterpret_cast<std::string*>(parameter);
    std::string kind = windowClass(child);
    if (kind == "Static" || kind == "STATIC") {
        std::string part = windowText(child);
        if (!part.empty())
            *text += (text->empty() ? "" : "\n") + part;
    }
    return TRUE;
}

} // namespace

std::string windowText(HWND window)
{
    char text[2048] = "";
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &length);
    text[sizeof text - 1] = '\0';
    return text;
}

std::string windowClass(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string boxText(HWND box)
{
    std::string text;
    EnumChildWindows(box, collectStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

DWORD windowProcess(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

HWND waitForDialog(const std::function<bool(HWND)>& match, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        Search search = {&match, nullptr};
        EnumWindows(considerWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(100);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

void pressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void setText(HWND control, const std::string& text)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &result);
}
