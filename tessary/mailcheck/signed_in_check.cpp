// A signed-in entry's check: the token, then the POP3 or IMAP session that logs in with it.
#include "mailcheck/signed_in_check.h"
#include "mailcheck/imap_session.h"
#include "mailcheck/pop3_xoauth2.h"
#include "signin/entry_access.h"
#include "signin/signin_result.h"
#include "storage/mailbox_entry.h"
#include <cstdio>
#include <string>

int signedInSession(MailboxEntry& entry, const Pop3Target& target, uint32_t* messageCount, HANDLE stopEvent,
                    char*** headers, char* detail, size_t detailSize, KnownMessages* known, uint8_t** headerMarks)
{
    *messageCount = 0;
    if (headers)
        *headers = nullptr;
    if (target.security == SecurityNone) {
        // No token is asked for that could only be refused for want of TLS.
        snprintf(detail, detailSize, "%s", signInResultLine(signInNeedsTls));
        return signInNeedsTls;
    }
    std::string accessToken;
    int result = accessTokenForCheck(entry, stopEvent, accessToken, detail, detailSize);
    if (result != signInOk)
        return result;
    const char* account = entry.account ? entry.account : entry.user;
    if (entry.protocol == ProtocolImap)
        result = ImapSession(target, entry.folder, account ? account : "", nullptr, messageCount, stopEvent, headers,
                             detail, detailSize, known, accessToken.c_str());
    else
        result = Pop3SessionWithToken(target, account ? account : "", accessToken.c_str(), messageCount, stopEvent,
                                      headers, detail, detailSize, known, headerMarks);
    if (!accessToken.empty())
        SecureZeroMemory(&accessToken[0], accessToken.size());
    if (result == signInTokenRefused)
        forgetAccessToken(entry);
    return result;
}
