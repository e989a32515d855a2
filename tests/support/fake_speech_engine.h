// A Speech API 4 engine of fake COM objects, handed to the speech wrapper through speechCalls.
// The objects implement the declared interfaces, answer as scripted and log every call in order
// (support/fake_com_engine.h).
#pragma once
#include "notify/sapi4.h"
#include "notify/speech_calls.h"
#include "support/fake_com_engine.h"
#include <string>
#include <vector>

struct FakeMode {
    std::wstring name; // copied into szModeName; 262 characters leave no terminator
    GUID id;
};

class FakeSpeechEngine : public FakeComEngine {
public:
    FakeSpeechEngine();
    ~FakeSpeechEngine();

    bool voiceTextInstalled = true;
    bool enumeratorInstalled = true;
    bool withAttributes = true;
    bool withDialogs = true;
    bool withFind = true;
    HRESULT registerResult = S_OK;
    std::vector<HRESULT> speakResults; // used up one per Speak; S_OK once empty
    int speakingPolls = 0;             // IsSpeaking answers TRUE this often after a Speak; -1: always
    DWORD speed = 170;
    HRESULT speedResult = S_OK;        // of SpeedGet and SpeedSet
    HRESULT modeSetResult = S_OK;
    HRESULT dialogResult = S_OK;
    std::vector<FakeMode> modes;

    // The log holds e.g. "create VTxt context=4 IVoiceText", "Speak 'hi' flags=0 tags=null",
    // "sleep 1000", "TTSModeSet Mike", "release VoiceText#1".
    std::wstring lastSpoken;

    // Used by the fake objects.
    const char* modeName(const GUID& id) const;

private:
    static HRESULT WINAPI create(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    static VOID WINAPI sleep(DWORD);
    int voiceTextsMade_ = 0;
    int enumeratorsMade_ = 0;
    SpeechCalls saved_;
};

// Mode ids for tests: {00000000-0000-0000-0000-0000000000NN}.
GUID fakeModeId(int n);
