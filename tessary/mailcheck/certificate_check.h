// The program's own check of the certificate a POP3 server presented over TLS: the chain must
// reach a root the system trusts for server authentication and name the server, unless the entry
// trusts the certificate (or one of its chain) by its SHA-256 thumbprint.
#pragma once
#include "mailcheck/certificate_thumbprint.h"
#include <windows.h>
#include <wincrypt.h>
#include <cstddef>

struct CryptCalls;

// pop3Success, or the failure code with one plain-words log line in why:
//   pop3CertificateUntrusted    "error: certificate not trusted (<chain error>), SHA-256 <64 hex>"
//   pop3CertificateNameMismatch "error: certificate name does not match <server>"
//   pop3CertificatePinMismatch  "error: certificate does not match the trusted certificate, SHA-256 <64 hex>"
//   pop3TlsUnavailable          when the system cannot compute a SHA-256 thumbprint
// trustedThumbprint is null or the entry's thumbprint; the thumbprints in the lines are the
// server certificate's own, so the user can compare it or paste it into the entry.
int checkServerCertificate(const CryptCalls& crypt, PCCERT_CONTEXT certificate, const char* serverName,
                           const char* trustedThumbprint, char* why, size_t whySize);

// The certificate's SHA-256 thumbprint as 64 upper-case hex digits; false when the system has no
// SHA-256.
bool certificateThumbprint(const CryptCalls& crypt, PCCERT_CONTEXT certificate, char (&output)[thumbprintTextSize]);
