// Securing a session against scripted servers: STLS asked for only where CAPA offers it, refusals
// and broken handshakes failing before USER with their own codes and lines, the server timeout and
// the stop event bounding the handshake's waits, and a system without a TLS layer.
#include "mailcheck/pop3_test_support.h"
#include "mailcheck/tls_library.h"
#include "storage/mailbox_entry.h"
#include <thread>
#include <vector>

using Commands = std::vector<std::string>;

namespace {

const char* const greeting = "+OK fake POP3 ready\r\n";
const char* const capabilitiesWithStls = "+OK\r\nTOP\r\nUSER\r\nSTLS\r\nUIDL\r\n.\r\n";

class Pop3TlsTest : public Pop3SessionTest {
protected:
    // One session of the given security against the scripted server, reached by its own port.
    int runSecured(FakePop3Server& server, int32_t security, const char* pin = nullptr)
    {
        freeHeaders();
        server.start();
        Pop3Target target = { "127.0.0.1", security, server.port(), pin };
        return Pop3Session(target, "tester", "secret", &count, stopEvent, &headers, detail, sizeof detail);
    }

    // The plain-words line of the last session.
    char detail[pop3DetailSize] = "untouched";
};

HMODULE WINAPI noLibraryAtAll(LPCSTR)
{
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

} // namespace

TEST_F(Pop3TlsTest, StlsNotInTheCapabilitiesFailsWithoutSendingItOrTheUser)
{
    FakePop3Server server;
    server.send(greeting).answer("+OK\r\nTOP\r\nUSER\r\nSTLSX\r\nX-STLS\r\n.\r\n");
    EXPECT_EQ(pop3StlsNotOffered, runSecured(server, SecurityStls));
    EXPECT_STREQ("error: server does not offer STLS", detail);
    EXPECT_EQ(Commands{ "CAPA" }, server.commands());
}

TEST_F(Pop3TlsTest, StlsRefusedOrUnansweredFailsBeforeUser)
{
    {
        FakePop3Server server;
        server.send(greeting).answer(capabilitiesWithStls).answer("-ERR not now\r\n");
        EXPECT_EQ(pop3StlsRefused, runSecured(server, SecurityStls));
        EXPECT_STREQ("error: server refused STLS", detail);
        EXPECT_EQ((Commands{ "CAPA", "STLS" }), server.commands());
    }
    {
        SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 300);
        FakePop3Server server;
        server.send(greeting).answer(capabilitiesWithStls).receive();
        EXPECT_EQ(pop3StlsRefused, runSecured(server, SecurityStls));
        EXPECT_EQ((Commands{ "CAPA", "STLS" }), server.commands());
    }
}

// A server that does not know CAPA, or does not answer it, is asked for STLS anyway.
TEST_F(Pop3TlsTest, RefusedOrSilentCapaStillAsksForStls)
{
    {
        FakePop3Server server;
        server.send(greeting).answer("-ERR unknown command\r\n").answer("-ERR no TLS here\r\n");
        EXPECT_EQ(pop3StlsRefused, runSecured(server, SecurityStls));
        EXPECT_EQ((Commands{ "CAPA", "STLS" }), server.commands());
    }
    {
        SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 300);
        FakePop3Server server;
        server.send(greeting).receive().answer("-ERR no TLS here\r\n");
        EXPECT_EQ(pop3StlsRefused, runSecured(server, SecurityStls));
        EXPECT_EQ((Commands{ "CAPA", "STLS" }), server.commands());
    }
}

// Whatever the server says after agreeing to STLS, it is not read as POP3: text it slips in
// beside its "+OK" is dropped, and without a handshake nothing more is sent.
TEST_F(Pop3TlsTest, PlainTextAfterTheStlsAgreementIsNeverTakenForTheSession)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 500);
    FakePop3Server server;
    server.send(greeting).answer(capabilitiesWithStls).answer("+OK begin TLS\r\n+OK logged in\r\n")
        .receiveBytes().send("+OK 5 500\r\n");
    EXPECT_EQ(pop3TlsHandshakeFailed, runSecured(server, SecurityStls));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(0, strncmp(detail, "error: TLS handshake failed: ", 29)) << detail;
    Commands commands = server.commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ((Commands{ "CAPA", "STLS" }), Commands(commands.begin(), commands.begin() + 2));
    for (const std::string& line : commands)
        EXPECT_EQ(std::string::npos, line.find("USER")) << line;
}

TEST_F(Pop3TlsTest, ServerClosingInTheHandshakeFails)
{
    FakePop3Server server;
    server.receiveBytes().hangUp();
    EXPECT_EQ(pop3TlsHandshakeFailed, runSecured(server, SecuritySslTls));
    EXPECT_STREQ("error: TLS handshake failed: the server closed the connection", detail);
}

// A plain POP3 server on the port an entry reaches with TLS from the first byte.
TEST_F(Pop3TlsTest, PlainTextInsteadOfAHandshakeFails)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 1000);
    FakePop3Server server;
    server.send(greeting).receiveBytes().send("-ERR unknown command\r\n" + std::string(400, 'x'));
    EXPECT_EQ(pop3TlsHandshakeFailed, runSecured(server, SecuritySslTls));
    EXPECT_EQ(0, strncmp(detail, "error: TLS handshake failed: ", 29)) << detail;
}

TEST_F(Pop3TlsTest, StalledHandshakeEndsWithTheServerTimeout)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 400);
    FakePop3Server server;
    server.receiveBytes().holdWithoutReading();
    DWORD started = GetTickCount();
    EXPECT_EQ(pop3TlsHandshakeFailed, runSecured(server, SecuritySslTls));
    EXPECT_LT(GetTickCount() - started, 20000u);
    EXPECT_STREQ("error: TLS handshake failed: no answer from the server in time", detail);
}

