// A SAPI 5 engine of fake COM objects: a voice, the voices category and its tokens. It takes the
// SAPI 5 classes from the speech creation seam and hands every other class on to what was bound
// before it, so it stands beside a FakeSpeechEngine (construct it after that one). The objects
// answer as scripted and log every call in order.
#pragma once
#include "notify/sapi5.h"
#include "notify/speech_calls.h"
#include "support/fake_com_engine.h"
#include <string>
#include <vector>

struct FakeVoiceToken {
    std::wstring description; // the token key's default value
    std::wstring id;          // the token's registry path
    HRESULT descriptionResult = S_OK;
};

class FakeToken;

class FakeSapi5Engine : public FakeComEngine {
public:
    FakeSapi5Engine();
    ~FakeSapi5Engine();

    bool voiceInstalled = true;
    bool categoryInstalled = true;
    std::vector<HRESULT> speakResults; // used up one per Speak; S_OK once empty
    HRESULT waitResult = S_OK;         // of WaitUntilDone; S_FALSE is a wait that timed out
    LONG rate = 0;
    HRESULT rateResult = S_OK;         // of GetRate and SetRate
    HRESULT setIdResult = S_OK;
    HRESULT enumTokensResult = S_OK;
    HRESULT setVoiceResult = S_OK;
    HRESULT uiSupportedResult = S_OK;  // of IsUISupported
    BOOL uiSupported = FALSE;
    HRESULT displayUiResult = S_OK;
    std::vector<FakeVoiceToken> voices;

    // The log holds e.g. "create SpVoice context=23 ISpVoice", "Speak 'hi' flags=async+not-xml
    // stream=null", "WaitUntilDone 5000", "SetRate -3", "Next", "SetVoice Mike", "release Voice#1",
    // "release token Mike".
    std::wstring lastSpoken;
    LONG voiceRate = 0;                 // the last rate a voice took

    // Used by the fake objects: a new token for the voice at position, and a new enumeration.
    FakeToken* newToken(size_t position);
    IEnumSpObjectTokens* newEnumeration();

private:
    static HRESULT WINAPI create(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    int voicesMade_ = 0;
    int categoriesMade_ = 0;
    int enumerationsMade_ = 0;
    HRESULT (WINAPI *previous_)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
};
