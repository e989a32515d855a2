// The message-only window that records what workers post to it.
#include "support/recording_window.h"

namespace {
const char className[] = "TessaryTestRecordingWindow";
} // namespace

RecordingWindow::RecordingWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass); // fails harmlessly when a previous window registered it
    window_ = CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), this);
}

RecordingWindow::~RecordingWindow()
{
    if (window_)
        DestroyWindow(window_);
}

LRESULT CALLBACK RecordingWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && message >= WM_APP) {
        self->received_.push_back({ message, wParam, lParam });
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

size_t RecordingWindow::countOf(UINT message) const
{
    size_t n = 0;
    for (const Message& m : received_)
        n += m.message == message;
    return n;
}

void RecordingWindow::pumpOnce(DWORD ms)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool RecordingWindow::waitFor(UINT message, DWORD ms)
{
    DWORD started = GetTickCount();
    while (countOf(message) == 0) {
        DWORD waited = GetTickCount() - started;
        if (waited >= ms)
            return false;
        pumpOnce(ms - waited);
    }
    return true;
}

void RecordingWindow::pumpFor(DWORD ms)
{
    DWORD started = GetTickCount();
    for (DWORD waited = 0; waited < ms; waited = GetTickCount() - started)
        pumpOnce(ms - waited);
}
