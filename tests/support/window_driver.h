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
    // Whether the window's thread takes a message within timeoutMs (it is not hung in a long job).
    bool answers(DWORD timeoutMs = 1000) const;
    // Whether the log shows part within timeoutMs.
    bool logShows(const std::string& part, DWORD timeoutMs) const;
    // The message boxes and other dialogs the process shows beside its main window.
    std::vector<HWND> openBoxes() const;

private:
    HWND window_ = nullptr;
    HWND list_ = nullptr;
    HWND log_ = nullptr;
    DWORD processId_ = 0;
};

// A message box's text: the longest of its static texts (the others are its icon's).
std::string boxMessage(HWND box);
// A window's caption or a control's text, asked across processes without waiting on a hung one.
std::string textOf(HWND window);

// Polls condition every 100 ms until it holds or timeoutMs has passed.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
