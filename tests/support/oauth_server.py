#!/usr/bin/env python3
"""A local OAuth 2.0 authorization server over HTTPS for the sign-in tests.

Usage: oauth_server.py CERT_CHAIN KEY PORT_FILE
Writes its two ports to PORT_FILE ("oauth N", "pop3s N") once both listen on 127.0.0.1.

/authorize (GET): checks the request, then redirects to the loopback redirect_uri with a code
  bound to the PKCE challenge. The login_hint picks what the "user" does:
    deny@test         error=access_denied
    wrong-state@test  a state that is not the one asked with
    no-code@test      the state, but no code
/token (POST): authorization_code with PKCE (S256), refresh_token with rotation (each refresh
  token works once; any token starting "seed-" is good for one first use), invalid_grant for
  anything else. The client "google-client" must send the secret "google-secret".
POP3 over TLS (the second port): AUTH XOAUTH2 in two steps with the access tokens the token
  endpoint issued; any other token gets the "+ <base64 error>" challenge, then -ERR after the
  client's empty line. USER and PASS are always refused. Two messages.
/introspect (POST, RFC 7662): {"active": true, "username": "user@example.org"} for an access token
  the token endpoint issued and that was not revoked, {"active": false} otherwise.
/revoke (POST, RFC 7009): the token (access or refresh) no longer works.
/revoke-all (POST): every refresh token stops working, as when the user withdraws the program's
  access at the provider; access tokens already issued last until they end.
The client "short-lived-client" gets access tokens that end in 60 seconds, so that each check
  refreshes first.
/devicecode, /<scenario>/devicecode (POST): a device code (interval 1, expires_in 30); polls of the
  token endpoint with it then answer by scenario:
    (none)  authorization_pending twice, then the tokens
    slow    slow_down first; afterwards any poll sooner than 0.5 s after the one before gets
            slow_down again; the third poll in time gets the tokens
    expire  expired_token            deny  access_denied            garbage  a device answer that is not JSON
/<scenario>/token: answers that no token service should give:
    malformed  not JSON        oversized  100 KB of JSON      wrongtype  access_token a number
    html       a 502 page      refused    invalid_client      silent     never answers
"""
import base64
import hashlib
import http.server
import json
import secrets
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse

lock = threading.Lock()
access_tokens = set()
codes = {}            # code -> (challenge, redirect_uri, client_id)
refresh_tokens = set()
device_codes = {}     # device code -> {"scenario", "polls", "last"}
used_seeds = set()
seeds_revoked = False  # after /revoke-all no seed works either


