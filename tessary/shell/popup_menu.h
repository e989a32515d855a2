// A popup menu built item by item and shown once; failures to build it are fatal.
#pragma once
#include <windows.h>

class PopupMenu {
public:
    PopupMenu() = default;
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    // Each reports "Could not create popup menu!" / "Could not insert menu item!" on failure.
    bool create();
    bool add(UINT command, const char* text);
    bool addSeparator();
    void setDefault(UINT command);
    // Shows the menu at a screen point; the chosen command arrives as WM_COMMAND.
    void track(HWND owner, POINT at);

private:
    HMENU menu_ = nullptr;
    UINT position_ = 0;
};
