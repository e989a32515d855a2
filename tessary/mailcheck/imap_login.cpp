// The capability list and logging in to an IMAP server.
#include "mailcheck/imap_login.h"
#include "mailcheck/imap_session.h"
#include <windows.h>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {
std::string upperCase(std::string text)
{
    for (char& c : text)
        c = char(toupper(static_cast<unsigned char>(c)));
    return text;
}
} // namespace

bool takeCapabilities(const std::string& text, ImapCapabilities& capabilities)
{
    std::string upper = upperCase(text);
    size_t at = upper.find("CAPABILITY ");
    if (at == std::string::npos || (at > 0 && upper[at - 1] != ' ' && upper[at - 1] != '['))
        return false;
    size_t end = upper.find(']', at);
    std::string list = " " + upper.substr(at + 11, end == std::string::npos ? std::string::npos : end - at - 11) + " ";
    capabilities = ImapCapabilities();
    capabilities.listed = true;
    capabilities.starttls = list.find(" STARTTLS ") != std::string::npos;
    capabilities.loginDisabled = list.find(" LOGINDISABLED ") != std::string::npos;
    capabilities.authPlain = list.find(" AUTH=PLAIN ") != std::string::npos;
    capabilities.idle = list.find(" IDLE ") != std::string::npos;
    capabilities.authXoauth2 = list.find(" AUTH=XOAUTH2 ") != std::string::npos;
    capabilities.saslIr = list.find(" SASL-IR ") != std::string::npos;
    return true;
}

std::string plainSaslAnswer(const char* user, const char* password)
{
    std::string raw = std::string(1, '\0') + (user ? user : "") + std::string(1, '\0') + (password ? password : "");
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    for (size_t i = 0; i < raw.size(); i += 3) {
        uint32_t group = uint32_t(static_cast<unsigned char>(raw[i])) << 16;
        if (i + 1 < raw.size())
            group |= uint32_t(static_cast<unsigned char>(raw[i + 1])) << 8;
        if (i + 2 < raw.size())
            group |= uint32_t(static_cast<unsigned char>(raw[i + 2]));
        encoded += digits[(group >> 18) & 63];
        encoded += digits[(group >> 12) & 63];
        encoded += i + 1 < raw.size() ? digits[(group >> 6) & 63] : '=';
        encoded += i + 2 < raw.size() ? digits[group & 63] : '=';
    }
    SecureZeroMemory(&raw[0], raw.size());
    return encoded;
}

namespace {

int refusedLogin(ImapConversation& conversation, ImapReply reply, char* why, size_t whySize)
{
    if (reply == ImapReply::broken) {
        snprintf(why, whySize, "error: %s", conversation.brokenReason().c_str());
        return imapServerBroken;
    }
    if (reply == ImapReply::lost)
        snprintf(why, whySize, "error: server did not answer the login");
    else
        snprintf(why, whySize, "error: server refused the login: %.200s", conversation.lastText().c_str());
    return imapLoginRefused;
}

int authenticatePlain(ImapConversation& conversation, const char* user, const char* password, char* why,
                      size_t whySize)
{
    if (!conversation.send("AUTHENTICATE PLAIN"))
        return imapLoginNotSent;
    ImapReply reply = conversation.await(nullptr, true);
    if (reply != ImapReply::continuation)
        return refusedLogin(conversation, reply, why, whySize);
    std::string answer = plainSaslAnswer(user, password) + "\r\n";
    bool sent = conversation.sendContinuation(answer);
    SecureZeroMemory(&answer[0], answer.size());
    if (!sent)
        return imapLoginNotSent;
    reply = conversation.await(nullptr);
    return reply == ImapReply::ok ? pop3Success : refusedLogin(conversation, reply, why, whySize);
}

int login(ImapConversation& conversation, const char* user, const char* password, char* why, size_t whySize)
{
    std::vector<ImapArgument> arguments = { imapArgument(user), imapArgument(password) };
    ImapReply early = ImapReply::ok;
    bool sent = conversation.send("LOGIN", arguments, early);
    for (ImapArgument& argument : arguments)
        if (!argument.value.empty())
            SecureZeroMemory(&argument.value[0], argument.value.size());
    if (!sent)
        return early == ImapReply::ok ? imapLoginNotSent : refusedLogin(conversation, early, why, whySize);
    ImapReply reply = conversation.await(nullptr);
    return reply == ImapReply::ok ? pop3Success : refusedLogin(conversation, reply, why, whySize);
}

} // namespace

int imapLogIn(ImapConversation& conversation, const ImapCapabilities& capabilities, const char* user,
              const char* password, char* why, size_t whySize)
{
    if (!user)
        user = "";
    if (!password)
        password = "";
    if (strlen(user) > imapMaxCredentialLength || strlen(password) > imapMaxCredentialLength) {
        snprintf(why, whySize, "error: the user name or password is too long to send");
        return imapLoginNotSent;
    }
    if (capabilities.loginDisabled)
        return authenticatePlain(conversation, user, password, why, whySize);
    return login(conversation, user, password, why, whySize);
}
