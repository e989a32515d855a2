// The end of the TLS channel: close_notify sent once, without waiting for the server.
#include "mailcheck/tls_channel.h"
#include "mailcheck/tls_channel_settings.h"
#include <schannel.h>

void TlsChannel::close()
{
    if (!established_ || closeSent_)
        return;
    closeSent_ = true;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control = { sizeof type, SECBUFFER_TOKEN, &type };
    SecBufferDesc controlDescription = { SECBUFFER_VERSION, 1, &control };
    if (sspi_->ApplyControlToken(&context_, &controlDescription) != SEC_E_OK)
        return;
    SecBuffer out = { 0, SECBUFFER_TOKEN, nullptr };
    SecBufferDesc outDescription = { SECBUFFER_VERSION, 1, &out };
    ULONG attributes = 0;
    TimeStamp expiry;
    SECURITY_STATUS status = sspi_->InitializeSecurityContextA(&credentials_, &context_, serverName_,
                                                               tlsRequestFlags, 0, 0, nullptr, 0, nullptr,
                                                               &outDescription, &attributes, &expiry);
    // One attempt: a server that no longer reads must not hold the end of the check.
    if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && out.pvBuffer && out.cbBuffer)
        ::send(link_.socket, static_cast<const char*>(out.pvBuffer), int(out.cbBuffer), 0);
    if (out.pvBuffer)
        sspi_->FreeContextBuffer(out.pvBuffer);
}
