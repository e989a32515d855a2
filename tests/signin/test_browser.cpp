// The test browser: WinHTTP for the authorization server (redirects not followed, so that the
// loopback address is requested the way a browser would, over plain HTTP), Winsock for the
// loopback listener.
#include "signin/test_browser.h"
#include "platform/ui_calls.h"
#include <gtest/gtest.h>
#include "signin/oauth_providers.h"
#include "storage/mailbox_entry.h"
#include "support/temp_folder.h"
#include <winhttp.h>
#include <wincrypt.h>
#include <cstdlib>

namespace {

TestBrowser* current = nullptr;

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// GET over HTTPS without following redirects: the Location header.
std::string locationOf(const std::string& address)
{
    std::string rest = address.substr(strlen("https://"));
    std::string authority = rest.substr(0, rest.find('/'));
    std::string path = rest.substr(authority.size());
    std::string host = authority.substr(0, authority.find(':'));
    INTERNET_PORT port = INTERNET_PORT(atoi(authority.substr(host.size() + 1).c_str()));
    std::string location;
    HINTERNET session = WinHttpOpen(L"test browser", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
    HINTERNET connection = session ? WinHttpConnect(session, wide(host).c_str(), port, 0) : nullptr;
    HINTERNET request = connection ? WinHttpOpenRequest(connection, L"GET", wide(path).c_str(), nullptr, nullptr,
                                                        nullptr, WINHTTP_FLAG_SECURE)
                                   : nullptr;
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    if (request && WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects) &&
        WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) && WinHttpReceiveResponse(request, nullptr)) {
        wchar_t text[4096];
        DWORD size = sizeof text;
        if (WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, nullptr, text, &size, nullptr))
            for (DWORD i = 0; i < size / sizeof(wchar_t); ++i)
                location += char(text[i]);
    }
    for (HINTERNET handle : { request, connection, session })
        if (handle)
            WinHttpCloseHandle(handle);
    return location;
}

// GET http://127.0.0.1:port/path through a plain socket; the whole answer.
std::string loopbackGet(const std::string& address)
{
    std::string rest = address.substr(strlen("http://127.0.0.1:"));
    int port = atoi(rest.c_str());
    std::string path = rest.substr(rest.find('/'));
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(u_short(port));
    std::string answer;
    DWORD timeout = 10000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        send(s, request.data(), int(request.size()), 0);
        char buffer[4096];
        int n;
        while ((n = recv(s, buffer, sizeof buffer, 0)) > 0)
            answer.append(buffer, size_t(n));
    }
    closesocket(s);
    return answer;
}

} // namespace

TestBrowser::TestBrowser(bool follow) : follow_(follow), savedShellExecute_(uiCalls.ShellExecuteA)
{
    current = this;
    uiCalls.ShellExecuteA = open;
}

TestBrowser::~TestBrowser()
{
    if (visitor_.joinable())
        visitor_.join();
    uiCalls.ShellExecuteA = savedShellExecute_;
    current = nullptr;
}

HINSTANCE WINAPI TestBrowser::open(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT)
{
    TestBrowser* self = current;
    ++self->launches_;
    self->address_ = file ? file : "";
    if (self->follow_)
        self->visitor_ = std::thread([self] { self->visit(); });
    return reinterpret_cast<HINSTANCE>(42);
}

void TestBrowser::visit()
{
    redirect_ = locationOf(address_);
    if (redirect_.compare(0, 17, "http://127.0.0.1:") == 0)
        page_ = loopbackGet(redirect_);
}

std::string TestBrowser::redirect()
{
    if (visitor_.joinable())
        visitor_.join();
    return redirect_;
}

std::string TestBrowser::page()
{
    if (visitor_.joinable())
        visitor_.join();
    return page_;
}

std::string oauthServer(const std::string& path)
{
    const char* port = getenv("TESSARY_OAUTH_OAUTH_PORT");
    return std::string("https://localhost:") + (port ? port : "0") + path;
}

TrustedOAuthCa::TrustedOAuthCa()
{
    const char* path = getenv("TESSARY_OAUTH_CA");
    std::string der = path ? readWholeFile(path) : std::string();
    PCCERT_CONTEXT ca = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                     DWORD(der.size()));
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
    store_ = store;
    PCCERT_CONTEXT added = nullptr;
    // The store keeps changes in memory until they are committed to the registry.
    if (ca && store && CertAddCertificateContextToStore(store, ca, CERT_STORE_ADD_REPLACE_EXISTING, &added))
        CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    inStore_ = added;
    if (ca)
        CertFreeCertificateContext(ca);
}

TrustedOAuthCa::~TrustedOAuthCa()
{
    if (inStore_) {
        CertDeleteCertificateFromStore(static_cast<PCCERT_CONTEXT>(inStore_)); // also frees the context
        CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
    if (store_)
        CertCloseStore(store_, 0);
}

namespace {

TrustedOAuthCa* trustedCa = nullptr;

class TrustTheRunsCa : public ::testing::Environment {
public:
    void SetUp() override { trustedCa = new TrustedOAuthCa; }
    void TearDown() override { delete trustedCa; }
};
::testing::Environment* const trustEnvironment = ::testing::AddGlobalTestEnvironment(new TrustTheRunsCa);

} // namespace

bool testCaTrusted()
{
    return trustedCa && trustedCa->trusted();
}

void pointMicrosoftAtTestServer(const std::string& scenario)
{
    resetOAuthProviders();
    OAuthProvider& provider = *oauthProviderFor(SignInMicrosoft);
    provider.authorize = oauthServer("/authorize");
    provider.token = oauthServer(scenario + "/token");
    provider.clientId = "test-client";
}
