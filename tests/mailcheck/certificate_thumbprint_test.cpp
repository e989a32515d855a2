// Thumbprints as users paste them (colons, spaces, lower case), as entries store them and the
// certificate check compares them, and as the check computes and writes a certificate's hash.
#include <gtest/gtest.h>
#include "mailcheck/certificate_check.h"
#include "mailcheck/certificate_thumbprint.h"
#include "mailcheck/pop3_session.h"
#include "mailcheck/tls_library.h"
#include <string>

namespace {

const char* const stored = "199A89B71F86F9A82482DE6211025FAB9491451F652A6377DDDC9D0D242EB49C";

std::string normalized(const char* text)
{
    char output[thumbprintTextSize];
    memset(output, '?', sizeof output);
    bool valid = normaliseThumbprint(text, output);
    EXPECT_EQ(valid, output[0] != '\0') << "the output is empty exactly when the text is refused";
    return valid ? output : "(refused)";
}

} // namespace

TEST(Thumbprint, PastedFormsBecomeSixtyFourUpperCaseDigits)
{
    EXPECT_EQ(stored, normalized(stored));
    EXPECT_EQ(stored, normalized("19:9a:89:b7:1f:86:f9:a8:24:82:de:62:11:02:5f:ab:94:91:45:1f:65:2a:63:77:dd:dc:9d:0d:"
                                 "24:2e:b4:9c"));
    EXPECT_EQ(stored, normalized("  199a89b7 1f86f9a8 2482de62 11025fab 9491451f 652a6377 dddc9d0d 242eb49c  "));
    EXPECT_EQ(stored, normalized("19 9A:89::B7 1F86F9A82482DE6211025FAB9491451F652A6377DDDC9D0D242EB49C"));
}

TEST(Thumbprint, AnythingButSixtyFourHexDigitsIsRefused)
{
    std::string full = stored;
    EXPECT_EQ("(refused)", normalized(nullptr));
    EXPECT_EQ("(refused)", normalized(""));
    EXPECT_EQ("(refused)", normalized(" : : "));
    EXPECT_EQ("(refused)", normalized(full.substr(0, 63).c_str()));
    EXPECT_EQ("(refused)", normalized((full + "0").c_str()));
    EXPECT_EQ("(refused)", normalized((full + full).c_str()));
    EXPECT_EQ("(refused)", normalized(("G" + full.substr(1)).c_str()));
    EXPECT_EQ("(refused)", normalized((full.substr(0, 32) + "-" + full.substr(32)).c_str()));
    EXPECT_EQ("(refused)", normalized((full.substr(0, 32) + "\t" + full.substr(32)).c_str()));
    // A SHA-1 thumbprint (40 digits) is not taken for a SHA-256 one.
    EXPECT_EQ("(refused)", normalized("A94A8FE5CCB19BA61C4C0873D391E987982FBBD3"));
}

TEST(Thumbprint, HashBytesAreWrittenAsUpperCaseHex)
{
    unsigned char hash[sha256Size];
    for (size_t i = 0; i < sha256Size; ++i)
        hash[i] = static_cast<unsigned char>(i * 8 + 7);
    char text[thumbprintTextSize];
    formatThumbprint(hash, text);
    EXPECT_STREQ("070F171F272F373F474F575F676F777F878F979FA7AFB7BFC7CFD7DFE7EFF7FF", text);
}

// Windows XP before SP3 hashes SHA-256 only in the enhanced AES provider; the thumbprint comes
// from there, and where no provider has it a trusted certificate fails with a line that says why.
namespace {

BOOL WINAPI hashWithoutDefaultSha256(HCRYPTPROV_LEGACY provider, ALG_ID algorithm, DWORD flags, const BYTE* encoded,
                                     DWORD encodedSize, BYTE* hash, DWORD* hashSize)
{
    if (provider == 0) {
        SetLastError(NTE_BAD_ALGID);
        return FALSE;
    }
    return CryptHashCertificate(provider, algorithm, flags, encoded, encodedSize, hash, hashSize);
}

BOOL WINAPI noSha256Property(PCCERT_CONTEXT, DWORD, void*, DWORD*)
{
    SetLastError(CRYPT_E_NOT_FOUND);
    return FALSE;
}

// Any certificate at hand: the prefix's root store holds the host's authorities.
PCCERT_CONTEXT someCertificate()
{
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
    PCCERT_CONTEXT found = store ? CertEnumCertificatesInStore(store, nullptr) : nullptr;
    PCCERT_CONTEXT copy = found ? CertDuplicateCertificateContext(found) : nullptr;
    if (found)
        CertFreeCertificateContext(found);
    if (store)
        CertCloseStore(store, 0);
    return copy;
}

CryptCalls xpWithoutSp3()
{
    CryptCalls calls = {};
    calls.CryptHashCertificate = hashWithoutDefaultSha256;
    calls.CertGetCertificateContextProperty = noSha256Property;
    calls.CryptAcquireContextA = CryptAcquireContextA;
    calls.CryptReleaseContext = CryptReleaseContext;
    return calls;
}

} // namespace

TEST(Thumbprint, WithoutSha256InTheDefaultProviderTheAesProviderHashes)
{
    PCCERT_CONTEXT certificate = someCertificate();
    ASSERT_NE(nullptr, certificate);
    unsigned char hash[sha256Size];
    DWORD size = sizeof hash;
    ASSERT_TRUE(CryptHashCertificate(0, ALG_CLASS_HASH | ALG_TYPE_ANY | 12 /* SHA-256 */, 0, certificate->pbCertEncoded, certificate->cbCertEncoded, hash,
                                     &size));
    char expected[thumbprintTextSize];
    formatThumbprint(hash, expected);

    char thumbprint[thumbprintTextSize];
    EXPECT_TRUE(certificateThumbprint(xpWithoutSp3(), certificate, thumbprint));
    EXPECT_STREQ(expected, thumbprint);
    CertFreeCertificateContext(certificate);
}

TEST(Thumbprint, WithoutAnySha256ATrustedCertificateFailsWithItsReason)
{
    PCCERT_CONTEXT certificate = someCertificate();
    ASSERT_NE(nullptr, certificate);
    CryptCalls calls = xpWithoutSp3();
    calls.CryptAcquireContextA = nullptr; // Windows 95 before OSR2
    calls.CryptReleaseContext = nullptr;
    char thumbprint[thumbprintTextSize];
    EXPECT_FALSE(certificateThumbprint(calls, certificate, thumbprint));
    char why[200];
    EXPECT_EQ(pop3TlsUnavailable, checkServerCertificate(calls, certificate, "localhost", stored, why, sizeof why));
    EXPECT_STREQ("error: TLS is not available on this system: it has no SHA-256 to compare the trusted certificate "
                 "with",
                 why);
    EXPECT_EQ(pop3TlsUnavailable, checkServerCertificate(calls, certificate, "localhost", nullptr, why, sizeof why));
    EXPECT_STREQ("error: TLS is not available on this system", why);
    CertFreeCertificateContext(certificate);
}
