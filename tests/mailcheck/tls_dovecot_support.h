// Shared set-up of the tests against Dovecot over TLS (tests/support/with-dovecot --tls): the
// run's private CA trusted in the current user's root store, messages in the server's Maildir,
// sessions by security, and what Dovecot's log tells about them.
#pragma once
#include <gtest/gtest.h>
#include "support/session_headers.h"
#include "support/dovecot_maildir.h"
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

namespace tlsdovecot {

// Trusts the run's private CA in the current user's root store for the life of the object, the
// way a user would install a company's root. Wine's chain engine reads the root store once per
// process, so a test program either trusts the CA before its first check or never.
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

inline std::string message(int n)
{
    return "From: Sender " + std::to_string(n) + " <sender" + std::to_string(n) + "@example.org>\n"
           "To: tester@example.org\n"
           "Subject: secured message " + std::to_string(n) + "\n"
           "X-Folded: a header\n\tthat goes on\n"
           "\n"
           "The body, which a check never fetches.\n";
}

// The header block as Dovecot sends it: CRLF line ends, "+OK" before it, the dot line after it.
inline std::string asServerSendsIt(const std::string& text)
{
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return "+OK\r\n" + crlf.substr(0, crlf.find("\r\n\r\n") + 4) + ".\r\n";
}

class DovecotTlsTest : public ::testing::Test, protected SessionHeaders {
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
        emptyMaildir(maildir);
        ASSERT_TRUE(startWinsock());
    }
    void TearDown() override
    {
        freeHeaders();
        WSACleanup();
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
    char detail[pop3DetailSize] = "untouched";
};

} // namespace tlsdovecot
