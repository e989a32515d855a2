// AUTH XOAUTH2 for POP3. The token goes only into the one line that carries it, which is
// overwritten as soon as it is sent; no log line ever holds it.
#include "mailcheck/pop3_xoauth2.h"
#include "mailcheck/pop3_connection.h"
#include "signin/web_encoding.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Room for a "+ <base64 error>" challenge; longer replies count as a refusal.
const int challengeBufferSize = 2048;

bool hasControlCharacter(const char* text)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        if (*p < 0x20 || *p == 0x7F)
            return true;
    return false;
}

void scrub(std::string& text)
{
    if (!text.empty())
        SecureZeroMemory(&text[0], text.size());
}

// Reads one reply line; true when it arrived whole, whatever it says.
bool readLine(Pop3Connection& connection, char* reply, int size)
{
    bool positive = connection.status(reply, size, false);
    return positive || (reply[0] != '\0' && strstr(reply, "\r\n") != nullptr);
}

int refused(char* why, size_t whySize, const char* text)
{
    snprintf(why, whySize, "%s", text);
    return signInTokenRefused;
}

} // namespace

bool xoauth2Response(const char* account, const char* accessToken, std::string& response)
{
    if (!account || !accessToken || hasControlCharacter(account) || hasControlCharacter(accessToken))
        return false;
    std::string plain = std::string("user=") + account + "\x01" + "auth=Bearer " + accessToken + "\x01\x01";
    response = base64Encode(plain.data(), plain.size());
    scrub(plain);
    return true;
}

std::string xoauth2ChallengeStatus(const char* challenge)
{
    std::string encoded(challenge[0] == '+' ? challenge + 1 : challenge);
    while (!encoded.empty() && strchr(" \r\n", encoded.front()))
        encoded.erase(0, 1);
    while (!encoded.empty() && strchr(" \r\n", encoded.back()))
        encoded.pop_back();
    std::string decoded;
    if (!base64Decode(encoded, decoded))
        return "";
    size_t at = decoded.find("\"status\"");
    if (at == std::string::npos)
        return "";
    std::string status;
    for (size_t i = at + 8; i < decoded.size() && status.size() < 8; ++i) {
        if (decoded[i] >= '0' && decoded[i] <= '9')
            status += decoded[i];
        else if (!status.empty())
            break;
    }
    return status;
}

int authenticateXoauth2(Pop3Connection& connection, const char* account, const char* accessToken, char* why,
                        size_t whySize)
{
    std::string line;
    if (!xoauth2Response(account, accessToken, line))
        return refused(why, whySize, "error: the account or the token cannot go on a command line");
    line += "\r\n";

    char reply[challengeBufferSize];
    if (!connection.send("AUTH XOAUTH2\r\n")) {
        scrub(line);
        return pop3UserNotSent;
    }
    bool ready = readLine(connection, reply, sizeof reply);
    if (!ready || reply[0] != '+' || (reply[1] != ' ' && reply[1] != '\r')) {
        scrub(line);
        return refused(why, whySize, "error: the mail server does not take sign-in tokens (AUTH XOAUTH2)");
    }
    bool sent = connection.sendBytes(line.data(), line.size());
    scrub(line);
    if (!sent)
        return pop3UserNotSent;
    if (!readLine(connection, reply, sizeof reply))
        return refused(why, whySize, "error: the mail server did not answer the sign-in token");
    if (strncmp(reply, "+OK", 3) == 0)
        return pop3Success;
    if (reply[0] == '+') {
        // The error comes as a challenge; the exchange ends with an empty response and its -ERR.
        std::string status = xoauth2ChallengeStatus(reply);
        if (connection.send("\r\n"))
            readLine(connection, reply, sizeof reply);
        if (!status.empty()) {
            char text[160];
            snprintf(text, sizeof text, "%s (status %s)", signInResultLine(signInTokenRefused), status.c_str());
            return refused(why, whySize, text);
        }
    }
    return refused(why, whySize, signInResultLine(signInTokenRefused));
}
