// The credentials as Windows 7 to 10 1511 take them, against the TLS Dovecot: the newer credential
// record refused, TLS 1.1 and 1.2 disabled by default in the registry as Windows 7 has them, and
// a server that asks for an optional client certificate. A program of its own: SChannel reads
// its registry settings once per process, and they are set before its first use.
#define SCHANNEL_USE_BLACKLISTS
#include "mailcheck/tls_dovecot_support.h"
#include "mailcheck/tls_library.h"
#include <subauth.h>
#include <schannel.h>

using namespace tlsdovecot;

namespace {

const char* const protocolsKey = "SYSTEM\\CurrentControlSet\\Control\\SecurityProviders\\SCHANNEL\\Protocols\\";

// One registry value set for the life of the object, and put back as it was afterwards.
class RegistryValue {
public:
    RegistryValue(const std::string& key, const char* name, DWORD value) : key_(key), name_(name)
    {
        HKEY handle;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                            nullptr) != ERROR_SUCCESS)
            return;
        DWORD size = sizeof old_;
        hadOld_ = RegQueryValueExA(handle, name_, nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
                  ERROR_SUCCESS;
        set_ = RegSetValueExA(handle, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
               ERROR_SUCCESS;
        RegCloseKey(handle);
    }
    ~RegistryValue()
    {
        HKEY handle;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS)
            return;
        if (hadOld_)
            RegSetValueExA(handle, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        else
            RegDeleteValueA(handle, name_);
        RegCloseKey(handle);
    }
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;
    bool set() const { return set_; }

private:
    std::string key_;
    const char* name_;
    DWORD old_ = 0;
    bool hadOld_ = false;
    bool set_ = false;
};

class Windows7Settings : public ::testing::Environment {
public:
    void SetUp() override
    {
        tls11_ = new RegistryValue(std::string(protocolsKey) + "TLS 1.1\\Client", "DisabledByDefault", 1);
        tls12_ = new RegistryValue(std::string(protocolsKey) + "TLS 1.2\\Client", "DisabledByDefault", 1);
        ASSERT_TRUE(tls11_->set() && tls12_->set());
        ca_ = new TrustedTestCa;
        ASSERT_TRUE(ca_->trusted());
    }
    void TearDown() override
    {
        delete ca_;
        delete tls12_;
        delete tls11_;
    }

private:
    RegistryValue* tls11_ = nullptr;
    RegistryValue* tls12_ = nullptr;
    TrustedTestCa* ca_ = nullptr;
};

const ::testing::Environment* const windows7Settings = ::testing::AddGlobalTestEnvironment(new Windows7Settings);

// The system's own security interface, with the calls a test answers differently.
PSecurityFunctionTableA systemInterface = nullptr;
SecurityFunctionTableA scriptedInterface;

// What the scripted SChannel saw and how it answers.
struct Script {
    bool refuseNamedProtocols = false;  // as a system refusing protocols it does not know
    bool askForClientCertificate = false;
    std::vector<DWORD> protocolsOffered; // grbitEnabledProtocols of each older record
    std::vector<DWORD> flagsOffered;
    bool certificateAsked = false;
    std::string flightWhenAsked;        // the server's bytes when the certificate was asked for
    bool sameFlightAgain = false;       // the next call had them again, with USE_SUPPLIED_CREDS
} script;

SECURITY_STATUS SEC_ENTRY acquireAsWindows7(LPSTR principal, LPSTR package, unsigned long use, void* logonId,
                                            void* authData, SEC_GET_KEY_FN getKey, void* getKeyArgument,
                                            PCredHandle credentials, PTimeStamp expiry)
{
    if (*static_cast<const DWORD*>(authData) == SCH_CREDENTIALS_VERSION)
        return SEC_E_UNKNOWN_CREDENTIALS; // before Windows 10 1809
    const SCHANNEL_CRED* older = static_cast<const SCHANNEL_CRED*>(authData);
    script.protocolsOffered.push_back(older->grbitEnabledProtocols);
    script.flagsOffered.push_back(older->dwFlags);
    if (script.refuseNamedProtocols && older->grbitEnabledProtocols)
        return SEC_E_ALGORITHM_MISMATCH;
    return systemInterface->AcquireCredentialsHandleA(principal, package, use, logonId, authData, getKey,
                                                      getKeyArgument, credentials, expiry);
}

SECURITY_STATUS SEC_ENTRY initializeAskingForACertificate(PCredHandle credentials, PCtxtHandle context, SEC_CHAR* target,
                                                          unsigned long flags, unsigned long reserved,
                                                          unsigned long representation, PSecBufferDesc input,
                                                          unsigned long reserved2, PCtxtHandle newContext,
                                                          PSecBufferDesc output, unsigned long* attributes,
                                                          PTimeStamp expiry)
{
    bool serverFlight = context && input && input->cBuffers > 0 && input->pBuffers[0].cbBuffer > 0;
    if (serverFlight && script.askForClientCertificate && !script.certificateAsked) {
        // As SChannel answers a CertificateRequest: nothing taken, nothing to send.
        script.certificateAsked = true;
        script.flightWhenAsked.assign(static_cast<const char*>(input->pBuffers[0].pvBuffer),
                                      input->pBuffers[0].cbBuffer);
        output->pBuffers[0].cbBuffer = 0;
        output->pBuffers[0].pvBuffer = nullptr;
        return SEC_I_INCOMPLETE_CREDENTIALS;
    }
    if (serverFlight && script.certificateAsked && script.flightWhenAsked.size() && !script.sameFlightAgain) {
        std::string again(static_cast<const char*>(input->pBuffers[0].pvBuffer), input->pBuffers[0].cbBuffer);
        script.sameFlightAgain = (flags & ISC_REQ_USE_SUPPLIED_CREDS) && again == script.flightWhenAsked;
        script.flightWhenAsked.clear();
    }
    return systemInterface->InitializeSecurityContextA(credentials, context, target, flags, reserved, representation,
                                                       input, reserved2, newContext, output, attributes, expiry);
}

PSecurityFunctionTableA SEC_ENTRY scriptedSecurityInterface()
{
    HMODULE secur32 = GetModuleHandleA("secur32.dll");
    auto initialise = reinterpret_cast<INIT_SECURITY_INTERFACE_A>(
        reinterpret_cast<void*>(GetProcAddress(secur32, SECURITY_ENTRYPOINT_ANSIA)));
    systemInterface = initialise ? initialise() : nullptr;
    if (!systemInterface)
        return nullptr;
    scriptedInterface = *systemInterface;
    scriptedInterface.AcquireCredentialsHandleA = acquireAsWindows7;
    scriptedInterface.InitializeSecurityContextA = initializeAskingForACertificate;
    return &scriptedInterface;
}

const DWORD tls10To12 = SP_PROT_TLS1_CLIENT | SP_PROT_TLS1_1_CLIENT | SP_PROT_TLS1_2_CLIENT;

class Windows7TlsTest : public DovecotTlsTest {
protected:
    void SetUp() override
    {
        DovecotTlsTest::SetUp();
        script = Script();
    }
    SeamOverride<INIT_SECURITY_INTERFACE_A> scripted{ tlsLibraryCalls.InitSecurityInterfaceA,
                                                      scriptedSecurityInterface };
};

} // namespace

