// The speech wrapper over the Speech API 4 voice-text service and mode enumerator.
#include "notify/speech.h"
#include "notify/speech_calls.h"
#include "notify/speech_objects.h"
#include "notify/text_conversion.h"
#include "platform/ui_calls.h"
#include <cstring>

namespace {

// Owned here, touched only by the user-interface thread.
VoiceText* voiceText = nullptr;
VoiceModeList* voiceModeList = nullptr;

const int maxSpeechWaits = 5;
const DWORD speechWaitMs = 1000;

bool stillSpeaking()
{
    BOOL speaking = FALSE;
    return voiceText->IsSpeaking(&speaking) == S_OK && speaking;
}

HRESULT openDialog(VoiceText& voice, HWND owner, EngineDialog which)
{
    switch (which) {
    case EngineDialog::About:
        return voice.AboutDlg(owner);
    case EngineDialog::General:
        return voice.GeneralDlg(owner);
    case EngineDialog::Lexicon:
        return voice.LexiconDlg(owner);
    case EngineDialog::Translate:
        return voice.TranslateDlg(owner);
    }
    return E_INVALIDARG;
}

void warn(HWND owner, const char* text)
{
    uiCalls.MessageBoxA(owner, text, "Error", MB_ICONWARNING);
}

} // namespace

int InitSpeech()
{
    ShutdownSpeech();
    // In place at once: speech counts as on even when the engine is missing, so callers do not
    // retry on every use.
    voiceText = new VoiceText;
    if (FAILED(speechCalls.CoCreateInstance(CLSID_VTxt, nullptr, CLSCTX_LOCAL_SERVER, IID_IVoiceText,
                                            voiceText->voiceText.put())) ||
        !voiceText->voiceText)
        return -1;
    voiceText->attributes.queryFrom(voiceText->voiceText.get(), IID_IVTxtAttributes);
    voiceText->dialogs.queryFrom(voiceText->voiceText.get(), IID_IVTxtDialogs);
    return voiceText->Register(L"SPEAKLIB") == S_OK ? 1 : -1;
}

void ShutdownSpeech()
{
    delete voiceText;
    voiceText = nullptr;
}

bool IsSpeechInitialized()
{
    return voiceText != nullptr;
}

int SpeakString(const char* text, bool wait)
{
    if (!voiceText)
        return -1;
    WCHAR* wide = newWideText(text);
    if (!wide)
        return -1;
    HRESULT result = voiceText->Speak(wide);
    delete[] wide;
    if (result == S_OK) {
        if (wait) {
            bool speaking = stillSpeaking();
            for (int waits = 0; speaking && waits < maxSpeechWaits; ++waits) {
                speechCalls.Sleep(speechWaitMs);
                speaking = stillSpeaking();
            }
        }
        return 1;
    }
    if (result == speakWaveDeviceBusy) {
        voiceText->StopSpeaking();
        return 1;
    }
    return -1;
}

DWORD GetSpeechSpeed()
{
    if (!voiceText)
        return 0;
    DWORD speed = 0;
    if (voiceText->SpeedGet(&speed) != S_OK)
        return 0;
    return speed;
}

int SetSpeechSpeed(DWORD speed)
{
    if (!voiceText)
        return 0;
    return voiceText->SpeedSet(speed) == S_OK ? 1 : 0;
}

int OpenVoiceList()
{
    CloseVoiceList();
    voiceModeList = new VoiceModeList;
    if (FAILED(speechCalls.CoCreateInstance(
            CLSID_TTSEnumerator, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
            IID_ITTSEnumW, voiceModeList->modes.put())) ||
        !voiceModeList->modes)
        return -1;
    return voiceModeList->find.queryFrom(voiceModeList->modes.get(), IID_ITTSFindW) == S_OK ? 1 : -1;
}

int NextVoiceName(char* buffer, size_t bufferSize)
{
    if (!voiceModeList || !buffer)
        return -1;
    TTSMODEINFOW mode;
    std::memset(&mode, 0, sizeof mode);
    if (voiceModeList->Next(mode) != S_OK)
        return -1;
    return wideToAnsi(mode.szModeName, ttsNameLength, buffer, bufferSize) ? 1 : -1;
}

void CloseVoiceList()
{
    delete voiceModeList;
    voiceModeList = nullptr;
}

int SelectVoice(int index)
{
    if (!voiceText)
        return -1;
    // The settings dialog never stores a negative index; one from elsewhere picks no mode at all
    // rather than whatever an unfilled record holds.
    if (index < 0)
        return -1;
    if (OpenVoiceList() != 1)
        return -1;
    // Each Next overwrites the record, which ends up holding the mode at position index. On a
    // failure the list stays open until the next open or close.
    TTSMODEINFOW mode;
    std::memset(&mode, 0, sizeof mode);
    for (int i = 0; i <= index; ++i)
        if (voiceModeList->Next(mode) != S_OK)
            return -1;
    CloseVoiceList();
    return voiceText->TTSModeSet(mode.gModeID) == S_OK ? 1 : -1;
}

void ShowEngineDialog(HWND owner, EngineDialog which)
{
    if (!voiceText) {
        warn(owner, "Speech engine is not initialized.. Is SAPI installed?");
        return;
    }
    HRESULT result = openDialog(*voiceText, owner, which);
    if (result == S_OK)
        return;
    warn(owner, result == E_NOTIMPL ? "This speech engine does not support this function"
                                    : "Could not display speech engine dialog.");
}
