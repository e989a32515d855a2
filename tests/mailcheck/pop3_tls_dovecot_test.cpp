// POP3 over TLS against a real Dovecot started by tests/support/with-dovecot --tls: TLS from the
// first byte and STLS, the program's own certificate check (trusted root, server name, the
// entry's thumbprint), and the whole road of a check over TLS.
#include <gtest/gtest.h>
#include "mailcheck/pop3_session.h"
#include "mailcheck/session_limits.h"
#include "platform/messages.h"
#include "storage/mailbox_entry.h"
#include "support/recording_window.h"
#include "support/seam_override.h"
#include "support/temp_folder.h"
#include <wincrypt.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string environment(const char* name)
{
    const char* value = getenv(name);
    return value ? value : "";
}

// Trusts the run's private CA in the current user's root store for the life of the object, the
// way a user would install a company's root.
class TrustedTestCa {
public:
    TrustedTestCa()
    {
        std::string der = readWholeFile(environment("TESSARY_DOVECOT_CA"));
        PCCERT_CONTEXT ca = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                         DWORD(der.size()));
        store_ = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
        // The store keeps changes in memory until they are committed to the registry.
        if (ca && store_ && CertAddCertificateContextToStore(store_, ca, CERT_STORE_ADD_REPLACE_EXISTING, &inStore_))
            CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
        if (ca)
            CertFreeCertificateContext(ca);
    }
    ~TrustedTestCa()
    {
        if (inStore_) {
            CertDeleteCertificateFromStore(inStore_); // also frees the context
            CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
        }
        if (store_)
            CertCloseStore(store_, 0);
    }
    TrustedTestCa(const TrustedTestCa&) = delete;
    TrustedTestCa& operator=(const TrustedTestCa&) = delete;
    bool trusted() const { return inStore_ != nullptr; }

private:
    HCERTSTORE store_ = nullptr;
    PCCERT_CONTEXT inStore_ = nullptr;
};

std::string message(int n)
{
    return "From: Sender " + std::to_string(n) + " <sender" + std::to_string(n) + "@example.org>\n"
           "To: tester@example.org\n"
           "Subject: secured message " + std::to_string(n) + "\n"
           "X-Folded: a header\n\tthat goes on\n"
           "\n"
           "The body, which a check never fetches.\n";
}

// The header block as Dovecot sends it: CRLF line ends, "+OK" before it, the dot line after it.
std::string asServerSendsIt(const std::string& text)
{
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return "+OK\r\n" + crlf.substr(0, crlf.find("\r\n\r\n") + 4) + ".\r\n";
}

class DovecotTlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(environment("TESSARY_DOVECOT_TLS_PORT").empty()) << "run through tests/support/with-dovecot --tls";
        plainPort = atoi(environment("TESSARY_DOVECOT_PORT").c_str());
        tlsPort = atoi(environment("TESSARY_DOVECOT_TLS_PORT").c_str());
        serverThumbprint = environment("TESSARY_DOVECOT_CERT_SHA256");
        caThumbprint = environment("TESSARY_DOVECOT_CA_SHA256");
        ASSERT_EQ(64u, serverThumbprint.size());
        maildir = environment("TESSARY_DOVECOT_MAILDIR");
        emptyFolder(maildir + "new\\");
        emptyFolder(maildir + "cur\\");
        ASSERT_TRUE(startWinsock());
    }
    void TearDown() override
    {
        freeHeaders();
        WSACleanup();
    }

    static void emptyFolder(const std::string& folder)
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((folder + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }

    void deliver(int messages)
    {
        for (int n = 1; n <= messages; ++n) {
            std::string name = maildir + "new\\" + std::to_string(1700000000 + delivered++) + ".M" +
                               std::to_string(n) + "P1.tls";
            ASSERT_TRUE(writeWholeFile(name, message(n)));
        }
    }

    int run(int32_t security, const char* server = "localhost", const char* pin = nullptr)
    {
        freeHeaders();
        Pop3Target target = { server, security, security == SecuritySslTls ? tlsPort : plainPort, pin };
        return Pop3Session(target, "tester", "secret", &count, nullptr, &headers, detail, sizeof detail);
    }

    std::string slot(uint32_t index) const
    {
        return headers && index < count && headers[index] ? headers[index] : "(null)";
    }

    void freeHeaders()
    {
        if (headers) {
            for (uint32_t i = 0; i < count; ++i)
                delete[] headers[i];
            delete[] headers;
        }
        headers = nullptr;
    }

    // Dovecot's log line of the latest login, or of the latest connection that never logged in.
    std::string lastLogLine(const char* marker) const
    {
        std::string log = readWholeFile(environment("TESSARY_DOVECOT_LOG"));
        size_t at = log.rfind(marker);
        if (at == std::string::npos)
            return "(none)";
        size_t start = log.rfind('\n', at);
        return log.substr(start == std::string::npos ? 0 : start + 1, log.find('\n', at) - start - 1);
    }
    size_t logins() const
    {
        std::string log = readWholeFile(environment("TESSARY_DOVECOT_LOG"));
        size_t n = 0;
        for (size_t at = log.find("Login: user=<tester>"); at != std::string::npos;
             at = log.find("Login: user=<tester>", at + 1))
            ++n;
        return n;
    }

    void expectCheckedOverTls(int messages)
    {
        ASSERT_EQ(uint32_t(messages), count);
        for (int i = 0; i < messages; ++i)
            ASSERT_EQ(asServerSendsIt(message(i + 1)), slot(uint32_t(i))) << "message " << i + 1;
        EXPECT_STREQ("", detail);
        // Dovecot marks a login made inside TLS.
        EXPECT_NE(std::string::npos, lastLogLine("Login: user=<tester>").find(", TLS,"))
            << lastLogLine("Login: user=<tester>");
    }

    SeamOverride<volatile LONG> timeout{ serverTimeoutMs, 20000 };
    int plainPort = 0;
    int tlsPort = 0;
    std::string serverThumbprint;
    std::string caThumbprint;
    std::string maildir;
    unsigned delivered = 0;
    uint32_t count = 12345;
    char** headers = nullptr;
    char detail[pop3DetailSize] = "untouched";
};

TEST_F(DovecotTlsTest, TlsFromTheFirstByteCountsAndFetchesEveryHeaderBlock)
{
    TrustedTestCa ca;
    ASSERT_TRUE(ca.trusted());
    deliver(40);
    ASSERT_EQ(pop3Success, run(SecuritySslTls));
    expectCheckedOverTls(40);
}

TEST_F(DovecotTlsTest, StlsCountsAndFetchesEveryHeaderBlock)
{
    TrustedTestCa ca;
    ASSERT_TRUE(ca.trusted());
    deliver(3);
    ASSERT_EQ(pop3Success, run(SecurityStls));
    expectCheckedOverTls(3);
}

TEST_F(DovecotTlsTest, HeaderTooLongForTheBufferEndsTheSessionOverTlsAsOverPlain)
{
    TrustedTestCa ca;
    std::string longHeader = "From: a@example.org\nX-Long: " + std::string(5000, 'L') + "\n\nbody\n";
    deliver(1);
    ASSERT_TRUE(writeWholeFile(maildir + "new\\1800000000.M2P1.tls", longHeader));
    EXPECT_EQ(pop3TopBroken, run(SecuritySslTls));
    ASSERT_EQ(2u, count);
    EXPECT_EQ(asServerSendsIt(message(1)), slot(0));
    EXPECT_EQ("(null)", slot(1));
}

TEST_F(DovecotTlsTest, UntrustedRootFailsBeforeLoggingInAndNamesTheThumbprint)
{
    size_t loginsBefore = logins();
    for (int32_t security : { SecuritySslTls, SecurityStls }) {
        EXPECT_EQ(pop3CertificateUntrusted, run(security)) << security;
        EXPECT_EQ("error: certificate not trusted (untrusted root), SHA-256 " + serverThumbprint, std::string(detail));
    }
    EXPECT_EQ(loginsBefore, logins());
    EXPECT_NE(std::string::npos, lastLogLine("Disconnected").find("no auth attempts")) << lastLogLine("Disconnected");
}

