// The fake SAPI 5 objects.
#include "support/fake_sapi5_engine.h"
#include <sperror.h>
#include <cstring>

namespace {

FakeSapi5Engine* sapi5 = nullptr;

std::string flagNames(DWORD flags)
{
    std::string names;
    const std::pair<DWORD, const char*> known[] = { { SPF_ASYNC, "async" }, { SPF_PURGEBEFORESPEAK, "purge" },
                                                    { SPF_IS_FILENAME, "file" }, { SPF_IS_XML, "xml" },
                                                    { SPF_IS_NOT_XML, "not-xml" } };
    for (auto& k : known)
        if (flags & k.first) {
            names += (names.empty() ? "" : "+") + std::string(k.second);
            flags &= ~k.first;
        }
    if (flags)
        names += (names.empty() ? "" : "+") + std::to_string(flags);
    return names.empty() ? "0" : names;
}

WCHAR* coTaskCopy(const std::wstring& text)
{
    size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    WCHAR* copy = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
    std::memcpy(copy, text.c_str(), bytes);
    return copy;
}

} // namespace

// The data key methods every token and category carries; the program reads only strings.
#define FAKE_DATA_KEY_METHODS                                                                               \
    HRESULT STDMETHODCALLTYPE SetData(LPCWSTR, ULONG, const BYTE*) override { return E_NOTIMPL; }           \
    HRESULT STDMETHODCALLTYPE GetData(LPCWSTR, ULONG*, BYTE*) override { return E_NOTIMPL; }                \
    HRESULT STDMETHODCALLTYPE SetStringValue(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }               \
    HRESULT STDMETHODCALLTYPE SetDWORD(LPCWSTR, DWORD) override { return E_NOTIMPL; }                       \
    HRESULT STDMETHODCALLTYPE GetDWORD(LPCWSTR, DWORD*) override { return E_NOTIMPL; }                      \
    HRESULT STDMETHODCALLTYPE OpenKey(LPCWSTR, ISpDataKey**) override { return E_NOTIMPL; }                 \
    HRESULT STDMETHODCALLTYPE CreateKey(LPCWSTR, ISpDataKey**) override { return E_NOTIMPL; }               \
    HRESULT STDMETHODCALLTYPE DeleteKey(LPCWSTR) override { return E_NOTIMPL; }                             \
    HRESULT STDMETHODCALLTYPE DeleteValue(LPCWSTR) override { return E_NOTIMPL; }                           \
    HRESULT STDMETHODCALLTYPE EnumKeys(ULONG, LPWSTR*) override { return E_NOTIMPL; }                       \
    HRESULT STDMETHODCALLTYPE EnumValues(ULONG, LPWSTR*) override { return E_NOTIMPL; }

#define FAKE_UNKNOWN_METHODS(Interface)                                                                     \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override                               \
    {                                                                                                       \
        *out = nullptr;                                                                                     \
        if (iid != __uuidof(Interface) && iid != IID_IUnknown)                                              \
            return E_NOINTERFACE;                                                                           \
        *out = static_cast<Interface*>(this);                                                               \
        addRef();                                                                                           \
        return S_OK;                                                                                        \
    }                                                                                                       \
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }                                          \
    ULONG STDMETHODCALLTYPE Release() override { return release(); }

class FakeToken : public FakeComObject, public ISpObjectToken {
public:
    explicit FakeToken(const FakeVoiceToken& voice)
        : FakeComObject(sapi5->log, "token " + narrowForLog(voice.description.c_str())), voice_(voice)
    {
    }
    FAKE_UNKNOWN_METHODS(ISpObjectToken)
    FAKE_DATA_KEY_METHODS

