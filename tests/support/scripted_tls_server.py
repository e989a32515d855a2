#!/usr/bin/env python3
"""A POP3-over-TLS server that misbehaves on purpose, for the tests of the TLS channel's limits.

Python's ssl module makes the handshake; afterwards the script writes the server's records itself
(AES-128-GCM, TLS 1.2, keys from the handshake's key log), so that it can send records OpenSSL
never would: one byte of text each, or none at all. Each scenario has a listener of its own; the
ports are written to PORT_FILE as "name port" lines once all listen.

Usage: scripted_tls_server.py CERT KEY KEYLOG PORT_FILE
Scenarios, each after the greeting and the client's first command:
  drip   an endless reply, one byte of text per record, a record every 20 ms
  empty  records without text, as fast as the client takes them
"""
import hashlib
import hmac
import socket
import ssl
import struct
import sys
import threading
import time

from cryptography.hazmat.primitives.ciphers.aead import AESGCM

LIFETIME = 120  # seconds a connection may last, whatever the client does


def prf(secret, label, seed, size):
    """The TLS 1.2 pseudo-random function with SHA-256."""
    out, a = b"", label + seed
    while len(out) < size:
        a = hmac.new(secret, a, hashlib.sha256).digest()
        out += hmac.new(secret, a + label + seed, hashlib.sha256).digest()
    return out[:size]


def hello_random(first_bytes):
    """The 32-byte random of a ClientHello or ServerHello at the start of a flight."""
    return first_bytes[11:43]


class Connection:
    def __init__(self, sock, context, keylog):
        self.sock = sock
        self.keylog = keylog
        self.incoming = ssl.MemoryBIO()
        self.outgoing = ssl.MemoryBIO()
        self.tls = context.wrap_bio(self.incoming, self.outgoing, server_side=True)

    def handshake(self):
        from_client, from_server = b"", b""
        while True:
            data = self.sock.recv(65536)
            if not data:
                return False
            from_client += data
            self.incoming.write(data)
            try:
                self.tls.do_handshake()
                done = True
            except ssl.SSLWantReadError:
                done = False
            out = self.outgoing.read()
            from_server += out
            self.sock.sendall(out)
            if done:
                break
        self.derive_keys(hello_random(from_client), hello_random(from_server))
        return True

    def derive_keys(self, client_random, server_random):
        master = None
        with open(self.keylog) as log:
            for line in log:
                parts = line.split()
                if len(parts) == 3 and parts[0] == "CLIENT_RANDOM" and parts[1] == client_random.hex():
                    master = bytes.fromhex(parts[2])
        block = prf(master, b"key expansion", server_random + client_random, 40)
        self.aead = AESGCM(block[16:32])
        self.salt = block[36:40]
        self.sequence = 1  # the server's Finished was record 0

    def record(self, text, content_type=23):
        sequence = struct.pack(">Q", self.sequence)
        self.sequence += 1
        header = bytes([content_type, 3, 3])
        sealed = self.aead.encrypt(self.salt + sequence, text, sequence + header + struct.pack(">H", len(text)))
        body = sequence + sealed
        return header + struct.pack(">H", len(body)) + body

    def wait_for_command(self):
        while True:
            try:
                if self.tls.read(4096):
                    return True
            except ssl.SSLWantReadError:
                pass
            data = self.sock.recv(65536)
            if not data:
                return False
            self.incoming.write(data)


def drip(connection, deadline):
    connection.sock.sendall(connection.record(b"+OK\r\n"))
    line = b"X-DRIP\r\n"
    while time.time() < deadline:
        for byte in line:
            connection.sock.sendall(connection.record(bytes([byte])))
            time.sleep(0.02)


def empty(connection, deadline):
    while time.time() < deadline:
        connection.sock.sendall(b"".join(connection.record(b"") for _ in range(500)))


def serve(sock, context, keylog, scenario):
    sock.settimeout(LIFETIME)
    deadline = time.time() + LIFETIME
    try:
        connection = Connection(sock, context, keylog)
        if not connection.handshake():
            return
        sock.sendall(connection.record(b"+OK scripted TLS server\r\n"))
        if connection.wait_for_command():
            scenario(connection, deadline)
    except (OSError, ssl.SSLError):
        pass
    finally:
        sock.close()


def listen(name, scenario, context, keylog):
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)

    def accept():
        while True:
            sock, _ = listener.accept()
            threading.Thread(target=serve, args=(sock, context, keylog, scenario), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    return "%s %d\n" % (name, listener.getsockname()[1])


def main():
    cert, key, keylog, port_file = sys.argv[1:5]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    context.minimum_version = context.maximum_version = ssl.TLSVersion.TLSv1_2
    context.set_ciphers("ECDHE-ECDSA-AES128-GCM-SHA256")
    context.options |= ssl.OP_NO_TICKET
    context.keylog_filename = keylog
    ports = listen("drip", drip, context, keylog) + listen("empty", empty, context, keylog)
    with open(port_file + ".tmp", "w") as out:
        out.write(ports)
    import os
    os.rename(port_file + ".tmp", port_file)
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
