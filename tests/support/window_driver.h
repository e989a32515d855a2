// Drives a running tessary.exe from another process: finds its main window, reads the rows of its
// list view and the text of its log, selects rows and sends it commands.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct ListRow {
    std::string name, server, lastCheck, result;
    int image = -1;
};

class WindowDriver {
public:
    // Waits up to timeoutMs for a main window (a dialog holding the entry list) of the process.
    bool attach(DWORD processId, DWORD timeoutMs);
    HWND window() const { return window_; }

    std::vector<ListRow> rows() const;
    std::string log() const;
    bool selectRow(int row) const;
    void command(WORD id) const; // posts WM_COMMAND as a menu would
    bool visible() const { return IsWindowVisible(window_) != FALSE; }

private:
    HWND window_ = nullptr;
    HWND list_ = nullptr;
    HWND log_ = nullptr;
    DWORD processId_ = 0;
};

// Polls condition every 100 ms until it holds or timeoutMs has passed.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