def b64url(data):
    return base64.urlsafe_b64encode(data).rstrip(b"=").decode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        sys.stderr.write("oauth_server: " + (fmt % args) + "\n")

    def reply(self, status, body, content_type="application/json", headers=()):
        data = body if isinstance(body, bytes) else body.encode()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def json_reply(self, status, value):
        self.reply(status, json.dumps(value))

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path != "/authorize":
            return self.reply(404, "not found", "text/plain")
        q = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        redirect = q.get("redirect_uri", "")
        if (q.get("response_type") != "code" or q.get("code_challenge_method") != "S256"
                or len(q.get("code_challenge", "")) != 43 or not q.get("client_id")
                or not redirect.startswith("http://127.0.0.1:") or not q.get("state") or not q.get("scope")):
            return self.reply(400, "bad authorization request", "text/plain")
        hint = q.get("login_hint", "")
        state = q["state"]
        if hint == "deny@test":
            params = {"error": "access_denied", "state": state}
        elif hint == "wrong-state@test":
            params = {"code": "c-" + secrets.token_urlsafe(12), "state": state + "x"}
        elif hint == "no-code@test":
            params = {"state": state}
        else:
            code = "c-" + secrets.token_urlsafe(12)
            with lock:
                codes[code] = (q["code_challenge"], redirect, q["client_id"])
            params = {"code": code, "state": state}
        location = redirect + "?" + urllib.parse.urlencode(params)
        self.reply(302, "", "text/plain", [("Location", location)])

    def read_form(self):
        length = int(self.headers.get("Content-Length") or 0)
        return dict(urllib.parse.parse_qsl(self.rfile.read(length).decode(), keep_blank_values=True))

    def grant(self, lifetime=3600):
        access = "at-" + secrets.token_urlsafe(16)
        refresh = "rt-" + secrets.token_urlsafe(16)
        with lock:
            refresh_tokens.add(refresh)
            access_tokens.add(access)
        self.json_reply(200, {"access_token": access, "token_type": "Bearer", "expires_in": lifetime,
                              "refresh_token": refresh, "scope": "test"})

    def token(self, form):
        client = form.get("client_id", "")
        if not client or (client == "google-client" and form.get("client_secret") != "google-secret"):
            return self.json_reply(401, {"error": "invalid_client"})
        kind = form.get("grant_type")
        if kind == "authorization_code":
            with lock:
                bound = codes.pop(form.get("code", ""), None)
            verifier = form.get("code_verifier", "")
            if (not bound or bound[2] != client or bound[1] != form.get("redirect_uri")
                    or b64url(hashlib.sha256(verifier.encode()).digest()) != bound[0]):
                return self.json_reply(400, {"error": "invalid_grant"})
            return self.grant()
        if kind == "urn:ietf:params:oauth:grant-type:device_code":
            return self.device_poll(form.get("device_code", ""))
        if kind == "refresh_token":
            token = form.get("refresh_token", "")
            with lock:
                good = token in refresh_tokens or (token.startswith("seed-") and token not in used_seeds
                                                   and not seeds_revoked)
                refresh_tokens.discard(token)
                used_seeds.add(token)
            if not good:
                sys.stderr.write("oauth_server: refresh refused: invalid_grant\n")
                return self.json_reply(400, {"error": "invalid_grant", "error_description": "revoked"})
            return self.grant(60 if client == "short-lived-client" else 3600)
        return self.json_reply(400, {"error": "unsupported_grant_type"})

    def device_poll(self, code):
        with lock:
            record = device_codes.get(code)
            if record is None:
                return self.json_reply(400, {"error": "invalid_grant"})
            now = time.monotonic()
            too_soon = record["last"] is not None and now - record["last"] < 0.5
            record["last"] = now
            record["polls"] += 1
            scenario, polls = record["scenario"], record["polls"]
            if scenario == "slow" and (polls == 1 or too_soon):
                record["polls"] = 1 if polls == 1 else record["polls"] - 1
                return self.json_reply(400, {"error": "slow_down"})
        if scenario == "expire":
            return self.json_reply(400, {"error": "expired_token"})
        if scenario == "deny":
            return self.json_reply(400, {"error": "access_denied"})
        if polls < 3:
            return self.json_reply(400, {"error": "authorization_pending"})
        with lock:
            device_codes.pop(code, None)
        return self.grant()

    def device_code(self, scenario, form):
        if not form.get("client_id") or not form.get("scope"):
            return self.json_reply(400, {"error": "invalid_request"})
        if scenario == "garbage":
            return self.reply(200, "<html>not a device code</html>", "text/html")
        code = "dc-" + secrets.token_urlsafe(16)
        with lock:
            device_codes[code] = {"scenario": scenario, "polls": 0, "last": None}
        self.json_reply(200, {"device_code": code, "user_code": "ABCD-EFGH",
                              "verification_uri": "https://localhost/devicelogin", "expires_in": 30,
                              "interval": 1, "message": "enter ABCD-EFGH"})

    def do_POST(self):
        form = self.read_form()
        scenario = self.path.split("?")[0]
        if scenario.endswith("/devicecode"):
            return self.device_code(scenario[1:-len("/devicecode")].strip("/"), form)
        if scenario == "/token":
            return self.token(form)
        if scenario == "/introspect":
            with lock:
                active = form.get("token", "") in access_tokens
            sys.stderr.write("oauth_server: introspection: %s\n" % ("active" if active else "not active"))
            if not active:
                return self.json_reply(200, {"active": False})
            return self.json_reply(200, {"active": True, "username": "user@example.org", "token_type": "Bearer"})
        if scenario == "/revoke":
            token = form.get("token", "")
            with lock:
                access_tokens.discard(token)
                refresh_tokens.discard(token)
                used_seeds.add(token)
            return self.reply(200, "", "text/plain")
        if scenario == "/revoke-all":
            global seeds_revoked
            with lock:
                refresh_tokens.clear()
                seeds_revoked = True
            return self.reply(200, "", "text/plain")
        if scenario == "/malformed/token":
            return self.reply(200, '{"access_token": "at-x", "token_type": ')
        if scenario == "/oversized/token":
            return self.json_reply(200, {"access_token": "a" * 100000, "token_type": "Bearer"})
        if scenario == "/wrongtype/token":
            return self.json_reply(200, {"access_token": 42, "token_type": "Bearer", "refresh_token": ["x"]})
        if scenario == "/html/token":
            return self.reply(502, "<html><body>Bad gateway</body></html>", "text/html")
        if scenario == "/refused/token":
            return self.json_reply(400, {"error": "invalid_client"})
        if scenario == "/silent/token":
            time.sleep(120)
            return None
        return self.reply(404, "not found", "text/plain")


