// POP3 over TLS against a real Dovecot whose private CA this program trusts from its start: TLS
// from the first byte and STLS return the exact count and header blocks, and the certificate check
// still refuses a wrong server name or a trusted thumbprint that matches nothing.
#include "mailcheck/tls_dovecot_support.h"
#include "mailcheck/top_reply.h"
#include "support/realistic_headers.h"

using namespace tlsdovecot;

namespace {

class TrustTheRunsCa : public ::testing::Environment {
public:
    void SetUp() override
    {
        ca_ = new TrustedTestCa;
        ASSERT_TRUE(ca_->trusted());
    }
    void TearDown() override { delete ca_; }

private:
    TrustedTestCa* ca_ = nullptr;
};

const ::testing::Environment* const trustTheRunsCa = ::testing::AddGlobalTestEnvironment(new TrustTheRunsCa);

} // namespace

TEST_F(DovecotTlsTest, TlsFromTheFirstByteCountsAndFetchesEveryHeaderBlock)
{
    deliver(40);
    ASSERT_EQ(pop3Success, run(SecuritySslTls)) << detail;
    expectCheckedOverTls(40);
}

TEST_F(DovecotTlsTest, StlsCountsAndFetchesEveryHeaderBlock)
{
    deliver(3);
    ASSERT_EQ(pop3Success, run(SecurityStls)) << detail;
    expectCheckedOverTls(3);
}

TEST_F(DovecotTlsTest, RealHeaderBlocksOfEverySizeArriveOverTlsAsOverPlain)
{
    for (uint32_t i = 0; i < 8; ++i) {
        std::string name = maildir + "new\\" + std::to_string(1800000000 + i) + ".M" + std::to_string(i) + "P1.big";
        ASSERT_TRUE(writeWholeFile(name, realisticMessage(realisticBlockSizes[i], i + 1)));
    }
    for (int32_t security : { SecuritySslTls, SecurityStls }) {
        SCOPED_TRACE(security);
        ASSERT_EQ(pop3Success, run(security)) << detail;
        ASSERT_EQ(8u, count);
        for (uint32_t i = 0; i < 8; ++i)
            EXPECT_EQ(keptRealisticText(realisticBlockSizes[i], i + 1, headerBlockLimit), slot(i)) << "message " << i + 1;
    }
}

TEST_F(DovecotTlsTest, ThumbprintMatchingNoCertificateFailsEvenForATrustedServer)
{
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
    size_t loginsBefore = logins();
    EXPECT_EQ(pop3CertificateNameMismatch, run(SecuritySslTls, "127.0.0.1"));
    EXPECT_STREQ("error: certificate name does not match 127.0.0.1", detail);
    EXPECT_EQ(pop3CertificateNameMismatch, run(SecurityStls, "127.0.0.1"));
    EXPECT_EQ(loginsBefore, logins());
}

// The whole road over TLS: DoCheckEmail, the worker, the entry's security and port, the stored
// headers.
TEST_F(DovecotTlsTest, CheckWorkerStoresTheResultOverTls)
{
    deliver(2);
    RecordingWindow window;
    MailboxEntry entry;
    entry.setServer("localhost");
    entry.setUser("tester");
    entry.setPassword("secret");
    entry.setSecurity(SecurityStls);
    entry.setPort(plainPort);
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(window.waitFor(WM_CHECK_DONE, 30000));
    EXPECT_TRUE(entry.stopCheck(false));
    EXPECT_EQ(2, entry.getLastResult());
    ASSERT_EQ(2, entry.headerCount);
    EXPECT_EQ(asServerSendsIt(message(2)), entry.getHeader(1));
    EXPECT_EQ(nullptr, entry.lastResultDetail);
}
