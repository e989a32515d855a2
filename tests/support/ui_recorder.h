// Records the message boxes and beeps the program asks uiCalls for, instead of showing them.
#pragma once
#include "platform/ui_calls.h"
#include <string>
#include <vector>

struct RecordedBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

class UiRecorder {
public:
    UiRecorder();
    ~UiRecorder();
    std::vector<RecordedBox> boxes;
    std::vector<UINT> beeps;

private:
    static int WINAPI messageBox(HWND, LPCSTR, LPCSTR, UINT);
    static BOOL WINAPI messageBeep(UINT);
    UiCalls saved_;
};
