// The fake Speech API 4 objects.
#include "support/fake_speech_engine.h"
#include <algorithm>
#include <cstring>

namespace {

FakeSpeechEngine* engine = nullptr;

const char* iidName(REFIID iid)
{
    if (iid == IID_IVoiceText) return "IVoiceText";
    if (iid == IID_IVTxtAttributes) return "IVTxtAttributes";
    if (iid == IID_IVTxtDialogs) return "IVTxtDialogs";
    if (iid == IID_IVTxtNotifySink) return "IVTxtNotifySink";
    if (iid == IID_ITTSEnumW) return "ITTSEnumW";
    if (iid == IID_ITTSFindW) return "ITTSFindW";
    if (iid == IID_IUnknown) return "IUnknown";
    return "?";
}

std::string dialogCall(const char* name, HWND owner, const WCHAR* title)
{
    return std::string(name) + " owner=" + std::to_string(reinterpret_cast<ULONG_PTR>(owner)) +
           " title=" + (title ? "set" : "null");
}

} // namespace

GUID fakeModeId(int n)
{
    GUID id = {};
    id.Data4[7] = static_cast<unsigned char>(n);
    return id;
}

class FakeVoiceTextObject : public FakeComObject, public IVoiceText, public IVTxtAttributes, public IVTxtDialogs {
public:
    explicit FakeVoiceTextObject(int number) : FakeComObject(engine->log, "VoiceText#" + std::to_string(number)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        engine->record(std::string("query ") + iidName(iid));
        *out = nullptr;
        if (iid == IID_IVoiceText || iid == IID_IUnknown)
            *out = static_cast<IVoiceText*>(this);
        else if (iid == IID_IVTxtAttributes && engine->withAttributes)
            *out = static_cast<IVTxtAttributes*>(this);
        else if (iid == IID_IVTxtDialogs && engine->withDialogs)
            *out = static_cast<IVTxtDialogs*>(this);
        if (!*out)
            return E_NOINTERFACE;
        addRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }

