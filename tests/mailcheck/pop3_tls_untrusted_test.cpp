// POP3 over TLS against a real Dovecot whose private CA nobody trusts: the certificate is refused
// before logging in with the line that names its thumbprint, unless the entry trusts that
// thumbprint (or its CA's), and even then the name must match.
#include "mailcheck/tls_dovecot_support.h"

using namespace tlsdovecot;

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

// The entry's thumbprint reaches the session through the worker, and a refused certificate
// stores its code and its line for the window.
TEST_F(DovecotTlsTest, CheckWorkerTrustsTheEntrysThumbprintAndStoresWhyACertificateWasRefused)
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
    EXPECT_TRUE(entry.stopCheck(false));
    EXPECT_EQ(2, entry.getLastResult());
    EXPECT_EQ(nullptr, entry.lastResultDetail);

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
