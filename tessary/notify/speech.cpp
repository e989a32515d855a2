// The speech wrapper: chooses the engine once per InitSpeech and hands every operation to it.
#include "notify/speech.h"
#include "notify/sapi4_engine.h"
#include "notify/sapi5_engine.h"
#include "notify/text_conversion.h"
#include "notify/ui_text.h"
#include "platform/ui_calls.h"

namespace {

// Owned here, touched only by the user-interface thread.
SpeechEngine* engine = nullptr; // null while speech is off
SpeechEngineKind engineKind = SpeechEngineKind::None;
VoiceList* voiceList = nullptr;

void warn(HWND owner, const char* text)
{
    uiCalls.MessageBoxA(owner, text, "Error", MB_ICONWARNING);
}

// Makes a new list of the given engine's voices the current one and opens it.
int openList(VoiceList* list)
{
    CloseVoiceList();
    voiceList = list;
    return voiceList->open();
}

} // namespace

int InitSpeech()
{
    ShutdownSpeech();
    // In place at once: speech counts as on even when no engine answers, so callers do not
    // retry on every use.
    VoiceText* voiceText = new VoiceText;
    engine = voiceText;
    int registered = voiceText->start();
    // Where the old voice-text service exists it is the engine, whether or not it registered.
    if (voiceText->created()) {
        engineKind = SpeechEngineKind::SpeechApi4;
        return registered;
    }
    Sapi5Voice* voice = new Sapi5Voice;
    if (voice->start() != 1) {
        delete voice;
        return -1;
    }
    delete engine;
    engine = voice;
    engineKind = SpeechEngineKind::SpeechApi5;
    return 1;
}

void ShutdownSpeech()
{
    delete engine;
    engine = nullptr;
    engineKind = SpeechEngineKind::None;
}

bool IsSpeechInitialized()
{
    return engine != nullptr;
}

SpeechEngineKind SpeechEngineInUse()
{
    return engineKind;
}

int SpeakString(const char* text, bool wait)
{
    if (!engine)
        return -1;
    WCHAR* wide = newWideText(text);
    if (!wide)
        return -1;
    int result = engine->speak(wide, wait);
    delete[] wide;
    return result;
}

int SpeakWideString(const WCHAR* text, bool wait)
{
    if (!engine)
        return -1;
    if (platformTakesWideText())
        return engine->speak(text ? text : L"", wait);
    // Windows 95/98/ME: the engine hears what the ANSI code page can say, as every text before.
    return SpeakString(ansiFromWide(text ? text : L"").c_str(), wait);
}

DWORD GetSpeechSpeed()
{
    return engine ? engine->speed() : 0;
}

int SetSpeechSpeed(DWORD speed)
{
    return engine ? engine->setSpeed(speed) : 0;
}

int OpenVoiceList()
{
    if (engineKind != SpeechEngineKind::None)
        return openList(engine->newVoiceList());
    // No engine chosen: the voices InitSpeech would find, the old engine's first.
    VoiceModeList* modes = new VoiceModeList;
    int opened = openList(modes);
    if (opened == 1 || modes->enumeratorFound())
        return opened;
    return openList(new VoiceTokenList);
}

int NextVoiceName(char* buffer, size_t bufferSize)
{
    if (!voiceList || !buffer)
        return -1;
    if (voiceList->next() != S_OK)
        return -1;
    return voiceList->currentName(buffer, bufferSize) ? 1 : -1;
}

void CloseVoiceList()
{
    delete voiceList;
    voiceList = nullptr;
}

int SelectVoice(int index)
{
    if (!engine)
        return -1;
    // The settings dialog never stores a negative index; one from elsewhere picks no voice at all
    // rather than whatever an unfilled record holds.
    if (index < 0)
        return -1;
    // The engine's own list, even while it could not be created: its voices are what it takes.
    if (openList(engine->newVoiceList()) != 1)
        return -1;
    // Each step makes the next voice the current one, so the list ends up at position index. On a
    // failure the list stays open until the next open or close.
    for (int i = 0; i <= index; ++i)
        if (voiceList->next() != S_OK)
            return -1;
    VoiceList* chosen = voiceList;
    voiceList = nullptr;
    chosen->endEnumeration();
    HRESULT result = engine->useVoice(*chosen);
    delete chosen;
    return result == S_OK ? 1 : -1;
}

void ShowEngineDialog(HWND owner, EngineDialog which)
{
    if (!engine) {
        warn(owner, "Speech engine is not initialized.. Is SAPI installed?");
        return;
    }
    HRESULT result = engine->showDialog(owner, which);
    if (result == S_OK)
        return;
    warn(owner, result == E_NOTIMPL ? "This speech engine does not support this function"
                                    : "Could not display speech engine dialog.");
}
