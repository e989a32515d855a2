// One read-only IMAP session: greeting, CAPABILITY, STARTTLS when the entry asks for it (and
// CAPABILITY again under TLS), LOGIN or AUTHENTICATE PLAIN, EXAMINE of the folder, the UIDs, the
// header blocks not known already, LOGOUT. The connection is plain, TLS from the first byte, or
// turned to TLS by STARTTLS before logging in; it never falls back to plain text.
#include "mailcheck/imap_session.h"
#include "mailcheck/imap_conversation.h"
#include "mailcheck/imap_fetch.h"
#include "mailcheck/imap_folder_session.h"
#include "mailcheck/imap_login.h"
#include "mailcheck/imap_xoauth2.h"
#include "mailcheck/known_messages.h"
#include "mailcheck/pop3_connection.h"
#include "mailcheck/session_deadline.h"
#include "storage/mailbox_entry.h"
#include "storage/owned_string.h"
#include <cstdio>
#include <cstring>
#include <new>

int imapPortFor(const Pop3Target& target)
{
    if (target.port >= 1 && target.port <= 65535)
        return target.port;
    return target.security == SecuritySslTls ? standardImapsPort : standardImapPort;
}

const char* imapFolderName(const char* folder)
{
    return folder && *folder ? folder : "INBOX";
}

namespace {

// What EXAMINE told about the folder.
struct FolderState {
    uint32_t exists = 0;
    bool uidValidityKnown = false;
    uint32_t uidValidity = 0;
    std::vector<uint32_t> uids; // one a message up to the (bounded) count; 0 where none came
};

// The log line of a step that ended without OK, and its code: broken responses have their own.
int stepFailure(ImapConversation& conversation, ImapReply reply, int code, const char* step, char* why,
                size_t whySize)
{
    if (reply == ImapReply::broken) {
        snprintf(why, whySize, "error: %s", conversation.brokenReason().c_str());
        return imapServerBroken;
    }
    if (reply == ImapReply::lost)
        snprintf(why, whySize, "error: server did not answer %s", step);
    else if (reply == ImapReply::bye)
        snprintf(why, whySize, "error: server ended the session: %.200s", conversation.lastText().c_str());
    else
        snprintf(why, whySize, "error: server refused %s: %.200s", step, conversation.lastText().c_str());
    return code;
}

int askCapabilities(ImapConversation& conversation, ImapCapabilities& capabilities, char* why, size_t whySize)
{
    if (!conversation.send("CAPABILITY"))
        return stepFailure(conversation, ImapReply::lost, imapCapabilityFailed, "CAPABILITY", why, whySize);
    ImapCapabilities listed;
    ImapReply reply =
        conversation.await([&](const ImapResponse& response) { takeCapabilities(response.text, listed); });
    if (reply != ImapReply::ok)
        return stepFailure(conversation, reply, imapCapabilityFailed, "CAPABILITY", why, whySize);
    capabilities = listed;
    return pop3Success;
}

int startTlsCommand(ImapConversation& conversation, const ImapCapabilities& capabilities, char* why, size_t whySize)
{
    if (!capabilities.starttls) {
        snprintf(why, whySize, "error: server does not offer STARTTLS");
        return imapStarttlsNotOffered;
    }
    if (!conversation.send("STARTTLS"))
        return stepFailure(conversation, ImapReply::lost, imapStarttlsRefused, "STARTTLS", why, whySize);
    ImapReply reply = conversation.await(nullptr);
    if (reply != ImapReply::ok)
        return stepFailure(conversation, reply, imapStarttlsRefused, "STARTTLS", why, whySize);
    return pop3Success;
}

// The folder's EXISTS and UIDVALIDITY, and a message's UID, from the responses to EXAMINE and to
// the UID FETCH sent right behind it.
void takeFolderNews(const ImapResponse& response, FolderState& seen)
{
    const std::string& text = response.text;
    uint32_t number = 0;
    if (parseImapNumber(text, 2, number)) {
        uint32_t sequence = 0;
        uint32_t uid = 0;
        if (parseFetchResponse(response, sequence, uid)) {
            if (sequence >= 1 && sequence <= pop3MaxMessageCount && uid) {
                if (seen.uids.size() < sequence)
                    seen.uids.resize(sequence, 0);
                seen.uids[sequence - 1] = uid;
            }
            return;
        }
        size_t after = text.find(' ', 2);
        if (after != std::string::npos && text.compare(after, 7, " EXISTS") == 0)
            seen.exists = number;
        return;
    }
    size_t at = text.find("[UIDVALIDITY ");
    if (at != std::string::npos && parseImapNumber(text, at + 13, number)) {
        seen.uidValidity = number;
        seen.uidValidityKnown = true;
    }
}

// EXAMINE, and the UID of every message asked for in the same breath: "UID FETCH 1:*" answers an
// empty folder with nothing, and a refused EXAMINE leaves it refused too, unread.
int examineFolder(ImapConversation& conversation, const char* folder, FolderState& state, char* why, size_t whySize)
{
    ImapArgument name = imapArgument(imapFolderName(folder));
    ImapReply early = ImapReply::ok;
    if (!name.literal)
        conversation.queue("EXAMINE " + name.value); // goes out in one piece with the UID FETCH
    else if (!conversation.send("EXAMINE", { name }, early))
        return stepFailure(conversation, early == ImapReply::ok ? ImapReply::lost : early, imapFolderRefused,
                           "EXAMINE", why, whySize);
    bool uidsAsked = conversation.send("UID FETCH 1:* (UID)");
    FolderState seen;
    auto take = [&](const ImapResponse& response) { takeFolderNews(response, seen); };
    ImapReply reply = conversation.await(take);
    if (reply != ImapReply::ok) {
        if (reply == ImapReply::no || reply == ImapReply::bad) {
            snprintf(why, whySize, "error: server cannot open the folder %.100s: %.200s", imapFolderName(folder),
                     conversation.lastText().c_str());
            return imapFolderRefused;
        }
        return stepFailure(conversation, reply, imapFolderRefused, "EXAMINE", why, whySize);
    }
    if (!uidsAsked)
        return fetchFailure(conversation, ImapReply::lost, why, whySize);
    reply = conversation.await(take);
    if (reply != ImapReply::ok)
        return fetchFailure(conversation, reply, why, whySize);
    state.exists = seen.exists < pop3MaxMessageCount ? seen.exists : pop3MaxMessageCount;
    state.uidValidityKnown = seen.uidValidityKnown;
    state.uidValidity = seen.uidValidity;
    // Messages that came after EXAMINE are left for the next look.
    seen.uids.resize(state.exists, 0);
    state.uids.swap(seen.uids);
    return pop3Success;
}

// The unique id of each message, "<uidvalidity>.<uid>": a new UIDVALIDITY makes every id new.
void recordIds(bool uidValidityKnown, uint32_t uidValidity, const std::vector<uint32_t>& uids, KnownMessages& known)
{
    known.idsKnown = true;
    known.ids.assign(uids.size(), std::string());
    if (!uidValidityKnown)
        return; // UIDs without their validity cannot be recognised later
    char id[32];
    for (size_t i = 0; i < uids.size(); ++i) {
        if (!uids[i])
            continue;
        snprintf(id, sizeof id, "%u.%u", unsigned(uidValidity), unsigned(uids[i]));
        known.ids[i] = id;
    }
}

// Slots of messages whose block is known by id get a copy; the others are the indexes to fetch.
std::vector<uint32_t> fillKnownHeaders(char** slots, uint32_t count, const KnownMessages* known)
{
    std::vector<uint32_t> wanted;
    for (uint32_t index = 0; index < count; ++index) {
        if (known && index < known->ids.size() && !known->ids[index].empty()) {
            auto found = known->headersById.find(known->ids[index]);
            if (found != known->headersById.end()) {
                slots[index] = ownedCopyOf(found->second.text, strlen(found->second.text));
                continue;
            }
        }
        wanted.push_back(index);
    }
    return wanted;
}

} // namespace