// A self-signed or private server is trusted by the thumbprint of its certificate or of one in
// its chain, as the user pastes it; the name must still match.
TEST_F(DovecotTlsTest, TrustedThumbprintStandsInForTheRootButNotForTheName)
{
    deliver(2);
    EXPECT_EQ(pop3Success, run(SecuritySslTls, "localhost", serverThumbprint.c_str())) << detail;
    expectCheckedOverTls(2);

    std::string pastedCa;
    for (size_t i = 0; i < caThumbprint.size(); i += 2)
        pastedCa += (i ? ":" : "") + caThumbprint.substr(i, 2);
    for (char& c : pastedCa)
        c = char(tolower(c));
    EXPECT_EQ(pop3Success, run(SecurityStls, "localhost", pastedCa.c_str())) << detail;
    EXPECT_EQ(2u, count);

    EXPECT_EQ(pop3CertificateNameMismatch, run(SecuritySslTls, "127.0.0.1", serverThumbprint.c_str()));
    EXPECT_STREQ("error: certificate name does not match 127.0.0.1", detail);
}

TEST_F(DovecotTlsTest, ThumbprintMatchingNoCertificateFailsEvenForATrustedServer)
{
    TrustedTestCa ca;
    size_t loginsBefore = logins();
    std::string wrong = std::string(63, '0') + "1";
    EXPECT_EQ(pop3CertificatePinMismatch, run(SecuritySslTls, "localhost", wrong.c_str()));
    EXPECT_EQ("error: certificate does not match the trusted certificate, SHA-256 " + serverThumbprint,
              std::string(detail));
    EXPECT_EQ(pop3CertificatePinMismatch, run(SecurityStls, "localhost", "not a thumbprint"));
    EXPECT_EQ(loginsBefore, logins());
}

TEST_F(DovecotTlsTest, NameMismatchFailsBeforeLoggingIn)
{
    TrustedTestCa ca;
    size_t loginsBefore = logins();
    EXPECT_EQ(pop3CertificateNameMismatch, run(SecuritySslTls, "127.0.0.1"));
    EXPECT_STREQ("error: certificate name does not match 127.0.0.1", detail);
    EXPECT_EQ(pop3CertificateNameMismatch, run(SecurityStls, "127.0.0.1"));
    EXPECT_EQ(loginsBefore, logins());
}

// The whole road over TLS: DoCheckEmail, the worker, the entry's security, port and thumbprint,
// the stored headers; then a refused certificate stores its code and its line.
TEST_F(DovecotTlsTest, CheckWorkerStoresTheResultOverTlsAndWhyACertificateWasRefused)
{
    deliver(2);
    RecordingWindow window;
    MailboxEntry entry;
    entry.setServer("localhost");
    entry.setUser("tester");
    entry.setPassword("secret");
    entry.setSecurity(SecuritySslTls);
    entry.setPort(tlsPort);
    entry.setTrustedCertificate(serverThumbprint.c_str());
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(window.waitFor(WM_CHECK_DONE, 30000));
    EXPECT_EQ(2, entry.getLastResult());
    ASSERT_EQ(2, entry.headerCount);
    EXPECT_EQ(asServerSendsIt(message(2)), entry.getHeader(1));
    EXPECT_EQ(nullptr, entry.lastResultDetail);
    EXPECT_TRUE(entry.stopCheck(false));

    entry.setTrustedCertificate(nullptr);
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    for (DWORD waited = 0; window.countOf(WM_CHECK_DONE) < 2 && waited < 30000; waited += 50)
        window.pumpFor(50);
    ASSERT_EQ(2u, window.countOf(WM_CHECK_DONE));
    EXPECT_TRUE(entry.stopCheck(false));
    EXPECT_EQ(pop3CertificateUntrusted, entry.getLastResult());
    EXPECT_EQ(0, entry.headerCount);
    ASSERT_NE(nullptr, entry.lastResultDetail);
    EXPECT_EQ("error: certificate not trusted (untrusted root), SHA-256 " + serverThumbprint,
              std::string(entry.lastResultDetail));
}

} // namespace