    HRESULT STDMETHODCALLTYPE Register(const WCHAR* site, const WCHAR* application, IUnknown* sink,
                                       GUID iid, DWORD flags, VTSITEINFO* info) override
    {
        engine->record(std::string("Register site=") + (site ? narrowForLog(site) : "null") + " app=" +
                       narrowForLog(application) + " sink=" + (sink ? "set" : "null") + " iid=" + iidName(iid) +
                       " flags=" + std::to_string(flags) + " info=" + (info ? "set" : "null"));
        return engine->registerResult;
    }
    HRESULT STDMETHODCALLTYPE Speak(const WCHAR* text, DWORD flags, const WCHAR* tags) override
    {
        engine->lastSpoken = text;
        engine->spokenWide.push_back(text ? text : L"<null>");
        engine->record("Speak '" + narrowForLog(text) + "' flags=" + std::to_string(flags) +
                       " tags=" + (tags ? "set" : "null"));
        speakingLeft_ = engine->speakingPolls;
        return takeScriptedResult(engine->speakResults);
    }
    HRESULT STDMETHODCALLTYPE StopSpeaking() override { engine->record("StopSpeaking"); return S_OK; }
    HRESULT STDMETHODCALLTYPE AudioFastForward() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AudioPause() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AudioResume() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AudioRewind() override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE DeviceGet(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeviceSet(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnabledGet(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnabledSet(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsSpeaking(BOOL* speaking) override
    {
        engine->record("IsSpeaking");
        *speaking = speakingLeft_ != 0;
        if (speakingLeft_ > 0)
            --speakingLeft_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SpeedGet(DWORD* speed) override
    {
        engine->record("SpeedGet");
        if (engine->speedResult == S_OK)
            *speed = engine->speed;
        return engine->speedResult;
    }
    HRESULT STDMETHODCALLTYPE SpeedSet(DWORD speed) override
    {
        engine->record("SpeedSet " + std::to_string(speed));
        return engine->speedResult;
    }
    HRESULT STDMETHODCALLTYPE TTSModeGet(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TTSModeSet(GUID mode) override
    {
        engine->record(std::string("TTSModeSet ") + engine->modeName(mode));
        return engine->modeSetResult;
    }

    HRESULT STDMETHODCALLTYPE AboutDlg(HWND owner, const WCHAR* title) override { return dialog("AboutDlg", owner, title); }
    HRESULT STDMETHODCALLTYPE LexiconDlg(HWND owner, const WCHAR* title) override { return dialog("LexiconDlg", owner, title); }
    HRESULT STDMETHODCALLTYPE GeneralDlg(HWND owner, const WCHAR* title) override { return dialog("GeneralDlg", owner, title); }
    HRESULT STDMETHODCALLTYPE TranslateDlg(HWND owner, const WCHAR* title) override { return dialog("TranslateDlg", owner, title); }

private:
    HRESULT dialog(const char* name, HWND owner, const WCHAR* title)
    {
        engine->record(dialogCall(name, owner, title));
        return engine->dialogResult;
    }
    int speakingLeft_ = 0;
};

class FakeModeEnumerator : public FakeComObject, public ITTSEnumW, public ITTSFindW {
public:
    explicit FakeModeEnumerator(int number) : FakeComObject(engine->log, "Enumerator#" + std::to_string(number)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        engine->record(std::string("query ") + iidName(iid));
        *out = nullptr;
        if (iid == IID_ITTSEnumW || iid == IID_IUnknown)
            *out = static_cast<ITTSEnumW*>(this);
        else if (iid == IID_ITTSFindW && engine->withFind)
            *out = static_cast<ITTSFindW*>(this);
        if (!*out)
            return E_NOINTERFACE;
        addRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, TTSMODEINFOW* modes, ULONG* fetched) override
    {
        engine->record("Next");
        if (fetched)
            *fetched = 0;
        if (count != 1 || position_ >= engine->modes.size())
            return S_FALSE;
        const FakeMode& mode = engine->modes[position_++];
        std::memset(modes, 0x5A, sizeof *modes); // an engine need not clear the record
        modes->gModeID = mode.id;
        size_t length = std::min(mode.name.size(), ttsNameLength);
        std::memcpy(modes->szModeName, mode.name.data(), length * sizeof(WCHAR));
        if (length < ttsNameLength)
            modes->szModeName[length] = 0;
        if (fetched)
            *fetched = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(ITTSEnumW**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Select(GUID, IUnknown**, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Find(TTSMODEINFOW*, TTSMODEINFORANK*, TTSMODEINFOW*) override
    {
        engine->record("Find");
        return E_NOTIMPL;
    }

private:
    size_t position_ = 0;
};

FakeSpeechEngine::FakeSpeechEngine() : saved_(speechCalls)
{
    engine = this;
    speechCalls = { create, sleep };
}

FakeSpeechEngine::~FakeSpeechEngine()
{
    speechCalls = saved_;
    engine = nullptr;
}

const char* FakeSpeechEngine::modeName(const GUID& id) const
{
    for (const FakeMode& mode : modes)
        if (mode.id == id) {
            static std::string name;
            name = narrowForLog(mode.name.c_str());
            return name.c_str();
        }
    return "?";
}

HRESULT WINAPI FakeSpeechEngine::create(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid,
                                        LPVOID* object)
{
    bool voiceText = classId == CLSID_VTxt;
    engine->record(std::string("create ") + (voiceText ? "VTxt" : classId == CLSID_TTSEnumerator ? "TTSEnumerator" : "?") +
                   " context=" + std::to_string(context) + " " + iidName(iid) + (outer ? " outer" : ""));
    *object = nullptr;
    if (voiceText && engine->voiceTextInstalled && iid == IID_IVoiceText) {
        *object = static_cast<IVoiceText*>(engine->keep(new FakeVoiceTextObject(++engine->voiceTextsMade_)));
        return S_OK;
    }
    if (classId == CLSID_TTSEnumerator && engine->enumeratorInstalled && iid == IID_ITTSEnumW) {
        *object = static_cast<ITTSEnumW*>(engine->keep(new FakeModeEnumerator(++engine->enumeratorsMade_)));
        return S_OK;
    }
    return REGDB_E_CLASSNOTREG;
}

VOID WINAPI FakeSpeechEngine::sleep(DWORD milliseconds)
{
    engine->record("sleep " + std::to_string(milliseconds));
}