    HRESULT STDMETHODCALLTYPE GetStringValue(LPCWSTR valueName, LPWSTR* value) override
    {
        sapi5->record(std::string("GetStringValue ") + (valueName ? narrowForLog(valueName) : "default"));
        *value = nullptr;
        if (valueName || FAILED(voice_.descriptionResult))
            return valueName ? SPERR_NOT_FOUND : voice_.descriptionResult;
        *value = coTaskCopy(voice_.description);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetId(LPCWSTR, LPCWSTR, WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override
    {
        sapi5->record("GetId");
        *id = coTaskCopy(voice_.id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCategory(ISpObjectTokenCategory**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, DWORD, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStorageFileName(REFCLSID, LPCWSTR, LPCWSTR, ULONG, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveStorageFileName(REFCLSID, LPCWSTR, WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Remove(const CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsUISupported(LPCWSTR, void*, ULONG, IUnknown*, WINBOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisplayUI(HWND, LPCWSTR, LPCWSTR, void*, ULONG, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MatchesAttributes(LPCWSTR, WINBOOL*) override { return E_NOTIMPL; }

    std::string voiceName() const { return narrowForLog(voice_.description.c_str()); }

private:
    FakeVoiceToken voice_;
};

class FakeTokenEnumeration : public FakeComObject, public IEnumSpObjectTokens {
public:
    explicit FakeTokenEnumeration(int number) : FakeComObject(sapi5->log, "Tokens#" + std::to_string(number)) {}
    FAKE_UNKNOWN_METHODS(IEnumSpObjectTokens)

    // A new token object for every voice handed out, as the platform's enumeration does.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) override
    {
        sapi5->record("Next");
        if (fetched)
            *fetched = 0;
        if (count != 1 || position_ >= sapi5->voices.size())
            return S_FALSE;
        *tokens = sapi5->newToken(position_++);
        if (fetched)
            *fetched = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumSpObjectTokens**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Item(ULONG, ISpObjectToken**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCount(ULONG*) override { return E_NOTIMPL; }

private:
    size_t position_ = 0;
};

class FakeTokenCategory : public FakeComObject, public ISpObjectTokenCategory {
public:
    explicit FakeTokenCategory(int number) : FakeComObject(sapi5->log, "Category#" + std::to_string(number)) {}
    FAKE_UNKNOWN_METHODS(ISpObjectTokenCategory)
    FAKE_DATA_KEY_METHODS
    HRESULT STDMETHODCALLTYPE GetStringValue(LPCWSTR, LPWSTR*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE SetId(LPCWSTR categoryId, WINBOOL createIfMissing) override
    {
        sapi5->record("SetId " + narrowForLog(categoryId) + " create=" + std::to_string(createIfMissing));
        return sapi5->setIdResult;
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDataKey(SPDATAKEYLOCATION, ISpDataKey**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumTokens(LPCWSTR required, LPCWSTR optional, IEnumSpObjectTokens** out) override
    {
        sapi5->record(std::string("EnumTokens required=") + (required ? narrowForLog(required) : "null") +
                      " optional=" + (optional ? narrowForLog(optional) : "null"));
        *out = nullptr;
        if (FAILED(sapi5->enumTokensResult))
            return sapi5->enumTokensResult;
        *out = sapi5->newEnumeration();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetDefaultTokenId(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDefaultTokenId(LPWSTR*) override { return E_NOTIMPL; }
};

class FakeSapi5Voice : public FakeComObject, public ISpVoice {
public:
    explicit FakeSapi5Voice(int number) : FakeComObject(sapi5->log, "Voice#" + std::to_string(number)) {}
    FAKE_UNKNOWN_METHODS(ISpVoice)

    HRESULT STDMETHODCALLTYPE SetNotifySink(ISpNotifySink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNotifyWindowMessage(HWND, UINT, WPARAM, LPARAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNotifyCallbackFunction(SPNOTIFYCALLBACK*, WPARAM, LPARAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNotifyCallbackInterface(ISpNotifyCallback*, WPARAM, LPARAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNotifyWin32Event() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WaitForNotifyEvent(DWORD) override { return E_NOTIMPL; }
    HANDLE STDMETHODCALLTYPE GetNotifyEventHandle() override { return nullptr; }
    HRESULT STDMETHODCALLTYPE SetInterest(ULONGLONG, ULONGLONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetEvents(ULONG, SPEVENT*, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInfo(SPEVENTSOURCEINFO*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE SetOutput(IUnknown*, WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOutputObjectToken(ISpObjectToken**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOutputStream(ISpStreamFormat**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resume() override { return E_NOTIMPL; }
    // Like the platform's voice, it holds the token it speaks with.
    HRESULT STDMETHODCALLTYPE SetVoice(ISpObjectToken* token) override
    {
        FakeToken* fake = static_cast<FakeToken*>(token);
        sapi5->record("SetVoice " + (fake ? fake->voiceName() : std::string("null")));
        if (FAILED(sapi5->setVoiceResult))
            return sapi5->setVoiceResult;
        if (token)
            token->AddRef();
        if (voice_)
            voice_->Release();
        voice_ = token;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVoice(ISpObjectToken**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Speak(LPCWSTR text, DWORD flags, ULONG* streamNumber) override
    {
        sapi5->lastSpoken = text ? text : L"<null>";
        sapi5->spokenWide.push_back(sapi5->lastSpoken);
        sapi5->record("Speak '" + narrowForLog(text) + "' flags=" + flagNames(flags) +
                      " stream=" + (streamNumber ? "set" : "null"));
        return takeScriptedResult(sapi5->speakResults);
    }
    HRESULT STDMETHODCALLTYPE SpeakStream(IStream*, DWORD, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatus(SPVOICESTATUS*, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Skip(LPCWSTR, LONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPriority(SPVPRIORITY) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(SPVPRIORITY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAlertBoundary(SPEVENTENUM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAlertBoundary(SPEVENTENUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRate(LONG rate) override
    {
        sapi5->record("SetRate " + std::to_string(rate));
        if (SUCCEEDED(sapi5->rateResult))
            sapi5->voiceRate = rate;
        return sapi5->rateResult;
    }
    HRESULT STDMETHODCALLTYPE GetRate(LONG* rate) override
    {
        sapi5->record("GetRate");
        if (SUCCEEDED(sapi5->rateResult))
            *rate = sapi5->rate;
        return sapi5->rateResult;
    }
    HRESULT STDMETHODCALLTYPE SetVolume(USHORT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVolume(USHORT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WaitUntilDone(ULONG milliseconds) override
    {
        sapi5->record("WaitUntilDone " + std::to_string(milliseconds));
        return sapi5->waitResult;
    }
    HRESULT STDMETHODCALLTYPE SetSyncSpeakTimeout(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSyncSpeakTimeout(ULONG*) override { return E_NOTIMPL; }
    HANDLE STDMETHODCALLTYPE SpeakCompleteEvent() override { return nullptr; }
    HRESULT STDMETHODCALLTYPE IsUISupported(LPCWSTR kind, void* extra, ULONG extraSize, WINBOOL* supported) override
    {
        sapi5->record("IsUISupported " + narrowForLog(kind) + (extra || extraSize ? " extra" : ""));
        if (SUCCEEDED(sapi5->uiSupportedResult))
            *supported = sapi5->uiSupported;
        return sapi5->uiSupportedResult;
    }
    HRESULT STDMETHODCALLTYPE DisplayUI(HWND owner, LPCWSTR title, LPCWSTR kind, void*, ULONG) override
    {
        sapi5->record("DisplayUI owner=" + std::to_string(reinterpret_cast<ULONG_PTR>(owner)) +
                      " title=" + (title ? narrowForLog(title) : "null") + " " + narrowForLog(kind));
        return sapi5->displayUiResult;
    }

protected:
    void released() override
    {
        if (voice_)
            voice_->Release();
        voice_ = nullptr;
    }

private:
    ISpObjectToken* voice_ = nullptr;
};

FakeSapi5Engine::FakeSapi5Engine() : previous_(speechCalls.CoCreateInstance)
{
    sapi5 = this;
    speechCalls.CoCreateInstance = create;
}

FakeSapi5Engine::~FakeSapi5Engine()
{
    speechCalls.CoCreateInstance = previous_;
    sapi5 = nullptr;
}

FakeToken* FakeSapi5Engine::newToken(size_t position)
{
    return keep(new FakeToken(voices[position]));
}

IEnumSpObjectTokens* FakeSapi5Engine::newEnumeration()
{
    return keep(new FakeTokenEnumeration(++enumerationsMade_));
}

HRESULT WINAPI FakeSapi5Engine::create(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid,
                                       LPVOID* object)
{
    bool voice = classId == spVoiceClassId;
    if (!voice && classId != spTokenCategoryClassId)
        return sapi5->previous_(classId, outer, context, iid, object);
    const char* interfaceName = iid == __uuidof(ISpVoice)                 ? "ISpVoice"
                                : iid == __uuidof(ISpObjectTokenCategory) ? "ISpObjectTokenCategory"
                                                                          : "?";
    sapi5->record(std::string("create ") + (voice ? "SpVoice" : "SpObjectTokenCategory") +
                  " context=" + std::to_string(context) + " " + interfaceName + (outer ? " outer" : ""));
    *object = nullptr;
    if (voice && sapi5->voiceInstalled && iid == __uuidof(ISpVoice)) {
        *object = static_cast<ISpVoice*>(sapi5->keep(new FakeSapi5Voice(++sapi5->voicesMade_)));
        return S_OK;
    }
    if (!voice && sapi5->categoryInstalled && iid == __uuidof(ISpObjectTokenCategory)) {
        *object = static_cast<ISpObjectTokenCategory*>(sapi5->keep(new FakeTokenCategory(++sapi5->categoriesMade_)));
        return S_OK;
    }
    return REGDB_E_CLASSNOTREG;
}
