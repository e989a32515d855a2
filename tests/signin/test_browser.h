// A stand-in for the user's browser in the sign-in tests: bound to the launch seam, it follows the
// authorize address to the authorization server, takes its redirect and requests the loopback
// address, as a browser would after the user agreed. It also trusts the run's test CA.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <string>
#include <thread>

class TestBrowser {
public:
    // follow false: the browser opens but the user never comes back.
    explicit TestBrowser(bool follow = true);
    ~TestBrowser(); // waits for the visit to end, restores the launch seam
    TestBrowser(const TestBrowser&) = delete;
    TestBrowser& operator=(const TestBrowser&) = delete;

    int launches() const { return launches_; }
    const std::string& address() const { return address_; }   // the authorize address opened
    std::string redirect();   // where the server sent the browser (after the visit)
    std::string page();       // what the loopback listener answered the browser

private:
    static HINSTANCE WINAPI open(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT);
    void visit();

    bool follow_;
    int launches_ = 0;
    std::string address_;
    std::string redirect_;
    std::string page_;
    std::thread visitor_;
    HINSTANCE (WINAPI *savedShellExecute_)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
};

// The https:// address of the local authorization server with path (from TESSARY_OAUTH_OAUTH_PORT).
std::string oauthServer(const std::string& path);

// Trusts the run's CA (TESSARY_OAUTH_CA) in the current user's root store for the life of the
// object. Wine's chain engine reads the root store once per process: one for the whole program.
class TrustedOAuthCa {
public:
    TrustedOAuthCa();
    ~TrustedOAuthCa();
    TrustedOAuthCa(const TrustedOAuthCa&) = delete;
    TrustedOAuthCa& operator=(const TrustedOAuthCa&) = delete;
    bool trusted() const { return inStore_ != nullptr; }

private:
    void* store_ = nullptr;
    const void* inStore_ = nullptr;
};

// Whether the program trusts the run's CA: every program that links the test browser does, from
// its first test to its last.
bool testCaTrusted();

// The fixture of the tests against the local server: the Microsoft provider pointed at it with a
// client id, put back afterwards.
void pointMicrosoftAtTestServer(const std::string& scenario = "");
