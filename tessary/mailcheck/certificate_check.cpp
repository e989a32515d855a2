// Checking the server's certificate chain and name with crypt32, by the program itself: the TLS
// layer is asked not to (some accept any certificate even when asked to check).
#include "mailcheck/certificate_check.h"
#include "mailcheck/certificate_thumbprint.h"
#include "mailcheck/pop3_session.h"
#include "mailcheck/tls_library.h"
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// CALG_SHA_256, which the headers declare only for systems newer than the program's target.
const ALG_ID sha256Algorithm = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;

// The providers that hash SHA-256 where the default one does not (Windows XP before SP3): the
// enhanced AES provider by its later name and by its name on Windows XP.
const DWORD aesProviderType = 24; // PROV_RSA_AES
const char* const aesProviderNames[] = { "Microsoft Enhanced RSA and AES Cryptographic Provider",
                                         "Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)" };

// The SSL policy's check flag that accepts a root the system does not know.
const DWORD policyIgnoresUnknownRoot = 0x00000100;

// What a trusted thumbprint stands in for: a root that is not among the system's.
const DWORD errorsAThumbprintAccepts = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN;

// Plain words for the first chain error the user can act on.
const char* chainErrorWords(DWORD errors)
{
    if (errors & CERT_TRUST_IS_REVOKED)
        return "revoked";
    if (errors & CERT_TRUST_IS_EXPLICIT_DISTRUST)
        return "distrusted";
    if (errors & CERT_TRUST_IS_NOT_TIME_VALID)
        return "expired or not yet valid";
    if (errors & CERT_TRUST_IS_NOT_SIGNATURE_VALID)
        return "bad signature";
    if (errors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE)
        return "not for server authentication";
    if (errors & CERT_TRUST_IS_UNTRUSTED_ROOT)
        return "untrusted root";
    if (errors & CERT_TRUST_IS_PARTIAL_CHAIN)
        return "incomplete chain";
    if (errors & CERT_TRUST_IS_CYCLIC)
        return "cyclic chain";
    return nullptr;
}

const char* policyErrorWords(LONG error)
{
    switch (static_cast<HRESULT>(error)) {
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_UNTRUSTEDTESTROOT:
        return "untrusted root";
    case CERT_E_CHAINING:
        return "incomplete chain";
    case CERT_E_EXPIRED:
        return "expired or not yet valid";
    case CERT_E_WRONG_USAGE:
        return "not for server authentication";
    case CRYPT_E_REVOKED:
        return "revoked";
    case TRUST_E_CERT_SIGNATURE:
        return "bad signature";
    default:
        return nullptr;
    }
}

// SHA-256 of the certificate through the enhanced AES provider.
bool hashWithAesProvider(const CryptCalls& crypt, PCCERT_CONTEXT certificate, unsigned char (&hash)[sha256Size])
{
    if (!crypt.CryptAcquireContextA || !crypt.CryptReleaseContext)
        return false;
    for (const char* name : aesProviderNames) {
        HCRYPTPROV provider = 0;
        if (!crypt.CryptAcquireContextA(&provider, nullptr, name, aesProviderType, CRYPT_VERIFYCONTEXT))
            continue;
        DWORD size = sizeof hash;
        bool hashed = crypt.CryptHashCertificate(provider, sha256Algorithm, 0, certificate->pbCertEncoded,
                                                 certificate->cbCertEncoded, hash, &size) &&
                      size == sha256Size;
        crypt.CryptReleaseContext(provider, 0);
        if (hashed)
            return true;
    }
    return false;
}

int untrusted(const char* words, unsigned long code, const char* thumbprint, char* why, size_t whySize)
{
    char named[48];
    if (!words) {
        snprintf(named, sizeof named, "error 0x%08lX", code);
        words = named;
    }
    snprintf(why, whySize, "error: certificate not trusted (%s), SHA-256 %s", words, thumbprint);
    return pop3CertificateUntrusted;
}

// Owns the chain of one check. The chains come from the system's default engine, which follows
// the user's root store as it changes.
class ChainHolder {
public:
    explicit ChainHolder(const CryptCalls& crypt) : crypt_(crypt) {}
    ~ChainHolder()
    {
        if (chain)
            crypt_.CertFreeCertificateChain(chain);
    }
    ChainHolder(const ChainHolder&) = delete;
    ChainHolder& operator=(const ChainHolder&) = delete;
    PCCERT_CHAIN_CONTEXT chain = nullptr;

private:
    const CryptCalls& crypt_;
};

bool buildChain(const CryptCalls& crypt, PCCERT_CONTEXT certificate, ChainHolder& holder)
{
    static char serverAuthentication[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = { serverAuthentication };
    CERT_CHAIN_PARA parameters = {};
    parameters.cbSize = sizeof parameters;
    parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    parameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    // The certificates the server sent (its intermediates) are in the certificate's own store.
    // Revocation is not asked for: it would reach out to the network in the middle of a check.
    return crypt.CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &parameters, 0,
                                         nullptr, &holder.chain) &&
           holder.chain;
}

// True when one certificate of the chain has the thumbprint (already in its stored form).
bool chainHasThumbprint(const CryptCalls& crypt, PCCERT_CHAIN_CONTEXT chain, const char* thumbprint)
{
    for (DWORD c = 0; c < chain->cChain; ++c) {
        const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[c];
        for (DWORD e = 0; simple && e < simple->cElement; ++e) {
            char own[thumbprintTextSize];
            if (certificateThumbprint(crypt, simple->rgpElement[e]->pCertContext, own) &&
                strcmp(own, thumbprint) == 0)
                return true;
        }
    }
    return false;
}

