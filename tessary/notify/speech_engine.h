// What the speech wrapper needs from a text-to-speech engine, so the old voice-text service and
// SAPI 5 can stand behind the same operations. The wrapper owns the one engine in use.
#pragma once
#include <windows.h>
#include <cstddef>

enum class EngineDialog { About, General, Lexicon, Translate };

// Speech waits for at most this long, as five waits of a second each or as one bounded wait.
const DWORD speechWaitLimitMs = 5000;

// The installed voices of one engine, walked in the engine's own order. The position reached
// is the state of the list.
class VoiceList {
public:
    virtual ~VoiceList() = default;
    // 1: the list is open at its start; -1: the engine's enumerator could not be had.
    virtual int open() = 0;
    // Moves on to the next voice, which becomes the current one. S_OK: there is one; anything
    // else: the end of the list, or a failure.
    virtual HRESULT next() = 0;
    // The current voice's name as 8-bit text, cut to bufferSize. False, with buffer untouched,
    // when there is none to write.
    virtual bool currentName(char* buffer, size_t bufferSize) = 0;
    // Lets go of the enumerator but keeps the current voice, so it can be handed to the engine.
    virtual void endEnumeration() = 0;
};

class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;
    // 1: spoken or queued; -1: refused. With wait, returns when the speech has ended or after
    // speechWaitLimitMs.
    virtual int speak(const WCHAR* text, bool wait) = 0;
    // Words per minute; 0 when the engine does not answer.
    virtual DWORD speed() = 0;
    // 1: taken; 0: refused.
    virtual int setSpeed(DWORD wordsPerMinute) = 0;
    // A list of this engine's voices, not yet open.
    virtual VoiceList* newVoiceList() = 0;
    // Speaks from now on with chosen's current voice. chosen comes from this engine's
    // newVoiceList.
    virtual HRESULT useVoice(VoiceList& chosen) = 0;
    // S_OK: shown; E_NOTIMPL: the engine has no such dialog; anything else: it could not be shown.
    virtual HRESULT showDialog(HWND owner, EngineDialog which) = 0;
};
