// The connection a watch keeps from one cycle to the next: parked by the worker that reported,
// taken up by the worker of the next cycle, or closed with LOGOUT when the watch does not go on.
#pragma once
#include "mailcheck/pop3_session.h"
#include <memory>

class ImapFolderSession;
struct CheckWorkerParams;

// Holds the session until the next cycle; it keeps Winsock started meanwhile, so that the
// worker that ends does not take the socket with it.
void parkWatchSession(CheckWorkerParams& params, std::unique_ptr<ImapFolderSession> session, const Pop3Target& target,
                      const char* folder, const char* user);

// The parked session when it is for this target, folder and user (null otherwise, and any other
// is closed), bound to the caller's stop event.
std::unique_ptr<ImapFolderSession> takeParkedWatchSession(CheckWorkerParams& params, const Pop3Target& target,
                                                         const char* folder, const char* user, HANDLE stopEvent);

// Ends a parked session: LOGOUT is sent, not waited for, and the connection closed. Nothing
// happens when none is parked.
void closeParkedWatch(CheckWorkerParams& params);
