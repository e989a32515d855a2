// The Speech API 4 engine: the process's voice-text object, registered as "SPEAKLIB", and the
// mode enumerator that lists its voices. Each interface pointer may be null; a call through a
// null pointer answers E_NOINTERFACE without reaching the engine.
#pragma once
#include "notify/com_ref.h"
#include "notify/sapi4.h"
#include "notify/speech_engine.h"

class VoiceText : public SpeechEngine {
public:
    VoiceText() = default;
    // Releases the attributes and dialogs interfaces, then the voice-text interface.
    ~VoiceText() override;
    VoiceText(const VoiceText&) = delete;
    VoiceText& operator=(const VoiceText&) = delete;

    // Creates the voice-text object and registers with it. 1: registered; -1: missing or refused.
    int start();
    // Whether the voice-text service exists here (its object could be created).
    bool created() const { return static_cast<bool>(voiceText); }

    int speak(const WCHAR* text, bool wait) override;
    DWORD speed() override;
    int setSpeed(DWORD wordsPerMinute) override;
    VoiceList* newVoiceList() override;
    HRESULT useVoice(VoiceList& chosen) override;
    HRESULT showDialog(HWND owner, EngineDialog which) override;

private:
    bool stillSpeaking();

    ComRef<IVoiceText> voiceText;
    ComRef<IVTxtAttributes> attributes;
    ComRef<IVTxtDialogs> dialogs;
};

// The enumerator's position is the state of the list: every Next moves it on by one mode.
class VoiceModeList : public VoiceList {
public:
    VoiceModeList();
    ~VoiceModeList() override;
    VoiceModeList(const VoiceModeList&) = delete;
    VoiceModeList& operator=(const VoiceModeList&) = delete;

    int open() override;
    HRESULT next() override;
    bool currentName(char* buffer, size_t bufferSize) override;
    void endEnumeration() override;

    // Whether the enumerator's class exists here, whatever open answered.
    bool enumeratorFound() const { return static_cast<bool>(modes); }
    const GUID& currentModeId() const { return mode.gModeID; }

private:
    ComRef<ITTSEnumW> modes;
    ComRef<ITTSFindW> find; // must be there for the list to count as open; never called
    TTSMODEINFOW mode;      // the current mode; each Next overwrites it
};