// Up to logging in: TLS first for SSL/TLS, the greeting, the capabilities, STARTTLS and the
// capabilities asked again under TLS (what was said in plain text may have been forged).
int ImapFolderSession::greet(char* why, size_t whySize)
{
    Pop3Connection& connection = *connection_;
    ImapConversation& conversation = *conversation_;
    const Pop3Target& target = target_;
    ImapCapabilities& capabilities = capabilities_;
    bool& preauthenticated = preauthenticated_;
    int result = connection.open();
    if (result == pop3Success && target.security == SecuritySslTls)
        result = connection.startTls(target, why, whySize);
    if (result != pop3Success)
        return result;
    ImapResponse greeting;
    ImapReply reply = conversation.readGreeting(greeting);
    if (reply == ImapReply::broken)
        return stepFailure(conversation, reply, imapBadGreeting, "", why, whySize);
    if (reply != ImapReply::ok) {
        if (reply == ImapReply::bye)
            snprintf(why, whySize, "error: server refused the connection: %.200s", conversation.lastText().c_str());
        else
            snprintf(why, whySize, "error: server did not greet as an IMAP server");
        return imapBadGreeting;
    }
    size_t rest = 0;
    preauthenticated = responseStatus(greeting.text, rest) == "PREAUTH";
    // A greeting that lists the capabilities saves asking for them.
    result = takeCapabilities(greeting.text, capabilities) ? pop3Success
                                                           : askCapabilities(conversation, capabilities, why, whySize);
    if (result != pop3Success || target.security != SecurityStls)
        return result;
    if (preauthenticated) {
        // Logged in before anything could be secured: STARTTLS is no longer allowed.
        snprintf(why, whySize, "error: server does not offer STARTTLS");
        return imapStarttlsNotOffered;
    }
    result = startTlsCommand(conversation, capabilities, why, whySize);
    if (result == pop3Success)
        result = connection.startTls(target, why, whySize);
    if (result == pop3Success)
        result = askCapabilities(conversation, capabilities, why, whySize);
    return result;
}

ImapFolderSession::ImapFolderSession(const Pop3Target& target, const char* folder, HANDLE stopEvent)
    : target_(target), folder_(folder), stopEvent_(stopEvent)
{
}

