// RunAddWizard builds the property sheet of the eight pages in their original 40-byte record
// forms and maps the way it ended to the result; every page's notifications are handled here.
#include "dialogs/add_wizard.h"
#include "dialogs/wizard_page.h"
#include "platform/fatal_error.h"
#include <commctrl.h>
#include <cstddef>
#include <cstring>

MailboxEntry* wizardEntry = nullptr;
int32_t wizardOutcome = 0;
ClientCandidate* clientCandidates = nullptr;

namespace {

// The page record as the first property sheet version defined it; PropertySheet steps through
// the array by each record's size, so the array must be made of records of exactly this size.
struct PropSheetPageV1 {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    LPCSTR pszTemplate;
    HICON hIcon;
    LPCSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKA pfnCallback;
    UINT* pcRefParent;
};

static_assert(sizeof(PropSheetPageV1) == offsetof(PROPSHEETPAGEA, pcRefParent) + sizeof(UINT*),
              "the first page record layout");
#if !defined(_WIN64)
static_assert(sizeof(PropSheetPageV1) == 40, "PROPSHEETPAGEA (first version) is 40 bytes");
static_assert(offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK) == 40,
              "PROPSHEETHEADERA (first version) is 40 bytes");
#endif

const int32_t outcomeCancelled = static_cast<int32_t>(PSN_RESET);
const int32_t outcomeFinished = static_cast<int32_t>(PSN_WIZFINISH);
const DWORD headerRecordSize = offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK);

const DWORD wizardFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
static_assert(wizardFlags == 0xA8, "sheet flags");

// One dialog procedure per page, each handing its messages to the shared handling.
template <int N>
INT_PTR CALLBACK pageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return handleWizardPageMessage(wizardPages[N], window, message, wParam, lParam);
}

const DLGPROC pageProcs[wizardPageCount] = { pageProc<0>, pageProc<1>, pageProc<2>, pageProc<3>,
                                             pageProc<4>, pageProc<5>, pageProc<6>, pageProc<7> };

void answer(HWND window, LONG_PTR result)
{
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
}

INT_PTR onNotify(const WizardPage& page, HWND window, const NMHDR* header)
{
    switch (header->code) {
    case PSN_SETACTIVE:
        PostMessageA(GetParent(window), PSM_SETWIZBUTTONS, 0, page.buttons);
        if (wizardEntry)
            page.activate(window, *wizardEntry);
        answer(window, 0);
        return TRUE;
    case PSN_WIZNEXT:
        answer(window, wizardEntry && page.next(window, *wizardEntry) ? 0 : -1);
        return TRUE;
    case PSN_KILLACTIVE:
        answer(window, 0);
        return TRUE;
    case PSN_RESET:
        // The first page is always created, so every cancelled run records itself here.
        if (&page == &wizardPages[0])
            wizardOutcome = outcomeCancelled;
        answer(window, 0);
        return TRUE;
    case PSN_WIZFINISH:
        wizardOutcome = outcomeFinished;
        answer(window, 0);
        return TRUE;
    }
    return FALSE;
}

} // namespace

INT_PTR handleWizardPageMessage(const WizardPage& page, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (page.create)
            page.create(window);
        return TRUE;
    case WM_NOTIFY:
        return onNotify(page, window, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        if (page.command)
            page.command(window, LOWORD(wParam), HIWORD(wParam));
        if (HIWORD(wParam) == BN_CLICKED && page.enable)
            page.enable(window);
        return TRUE;
    case WM_DESTROY:
        if (page.destroy)
            page.destroy(window);
        return FALSE;
    }
    return FALSE;
}

void abandonWizard(HWND page)
{
    PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

int RunAddWizard(HWND owner, HINSTANCE instance, MailboxEntry* entry)
{
    if (!entry) {
        FatalError("bad pointer passed to AddWizard!");
        return -1;
    }
    wizardEntry = entry;
    // A run that ends neither by Cancel nor by Finish must not report how the previous one ended.
    wizardOutcome = 0;

    PropSheetPageV1 pages[wizardPageCount];
    std::memset(pages, 0, sizeof pages);
    for (int i = 0; i < wizardPageCount; ++i) {
        pages[i].dwSize = sizeof(PropSheetPageV1);
        pages[i].dwFlags = 0;
        pages[i].hInstance = instance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(wizardPages[i].templateId);
        pages[i].pfnDlgProc = pageProcs[i];
        pages[i].lParam = 0;
    }
    PROPSHEETHEADERA sheet;
    std::memset(&sheet, 0, sizeof sheet);
    sheet.dwSize = headerRecordSize;
    sheet.dwFlags = wizardFlags;
    sheet.hwndParent = owner;
    sheet.hInstance = instance;
    sheet.pszCaption = "Add Account Wizard";
    sheet.nPages = wizardPageCount;
    sheet.nStartPage = 0;
    sheet.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);

    INT_PTR result = PropertySheetA(&sheet);
    wizardEntry = nullptr;
    if (result == -1)
        return -1;
    if (wizardOutcome == outcomeCancelled)
        return 0;
    if (wizardOutcome == outcomeFinished)
        return 1;
    return -1;
}
