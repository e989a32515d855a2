// Popup menus of the tray icon and the entry list.
#include "shell/popup_menu.h"
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"

PopupMenu::~PopupMenu()
{
    if (menu_)
        DestroyMenu(menu_);
}

bool PopupMenu::create()
{
    menu_ = CreatePopupMenu();
    if (!menu_)
        FatalError("Could not create popup menu!");
    return menu_ != nullptr;
}

bool PopupMenu::add(UINT command, const char* text)
{
    if (!InsertMenuA(menu_, position_, MF_BYPOSITION | MF_STRING, command, text)) {
        FatalError("Could not insert menu item!");
        return false;
    }
    ++position_;
    return true;
}

bool PopupMenu::addSeparator()
{
    if (!InsertMenuA(menu_, position_, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr)) {
        FatalError("Could not insert menu item!");
        return false;
    }
    ++position_;
    return true;
}

void PopupMenu::setDefault(UINT command)
{
    SetMenuDefaultItem(menu_, command, FALSE);
}

void PopupMenu::track(HWND owner, POINT at)
{
    uiCalls.TrackPopupMenu(menu_, TPM_LEFTBUTTON, at.x, at.y, 0, owner, nullptr);
}
