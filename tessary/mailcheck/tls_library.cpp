// Loading SSPI and crypt32 at run time: the program imports neither, so it still starts on a
// system that has no TLS layer, and only a check that asks for TLS fails there.
#include "mailcheck/tls_library.h"
#include "mailcheck/pop3_session.h"
#include <cstdio>
#include <initializer_list>

TlsLibraryCalls tlsLibraryCalls = { ::LoadLibraryA };

namespace {

// Keeps a loaded library for the rest of the process: SChannel sets itself up once, not per check.
// A second load whose reference is never given back pins it on every Windows version (the pinning
// flag of GetModuleHandleEx needs Windows XP).
void keepLoaded(const char* name)
{
    tlsLibraryCalls.LoadLibraryA(name);
}

template <class Function>
bool find(HMODULE module, const char* name, Function& slot)
{
    slot = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return slot != nullptr;
}

bool hasTheCallsOfAClient(PSecurityFunctionTableA table)
{
    return table && table->AcquireCredentialsHandleA && table->InitializeSecurityContextA &&
           table->DeleteSecurityContext && table->FreeCredentialsHandle && table->FreeContextBuffer &&
           table->QueryContextAttributesA && table->ApplyControlToken && table->EncryptMessage &&
           table->DecryptMessage;
}

} // namespace

int tlsUnavailable(char* why, size_t whySize)
{
    snprintf(why, whySize, "error: TLS is not available on this system");
    return pop3TlsUnavailable;
}

TlsLibrary::~TlsLibrary()
{
    if (crypt32_)
        FreeLibrary(crypt32_);
    if (security_)
        FreeLibrary(security_);
}

bool TlsLibrary::load()
{
    return loadSecurity() && loadCrypt();
}

bool TlsLibrary::loadSecurity()
{
    // secur32.dll forwards to security.dll on NT 4; later systems have only secur32.dll.
    for (const char* name : { "secur32.dll", "security.dll" }) {
        security_ = tlsLibraryCalls.LoadLibraryA(name);
        if (!security_)
            continue;
        INIT_SECURITY_INTERFACE_A initialise;
        if (find(security_, SECURITY_ENTRYPOINT_ANSIA, initialise)) {
            sspi_ = initialise();
            if (hasTheCallsOfAClient(sspi_)) {
                keepLoaded(name);
                return true;
            }
        }
        sspi_ = nullptr;
        FreeLibrary(security_);
        security_ = nullptr;
    }
    return false;
}

bool TlsLibrary::loadCrypt()
{
    crypt32_ = tlsLibraryCalls.LoadLibraryA("crypt32.dll");
    if (!crypt32_)
        return false;
    bool complete = find(crypt32_, "CertGetCertificateChain", crypt_.CertGetCertificateChain) &&
                    find(crypt32_, "CertVerifyCertificateChainPolicy", crypt_.CertVerifyCertificateChainPolicy) &&
                    find(crypt32_, "CertFreeCertificateChain", crypt_.CertFreeCertificateChain) &&
                    find(crypt32_, "CertFreeCertificateContext", crypt_.CertFreeCertificateContext) &&
                    find(crypt32_, "CryptHashCertificate", crypt_.CryptHashCertificate) &&
                    find(crypt32_, "CertGetCertificateContextProperty", crypt_.CertGetCertificateContextProperty);
    if (complete)
        keepLoaded("crypt32.dll");
    return complete;
}
