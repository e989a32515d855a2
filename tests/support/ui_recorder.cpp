// Boxes answer IDOK, as if the user had read them.
#include "support/ui_recorder.h"

namespace {
UiRecorder* current = nullptr;
}

UiRecorder::UiRecorder() : saved_(uiCalls)
{
    current = this;
    uiCalls.MessageBoxA = messageBox;
    uiCalls.MessageBeep = messageBeep;
}

UiRecorder::~UiRecorder()
{
    uiCalls = saved_;
    current = nullptr;
}

int WINAPI UiRecorder::messageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    current->boxes.push_back({ owner, text ? text : "", caption ? caption : "", type });
    return IDOK;
}

BOOL WINAPI UiRecorder::messageBeep(UINT type)
{
    current->beeps.push_back(type);
    return TRUE;
}
