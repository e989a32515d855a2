// The two engine objects the speech wrapper keeps: the process's voice-text object and the list of
// installed modes. Each pointer may be null; a call through a null pointer answers E_NOINTERFACE
// without reaching the engine.
#pragma once
#include "notify/com_ref.h"
#include "notify/sapi4.h"

class VoiceText {
public:
    VoiceText() = default;
    // Releases the attributes and dialogs interfaces, then the voice-text interface.
    ~VoiceText();
    VoiceText(const VoiceText&) = delete;
    VoiceText& operator=(const VoiceText&) = delete;

    ComRef<IVoiceText> voiceText;
    ComRef<IVTxtAttributes> attributes;
    ComRef<IVTxtDialogs> dialogs;

    HRESULT Register(const WCHAR* application);
    HRESULT Speak(const WCHAR* text);
    HRESULT StopSpeaking();
    HRESULT IsSpeaking(BOOL* speaking);
    HRESULT SpeedGet(DWORD* speed);
    HRESULT SpeedSet(DWORD speed);
    HRESULT TTSModeSet(GUID mode);
    HRESULT AboutDlg(HWND owner);
    HRESULT GeneralDlg(HWND owner);
    HRESULT LexiconDlg(HWND owner);
    HRESULT TranslateDlg(HWND owner);
};

// The enumerator's position is the state of the list: every Next moves it on by one mode.
class VoiceModeList {
public:
    VoiceModeList() = default;
    ~VoiceModeList();
    VoiceModeList(const VoiceModeList&) = delete;
    VoiceModeList& operator=(const VoiceModeList&) = delete;

    ComRef<ITTSEnumW> modes;
    ComRef<ITTSFindW> find; // must be there for the list to count as open; never called

    HRESULT Next(TTSMODEINFOW& mode);
};
