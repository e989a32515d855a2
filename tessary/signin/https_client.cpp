// WinHTTP's synchronous calls run on a thread of their own, so that the caller's wait can end at
// the stop event or the deadline: closing the request then cuts the calls short, and whichever
// of the two ends last frees the exchange.
#include "signin/https_client.h"
#include <winhttp.h>
#include <cstring>

volatile LONG httpsTimeoutMs = 30000;
WinHttpLibraryCalls winHttpLibraryCalls = { ::LoadLibraryA };

namespace {

struct WinHttpCalls {
    decltype(&::WinHttpOpen) open;
    decltype(&::WinHttpConnect) connect;
    decltype(&::WinHttpOpenRequest) openRequest;
    decltype(&::WinHttpSetTimeouts) setTimeouts;
    decltype(&::WinHttpSetOption) setOption;
    decltype(&::WinHttpSendRequest) sendRequest;
    decltype(&::WinHttpReceiveResponse) receiveResponse;
    decltype(&::WinHttpQueryHeaders) queryHeaders;
    decltype(&::WinHttpReadData) readData;
    decltype(&::WinHttpCloseHandle) closeHandle;
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) ieProxyConfig; // may be null
};

template <typename Proc>
bool find(HMODULE module, const char* name, Proc& proc)
{
    proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return proc != nullptr;
}

// From the system folder only, never the program's folder or the current one. A library loaded
// once stays in the process.
bool loadWinHttp(WinHttpCalls& calls)
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof "\\winhttp.dll" > MAX_PATH)
        return false;
    strcpy(path + length, "\\winhttp.dll");
    HMODULE module = winHttpLibraryCalls.LoadLibraryA(path);
    if (!module)
        return false;
    find(module, "WinHttpGetIEProxyConfigForCurrentUser", calls.ieProxyConfig);
    return find(module, "WinHttpOpen", calls.open) && find(module, "WinHttpConnect", calls.connect) &&
           find(module, "WinHttpOpenRequest", calls.openRequest) &&
           find(module, "WinHttpSetTimeouts", calls.setTimeouts) && find(module, "WinHttpSetOption", calls.setOption) &&
           find(module, "WinHttpSendRequest", calls.sendRequest) &&
           find(module, "WinHttpReceiveResponse", calls.receiveResponse) &&
           find(module, "WinHttpQueryHeaders", calls.queryHeaders) && find(module, "WinHttpReadData", calls.readData) &&
           find(module, "WinHttpCloseHandle", calls.closeHandle);
}

std::wstring wide(const std::string& text)
{
    std::wstring result;
    for (unsigned char c : text)
        result += wchar_t(c);
    return result;
}

// "https://host[:port][/path]": ASCII only, no user information.
bool splitAddress(const std::string& url, std::string& host, INTERNET_PORT& port, std::string& path)
{
    if (url.size() <= 8 || _strnicmp(url.c_str(), "https://", 8) != 0)
        return false;
    for (unsigned char c : url)
        if (c <= ' ' || c >= 0x7F)
            return false;
    size_t slash = url.find('/', 8);
    std::string authority = url.substr(8, slash == std::string::npos ? std::string::npos : slash - 8);
    path = slash == std::string::npos ? "/" : url.substr(slash);
    if (authority.empty() || authority.find('@') != std::string::npos)
        return false;
    port = INTERNET_DEFAULT_HTTPS_PORT;
    size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']') == std::string::npos) {
        std::string digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        unsigned long value = strtoul(digits.c_str(), nullptr, 10);
        if (value < 1 || value > 65535)
            return false;
        port = INTERNET_PORT(value);
        authority.resize(colon);
    }
    host = authority;
    return !host.empty();
}

// The session, with the proxy the user set for the browser where one is set by hand; else
// WinHTTP's own setting. Automatic configuration scripts are not run.
HINTERNET openSession(const WinHttpCalls& calls)
{
    const wchar_t agent[] = L"Tessary";
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie = {};
    HINTERNET session = nullptr;
    if (calls.ieProxyConfig && calls.ieProxyConfig(&ie) && ie.lpszProxy && ie.lpszProxy[0])
        session = calls.open(agent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, ie.lpszProxy,
                             ie.lpszProxyBypass ? ie.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0);
    for (LPWSTR text : { ie.lpszAutoConfigUrl, ie.lpszProxy, ie.lpszProxyBypass })
        if (text)
            GlobalFree(text);
    if (!session)
        session = calls.open(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0);
    return session;
}

// Shared by the caller and the thread that makes the calls; the last to let go frees it.
struct Exchange {
    WinHttpCalls calls = {};
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    std::string body;
    HttpsReply reply;
    HttpsOutcome outcome = HttpsOutcome::failed;
    volatile LONG cancelled = 0;
    volatile LONG holders = 2;

