// The Speech API 4 voice-text service and mode enumerator behind the speech wrapper.
#include "notify/sapi4_engine.h"
#include "notify/speech_calls.h"
#include "notify/text_conversion.h"
#include <cstring>

namespace {

// The old engine is asked whether it still speaks once a second, five times at most.
const DWORD speechWaitMs = 1000;
const int maxSpeechWaits = static_cast<int>(speechWaitLimitMs / speechWaitMs);

} // namespace

VoiceText::~VoiceText()
{
    attributes.reset();
    dialogs.reset();
    voiceText.reset();
}

int VoiceText::start()
{
    if (FAILED(speechCalls.CoCreateInstance(CLSID_VTxt, nullptr, CLSCTX_LOCAL_SERVER, IID_IVoiceText,
                                            voiceText.put())) ||
        !voiceText)
        return -1;
    // A missing interface leaves its pointer null; the calls through it then fail on their own.
    attributes.queryFrom(voiceText.get(), IID_IVTxtAttributes);
    dialogs.queryFrom(voiceText.get(), IID_IVTxtDialogs);
    HRESULT registered = voiceText->Register(nullptr, L"SPEAKLIB", nullptr, IID_IVTxtNotifySink, 0, nullptr);
    return registered == S_OK ? 1 : -1;
}

bool VoiceText::stillSpeaking()
{
    BOOL speaking = FALSE;
    return attributes && attributes->IsSpeaking(&speaking) == S_OK && speaking;
}

int VoiceText::speak(const WCHAR* text, bool wait)
{
    if (!voiceText)
        return -1;
    HRESULT result = voiceText->Speak(text, 0, nullptr);
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

DWORD VoiceText::speed()
{
    DWORD wordsPerMinute = 0;
    if (!attributes || attributes->SpeedGet(&wordsPerMinute) != S_OK)
        return 0;
    return wordsPerMinute;
}

int VoiceText::setSpeed(DWORD wordsPerMinute)
{
    return attributes && attributes->SpeedSet(wordsPerMinute) == S_OK ? 1 : 0;
}

VoiceList* VoiceText::newVoiceList()
{
    return new VoiceModeList;
}

HRESULT VoiceText::useVoice(VoiceList& chosen)
{
    // Lists of this engine are always VoiceModeLists (newVoiceList).
    GUID modeId = static_cast<VoiceModeList&>(chosen).currentModeId();
    return attributes ? attributes->TTSModeSet(modeId) : E_NOINTERFACE;
}

HRESULT VoiceText::showDialog(HWND owner, EngineDialog which)
{
    if (!dialogs)
        return E_NOINTERFACE;
    switch (which) {
    case EngineDialog::About:
        return dialogs->AboutDlg(owner, nullptr);
    case EngineDialog::General:
        return dialogs->GeneralDlg(owner, nullptr);
    case EngineDialog::Lexicon:
        return dialogs->LexiconDlg(owner, nullptr);
    case EngineDialog::Translate:
        return dialogs->TranslateDlg(owner, nullptr);
    }
    return E_INVALIDARG;
}

VoiceModeList::VoiceModeList()
{
    std::memset(&mode, 0, sizeof mode);
}

VoiceModeList::~VoiceModeList()
{
    endEnumeration();
}

int VoiceModeList::open()
{
    if (FAILED(speechCalls.CoCreateInstance(CLSID_TTSEnumerator, nullptr,
                                            CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                            IID_ITTSEnumW, modes.put())) ||
        !modes)
        return -1;
    return find.queryFrom(modes.get(), IID_ITTSFindW) == S_OK ? 1 : -1;
}

HRESULT VoiceModeList::next()
{
    ULONG fetched = 0;
    return modes ? modes->Next(1, &mode, &fetched) : E_NOINTERFACE;
}

bool VoiceModeList::currentName(char* buffer, size_t bufferSize)
{
    return wideToAnsi(mode.szModeName, ttsNameLength, buffer, bufferSize);
}

void VoiceModeList::endEnumeration()
{
    modes.reset();
    find.reset();
}
