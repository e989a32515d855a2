// A real message-only window for tests of code that posts to a window: it records the messages
// it is sent or posted, and pumps the thread's message loop until an expected one has come.
#pragma once
#include <windows.h>
#include <vector>

class RecordingWindow {
public:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    RecordingWindow();
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND handle() const { return window_; }
    // Runs the message loop until message has arrived (counting earlier arrivals too), at most ms.
    bool waitFor(UINT message, DWORD ms);
    // Runs the message loop for ms, to see that nothing more arrives.
    void pumpFor(DWORD ms);
    // The recorded messages of the application range (WM_APP and above).
    const std::vector<Message>& received() const { return received_; }
    size_t countOf(UINT message) const;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void pumpOnce(DWORD ms);

    HWND window_ = nullptr;
    std::vector<Message> received_;
};
