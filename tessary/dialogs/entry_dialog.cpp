// The edit mailbox entry dialog: fills the controls from the entry, keeps the enabling rules,
// opens the actions dialog and stores the fields on OK.
#include "dialogs/entry_dialog.h"
#include "dialogs/actions_dialog.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/dialup_combo.h"
#include "dialogs/entry_fields.h"
#include "dialogs/entry_protocol.h"
#include "dialogs/entry_security.h"
#include "dialogs/entry_sign_in.h"
#include "platform/messages.h"
#include "platform/fatal_error.h"
#include "resources/resource.h"

const char* entryDialogTitle = nullptr;

namespace {

MailboxEntry* dialogEntry = nullptr; // the entry of the open dialog (it is modal: only one)

void showConnection(HWND dialog, MailboxEntry& entry)
{
    int checked;
    if (entry.connectionMode == DialAsNeeded) {
        checked = IDC_EMB_DIAL_AS_NEEDED;
    } else if (entry.connectionMode == WaitForConnection) {
        checked = IDC_EMB_WAIT_FOR_CONNECTION;
    } else {
        entry.connectionMode = AlwaysConnected;
        checked = IDC_EMB_ALWAYS_CONNECTED;
    }
    CheckRadioButton(dialog, IDC_EMB_DIAL_AS_NEEDED, IDC_EMB_ALWAYS_CONNECTED, checked);
}

INT_PTR onInitDialog(HWND dialog, LPARAM parameter)
{
    dialogEntry = reinterpret_cast<MailboxEntry*>(parameter);
    if (!dialogEntry) {
        FatalError("Invalid ptr passed to EMBdlg");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    MailboxEntry& e = *dialogEntry;
    if (!FillDialupCombo(dialog, IDC_EMB_DIALUP)) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    setTextIfPresent(dialog, IDC_EMB_NAME, e.name);
    setTextIfPresent(dialog, IDC_EMB_SERVER, e.server);
    setTextIfPresent(dialog, IDC_EMB_USER, e.user);
    setTextIfPresent(dialog, IDC_EMB_PASSWORD, e.password);
    FillProtocolList(dialog);
    ShowProtocolFields(dialog, e);
    FillSecurityList(dialog);
    ShowSecurityFields(dialog, e);
    UpdateProtocolControls(dialog, false);
    setChecked(dialog, IDC_EMB_ANNOUNCE_NEW_ONLY, e.announceNewOnly);
    FillSignInList(dialog);
    ShowSignInFields(dialog, e);
    showConnection(dialog, e);
    SelectDialupEntry(GetDlgItem(dialog, IDC_EMB_DIALUP), e);
    setChecked(dialog, IDC_EMB_HANG_UP, e.hangUpWhenDone);
    FillPeriodLists(dialog);
    ShowScheduleFields(dialog, e);
    CheckRadioButton(dialog, IDC_EMB_ENABLED, IDC_EMB_DISABLED, e.enabled ? IDC_EMB_ENABLED : IDC_EMB_DISABLED);
    UpdateEntryControls(dialog);
    if (entryDialogTitle)
        SetWindowTextA(dialog, entryDialogTitle);
    return TRUE;
}

void openActions(HWND dialog)
{
    if (OpenActionsDialog(dialog, dialogEntry) == -1)
        FatalError("Could not create dialog box.");
}

INT_PTR onCommand(HWND dialog, WORD id, WORD code)
{
    switch (id) {
    case IDOK:
        if (dialogEntry && StoreEntryFields(dialog, *dialogEntry))
            EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDC_EMB_SET_ACTIONS:
        openActions(dialog);
        return TRUE;
    case IDC_EMB_HELP:
        showHelpTopic("Tessary.chm::/mailbox.htm");
        return TRUE;
    case IDC_EMB_SIGN_IN_NOW:
        OnSignInButton(dialog);
        return TRUE;
    case IDC_EMB_SIGN_IN_CODE:
        OnSignInWithCodeButton(dialog);
        return TRUE;
    case IDC_EMB_SIGN_IN:
        if (code == CBN_SELCHANGE)
            UpdateEntryControls(dialog);
        return TRUE;
    }
    if (code == BN_CLICKED)
        UpdateEntryControls(dialog);
    if (code == CBN_SELCHANGE && (id == IDC_EMB_PROTOCOL || id == IDC_EMB_SECURITY))
        UpdateProtocolControls(dialog, id == IDC_EMB_PROTOCOL);
    return FALSE;
}

} // namespace

void UpdateEntryControls(HWND dialog)
{
    enableControls(dialog, { IDC_EMB_DIALUP, IDC_EMB_HANG_UP }, !isChecked(dialog, IDC_EMB_ALWAYS_CONNECTED));
    enableControls(dialog, { IDC_EMB_START_TIME }, isChecked(dialog, IDC_EMB_START_TIME_SET));
    enableControls(dialog, { IDC_EMB_END_TIME }, isChecked(dialog, IDC_EMB_END_TIME_SET));
    UpdateSignInControls(dialog);
}

INT_PTR CALLBACK EMBdlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, lParam);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE:
        // The close box is taken as Cancel: closing the window never adds or changes an entry.
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_SIGN_IN_DONE:
        OnSignInDone(dialog);
        return TRUE;
    case WM_DESTROY:
        EndSignIn();
        dialogEntry = nullptr;
        return FALSE;
    }
    return FALSE;
}

INT_PTR OpenEntryDialog(HWND owner, MailboxEntry* entry)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ENTRY), owner, EMBdlg,
                           reinterpret_cast<LPARAM>(entry));
}