int ImapFolderSession::open(const char* user, const char* password, char* why, size_t whySize)
{
    SOCKET s = connectTo(imapPortFor(target_), target_.server);
    if (s == INVALID_SOCKET)
        return pop3NoConnection;
    connection_.reset(new Pop3Connection(s, stopEvent_, deadline_));
    conversation_.reset(new ImapConversation(*connection_));
    int result = greet(why, whySize);
    if (result == pop3Success && !preauthenticated_)
        result = accessToken_ ? imapAuthenticateXoauth2(*conversation_, capabilities_, target_.security != SecurityNone,
                                                        user, accessToken_, why, whySize)
                              : imapLogIn(*conversation_, capabilities_, user, password, why, whySize);
    if (result == pop3Success)
        result = examine(why, whySize);
    return result;
}

void ImapFolderSession::setDeadline(SessionDeadline* deadline)
{
    deadline_ = deadline;
    if (connection_)
        connection_->setDeadline(deadline);
}

void ImapFolderSession::rebind(const Pop3Target& target, const char* folder, HANDLE stopEvent)
{
    target_ = target;
    folder_ = folder;
    stopEvent_ = stopEvent;
    if (connection_)
        connection_->setStopEvent(stopEvent);
}

bool ImapFolderSession::askForNews(bool& changed, char* why, size_t whySize)
{
    changed = false;
    ImapConversation& conversation = *conversation_;
    if (!conversation.send("NOOP")) {
        stepFailure(conversation, ImapReply::lost, imapWatchBroken, "NOOP", why, whySize);
        return false;
    }
    ImapReply reply = conversation.await([&](const ImapResponse& response) {
        uint32_t number = 0;
        if (!parseImapNumber(response.text, 2, number))
            return;
        size_t after = response.text.find(' ', 2);
        if (after == std::string::npos)
            return;
        if (response.text.compare(after, 8, " EXPUNGE") == 0 ||
            (response.text.compare(after, 7, " EXISTS") == 0 && number != exists_))
            changed = true;
    });
    if (reply != ImapReply::ok) {
        stepFailure(conversation, reply, imapWatchBroken, "NOOP", why, whySize);
        return false;
    }
    return true;
}

int ImapFolderSession::examine(char* why, size_t whySize)
{
    FolderState state;
    int result = examineFolder(*conversation_, folder_, state, why, whySize);
    if (result == pop3Success) {
        exists_ = state.exists;
        uidValidityKnown_ = state.uidValidityKnown;
        uidValidity_ = state.uidValidity;
        uids_.swap(state.uids);
    }
    return result;
}

void ImapFolderSession::listIds(std::vector<std::string>& ids) const
{
    KnownMessages known;
    recordIds(uidValidityKnown_, uidValidity_, uids_, known);
    ids.swap(known.ids);
}

int ImapFolderSession::read(uint32_t* messageCount, char*** headers, KnownMessages* known, char* why,
                            size_t whySize)
{
    uint32_t count = exists_;
    *messageCount = count;
    if (known)
        recordIds(uidValidityKnown_, uidValidity_, uids_, *known);
    if (count == 0 || !headers)
        return pop3Success;
    char** slots = new (std::nothrow) char*[count]();
    *headers = slots;
    if (!slots)
        return pop3Success;
    std::vector<uint32_t> wanted = fillKnownHeaders(slots, count, known);
    return fetchHeaderBlocksByUid(*conversation_, slots, uids_, wanted, why, whySize);
}

int ImapFolderSession::logOut(char* why, size_t whySize)
{
    ImapConversation& conversation = *conversation_;
    if (!conversation.send("LOGOUT"))
        return stepFailure(conversation, ImapReply::lost, imapLogoutFailed, "LOGOUT", why, whySize);
    ImapReply reply = conversation.await(nullptr);
    return reply == ImapReply::ok ? pop3Success
                                  : stepFailure(conversation, reply, imapLogoutFailed, "LOGOUT", why, whySize);
}

int ImapSession(const Pop3Target& target, const char* folder, const char* user, const char* password,
                uint32_t* messageCount, HANDLE stopEvent, char*** headers, char* detail, size_t detailSize,
                KnownMessages* known, const char* accessToken)
{
    uint32_t ignoredCount;
    if (!messageCount)
        messageCount = &ignoredCount;
    *messageCount = 0;
    if (headers)
        *headers = nullptr;
    char ignoredDetail[pop3DetailSize];
    if (!detail || detailSize == 0) {
        detail = ignoredDetail;
        detailSize = sizeof ignoredDetail;
    }
    detail[0] = '\0';

    ImapFolderSession session(target, folder, stopEvent);
    if (accessToken)
        session.signInWithToken(accessToken);
    ImapExchangeDeadline deadline(session); // a single check is one exchange
    int result = session.open(user, password, detail, detailSize);
    if (result == pop3Success)
        result = session.read(messageCount, headers, known, detail, detailSize);
    if (result == pop3Success)
        result = session.logOut(detail, detailSize);
    return result;
}
