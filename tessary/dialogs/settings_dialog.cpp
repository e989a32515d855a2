// The settings dialog: shows the record, lists the voices, shows and sets the engine's speed.
#include "dialogs/settings_dialog.h"
#include "dialogs/dialog_controls.h"
#include "connectivity/version_calls.h"
#include "notify/speech.h"
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstdlib>

namespace {

Settings* settingsRecord = nullptr; // the record of the open dialog (it is modal: only one)

struct FlagBox {
    int id;
    uint8_t Settings::*flag;
};

const FlagBox flagBoxes[] = {
    { IDC_SET_RUN_AT_STARTUP, &Settings::runAtStartup },
    { IDC_SET_SKIP_WHEN_CPU_BUSY, &Settings::skipWhenCpuBusy },
    { IDC_SET_POPUP_ON_MAIL, &Settings::popupOnMail },
    { IDC_SET_RUN_IN_TRAY, &Settings::runInTray },
    { IDC_SET_SYNC_AUDIO, &Settings::syncAudio },
    { IDC_SET_SPEAK_CONNECT_SPEED, &Settings::speakConnectSpeed },
    { IDC_SET_SPEAK_RESULTS, &Settings::speakCheckResults },
    { IDC_SET_SPEAK_FROM, &Settings::speakFromAddresses },
    { IDC_SET_SPEAK_SUBJECTS, &Settings::speakSubjects },
    { IDC_SET_FULL_VOICE_FEEDBACK, &Settings::fullVoiceFeedback },
    { IDC_SET_SHOW_NOTIFICATION, &Settings::showNotification },
    { IDC_SET_QUIET_WHEN_BUSY, &Settings::quietWhenBusy },
    { IDC_SET_FAILURE_ALERTS, &Settings::failureAlerts },
};

struct EngineButton {
    int id;
    EngineDialog which;
};

const EngineButton engineButtons[] = {
    { IDC_SET_ENGINE_ABOUT, EngineDialog::About },
    { IDC_SET_ENGINE_GENERAL, EngineDialog::General },
    { IDC_SET_ENGINE_LEXICON, EngineDialog::Lexicon },
    { IDC_SET_ENGINE_TRANSLATE, EngineDialog::Translate },
};

const int timeoutTextSize = 200; // up to 199 characters
const int speedTextSize = 10;    // up to 9 characters

void setNumber(HWND dialog, int id, long long value, const char* format)
{
    char text[32];
    snprintf(text, sizeof text, format, value);
    SetDlgItemTextA(dialog, id, text);
}

// The installed voices, each carrying its position in the engine's list. False after FatalError.
bool fillVoiceList(HWND dialog, int32_t voiceIndex)
{
    HWND combo = GetDlgItem(dialog, IDC_SET_VOICE);
    if (OpenVoiceList() != 1) {
        CloseVoiceList();
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("ERROR. Speech not installed?"));
        return true;
    }
    char name[voiceNameBufferSize];
    for (LPARAM number = 0; NextVoiceName(name, sizeof name) == 1; ++number) {
        LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (item < 0) {
            CloseVoiceList();
            FatalError("CB_ADDSTRING failed in settings dlg.");
            return false;
        }
        SendMessageA(combo, CB_SETITEMDATA, item, number);
    }
    CloseVoiceList();
    SendMessageA(combo, CB_SETCURSEL, voiceIndex, 0);
    return true;
}

// On Windows NT the processor statistic does not exist: the option is greyed and switched off.
bool applyPlatform(HWND dialog, Settings& record)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!versionCalls.GetVersionExA(&version)) {
        FatalError("GetVersionEx failed!");
        return false;
    }
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        EnableWindow(GetDlgItem(dialog, IDC_SET_SKIP_WHEN_CPU_BUSY), FALSE);
        record.skipWhenCpuBusy = 0;
    }
    return true;
}

