// The modal About box (dialog 129).
#include "shell/about_box.h"
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"
#include "resources/resource.h"

const char* const productWebPage = "https://tessary.example.org/";

namespace {

INT_PTR CALLBACK aboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_CLOSE) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    case IDC_ABOUT_WEB_PAGE:
        uiCalls.ShellExecuteA(dialog, nullptr, productWebPage, nullptr, nullptr, SW_SHOWNORMAL);
        return TRUE;
    }
    return FALSE;
}

} // namespace

void ShowAboutBox(HWND owner)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, aboutBoxProc, 0) == -1)
        FatalError("Could not create about dialog box.");
}
