// The current Speech API (SAPI 5) behind the speech wrapper, for systems without the old
// voice-text service: one SpVoice for the process, and the voices category's tokens as the list
// of voices. sapi.dll is reached only through COM, so the program starts where it is missing.
#pragma once
#include "notify/com_ref.h"
#include "notify/sapi5.h"
#include "notify/speech_engine.h"

class Sapi5Voice : public SpeechEngine {
public:
    Sapi5Voice() = default;
    ~Sapi5Voice() override = default;
    Sapi5Voice(const Sapi5Voice&) = delete;
    Sapi5Voice& operator=(const Sapi5Voice&) = delete;

    // Creates the voice. 1: created; -1: SAPI 5 is missing or refused.
    int start();

    int speak(const WCHAR* text, bool wait) override;
    DWORD speed() override;
    int setSpeed(DWORD wordsPerMinute) override;
    VoiceList* newVoiceList() override;
    HRESULT useVoice(VoiceList& chosen) override;
    HRESULT showDialog(HWND owner, EngineDialog which) override;

private:
    ComRef<ISpVoice> voice;
};

// The voice tokens in the category's enumeration order. Released as: the current token, the
// enumeration, the category.
class VoiceTokenList : public VoiceList {
public:
    VoiceTokenList() = default;
    ~VoiceTokenList() override;
    VoiceTokenList(const VoiceTokenList&) = delete;
    VoiceTokenList& operator=(const VoiceTokenList&) = delete;

    int open() override;
    HRESULT next() override;
    bool currentName(char* buffer, size_t bufferSize) override;
    void endEnumeration() override;

    ISpObjectToken* currentToken() const { return current.get(); }

private:
    ComRef<ISpObjectTokenCategory> category;
    ComRef<IEnumSpObjectTokens> tokens;
    ComRef<ISpObjectToken> current;
};
