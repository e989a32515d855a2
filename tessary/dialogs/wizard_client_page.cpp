// The wizard's e-mail program page: the programs detected in the registry, a browse button and
// the "Run my email program" choice.
#include "dialogs/add_wizard.h"
#include "dialogs/wizard_page.h"
#include "dialogs/action_fields.h"
#include "dialogs/browse_for_file.h"
#include "dialogs/dialog_controls.h"
#include "platform/fatal_error.h"
#include "resources/resource.h"

namespace {

// Adds one name with its item data. False after FatalError.
bool addListItem(HWND list, const char* text, LPARAM data)
{
    LRESULT item = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (item == LB_ERR || item == LB_ERRSPACE || SendMessageA(list, LB_SETITEMDATA, item, data) == LB_ERR) {
        FatalError("Listbox error");
        return false;
    }
    return true;
}

bool fillClientList(HWND page)
{
    HWND list = GetDlgItem(page, IDC_WIZ_CLIENT_LIST);
    bool any = false;
    for (int i = 0; i < clientCandidateCount; ++i) {
        const ClientCandidate& row = clientCandidates[i];
        if (row.index == -1)
            continue;
        if (!addListItem(list, row.displayName, row.index))
            return false;
        any = true;
    }
    return any || addListItem(list, "None detected", -1);
}

void onSelectionChange(HWND page)
{
    HWND list = GetDlgItem(page, IDC_WIZ_CLIENT_LIST);
    LRESULT item = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (item == LB_ERR || !clientCandidates)
        return;
    LRESULT row = SendMessageA(list, LB_GETITEMDATA, item, 0);
    if (row < 0 || row >= clientCandidateCount) // "None detected"
        return;
    const ClientCandidate& candidate = clientCandidates[row];
    setChecked(page, IDC_ACT_RUN_MAIL_PROGRAM, true);
    char path[sizeof candidate.folder + 1 + sizeof candidate.program];
    candidateProgramPath(candidate, path, sizeof path);
    SetDlgItemTextA(page, IDC_ACT_MAIL_PROGRAM_PATH, path);
    SetDlgItemTextA(page, IDC_ACT_MAIL_PROGRAM_ARGS, candidate.parameters);
    enableClientPage(page);
}

void onBrowse(HWND page)
{
    if (!BrowseForFile(page, "Applications (*.exe)", "*.exe", "Select an email application", IDC_ACT_MAIL_PROGRAM_PATH))
        return;
    SetDlgItemTextA(page, IDC_ACT_MAIL_PROGRAM_ARGS, "");
    SendDlgItemMessageA(page, IDC_WIZ_CLIENT_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

} // namespace

void enableClientPage(HWND page)
{
    enableControls(page, { IDC_ACT_MAIL_PROGRAM_PATH, IDC_ACT_MAIL_PROGRAM_ARGS, IDC_ACT_BROWSE_MAIL_PROGRAM,
                           IDC_WIZ_CLIENT_LIST },
                   isChecked(page, IDC_ACT_RUN_MAIL_PROGRAM));
}

void createClientPage(HWND page)
{
    delete[] clientCandidates;
    clientCandidates = new ClientCandidate[clientCandidateCount];
    DetectClients(clientCandidates);
    if (!fillClientList(page)) {
        abandonWizard(page);
        return;
    }
    enableClientPage(page);
}

void activateClientPage(HWND page, MailboxEntry& entry)
{
    setChecked(page, IDC_ACT_RUN_MAIL_PROGRAM, entry.runMailProgram);
    setTextIfPresent(page, IDC_ACT_MAIL_PROGRAM_PATH, entry.mailProgramPath);
    setTextIfPresent(page, IDC_ACT_MAIL_PROGRAM_ARGS, entry.mailProgramArgs);
    enableClientPage(page);
}

bool nextClientPage(HWND page, MailboxEntry& entry)
{
    return storeMailProgram(page, entry);
}

void commandClientPage(HWND page, WORD id, WORD code)
{
    if (id == IDC_WIZ_CLIENT_LIST && code == LBN_SELCHANGE)
        onSelectionChange(page);
    else if (id == IDC_ACT_BROWSE_MAIL_PROGRAM && code == BN_CLICKED)
        onBrowse(page);
}

void destroyClientPage(HWND)
{
    delete[] clientCandidates;
    clientCandidates = nullptr;
}
