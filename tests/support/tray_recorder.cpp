// Records the tray calls, reading each record only as far as its cbSize reaches.
#include "support/tray_recorder.h"
#include "shell/tray_shell.h"
#include <cstddef>

namespace {

TrayRecorder* active = nullptr;

std::string narrow(const char* text, size_t limit)
{
    size_t length = 0;
    while (length < limit && text[length])
        ++length;
    return std::string(text, length);
}

std::string narrow(const wchar_t* text, size_t limit)
{
    std::string result;
    for (size_t i = 0; i < limit && text[i]; ++i)
        result += static_cast<char>(text[i] < 0x80 ? text[i] : '?');
    return result;
}

std::wstring wide(const char* text, size_t limit)
{
    std::wstring result;
    for (size_t i = 0; i < limit && text[i]; ++i)
        result += static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    return result;
}

std::wstring wide(const wchar_t* text, size_t limit)
{
    size_t length = 0;
    while (length < limit && text[length])
        ++length;
    return std::wstring(text, length);
}

template <class Record>
RecordedTrayCall record(DWORD message, const Record* data, bool isWide)
{
    RecordedTrayCall call;
    call.message = message;
    call.wide = isWide;
    call.size = data->cbSize;
    call.flags = data->uFlags;
    size_t tipChars = data->cbSize > offsetof(Record, szTip) + 64 * sizeof(data->szTip[0]) ? 128 : 64;
    if (call.flags & NIF_TIP)
        call.tip = narrow(data->szTip, tipChars);
    if ((call.flags & NIF_INFO) && data->cbSize >= offsetof(Record, guidItem)) {
        call.title = wide(data->szInfoTitle, 64);
        call.text = wide(data->szInfo, 256);
        call.infoFlags = data->dwInfoFlags;
    }
    if (data->cbSize >= sizeof(WithBalloonIcon<Record>))
        call.balloonIcon = reinterpret_cast<const WithBalloonIcon<Record>*>(data)->balloonIcon;
    return call;
}

} // namespace

TrayRecorder::TrayRecorder() : saved_(shellNotifyCalls)
{
    active = this;
    shellNotifyCalls.Shell_NotifyIconA = notifyAnsi;
    shellNotifyCalls.Shell_NotifyIconW = notifyWide;
    shellNotifyCalls.DllGetVersion = version;
}

TrayRecorder::~TrayRecorder()
{
    shellNotifyCalls = saved_;
    active = nullptr;
}

void TrayRecorder::playShell(DWORD majorVersion, DWORD minorVersion, DWORD buildNumber)
{
    versionKnown = true;
    major = majorVersion;
    minor = minorVersion;
    build = buildNumber;
}

std::vector<RecordedTrayCall> TrayRecorder::balloons() const
{
    std::vector<RecordedTrayCall> shown;
    for (const RecordedTrayCall& call : calls)
        if (call.flags & NIF_INFO)
            shown.push_back(call);
    return shown;
}

std::string TrayRecorder::lastTip() const
{
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->flags & NIF_TIP)
            return it->tip;
    return std::string();
}

BOOL WINAPI TrayRecorder::notifyAnsi(DWORD message, PNOTIFYICONDATAA data)
{
    active->calls.push_back(record(message, data, false));
    return TRUE;
}

BOOL WINAPI TrayRecorder::notifyWide(DWORD message, PNOTIFYICONDATAW data)
{
    active->calls.push_back(record(message, data, true));
    return TRUE;
}

HRESULT CALLBACK TrayRecorder::version(DLLVERSIONINFO* info)
{
    if (!active->versionKnown)
        return E_NOTIMPL;
    info->dwMajorVersion = active->major;
    info->dwMinorVersion = active->minor;
    info->dwBuildNumber = active->build;
    info->dwPlatformID = DLLVER_PLATFORM_NT;
    return S_OK;
}
