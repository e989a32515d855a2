// Records what the program asks uiCalls for (message boxes, beeps, sounds, launches, popup menus,
// help topics) instead of letting it happen, and answers as the test scripts.
#pragma once
#include "platform/ui_calls.h"
#include <deque>
#include <string>
#include <vector>

struct RecordedBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct RecordedLaunch {
    std::string operation; // "(null)" for the default operation
    std::string file;
    std::string parameters;
};

struct RecordedSound {
    std::string file;
    DWORD flags;
};

struct RecordedMenu {
    std::vector<std::string> items; // texts in order, "-" for a separator
    std::vector<UINT> ids;
    UINT defaultId;
    std::vector<bool> enabled;
};

class UiRecorder {
public:
    UiRecorder();
    ~UiRecorder();
    UiRecorder(const UiRecorder&) = delete;
    UiRecorder& operator=(const UiRecorder&) = delete;

    std::vector<RecordedBox> boxes;
    std::deque<int> boxAnswers; // answers for the next boxes; IDOK once empty
    std::vector<UINT> beeps;
    std::vector<RecordedSound> sounds;
    std::vector<RecordedLaunch> launches;
    INT_PTR launchResult = 42; // above 32: started
    std::vector<RecordedMenu> menus;
    UINT menuChoice = 0;       // command posted to the owner after a popup menu; 0: none
    std::vector<std::string> helpTopics;

    // Everything recorded, in order, as short lines ("box CAPTION: TEXT", "sound FILE", ...).
    std::vector<std::string> events;

private:
    static int WINAPI messageBox(HWND, LPCSTR, LPCSTR, UINT);
    static BOOL WINAPI messageBeep(UINT);
    static BOOL WINAPI playSound(LPCSTR, HMODULE, DWORD);
    static HINSTANCE WINAPI shellExecute(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    static BOOL WINAPI trackPopupMenu(HMENU, UINT, int, int, int, HWND, const RECT*);
    static HWND WINAPI htmlHelp(HWND, LPCSTR, UINT, DWORD_PTR);
    UiCalls saved_;
};

// Reads a menu's items as RecordedMenu.
RecordedMenu readMenu(HMENU menu);
