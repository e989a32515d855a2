// The device sign-in dialog. The thread that talks to the service owns nothing the dialog frees:
// the dialog waits for it (its waits end at the stop event) before the run record goes.
#include "dialogs/device_sign_in_dialog.h"
#include "platform/messages.h"
#include "platform/ui_calls.h"
#include "resources/resource.h"
#include "signin/device_sign_in.h"
#include "signin/signin_result.h"
#include <cstring>

namespace {

struct DeviceRun {
    OAuthProvider provider;
    HWND dialog = nullptr;
    HANDLE stopEvent = nullptr;
    HANDLE thread = nullptr;
    DeviceCode code;          // written by the thread before WM_DEVICE_CODE_SHOWN
    TokenAnswer answer;
    int result = signInCancelled;
    char why[256] = "";
};

DWORD WINAPI deviceThread(LPVOID parameter)
{
    DeviceRun* run = static_cast<DeviceRun*>(parameter);
    run->result = requestDeviceCode(run->provider, run->stopEvent, run->code, run->why, sizeof run->why);
    if (run->result == signInOk) {
        PostMessageA(run->dialog, WM_DEVICE_CODE_SHOWN, 0, 0);
        run->result = pollDeviceCode(run->provider, run->code, run->stopEvent, run->answer, run->why, sizeof run->why);
    }
    PostMessageA(run->dialog, WM_SIGN_IN_DONE, 0, 0);
    return 0;
}

DeviceRun* runOf(HWND dialog)
{
    return reinterpret_cast<DeviceRun*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void joinThread(DeviceRun& run)
{
    if (!run.thread)
        return;
    SetEvent(run.stopEvent);
    WaitForSingleObject(run.thread, INFINITE);
    CloseHandle(run.thread);
    run.thread = nullptr;
}

INT_PTR onInitDialog(HWND dialog, DeviceRun* run)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(run));
    run->dialog = dialog;
    EnableWindow(GetDlgItem(dialog, IDC_DSI_COPY), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_DSI_OPEN), FALSE);
    run->thread = CreateThread(nullptr, 0, deviceThread, run, 0, nullptr);
    if (!run->thread) {
        run->result = signInCancelled;
        SetDlgItemTextA(dialog, IDC_DSI_STATE, "The sign-in could not be started.");
    }
    return TRUE;
}

void onCodeShown(HWND dialog, DeviceRun& run)
{
    SetDlgItemTextA(dialog, IDC_DSI_ADDRESS, run.code.verificationUri.c_str());
    SetDlgItemTextA(dialog, IDC_DSI_CODE, run.code.userCode.c_str());
    EnableWindow(GetDlgItem(dialog, IDC_DSI_COPY), TRUE);
    EnableWindow(GetDlgItem(dialog, IDC_DSI_OPEN), TRUE);
    SetDlgItemTextA(dialog, IDC_DSI_STATE, "Waiting until the code has been entered and the sign-in agreed to...");
}

void onDone(HWND dialog, DeviceRun& run)
{
    joinThread(run);
    if (run.result == signInOk) {
        EndDialog(dialog, IDOK);
        return;
    }
    const char* line = strncmp(run.why, "error: ", 7) == 0 ? run.why + 7 : run.why;
    SetDlgItemTextA(dialog, IDC_DSI_STATE, line);
    SetDlgItemTextA(dialog, IDCANCEL, "Close");
    EnableWindow(GetDlgItem(dialog, IDC_DSI_COPY), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_DSI_OPEN), FALSE);
}

void copyCode(HWND dialog, const std::string& code)
{
    if (!OpenClipboard(dialog))
        return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, code.size() + 1);
    if (memory) {
        memcpy(GlobalLock(memory), code.c_str(), code.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory))
            GlobalFree(memory);
    }
    CloseClipboard();
}

INT_PTR onCommand(HWND dialog, WORD id)
{
    DeviceRun* run = runOf(dialog);
    if (!run)
        return FALSE;
    switch (id) {
    case IDC_DSI_COPY:
        copyCode(dialog, run->code.userCode);
        return TRUE;
    case IDC_DSI_OPEN:
        uiCalls.ShellExecuteA(dialog, "open", run->code.verificationUri.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return TRUE;
    case IDCANCEL:
        joinThread(*run);
        if (run->result == signInOk)
            run->answer.forget(); // the user chose to cancel after all
        run->result = run->result == signInOk ? signInCancelled : run->result;
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK deviceDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, reinterpret_cast<DeviceRun*>(lParam));
    case WM_DEVICE_CODE_SHOWN:
        if (DeviceRun* run = runOf(dialog))
            onCodeShown(dialog, *run);
        return TRUE;
    case WM_SIGN_IN_DONE:
        if (DeviceRun* run = runOf(dialog))
            onDone(dialog, *run);
        return TRUE;
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam));
    case WM_CLOSE:
        return onCommand(dialog, IDCANCEL);
    }
    return FALSE;
}

} // namespace

int RunDeviceSignIn(HWND owner, const OAuthProvider& provider, std::string& refreshToken)
{
    DeviceRun run;
    run.provider = provider;
    run.stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!run.stopEvent)
        return signInCancelled;
    INT_PTR ended = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DEVICE_SIGN_IN), owner,
                                    deviceDialog, reinterpret_cast<LPARAM>(&run));
    joinThread(run);
    CloseHandle(run.stopEvent);
    if (ended == IDOK && run.result == signInOk) {
        refreshToken = run.answer.refreshToken;
        return signInOk;
    }
    return run.result == signInOk ? signInCancelled : run.result;
}