    ~Exchange()
    {
        if (!body.empty())
            SecureZeroMemory(&body[0], body.size());
        if (!reply.body.empty())
            SecureZeroMemory(&reply.body[0], reply.body.size());
    }

    void closeHandles()
    {
        for (HINTERNET* handle : { &request, &connection, &session }) {
            HINTERNET h = InterlockedExchangePointer(reinterpret_cast<PVOID*>(handle), nullptr);
            if (h)
                calls.closeHandle(h);
        }
    }

    void release()
    {
        if (InterlockedDecrement(&holders) == 0) {
            closeHandles();
            delete this;
        }
    }
};

HttpsOutcome runExchange(Exchange& x)
{
    static const wchar_t headers[] = L"Content-Type: application/x-www-form-urlencoded\r\nAccept: application/json\r\n";
    if (!x.calls.sendRequest(x.request, headers, DWORD(-1L), const_cast<char*>(x.body.data()), DWORD(x.body.size()),
                             DWORD(x.body.size()), 0) ||
        !x.calls.receiveResponse(x.request, nullptr)) {
        x.reply.error = GetLastError();
        return x.reply.error == ERROR_WINHTTP_TIMEOUT ? HttpsOutcome::timedOut : HttpsOutcome::failed;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!x.calls.queryHeaders(x.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                              WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        x.reply.error = GetLastError();
        return HttpsOutcome::failed;
    }
    x.reply.status = status;
    char buffer[4096];
    for (;;) {
        if (x.cancelled)
            return HttpsOutcome::stopped;
        DWORD got = 0;
        if (!x.calls.readData(x.request, buffer, sizeof buffer, &got)) {
            x.reply.error = GetLastError();
            return x.reply.error == ERROR_WINHTTP_TIMEOUT ? HttpsOutcome::timedOut : HttpsOutcome::failed;
        }
        if (got == 0)
            return HttpsOutcome::answered;
        if (x.reply.body.size() + got > httpsMaxReplySize)
            return HttpsOutcome::tooLarge;
        x.reply.body.append(buffer, got);
    }
}

DWORD WINAPI exchangeThread(LPVOID parameter)
{
    Exchange* x = static_cast<Exchange*>(parameter);
    x->outcome = runExchange(*x);
    x->release();
    return 0;
}

// Opens the handles; no traffic yet.
bool prepare(Exchange& x, const std::string& host, INTERNET_PORT port, const std::string& path)
{
    x.session = openSession(x.calls);
    if (!x.session)
        return false;
    int step = int(httpsTimeoutMs);
    x.calls.setTimeouts(x.session, step, step, step, step);
    x.connection = x.calls.connect(x.session, wide(host).c_str(), port, 0);
    if (!x.connection)
        return false;
    x.request = x.calls.openRequest(x.connection, L"POST", wide(path).c_str(), nullptr, WINHTTP_NO_REFERER,
                                    WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE);
    if (!x.request)
        return false;
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    x.calls.setOption(x.request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
    return true;
}

} // namespace

bool winHttpAvailable()
{
    WinHttpCalls calls = {};
    return loadWinHttp(calls);
}

HttpsOutcome httpsPostForm(const std::string& url, const std::string& body, HANDLE stopEvent, HttpsReply& reply)
{
    reply = HttpsReply();
    Exchange* x = new Exchange;
    if (!loadWinHttp(x->calls)) {
        delete x;
        return HttpsOutcome::unavailable;
    }
    std::string host;
    std::string path;
    INTERNET_PORT port = 0;
    if (!splitAddress(url, host, port, path)) {
        delete x;
        return HttpsOutcome::badAddress;
    }
    x->body = body;
    if (!prepare(*x, host, port, path)) {
        reply.error = GetLastError();
        x->closeHandles();
        delete x;
        return HttpsOutcome::failed;
    }
    HANDLE thread = CreateThread(nullptr, 0, exchangeThread, x, 0, nullptr);
    if (!thread) {
        reply.error = GetLastError();
        x->closeHandles();
        delete x;
        return HttpsOutcome::failed;
    }
    HANDLE waits[2] = { thread, stopEvent };
    DWORD limit = DWORD(httpsTimeoutMs);
    DWORD woke = WaitForMultipleObjects(stopEvent ? 2 : 1, waits, FALSE, limit);
    HttpsOutcome outcome;
    if (woke == WAIT_OBJECT_0) {
        outcome = x->outcome;
        reply = x->reply;
    } else {
        outcome = woke == WAIT_OBJECT_0 + 1 ? HttpsOutcome::stopped : HttpsOutcome::timedOut;
        InterlockedExchange(&x->cancelled, 1);
        x->closeHandles(); // cuts the thread's call short where WinHTTP allows
    }
    CloseHandle(thread);
    x->release();
    return outcome;
}
