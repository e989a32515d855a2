// The parts of the Speech API 4 the program uses, declared here because no SDK header for it is
// available: the voice-text object, the text-to-speech mode enumerator, their records and ids.
// Every interface is the wide (UTF-16) variant; the vtable order is the published one.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <cstddef>

extern const GUID CLSID_VTxt;          // voice-text object, runs out of process
extern const GUID CLSID_TTSEnumerator; // enumerator of the installed modes (voices)
extern const GUID IID_IVoiceText;
extern const GUID IID_IVTxtAttributes;
extern const GUID IID_IVTxtDialogs;
extern const GUID IID_IVTxtNotifySink;
extern const GUID IID_ITTSEnumW;
extern const GUID IID_ITTSFindW;

// Answers of the voice-text object that the program acts on.
const HRESULT speakWaveDeviceBusy = static_cast<HRESULT>(0x80040203);

const size_t ttsNameLength = 262;    // every name field, with its terminator
const size_t ttsDialectLength = 64;

struct LANGUAGEW {
    LANGID LanguageID;
    WCHAR szDialect[ttsDialectLength];
};

// One text-to-speech mode, as ITTSEnumW::Next fills it.
struct TTSMODEINFOW {
    GUID gEngineID;
    WCHAR szMfgName[ttsNameLength];
    WCHAR szProductName[ttsNameLength];
    GUID gModeID;
    WCHAR szModeName[ttsNameLength];
    LANGUAGEW language;
    WCHAR szSpeaker[ttsNameLength];
    WCHAR szStyle[ttsNameLength];
    WORD wGender;
    WORD wAge;
    DWORD dwFeatures;
    DWORD dwInterfaces;
    DWORD dwEngineFeatures;
};

// The record holds no pointers, so its layout is the same in both builds.
static_assert(sizeof(LANGUAGEW) == 130, "LANGUAGEW layout");
static_assert(sizeof(TTSMODEINFOW) == 2800, "TTSMODEINFOW is 2800 bytes");
static_assert(offsetof(TTSMODEINFOW, szMfgName) == 16, "TTSMODEINFOW layout");
static_assert(offsetof(TTSMODEINFOW, szProductName) == 540, "TTSMODEINFOW layout");
static_assert(offsetof(TTSMODEINFOW, gModeID) == 1064, "TTSMODEINFOW layout");
static_assert(offsetof(TTSMODEINFOW, szModeName) == 1080, "TTSMODEINFOW layout");
static_assert(offsetof(TTSMODEINFOW, language) == 1604, "TTSMODEINFOW layout");
static_assert(offsetof(TTSMODEINFOW, szSpeaker) == 1734, "TTSMODEINFOW layout");
static_assert(offsetof(TTSMODEINFOW, szStyle) == 2258, "TTSMODEINFOW layout");
static_assert(offsetof(TTSMODEINFOW, wGender) == 2782, "TTSMODEINFOW layout");
static_assert(offsetof(TTSMODEINFOW, dwFeatures) == 2788, "TTSMODEINFOW layout");
static_assert(offsetof(TTSMODEINFOW, dwEngineFeatures) == 2796, "TTSMODEINFOW layout");

// Optional start-up values for Register; the program passes none.
struct VTSITEINFO {
    DWORD dwDevice;
    DWORD dwEnable;
    DWORD dwSpeed;
    GUID gModeID;
};
static_assert(sizeof(VTSITEINFO) == 28, "VTSITEINFO layout");

struct TTSMODEINFORANK; // only named by ITTSFindW::Find, which the program never calls

// GUID parameters are passed by value, as the engine expects them on the stack.
struct IVoiceText : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Register(const WCHAR* site, const WCHAR* application,
                                               IUnknown* notifySink, GUID notifyIid, DWORD flags,
                                               VTSITEINFO* siteInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE Speak(const WCHAR* text, DWORD flags, const WCHAR* tags) = 0;
    virtual HRESULT STDMETHODCALLTYPE StopSpeaking() = 0;
    virtual HRESULT STDMETHODCALLTYPE AudioFastForward() = 0;
    virtual HRESULT STDMETHODCALLTYPE AudioPause() = 0;
    virtual HRESULT STDMETHODCALLTYPE AudioResume() = 0;
    virtual HRESULT STDMETHODCALLTYPE AudioRewind() = 0;
};

struct IVTxtAttributes : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DeviceGet(DWORD* device) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeviceSet(DWORD device) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnabledGet(DWORD* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnabledSet(DWORD enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsSpeaking(BOOL* speaking) = 0;
    virtual HRESULT STDMETHODCALLTYPE SpeedGet(DWORD* speed) = 0;
    virtual HRESULT STDMETHODCALLTYPE SpeedSet(DWORD speed) = 0;
    virtual HRESULT STDMETHODCALLTYPE TTSModeGet(GUID* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE TTSModeSet(GUID mode) = 0;
};

struct IVTxtDialogs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AboutDlg(HWND owner, const WCHAR* title) = 0;
    virtual HRESULT STDMETHODCALLTYPE LexiconDlg(HWND owner, const WCHAR* title) = 0;
    virtual HRESULT STDMETHODCALLTYPE GeneralDlg(HWND owner, const WCHAR* title) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateDlg(HWND owner, const WCHAR* title) = 0;
};

struct ITTSEnumW : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, TTSMODEINFOW* modes, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(ITTSEnumW** copy) = 0;
    // central is an ITTSCentralW, which the program never uses.
    virtual HRESULT STDMETHODCALLTYPE Select(GUID modeId, IUnknown** central, IUnknown* audio) = 0;
};

struct ITTSFindW : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Find(TTSMODEINFOW* wanted, TTSMODEINFORANK* rank,
                                           TTSMODEINFOW* found) = 0;
    virtual HRESULT STDMETHODCALLTYPE Select(GUID modeId, IUnknown** central, IUnknown* audio) = 0;
};