// A server that sends one byte of a promised handshake record well within every wait's time-out
// still meets the session's deadline.
TEST_F(Pop3TlsTest, HandshakeDrippingBytesEndsAtTheSessionDeadline)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 400);
    FakePop3Server server;
    const std::string recordOf16k = { 0x16, 0x03, 0x03, 0x40, 0x00 };
    server.receiveBytes().send(recordOf16k).sendInPieces(std::string(16384, '\x01'), 1, 150);
    DWORD started = GetTickCount();
    EXPECT_EQ(pop3TlsHandshakeFailed, runSecured(server, SecuritySslTls));
    DWORD took = GetTickCount() - started;
    EXPECT_GE(took, 4000u); // ten time-outs of 400 ms at the least
    EXPECT_LT(took, 60000u);
    EXPECT_STREQ("error: TLS handshake failed: no answer from the server in time", detail);
}

TEST_F(Pop3TlsTest, StopEventCutsTheHandshakeWaitShort)
{
    SeamOverride<volatile LONG> longWait(serverTimeoutMs, 60000);
    FakePop3Server server;
    server.receiveBytes().holdWithoutReading();
    std::thread stopper([&] {
        if (server.waitForBytes(20000))
            SetEvent(stopEvent);
    });
    DWORD started = GetTickCount();
    int result = runSecured(server, SecuritySslTls);
    stopper.join();
    EXPECT_EQ(pop3TlsHandshakeFailed, result);
    EXPECT_LT(GetTickCount() - started, 30000u);
    EXPECT_STREQ("error: TLS handshake failed: the check was stopped", detail);
}

// Where the system has no TLS layer, a TLS entry fails with its own code, and plain entries work.
TEST_F(Pop3TlsTest, WithoutATlsLayerSecuredSessionsFailAndPlainOnesWork)
{
    SeamOverride<HMODULE(WINAPI*)(LPCSTR)> missing(tlsLibraryCalls.LoadLibraryA, noLibraryAtAll);
    {
        FakePop3Server server;
        server.receiveBytes();
        EXPECT_EQ(pop3TlsUnavailable, runSecured(server, SecuritySslTls));
        EXPECT_STREQ("error: TLS is not available on this system", detail);
        EXPECT_FALSE(server.waitForBytes(0));
    }
    {
        FakePop3Server server;
        server.send(greeting).answer(capabilitiesWithStls).answer("+OK begin TLS\r\n");
        EXPECT_EQ(pop3TlsUnavailable, runSecured(server, SecurityStls));
        EXPECT_EQ((Commands{ "CAPA", "STLS" }), server.commands());
    }
    {
        FakePop3Server server;
        server.loggedIn().answer("+OK 0 0\r\n").answer("+OK bye\r\n");
        EXPECT_EQ(pop3Success, runSecured(server, SecurityNone));
        EXPECT_STREQ("", detail);
        EXPECT_EQ((Commands{ "CAPA", "USER tester", "PASS secret", "STAT", "QUIT" }), server.commands());
    }
}

TEST(Pop3PortFor, AnEntrysOwnPortElseTheDefaultOfItsSecurity)
{
    SeamOverride<volatile LONG> port(pop3Port, 110);
    EXPECT_EQ(110, pop3PortFor({ "host", SecurityNone, 0, nullptr }));
    EXPECT_EQ(110, pop3PortFor({ "host", SecurityStls, 0, nullptr }));
    EXPECT_EQ(995, pop3PortFor({ "host", SecuritySslTls, 0, nullptr }));
    EXPECT_EQ(2110, pop3PortFor({ "host", SecurityNone, 2110, nullptr }));
    EXPECT_EQ(65535, pop3PortFor({ "host", SecuritySslTls, 65535, nullptr }));
    EXPECT_EQ(995, pop3PortFor({ "host", SecuritySslTls, 65536, nullptr }));
    EXPECT_EQ(110, pop3PortFor({ "host", SecurityStls, -1, nullptr }));
    SeamOverride<volatile LONG> testPort(pop3Port, 40110);
    EXPECT_EQ(40110, pop3PortFor({ "host", SecurityNone, 0, nullptr }));
    EXPECT_EQ(995, pop3PortFor({ "host", SecuritySslTls, 0, nullptr }));
}

namespace {
std::vector<std::string> librariesAsked;
HMODULE WINAPI recordingLoad(LPCSTR name)
{
    librariesAsked.push_back(name);
    return LoadLibraryA(name);
}
} // namespace

// A secur32.dll or crypt32.dll planted in the program's folder or the current one is never taken.
TEST(TlsLibraryLoading, TheLibrariesComeFromTheSystemFolderOnly)
{
    librariesAsked.clear();
    SeamOverride<HMODULE(WINAPI*)(LPCSTR)> recording(tlsLibraryCalls.LoadLibraryA, recordingLoad);
    {
        TlsLibrary library;
        ASSERT_TRUE(library.load());
    }
    char folder[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(folder, MAX_PATH), 0u);
    std::string prefix = std::string(folder) + "\\";
    bool security = false;
    bool crypt = false;
    for (const std::string& name : librariesAsked) {
        EXPECT_EQ(0, _strnicmp(name.c_str(), prefix.c_str(), prefix.size())) << name;
        security = security || _stricmp(name.c_str(), (prefix + "secur32.dll").c_str()) == 0;
        crypt = crypt || _stricmp(name.c_str(), (prefix + "crypt32.dll").c_str()) == 0;
    }
    EXPECT_TRUE(security);
    EXPECT_TRUE(crypt);
}
