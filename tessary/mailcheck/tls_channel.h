// A TLS client channel over a connected, event-selected socket, through SSPI and SChannel: the
// handshake, encrypting what is sent, decrypting what arrives into a buffer of its own, the
// server's renegotiation and close_notify. Every wait is bounded by serverTimeoutMs and the
// session's deadline, and cut short by the stop event.
#pragma once
#include "mailcheck/pop3_stream.h"
#include "mailcheck/tls_library.h"
#include <winsock2.h>
#include <cstddef>
#include <memory>

class TlsChannel {
public:
    // link is the plain connection: its socket, events and the session's deadline.
    TlsChannel(const TlsLibrary& library, const Pop3Stream& link);
    ~TlsChannel(); // releases the context and credentials; close() sends close_notify first
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // The client side of the handshake with serverName (also sent to the server as the name it
    // is reached by). pop3Success; pop3TlsUnavailable when SChannel gives no credentials;
    // pop3TlsHandshakeFailed when the server closes, answers with something that is not TLS or
    // with an alert, stalls past the timeout, shares no protocol or cipher, offers only SSL, or
    // the stop event is signalled. On failure why holds one log line. The server's certificate is
    // not judged here.
    int handshake(const char* serverName, char* why, size_t whySize);

    // The certificate the server presented, to be freed with CertFreeCertificateContext; null
    // when there is none.
    PCCERT_CONTEXT serverCertificate() const;

    // Takes the certificate the program has judged: a renegotiation that brings any other one
    // breaks the channel. False when there is no certificate or no memory to keep it.
    bool keepJudgedCertificate();

    // Encrypts and sends every byte; waits as a plain send does. False once the channel is broken.
    bool send(const char* data, int length);

    // Up to room bytes of plain text, without waiting: what is decrypted already and the records
    // that have arrived whole, else the records decrypted from one receive on the socket.
    // nothingYet when a whole record has not arrived; closed on the server's close_notify or the
    // connection's end; failed also when records without text keep coming after the stop event
    // or past the session's deadline.
    Received receive(char* into, int room, int& got);

    // True when receive() may give data without new bytes from the socket.
    bool hasPendingInput() const;

    // Sends close_notify once, without waiting for the socket.
    void close();

private:
    enum class Fill { data, closed, timedOut, stopped, failed };
    enum class Decrypted { data, needMore, closed, failed };

    bool acquireCredentials();
    bool acquire(void* record);
    int negotiate(char* why, size_t whySize);
    int establish(ULONG attributes, char* why, size_t whySize);
    Fill fillIncoming();
    int receiveIncoming();
    Decrypted decryptRecord();
    bool renegotiate();
    bool interrupted() const;
    bool sendRaw(const void* data, unsigned long length);
    void keepExtra(const SecBuffer* extra);

    PSecurityFunctionTableA sspi_;
    const CryptCalls& crypt_;
    Pop3Stream link_; // the plain socket under the channel
    char* serverName_ = nullptr;

    CredHandle credentials_ = {};
    CtxtHandle context_ = {};
    bool haveCredentials_ = false;
    bool haveContext_ = false;
    bool established_ = false;
    bool broken_ = false;      // a record did not decrypt, a renegotiation failed, or sending failed
    bool peerClosed_ = false;  // close_notify or the end of the connection
    bool closeSent_ = false;
    SecPkgContext_StreamSizes sizes_ = {};

    // The encoded certificate the program judged after the first handshake.
    std::unique_ptr<unsigned char[]> judged_;
    DWORD judgedSize_ = 0;

    // Bytes from the server not yet handed to SChannel: handshake tokens or TLS records.
    std::unique_ptr<char[]> incoming_;
    unsigned long incomingLength_ = 0;
    bool incomingIsPartial_ = false; // SChannel asked for more than incoming_ holds

    // Decrypted text not yet handed to the reply reading.
    std::unique_ptr<char[]> plain_;
    unsigned long plainStart_ = 0;
    unsigned long plainLength_ = 0;

    std::unique_ptr<char[]> outgoing_; // one record being encrypted
};