INT_PTR onInitDialog(HWND dialog, LPARAM parameter)
{
    settingsRecord = reinterpret_cast<Settings*>(parameter);
    if (!settingsRecord) {
        FatalError("No ptr passed for SettingsDlg");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    Settings& record = *settingsRecord;
    for (const FlagBox& box : flagBoxes)
        setChecked(dialog, box.id, record.*box.flag != 0);
    setNumber(dialog, IDC_SET_SERVER_TIMEOUT, record.serverTimeoutSeconds, "%lld");
    if (!fillVoiceList(dialog, record.voiceIndex) || !applyPlatform(dialog, record)) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (DWORD speed = GetSpeechSpeed())
        setNumber(dialog, IDC_SET_SPEED, speed, "%lld");
    UpdateSpeakDetailControls(dialog);
    return TRUE;
}

// The speed is taken as typed, as an unsigned number; only the engine can refuse it.
void applySpeed(HWND dialog)
{
    char text[speedTextSize];
    text[0] = '\0';
    GetDlgItemTextA(dialog, IDC_SET_SPEED, text, speedTextSize);
    DWORD speed = static_cast<DWORD>(std::strtol(text, nullptr, 10));
    if (!IsSpeechInitialized())
        return;
    if (SetSpeechSpeed(speed) != 1) {
        char message[128];
        snprintf(message, sizeof message, "Err, or speech speed is out of allowable range(%u..%u)", 0u, 4294967295u);
        uiCalls.MessageBoxA(dialog, message, "Invalid input", MB_OK | MB_ICONWARNING);
    }
}

void onOk(HWND dialog)
{
    if (settingsRecord)
        ReadSettingsControls(dialog, *settingsRecord);
    applySpeed(dialog);
    EndDialog(dialog, IDOK);
}

INT_PTR onCommand(HWND dialog, WORD id, WORD code)
{
    for (const EngineButton& button : engineButtons) {
        if (button.id == id) {
            ShowEngineDialog(dialog, button.which);
            return TRUE;
        }
    }
    switch (id) {
    case IDOK:
        onOk(dialog);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDC_SET_SPEAK_RESULTS:
        if (code == BN_CLICKED)
            UpdateSpeakDetailControls(dialog);
        return TRUE;
    case IDC_SET_HELP:
        showHelpTopic("Tessary.chm::/settings.htm");
        return TRUE;
    }
    return FALSE;
}

} // namespace

bool ReadSettingsControls(HWND dialog, Settings& record)
{
    for (const FlagBox& box : flagBoxes)
        record.*box.flag = isChecked(dialog, box.id) ? 1 : 0;
    char text[timeoutTextSize];
    text[0] = '\0';
    GetDlgItemTextA(dialog, IDC_SET_SERVER_TIMEOUT, text, timeoutTextSize);
    // strtol, unlike atoi, has a defined answer for numbers beyond the 32-bit range: it stops there.
    record.serverTimeoutSeconds = static_cast<int32_t>(std::strtol(text, nullptr, 10));
    LRESULT voice = SendDlgItemMessageA(dialog, IDC_SET_VOICE, CB_GETCURSEL, 0, 0);
    record.voiceIndex = voice == CB_ERR ? 0 : static_cast<int32_t>(voice);
    return true;
}

void UpdateSpeakDetailControls(HWND dialog)
{
    enableControls(dialog, { IDC_SET_SPEAK_FROM, IDC_SET_SPEAK_SUBJECTS }, isChecked(dialog, IDC_SET_SPEAK_RESULTS));
}

INT_PTR CALLBACK SettingsDlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, lParam);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE:
        // The close box keeps the record as it was given and reports acceptance.
        EndDialog(dialog, IDOK);
        return TRUE;
    case WM_DESTROY:
        settingsRecord = nullptr;
        return FALSE;
    }
    return FALSE;
}

INT_PTR OpenSettingsDialog(HWND owner, Settings* record)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETTINGS), owner, SettingsDlg,
                           reinterpret_cast<LPARAM>(record));
}
