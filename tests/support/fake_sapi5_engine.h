// A SAPI 5 engine of fake COM objects: a voice, the voices category and its tokens. It takes the
// SAPI 5 classes from the speech creation seam and hands every other class on to what was bound
// before it, so it stands beside a FakeSpeechEngine (construct it after that one). The objects
// answer as scripted and log every call in order.
#pragma once
#include "notify/sapi5.h"
#include "notify/speech_calls.h"
#include <memory>
#include <string>
#include <vector>

struct FakeVoiceToken {
    std::wstring description; // the token key's default value
    std::wstring id;          // the token's registry path
    HRESULT descriptionResult = S_OK;
};

class FakeSapi5Voice;
class FakeTokenCategory;
class FakeTokenEnumeration;
class FakeToken;

class FakeSapi5Engine {
public:
    FakeSapi5Engine();
    ~FakeSapi5Engine();
    FakeSapi5Engine(const FakeSapi5Engine&) = delete;
    FakeSapi5Engine& operator=(const FakeSapi5Engine&) = delete;

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

    // e.g. "create SpVoice context=23 ISpVoice", "Speak 'hi' flags=async+not-xml stream=null",
    // "WaitUntilDone 5000", "SetRate -3", "Next", "SetVoice Mike", "release Voice#1",
    // "release token Mike"
    std::vector<std::string> log;
    std::wstring lastSpoken;
    LONG voiceRate = 0;                 // the last rate a voice took
    int liveObjects() const;
    void clearLog() { log.clear(); }

    // Used by the fake objects.
    void record(const std::string& line) { log.push_back(line); }
    FakeToken* newToken(size_t position);

private:
    static HRESULT WINAPI create(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    std::vector<std::unique_ptr<FakeSapi5Voice>> voiceObjects_;
    std::vector<std::unique_ptr<FakeTokenCategory>> categories_;
    std::vector<std::unique_ptr<FakeTokenEnumeration>> enumerations_;
    std::vector<std::unique_ptr<FakeToken>> tokens_;
    HRESULT (WINAPI *previous_)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);

    friend class FakeTokenCategory;
};
