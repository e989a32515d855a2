// AUTHENTICATE XOAUTH2 for IMAP. The token travels only in the one line or continuation that carries
// it, which is overwritten once sent; no log line ever holds it.
#include "mailcheck/imap_xoauth2.h"
#include "mailcheck/imap_session.h"
#include "mailcheck/pop3_xoauth2.h"
#include "signin/signin_result.h"
#include <windows.h>
#include <cstdio>
#include <string>

namespace {

void scrub(std::string& text)
{
    if (!text.empty())
        SecureZeroMemory(&text[0], text.size());
}

int refused(char* why, size_t whySize, const char* text)
{
    snprintf(why, whySize, "%s", text);
    return signInTokenRefused;
}

int notSent(char* why, size_t whySize)
{
    snprintf(why, whySize, "error: the connection broke while signing in");
    return imapLoginNotSent;
}

// The log line of an answer other than OK; the token is gone by now.
int notTaken(ImapConversation& conversation, ImapReply reply, const std::string& status, char* why, size_t whySize)
{
    if (reply == ImapReply::broken) {
        snprintf(why, whySize, "error: %s", conversation.brokenReason().c_str());
        return imapServerBroken;
    }
    if (reply == ImapReply::lost || reply == ImapReply::bye)
        return refused(why, whySize, "error: the mail server did not answer the sign-in token");
    if (!status.empty()) {
        char text[160];
        snprintf(text, sizeof text, "%s (status %s)", signInResultLine(signInTokenRefused), status.c_str());
        return refused(why, whySize, text);
    }
    return refused(why, whySize, signInResultLine(signInTokenRefused));
}

// After the token: OK, NO, or an error challenge that the standard exchange ends with an empty
// line so that the server can say NO.
int awaitVerdict(ImapConversation& conversation, char* why, size_t whySize)
{
    ImapReply reply = conversation.await(nullptr, true);
    if (reply == ImapReply::ok)
        return pop3Success;
    std::string status;
    if (reply == ImapReply::continuation) {
        status = xoauth2ChallengeStatus(conversation.lastText().c_str());
        if (!conversation.sendContinuation("\r\n"))
            return notSent(why, whySize);
        reply = conversation.await(nullptr);
        if (reply == ImapReply::ok)
            return pop3Success; // a server that thought better of it
    }
    return notTaken(conversation, reply, status, why, whySize);
}

} // namespace

int imapAuthenticateXoauth2(ImapConversation& conversation, const ImapCapabilities& capabilities, bool secured,
                            const char* account, const char* accessToken, char* why, size_t whySize)
{
    if (!secured) {
        snprintf(why, whySize, "%s", signInResultLine(signInNeedsTls));
        return signInNeedsTls;
    }
    if (capabilities.listed && !capabilities.authXoauth2)
        return refused(why, whySize, "error: the mail server does not take sign-in tokens (AUTHENTICATE XOAUTH2)");
    std::string answer;
    if (!xoauth2Response(account, accessToken, answer))
        return refused(why, whySize, "error: the account or the token cannot go on a command line");

    bool sent;
    if (capabilities.saslIr) {
        std::string line = "AUTHENTICATE XOAUTH2 " + answer;
        sent = conversation.send(line);
        scrub(line);
    } else {
        sent = conversation.send("AUTHENTICATE XOAUTH2");
        if (sent) {
            ImapReply ready = conversation.await(nullptr, true);
            if (ready != ImapReply::continuation) {
                scrub(answer);
                if (ready == ImapReply::no || ready == ImapReply::bad)
                    return refused(why, whySize,
                                   "error: the mail server does not take sign-in tokens (AUTHENTICATE XOAUTH2)");
                return notTaken(conversation, ready, "", why, whySize);
            }
            answer += "\r\n";
            sent = conversation.sendContinuation(answer);
        }
    }
    scrub(answer);
    if (!sent)
        return notSent(why, whySize);
    return awaitVerdict(conversation, why, whySize);
}