// The SSL policy for a server named serverName; the policy's error code, or -1 when it could not run.
LONG verifySslPolicy(const CryptCalls& crypt, PCCERT_CHAIN_CONTEXT chain, const char* serverName,
                     bool acceptUnknownRoot)
{
    int length = MultiByteToWideChar(CP_ACP, 0, serverName, -1, nullptr, 0);
    WCHAR* wideName = length > 0 ? new (std::nothrow) WCHAR[length] : nullptr;
    if (!wideName || MultiByteToWideChar(CP_ACP, 0, serverName, -1, wideName, length) != length) {
        delete[] wideName;
        return -1;
    }
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = acceptUnknownRoot ? policyIgnoresUnknownRoot : 0;
    ssl.pwszServerName = wideName;
    CERT_CHAIN_POLICY_PARA policy = {};
    policy.cbSize = sizeof policy;
    policy.dwFlags = acceptUnknownRoot ? CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG : 0;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status = {};
    status.cbSize = sizeof status;
    BOOL ran = crypt.CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status);
    delete[] wideName;
    return ran ? LONG(status.dwError) : -1;
}

} // namespace

#if !defined(_WIN64)
// crypt32 checks cbSize against the sizes it knows; these are the first versions of the records.
static_assert(sizeof(CERT_CHAIN_PARA) == 16, "CERT_CHAIN_PARA without the extra fields is 16 bytes");
static_assert(sizeof(CERT_CHAIN_POLICY_PARA) == 12, "CERT_CHAIN_POLICY_PARA is 12 bytes");
static_assert(sizeof(CERT_CHAIN_POLICY_STATUS) == 20, "CERT_CHAIN_POLICY_STATUS is 20 bytes");
static_assert(sizeof(SSL_EXTRA_CERT_CHAIN_POLICY_PARA) == 16, "SSL_EXTRA_CERT_CHAIN_POLICY_PARA is 16 bytes");
#endif

bool certificateThumbprint(const CryptCalls& crypt, PCCERT_CONTEXT certificate, char (&output)[thumbprintTextSize])
{
    output[0] = '\0';
    if (!certificate)
        return false;
    unsigned char hash[sha256Size];
    DWORD size = sizeof hash;
    bool hashed = crypt.CryptHashCertificate(0, sha256Algorithm, 0, certificate->pbCertEncoded,
                                             certificate->cbCertEncoded, hash, &size) &&
                  size == sha256Size;
    if (!hashed) {
        size = sizeof hash;
        hashed = crypt.CertGetCertificateContextProperty(certificate, CERT_SHA256_HASH_PROP_ID, hash, &size) &&
                 size == sha256Size;
    }
    if (!hashed)
        hashed = hashWithAesProvider(crypt, certificate, hash);
    if (hashed)
        formatThumbprint(hash, output);
    return hashed;
}

int checkServerCertificate(const CryptCalls& crypt, PCCERT_CONTEXT certificate, const char* serverName,
                           const char* trustedThumbprint, char* why, size_t whySize)
{
    why[0] = '\0';
    char thumbprint[thumbprintTextSize];
    if (!certificateThumbprint(crypt, certificate, thumbprint)) {
        if (!certificate || !trustedThumbprint || !*trustedThumbprint)
            return tlsUnavailable(why, whySize);
        snprintf(why, whySize, "error: TLS is not available on this system: it has no SHA-256 to compare the "
                               "trusted certificate with");
        return pop3TlsUnavailable;
    }
    ChainHolder holder(crypt);
    if (!buildChain(crypt, certificate, holder))
        return untrusted("no chain", static_cast<unsigned long>(GetLastError()), thumbprint, why, whySize);

    // A thumbprint the entry trusts must be found in the chain; one that is not a thumbprint at
    // all matches nothing.
    bool pinned = trustedThumbprint && *trustedThumbprint;
    char pin[thumbprintTextSize];
    bool pinMatches = pinned && normaliseThumbprint(trustedThumbprint, pin) &&
                      chainHasThumbprint(crypt, holder.chain, pin);
    if (pinned && !pinMatches) {
        snprintf(why, whySize, "error: certificate does not match the trusted certificate, SHA-256 %s", thumbprint);
        return pop3CertificatePinMismatch;
    }

    // Any error the chain reports refuses it, even where the policy below would let it pass.
    DWORD errors = holder.chain->TrustStatus.dwErrorStatus;
    if (pinMatches)
        errors &= ~errorsAThumbprintAccepts;
    if (errors != CERT_TRUST_NO_ERROR)
        return untrusted(chainErrorWords(errors), errors, thumbprint, why, whySize);

    LONG policyError = verifySslPolicy(crypt, holder.chain, serverName ? serverName : "", pinMatches);
    if (policyError == LONG(CERT_E_CN_NO_MATCH)) {
        snprintf(why, whySize, "error: certificate name does not match %s", serverName ? serverName : "");
        return pop3CertificateNameMismatch;
    }
    if (policyError == -1)
        return untrusted("no policy check", static_cast<unsigned long>(GetLastError()), thumbprint, why, whySize);
    if (policyError != 0)
        return untrusted(policyErrorWords(policyError), static_cast<unsigned long>(policyError), thumbprint, why, whySize);
    return pop3Success;
}
