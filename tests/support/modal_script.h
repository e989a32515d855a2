// Drives modal dialogs from inside their own modal loops: a thread timer looks for the enabled
// dialog with the caption the next step names and runs that step on it. A step may open a nested
// modal dialog (the timer keeps ticking in the nested loop, so the following steps still run).
// A dialog still open when the script has nothing more to do is closed after a while, so a test
// whose dialog does not end as expected fails instead of hanging.
#pragma once
#include <windows.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class ModalScript {
public:
    ModalScript();
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // Runs step on the dialog whose caption is caption, once it is the enabled window of this thread.
    ModalScript& on(const std::string& caption, std::function<void(HWND)> step);

    bool finished() const { return steps_.empty() && !stuck_; }
    bool stuck() const { return stuck_; } // a dialog had to be closed by force
    std::string stuckCaption;

private:
    struct Step {
        std::string caption;
        std::function<void(HWND)> run;
    };
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void onTick();

    std::deque<Step> steps_;
    UINT_PTR timer_ = 0;
    DWORD idleSince_ = 0;
    bool stuck_ = false;
    ModalScript* outer_ = nullptr;
};

// The enabled, visible top-level window of this thread with this caption, or null.
HWND findThreadDialog(const std::string& caption);
// The child control whose text is text (mnemonic ampersands included), or null.
HWND controlByText(HWND dialog, const std::string& text);
std::string windowText(HWND window);
std::string itemText(HWND dialog, int id);
bool itemChecked(HWND dialog, int id);
bool itemEnabled(HWND dialog, int id);
void setItemText(HWND dialog, int id, const std::string& text);
void click(HWND dialog, int id); // BM_CLICK: toggles auto check boxes, sends the notification
// The texts of a combo box's or list box's items, in order.
std::vector<std::string> comboItems(HWND dialog, int id);
std::string comboSelection(HWND dialog, int id); // "" when nothing is selected
std::vector<std::string> listItems(HWND dialog, int id);
// Takes a quit message left by a fatal error, so it cannot end a later modal loop, and forgets the
// error, so that the next one shows its box again (the program shows only the first).
void drainQuitMessage();
