// SAPI 5 speech: the wrapper's operations over ISpVoice and the voice tokens.
#include "notify/sapi5_engine.h"
#include "notify/speech_calls.h"
#include "notify/speech_rate.h"
#include "notify/text_conversion.h"
#include <cwchar>

namespace {

// Senders and subjects come from mail: they are spoken as plain text, never read as speech
// markup that could silence or redirect the voice. Speech is queued, as with the old engine.
const DWORD speakFlags = SPF_ASYNC | SPF_IS_NOT_XML;

// The engine's own dialogs that have a SAPI 5 counterpart; About and Translate have none.
const WCHAR* dialogKind(EngineDialog which)
{
    switch (which) {
    case EngineDialog::General:
        return SPDUI_EngineProperties;
    case EngineDialog::Lexicon:
        return SPDUI_AddRemoveWord;
    case EngineDialog::About:
    case EngineDialog::Translate:
        break;
    }
    return nullptr;
}

// Writes a text the engine allocated, cut to the buffer, and frees it. With lastPartOnly, only
// what follows its last backslash (a token id is a registry path).
bool takeName(HRESULT got, WCHAR* text, bool lastPartOnly, char* buffer, size_t bufferSize)
{
    bool written = false;
    if (SUCCEEDED(got) && text) {
        const WCHAR* lastBackslash = lastPartOnly ? std::wcsrchr(text, L'\\') : nullptr;
        const WCHAR* name = lastBackslash ? lastBackslash + 1 : text;
        written = wideToAnsi(name, bufferSize, buffer, bufferSize);
    }
    CoTaskMemFree(text);
    return written;
}

} // namespace

int Sapi5Voice::start()
{
    if (FAILED(speechCalls.CoCreateInstance(spVoiceClassId, nullptr, CLSCTX_ALL, __uuidof(ISpVoice),
                                            voice.put())) ||
        !voice)
        return -1;
    return 1;
}

int Sapi5Voice::speak(const WCHAR* text, bool wait)
{
    if (!voice || FAILED(voice->Speak(text, speakFlags, nullptr)))
        return -1;
    // Whether the wait ended with the speech or at the limit, the text was spoken or queued.
    if (wait)
        voice->WaitUntilDone(speechWaitLimitMs);
    return 1;
}

DWORD Sapi5Voice::speed()
{
    LONG rate = 0;
    if (!voice || FAILED(voice->GetRate(&rate)))
        return 0;
    return wordsPerMinuteForRate(rate);
}

int Sapi5Voice::setSpeed(DWORD wordsPerMinute)
{
    LONG rate = 0;
    if (!voice || !rateForWordsPerMinute(wordsPerMinute, &rate))
        return 0;
    return SUCCEEDED(voice->SetRate(rate)) ? 1 : 0;
}

VoiceList* Sapi5Voice::newVoiceList()
{
    return new VoiceTokenList;
}

HRESULT Sapi5Voice::useVoice(VoiceList& chosen)
{
    // Lists of this engine are always VoiceTokenLists (newVoiceList).
    ISpObjectToken* token = static_cast<VoiceTokenList&>(chosen).currentToken();
    if (!voice || !token)
        return E_POINTER;
    return voice->SetVoice(token);
}

HRESULT Sapi5Voice::showDialog(HWND owner, EngineDialog which)
{
    const WCHAR* kind = dialogKind(which);
    if (!kind)
        return E_NOTIMPL;
    if (!voice)
        return E_NOINTERFACE;
    BOOL supported = FALSE;
    HRESULT asked = voice->IsUISupported(kind, nullptr, 0, &supported);
    if (FAILED(asked))
        return asked;
    if (!supported)
        return E_NOTIMPL;
    return SUCCEEDED(voice->DisplayUI(owner, nullptr, kind, nullptr, 0)) ? S_OK : E_FAIL;
}

VoiceTokenList::~VoiceTokenList()
{
    current.reset();
    endEnumeration();
}

int VoiceTokenList::open()
{
    if (FAILED(speechCalls.CoCreateInstance(spTokenCategoryClassId, nullptr, CLSCTX_ALL,
                                            __uuidof(ISpObjectTokenCategory), category.put())) ||
        !category)
        return -1;
    if (FAILED(category->SetId(SPCAT_VOICES, FALSE)))
        return -1;
    if (FAILED(category->EnumTokens(nullptr, nullptr, tokens.putInterface())) || !tokens)
        return -1;
    return 1;
}

HRESULT VoiceTokenList::next()
{
    current.reset();
    if (!tokens)
        return E_NOINTERFACE;
    ULONG fetched = 0;
    HRESULT result = tokens->Next(1, current.putInterface(), &fetched);
    if (result == S_OK && fetched == 1 && current)
        return S_OK;
    current.reset();
    return FAILED(result) ? result : S_FALSE;
}

bool VoiceTokenList::currentName(char* buffer, size_t bufferSize)
{
    if (!current)
        return false;
    // The description is the token key's default value. A token without a readable one is
    // shown by the last part of its id, so the voices after it keep their positions.
    WCHAR* description = nullptr;
    HRESULT got = current->GetStringValue(nullptr, &description);
    if (takeName(got, description, false, buffer, bufferSize))
        return true;
    WCHAR* id = nullptr;
    got = current->GetId(&id);
    return takeName(got, id, true, buffer, bufferSize);
}

void VoiceTokenList::endEnumeration()
{
    tokens.reset();
    category.reset();
}
