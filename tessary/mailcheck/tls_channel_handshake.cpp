// The TLS channel's handshake: credentials SChannel accepts on every Windows that has it, then
// InitializeSecurityContext driven by the socket's event and the stop event until the context is
// established, and again when the server asks for a renegotiation.
#define SCHANNEL_USE_BLACKLISTS
#include "mailcheck/tls_channel.h"
#include "mailcheck/pop3_session.h"
#include "mailcheck/tls_channel_settings.h"
#include <subauth.h>
#include <schannel.h>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Handshake steps before a server is taken to lead the client in circles.
const int maxHandshakeSteps = 64;

// No client certificate; the server's certificate is checked by the program, not by SChannel.
const DWORD credentialFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;

// What the handshake must give: a stream of records, encrypted, with replays and reordering found.
const ULONG attributesRequired = ISC_RET_CONFIDENTIALITY | ISC_RET_SEQUENCE_DETECT | ISC_RET_REPLAY_DETECT |
                                 ISC_RET_STREAM;

// The protocols the older record names: Windows 7 to 10 1511 offer TLS 1.1 and 1.2 only to a
// caller that names them. SSL 3.0 is never named.
const DWORD tlsProtocols = SP_PROT_TLS1_CLIENT | SP_PROT_TLS1_1_CLIENT | SP_PROT_TLS1_2_CLIENT;
const DWORD sslProtocols = SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT;

char unifiedProvider[] = UNISP_NAME_A;

const char* handshakeWords(SECURITY_STATUS status)
{
    switch (status) {
    case SEC_E_ALGORITHM_MISMATCH:
        return "no protocol or cipher in common";
    case SEC_E_ILLEGAL_MESSAGE:
        return "the server ended the handshake with an alert";
    case SEC_E_INVALID_TOKEN:
        return "the server's answer is not a TLS handshake";
    case SEC_E_UNSUPPORTED_FUNCTION:
        return "protocol not supported";
    default:
        return "SChannel refused";
    }
}

const char* fillWords(int fill)
{
    switch (fill) {
    case 1:
        return "the server closed the connection";
    case 2:
        return "no answer from the server in time";
    case 3:
        return "the check was stopped";
    default:
        return "the connection broke";
    }
}

} // namespace

#if !defined(_WIN64)
// SChannel tells the two credential records apart by dwVersion and reads them by these sizes.
static_assert(sizeof(SCHANNEL_CRED) == 56, "SCHANNEL_CRED is 56 bytes");
static_assert(sizeof(SCH_CREDENTIALS) == 44, "SCH_CREDENTIALS is 44 bytes");
static_assert(sizeof(SecBuffer) == 12 && sizeof(SecBufferDesc) == 12, "SSPI buffers");
#endif

bool TlsChannel::acquire(void* record)
{
    TimeStamp expiry;
    haveCredentials_ = sspi_->AcquireCredentialsHandleA(nullptr, unifiedProvider, SECPKG_CRED_OUTBOUND, nullptr,
                                                         record, nullptr, nullptr, &credentials_,
                                                         &expiry) == SEC_E_OK;
    return haveCredentials_;
}

bool TlsChannel::acquireCredentials()
{
    // The newer record (Windows 10 1809 on) names no protocols: the system's defaults apply and
    // follow its updates. It knows strong cryptography (no RC4, no short keys).
    SCH_CREDENTIALS current = {};
    current.dwVersion = SCH_CREDENTIALS_VERSION;
    current.dwFlags = credentialFlags | SCH_USE_STRONG_CRYPTO;
    if (acquire(&current))
        return true;
    // The older record names TLS 1.0 to 1.2; a system that refuses what it does not know is asked
    // again with less: first without strong cryptography (older than Windows 7), then with its
    // own defaults (older than TLS 1.1), where the handshake refuses SSL afterwards.
    const struct {
        DWORD protocols;
        DWORD flags;
    } offers[] = { { tlsProtocols, SCH_USE_STRONG_CRYPTO }, { tlsProtocols, 0 }, { 0, 0 } };
    for (const auto& offer : offers) {
        SCHANNEL_CRED older = {};
        older.dwVersion = SCHANNEL_CRED_VERSION;
        older.grbitEnabledProtocols = offer.protocols;
        older.dwFlags = credentialFlags | offer.flags;
        if (acquire(&older))
            return true;
    }
    return false;
}

int TlsChannel::handshake(const char* serverName, char* why, size_t whySize)
{
    why[0] = '\0';
    size_t nameLength = serverName ? strlen(serverName) : 0;
    incoming_.reset(new (std::nothrow) char[tlsIncomingCapacity]);
    plain_.reset(new (std::nothrow) char[tlsPlainCapacity]);
    serverName_ = new (std::nothrow) char[nameLength + 1];
    if (!incoming_ || !plain_ || !serverName_) {
        snprintf(why, whySize, "error: TLS handshake failed: out of memory");
        return pop3TlsHandshakeFailed;
    }
    memcpy(serverName_, serverName ? serverName : "", nameLength + 1);
    if (!acquireCredentials())
        return tlsUnavailable(why, whySize);
    return negotiate(why, whySize);
}