class Pop3Handler(socketserver.StreamRequestHandler):
    """Just enough POP3 for a signed-in check: XOAUTH2, STAT, UIDL, TOP n 0, QUIT."""

    def send(self, line):
        self.wfile.write(line.encode() + b"\r\n")
        self.wfile.flush()

    def handle(self):
        self.request.settimeout(30)
        self.send("+OK test POP3 ready")
        signed_in = False
        while True:
            raw = self.rfile.readline(65536)
            if not raw:
                return
            line = raw.decode(errors="replace").rstrip("\r\n")
            verb = line.split(" ")[0].upper()
            if verb == "AUTH" and line.upper() == "AUTH XOAUTH2":
                self.send("+ ")
                answer = self.rfile.readline(65536).decode(errors="replace").strip()
                try:
                    fields = base64.b64decode(answer, validate=True).decode().split("\x01")
                except Exception:
                    fields = []
                token = fields[1][len("auth=Bearer "):] if len(fields) == 4 and fields[1].startswith("auth=Bearer ") else ""
                with lock:
                    good = token in access_tokens and fields[0] == "user=user@example.org"
                if good:
                    signed_in = True
                    self.send("+OK signed in")
                else:
                    error = json.dumps({"status": "401", "schemes": "bearer", "scope": "https://mail.google.com/"})
                    self.send("+ " + base64.b64encode(error.encode()).decode())
                    self.rfile.readline(65536)
                    self.send("-ERR authentication failed")
            elif verb in ("USER", "PASS"):
                sys.stderr.write("pop3: a password login was tried\n")
                self.send("-ERR passwords are not taken here")
            elif not signed_in and verb != "QUIT":
                self.send("-ERR sign in first")
            elif verb == "STAT":
                self.send("+OK 2 640")
            elif verb == "UIDL":
                self.send("+OK\r\n1 id-1\r\n2 id-2\r\n.")
            elif verb == "TOP":
                number = line.split(" ")[1]
                self.send("+OK\r\nFrom: sender%s@example.org\r\nSubject: signed-in message %s\r\n\r\n." % (number, number))
            elif verb == "QUIT":
                self.send("+OK bye")
                return
            else:
                self.send("-ERR unknown command")


class Pop3Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, context):
        super().__init__(("127.0.0.1", 0), Pop3Handler)
        self.context = context

    def get_request(self):
        sock, address = self.socket.accept()
        return self.context.wrap_socket(sock, server_side=True), address


def main():
    cert, key, port_file = sys.argv[1:4]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    pop3 = Pop3Server(context)
    threading.Thread(target=pop3.serve_forever, daemon=True).start()
    with open(port_file + ".tmp", "w") as f:
        f.write("oauth %d\npop3s %d\n" % (server.server_address[1], pop3.server_address[1]))
    import os
    os.rename(port_file + ".tmp", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
