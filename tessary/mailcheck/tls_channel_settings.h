// The sizes, limits and requests the parts of the TLS channel share.
#pragma once
#include "mailcheck/tls_library.h"

// Room for what the server sends before SChannel takes it: a whole handshake flight with its
// certificates, or several records.
const unsigned long tlsIncomingCapacity = 65536;
// The most plain text one record can carry, with room for any padding SChannel leaves in it.
const unsigned long tlsPlainCapacity = 16384 + 2048;

const ULONG tlsRequestFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                              ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                              ISC_REQ_MANUAL_CRED_VALIDATION;
