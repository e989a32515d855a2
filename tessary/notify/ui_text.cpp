// Converting mail text for the platform's controls and choosing wide or ANSI messages.
#include "notify/ui_text.h"
#include "connectivity/version_calls.h"
#include <vector>

namespace {

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

typedef LRESULT(WINAPI* SendMessageWide)(HWND, UINT, WPARAM, LPARAM);

SendMessageWide sendMessageWide()
{
    HMODULE user = GetModuleHandleA("user32.dll");
    return user ? reinterpret_cast<SendMessageWide>(
                      reinterpret_cast<void (*)()>(GetProcAddress(user, "SendMessageW")))
                : nullptr;
}

// The wide path needs both the NT family and the function itself.
SendMessageWide wideSender()
{
    return platformTakesWideText() ? sendMessageWide() : nullptr;
}

} // namespace

bool platformTakesWideText()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return versionCalls.GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string ansiFromWide(const std::wstring& text)
{
    // A pair of surrogates is one character; no ANSI code page has it.
    std::wstring basic;
    basic.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            basic += L'?';
            ++i;
        } else {
            basic += text[i];
        }
    }
    if (basic.empty() || basic.size() > 0x3FFFFFF)
        return std::string();
    int units = static_cast<int>(basic.size());
    // Windows 95 and NT 4 do not know the flag against best-fit look-alikes and refuse it.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int size = WideCharToMultiByte(CP_ACP, flags, basic.data(), units, nullptr, 0, "?", nullptr);
    if (size <= 0) {
        flags = 0;
        size = WideCharToMultiByte(CP_ACP, flags, basic.data(), units, nullptr, 0, "?", nullptr);
    }
    if (size <= 0)
        return std::string();
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, basic.data(), units, &ansi[0], size, "?", nullptr);
    return ansi;
}

std::wstring wideFromAnsi(const char* text)
{
    if (!text || !*text)
        return std::wstring();
    int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (units <= 1)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

LRESULT sendTextMessage(HWND control, UINT message, WPARAM wParam, const std::wstring& text)
{
    if (SendMessageWide send = wideSender())
        return send(control, message, wParam, reinterpret_cast<LPARAM>(text.c_str()));
    std::string ansi = ansiFromWide(text);
    return SendMessageA(control, message, wParam, reinterpret_cast<LPARAM>(ansi.c_str()));
}

size_t controlTextLength(HWND control)
{
    SendMessageWide send = wideSender();
    LRESULT length = send ? send(control, WM_GETTEXTLENGTH, 0, 0) : SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    return length > 0 ? static_cast<size_t>(length) : 0;
}

std::wstring controlText(HWND control)
{
    size_t length = controlTextLength(control);
    if (SendMessageWide send = wideSender()) {
        std::vector<wchar_t> text(length + 1, L'\0');
        LRESULT read = send(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
        return std::wstring(text.data(), read > 0 ? static_cast<size_t>(read) : 0);
    }
    std::vector<char> text(length + 1, '\0');
    SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return wideFromAnsi(text.data());
}
