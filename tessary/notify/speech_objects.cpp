// Calls through the engine's interfaces, with the null-pointer rule in one place.
#include "notify/speech_objects.h"

VoiceText::~VoiceText()
{
    attributes.reset();
    dialogs.reset();
    voiceText.reset();
}

HRESULT VoiceText::Register(const WCHAR* application)
{
    if (!voiceText)
        return E_NOINTERFACE;
    return voiceText->Register(nullptr, application, nullptr, IID_IVTxtNotifySink, 0, nullptr);
}

HRESULT VoiceText::Speak(const WCHAR* text)
{
    return voiceText ? voiceText->Speak(text, 0, nullptr) : E_NOINTERFACE;
}

HRESULT VoiceText::StopSpeaking()
{
    return voiceText ? voiceText->StopSpeaking() : E_NOINTERFACE;
}

HRESULT VoiceText::IsSpeaking(BOOL* speaking)
{
    return attributes ? attributes->IsSpeaking(speaking) : E_NOINTERFACE;
}

HRESULT VoiceText::SpeedGet(DWORD* speed)
{
    return attributes ? attributes->SpeedGet(speed) : E_NOINTERFACE;
}

HRESULT VoiceText::SpeedSet(DWORD speed)
{
    return attributes ? attributes->SpeedSet(speed) : E_NOINTERFACE;
}

HRESULT VoiceText::TTSModeSet(GUID mode)
{
    return attributes ? attributes->TTSModeSet(mode) : E_NOINTERFACE;
}

HRESULT VoiceText::AboutDlg(HWND owner)
{
    return dialogs ? dialogs->AboutDlg(owner, nullptr) : E_NOINTERFACE;
}

HRESULT VoiceText::GeneralDlg(HWND owner)
{
    return dialogs ? dialogs->GeneralDlg(owner, nullptr) : E_NOINTERFACE;
}

HRESULT VoiceText::LexiconDlg(HWND owner)
{
    return dialogs ? dialogs->LexiconDlg(owner, nullptr) : E_NOINTERFACE;
}

HRESULT VoiceText::TranslateDlg(HWND owner)
{
    return dialogs ? dialogs->TranslateDlg(owner, nullptr) : E_NOINTERFACE;
}

VoiceModeList::~VoiceModeList()
{
    modes.reset();
    find.reset();
}

HRESULT VoiceModeList::Next(TTSMODEINFOW& mode)
{
    ULONG fetched = 0;
    return modes ? modes->Next(1, &mode, &fetched) : E_NOINTERFACE;
}
