// Loading SSPI and crypt32 at run time: the program imports neither, so it still starts on a
// system that has no TLS layer, and only a check that asks for TLS fails there.
#include "mailcheck/tls_library.h"
#include "mailcheck/pop3_session.h"
#include <cstdio>
#include <cstring>
#include <initializer_list>

TlsLibraryCalls tlsLibraryCalls = { ::LoadLibraryA, nullptr };

namespace {

// The full path of a library in the system folder; empty when it does not fit.
bool systemLibraryPath(const char* name, char (&path)[MAX_PATH])
{
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    size_t nameLength = strlen(name);
    if (length == 0 || length + 1 + nameLength + 1 > MAX_PATH) {
        path[0] = '\0';
        return false;
    }
    if (path[length - 1] != '\\')
        path[length++] = '\\';
    memcpy(path + length, name, nameLength + 1);
    return true;
}

HMODULE loadSystemLibrary(const char* name)
{
    char path[MAX_PATH];
    return systemLibraryPath(name, path) ? tlsLibraryCalls.LoadLibraryA(path) : nullptr;
}

// Keeps a loaded library for the rest of the process: SChannel sets itself up once, not per check.
// A second load whose reference is never given back pins it on every Windows version (the pinning
// flag of GetModuleHandleEx needs Windows XP).
void keepLoaded(const char* name)
{
    loadSystemLibrary(name);
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
        security_ = loadSystemLibrary(name);
        if (!security_)
            continue;
        INIT_SECURITY_INTERFACE_A initialise;
        if (find(security_, SECURITY_ENTRYPOINT_ANSIA, initialise)) {
            if (tlsLibraryCalls.InitSecurityInterfaceA)
                initialise = tlsLibraryCalls.InitSecurityInterfaceA;
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
    crypt32_ = loadSystemLibrary("crypt32.dll");
    if (!crypt32_)
        return false;
    bool complete = find(crypt32_, "CertGetCertificateChain", crypt_.CertGetCertificateChain) &&
                    find(crypt32_, "CertVerifyCertificateChainPolicy", crypt_.CertVerifyCertificateChainPolicy) &&
                    find(crypt32_, "CertFreeCertificateChain", crypt_.CertFreeCertificateChain) &&
                    find(crypt32_, "CertFreeCertificateContext", crypt_.CertFreeCertificateContext) &&
                    find(crypt32_, "CryptHashCertificate", crypt_.CryptHashCertificate) &&
                    find(crypt32_, "CertGetCertificateContextProperty", crypt_.CertGetCertificateContextProperty);
    if (complete) {
        keepLoaded("crypt32.dll");
        findStrongProvider();
    }
    return complete;
}

// advapi32 is in every process already; its provider calls exist from Windows 95 OSR2 and NT 4.
void TlsLibrary::findStrongProvider()
{
    HMODULE advapi32 = GetModuleHandleA("advapi32.dll");
    if (!advapi32 || !find(advapi32, "CryptAcquireContextA", crypt_.CryptAcquireContextA) ||
        !find(advapi32, "CryptReleaseContext", crypt_.CryptReleaseContext)) {
        crypt_.CryptAcquireContextA = nullptr;
        crypt_.CryptReleaseContext = nullptr;
    }
}
