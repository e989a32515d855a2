// Keeping a watch's IMAP connection between the cycles of its worker threads.
#include "mailcheck/imap_watch_connection.h"
#include "mailcheck/check_worker.h"
#include "mailcheck/imap_folder_session.h"
#include "mailcheck/imap_session.h"
#include "storage/mailbox_entry.h"
#include <string>

struct ParkedWatch {
    std::unique_ptr<ImapFolderSession> session;
    std::string key; // what the session is logged in to
};

namespace {

std::string watchKey(const Pop3Target& target, const char* folder, const char* user)
{
    return std::string(target.server ? target.server : "") + '\n' + std::to_string(imapPortFor(target)) + '\n' +
           std::to_string(target.security) + '\n' + imapFolderName(folder) + '\n' + (user ? user : "") + '\n' +
           (target.trustedCertificate ? target.trustedCertificate : "");
}

} // namespace

void parkWatchSession(CheckWorkerParams& params, std::unique_ptr<ImapFolderSession> session, const Pop3Target& target,
                      const char* folder, const char* user)
{
    closeParkedWatch(params);
    if (!session)
        return;
    if (!startWinsock()) {
        session->conversation().send("LOGOUT");
        return;
    }
    // Nothing of the entry's is used while parked: its strings may change meanwhile.
    session->rebind(Pop3Target{ nullptr, target.security, target.port, nullptr }, nullptr, nullptr);
    params.parkedWatch = new ParkedWatch{ std::move(session), watchKey(target, folder, user) };
}

std::unique_ptr<ImapFolderSession> takeParkedWatchSession(CheckWorkerParams& params, const Pop3Target& target,
                                                         const char* folder, const char* user, HANDLE stopEvent)
{
    std::unique_ptr<ImapFolderSession> session;
    if (!params.parkedWatch)
        return session;
    if (params.parkedWatch->key != watchKey(target, folder, user)) {
        closeParkedWatch(params); // the entry was changed: that session is for something else
        return session;
    }
    session = std::move(params.parkedWatch->session);
    delete params.parkedWatch;
    params.parkedWatch = nullptr;
    WSACleanup(); // the caller has Winsock started for itself
    session->rebind(target, folder, stopEvent);
    return session;
}

void closeParkedWatch(CheckWorkerParams& params)
{
    if (!params.parkedWatch)
        return;
    ImapFolderSession& session = *params.parkedWatch->session;
    session.conversation().send("LOGOUT");
    delete params.parkedWatch; // closes the connection
    params.parkedWatch = nullptr;
    WSACleanup();
}
