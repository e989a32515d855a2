// Boxes answer as scripted (IDOK by default), launches succeed, menus choose nothing.
#include "support/ui_recorder.h"

namespace {
UiRecorder* current = nullptr;

std::string textOf(LPCSTR text)
{
    return text ? text : "(null)";
}
} // namespace

UiRecorder::UiRecorder() : saved_(uiCalls)
{
    current = this;
    uiCalls.MessageBoxA = messageBox;
    uiCalls.MessageBeep = messageBeep;
    uiCalls.PlaySoundA = playSound;
    uiCalls.ShellExecuteA = shellExecute;
    uiCalls.TrackPopupMenu = trackPopupMenu;
    uiCalls.HtmlHelpA = htmlHelp;
}

UiRecorder::~UiRecorder()
{
    uiCalls = saved_;
    current = nullptr;
}

int WINAPI UiRecorder::messageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    current->boxes.push_back({ owner, textOf(text), textOf(caption), type });
    current->events.push_back("box " + textOf(caption) + ": " + textOf(text));
    if (current->boxAnswers.empty())
        return IDOK;
    int answer = current->boxAnswers.front();
    current->boxAnswers.pop_front();
    return answer;
}

BOOL WINAPI UiRecorder::messageBeep(UINT type)
{
    current->beeps.push_back(type);
    current->events.push_back("beep");
    return TRUE;
}

BOOL WINAPI UiRecorder::playSound(LPCSTR file, HMODULE, DWORD flags)
{
    current->sounds.push_back({ textOf(file), flags });
    current->events.push_back("sound " + textOf(file));
    return TRUE;
}

HINSTANCE WINAPI UiRecorder::shellExecute(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR, INT)
{
    current->launches.push_back({ textOf(operation), textOf(file), textOf(parameters) });
    current->events.push_back("launch " + textOf(operation) + " " + textOf(file));
    return reinterpret_cast<HINSTANCE>(current->launchResult);
}

BOOL WINAPI UiRecorder::trackPopupMenu(HMENU menu, UINT, int, int, int, HWND owner, const RECT*)
{
    current->menus.push_back(readMenu(menu));
    current->events.push_back("menu");
    if (current->menuChoice)
        PostMessageA(owner, WM_COMMAND, MAKEWPARAM(current->menuChoice, 0), 0);
    return TRUE;
}

HWND WINAPI UiRecorder::htmlHelp(HWND, LPCSTR file, UINT, DWORD_PTR)
{
    current->helpTopics.push_back(textOf(file));
    current->events.push_back("help " + textOf(file));
    return nullptr;
}

RecordedMenu readMenu(HMENU menu)
{
    RecordedMenu read;
    read.defaultId = GetMenuDefaultItem(menu, FALSE, 0);
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if (state & MF_SEPARATOR) {
            read.items.push_back("-");
            read.ids.push_back(0);
        } else {
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            read.items.push_back(text);
            read.ids.push_back(GetMenuItemID(menu, i));
        }
        read.enabled.push_back(!(state & (MF_GRAYED | MF_DISABLED)));
    }
    return read;
}