// Runs InitializeSecurityContext until the handshake is done: its tokens go to the server, the
// server's bytes come back to it. incoming_ may already hold bytes for it (a renegotiation).
int TlsChannel::negotiate(char* why, size_t whySize)
{
    bool needsBytes = false;
    ULONG flags = tlsRequestFlags;
    for (int steps = 0; steps < maxHandshakeSteps;) {
        if (needsBytes) {
            Fill fill = fillIncoming();
            if (fill != Fill::data) {
                snprintf(why, whySize, "error: TLS handshake failed: %s", fillWords(int(fill)));
                return pop3TlsHandshakeFailed;
            }
        }
        SecBuffer in[2] = { { incomingLength_, SECBUFFER_TOKEN, incoming_.get() }, { 0, SECBUFFER_EMPTY, nullptr } };
        SecBufferDesc inDesc = { SECBUFFER_VERSION, 2, in };
        SecBuffer out[1] = { { 0, SECBUFFER_TOKEN, nullptr } };
        SecBufferDesc outDesc = { SECBUFFER_VERSION, 1, out };
        ULONG attributes = 0;
        TimeStamp expiry;
        bool first = !haveContext_;
        SECURITY_STATUS status = sspi_->InitializeSecurityContextA(
            &credentials_, first ? nullptr : &context_, serverName_, flags, 0, 0, first ? nullptr : &inDesc, 0,
            first ? &context_ : nullptr, &outDesc, &attributes, &expiry);
        if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS))
            haveContext_ = true;

        // Tokens go out whatever the status: after a failure it is the alert that tells the server.
        bool sent = true;
        if (out[0].pvBuffer) {
            sent = out[0].cbBuffer == 0 || sendRaw(out[0].pvBuffer, out[0].cbBuffer);
            sspi_->FreeContextBuffer(out[0].pvBuffer);
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            // Each time at least one more byte arrives, so the buffer's end bounds this.
            needsBytes = true;
            continue;
        }
        ++steps;
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED && status != SEC_I_INCOMPLETE_CREDENTIALS) {
            snprintf(why, whySize, "error: TLS handshake failed: %s (0x%08lX)", handshakeWords(status),
                     static_cast<unsigned long>(status));
            return pop3TlsHandshakeFailed;
        }
        if (!sent) {
            snprintf(why, whySize, "error: TLS handshake failed: the connection broke");
            return pop3TlsHandshakeFailed;
        }
        if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
            // The server asks for a client certificate, which the program never has. SChannel has
            // not taken the server's flight: the same bytes go to it again, now told to go on with
            // the credentials it holds, that is without a certificate.
            flags |= ISC_REQ_USE_SUPPLIED_CREDS;
            needsBytes = false;
            continue;
        }
        if (!first)
            keepExtra(in[1].BufferType == SECBUFFER_EXTRA ? &in[1] : nullptr);
        if (status == SEC_E_OK)
            return establish(attributes, why, whySize);
        needsBytes = incomingLength_ == 0;
    }
    snprintf(why, whySize, "error: TLS handshake failed: the handshake does not end");
    return pop3TlsHandshakeFailed;
}

// The handshake is done: the context must be what was asked for, over TLS, with record sizes
// that fit the buffers.
int TlsChannel::establish(ULONG attributes, char* why, size_t whySize)
{
    if ((attributes & attributesRequired) != attributesRequired) {
        snprintf(why, whySize, "error: TLS handshake failed: the connection is not protected as asked (0x%08lX)",
                 static_cast<unsigned long>(attributes));
        return pop3TlsHandshakeFailed;
    }
    // A system asked with its own defaults may still speak SSL; the answer is read where the
    // system can give it.
    SecPkgContext_ConnectionInfo connection = {};
    if (sspi_->QueryContextAttributesA(&context_, SECPKG_ATTR_CONNECTION_INFO, &connection) == SEC_E_OK &&
        (connection.dwProtocol & sslProtocols)) {
        snprintf(why, whySize, "error: TLS handshake failed: the server offers only SSL, which is not safe");
        return pop3TlsHandshakeFailed;
    }
    if (sspi_->QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK ||
        sizes_.cbMaximumMessage == 0 || sizes_.cbMaximumMessage > tlsPlainCapacity || sizes_.cbHeader > 4096 ||
        sizes_.cbTrailer > 4096) {
        snprintf(why, whySize, "error: TLS handshake failed: SChannel gave no record sizes");
        return pop3TlsHandshakeFailed;
    }
    outgoing_.reset(new (std::nothrow) char[sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer]);
    if (!outgoing_) {
        snprintf(why, whySize, "error: TLS handshake failed: out of memory");
        return pop3TlsHandshakeFailed;
    }
    established_ = true;
    return pop3Success;
}

// The server asked for a new handshake (or, in TLS 1.3, sent a message after it): SChannel
// gets what came with the request and leads the exchange. The server must still present the
// certificate the program judged.
bool TlsChannel::renegotiate()
{
    char ignored[160];
    if (negotiate(ignored, sizeof ignored) != pop3Success)
        return false;
    if (!judged_)
        return true;
    PCCERT_CONTEXT certificate = serverCertificate();
    bool same = certificate && certificate->cbCertEncoded == judgedSize_ &&
                memcmp(certificate->pbCertEncoded, judged_.get(), judgedSize_) == 0;
    if (certificate)
        crypt_.CertFreeCertificateContext(certificate);
    return same;
}
