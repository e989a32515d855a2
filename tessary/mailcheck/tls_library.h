// The platform's TLS layer (SSPI with SChannel) and certificate services (crypt32), loaded when a
// check needs them, so that the program starts and checks plain mailboxes where they are missing.
#pragma once
#include <windows.h>
#include <wincrypt.h>
#define SECURITY_WIN32
#include <sspi.h>
#include <cstddef>

// The crypt32 calls the certificate check makes.
struct CryptCalls {
    BOOL (WINAPI *CertGetCertificateChain)(HCERTCHAINENGINE engine, PCCERT_CONTEXT certificate, LPFILETIME time,
                                           HCERTSTORE additionalStore, PCERT_CHAIN_PARA parameters, DWORD flags,
                                           LPVOID reserved, PCCERT_CHAIN_CONTEXT* chain);
    BOOL (WINAPI *CertVerifyCertificateChainPolicy)(LPCSTR policy, PCCERT_CHAIN_CONTEXT chain,
                                                    PCERT_CHAIN_POLICY_PARA parameters,
                                                    PCERT_CHAIN_POLICY_STATUS status);
    VOID (WINAPI *CertFreeCertificateChain)(PCCERT_CHAIN_CONTEXT chain);
    BOOL (WINAPI *CertFreeCertificateContext)(PCCERT_CONTEXT certificate);
    BOOL (WINAPI *CryptHashCertificate)(HCRYPTPROV_LEGACY provider, ALG_ID algorithm, DWORD flags,
                                        const BYTE* encoded, DWORD encodedSize, BYTE* hash, DWORD* hashSize);
    BOOL (WINAPI *CertGetCertificateContextProperty)(PCCERT_CONTEXT certificate, DWORD property, void* data,
                                                     DWORD* size);
    // advapi32's, for a provider that knows SHA-256 where the default one does not (Windows XP
    // before SP3); null where the system lacks them.
    BOOL (WINAPI *CryptAcquireContextA)(HCRYPTPROV* provider, LPCSTR container, LPCSTR providerName, DWORD type,
                                        DWORD flags);
    BOOL (WINAPI *CryptReleaseContext)(HCRYPTPROV provider, DWORD flags);
};

// How the libraries are found; tests make them missing. InitSecurityInterfaceA is null for the
// loaded library's own entry point; a test sets it to answer as a system this one is not would
// (a credential record refused, a client certificate asked for).
struct TlsLibraryCalls {
    HMODULE (WINAPI *LoadLibraryA)(LPCSTR name);
    INIT_SECURITY_INTERFACE_A InitSecurityInterfaceA;
};
extern TlsLibraryCalls tlsLibraryCalls;

// Writes the log line of a system whose TLS layer cannot serve a check (a library or a call is
// missing, no credentials, no SHA-256) into why; answers pop3TlsUnavailable.
int tlsUnavailable(char* why, size_t whySize);

// One check's hold on the TLS layer: load() takes the libraries, the destructor lets them go.
// A library loaded once stays in the process, so later checks do not set SChannel up again.
class TlsLibrary {
public:
    TlsLibrary() = default;
    ~TlsLibrary();
    TlsLibrary(const TlsLibrary&) = delete;
    TlsLibrary& operator=(const TlsLibrary&) = delete;

    // False when the security layer (secur32.dll, or security.dll on older systems) or crypt32.dll
    // is missing or lacks a call the check makes. Both come from the system folder only, never
    // from the program's folder or the current one.
    bool load();

    PSecurityFunctionTableA sspi() const { return sspi_; }
    const CryptCalls& crypt() const { return crypt_; }

private:
    bool loadSecurity();
    bool loadCrypt();
    void findStrongProvider();

    HMODULE security_ = nullptr;
    HMODULE crypt32_ = nullptr;
    PSecurityFunctionTableA sspi_ = nullptr;
    CryptCalls crypt_ = {};
};