TEST_F(Windows7TlsTest, OlderRecordNamesTls10To12AndTheCheckWorks)
{
    deliver(2);
    ASSERT_EQ(pop3Success, run(SecuritySslTls)) << detail;
    expectCheckedOverTls(2);
    ASSERT_FALSE(script.protocolsOffered.empty());
    EXPECT_EQ(tls10To12, script.protocolsOffered[0]);
    EXPECT_NE(0u, script.flagsOffered[0] & SCH_USE_STRONG_CRYPTO);
    EXPECT_EQ(0u, script.protocolsOffered[0] & (SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT));
}

// Where the system refuses the named protocols, the record is offered with its defaults: under
// Windows 7's these offer no TLS 1.2, and Dovecot refuses. That the check fails here shows the
// registry settings above are in force, so the test before passes by the named protocols.
TEST_F(Windows7TlsTest, SystemDefaultsOfWindows7OfferNoTls12)
{
    script.refuseNamedProtocols = true;
    EXPECT_EQ(pop3TlsHandshakeFailed, run(SecuritySslTls)) << detail;
    ASSERT_FALSE(script.protocolsOffered.empty());
    EXPECT_EQ(0u, script.protocolsOffered.back());
    EXPECT_EQ(0, strncmp(detail, "error: TLS handshake failed: ", 29)) << detail;
}

TEST_F(Windows7TlsTest, OptionalClientCertificateRequestGoesOnWithoutOne)
{
    script.askForClientCertificate = true;
    deliver(1);
    ASSERT_EQ(pop3Success, run(SecurityStls)) << detail;
    EXPECT_TRUE(script.certificateAsked);
    EXPECT_TRUE(script.sameFlightAgain);
    expectCheckedOverTls(1);
}
