// Waiting for news on an examined folder with IDLE (RFC 2177): the server tells of new or removed
// messages as they happen, so a watched folder needs no polling.
#pragma once
#include <windows.h>
#include <cstddef>
#include <functional>

class ImapFolderSession;

// IDLE is ended and sent again before this, below the 30 minutes after which a server may drop an
// idle client. Tests shorten it.
extern volatile LONG imapIdleRenewalMs;
const LONG defaultImapIdleRenewalMs = 28 * 60 * 1000;
// How often an idling session asks whether it is still wanted (the entry's weekly window).
extern volatile LONG imapIdleCheckMs;
const LONG defaultImapIdleCheckMs = 60 * 1000;

enum class IdleOutcome {
    news,    // EXISTS or EXPUNGE came: IDLE is over (DONE answered), the folder is worth reading again
    renew,   // the renewal time passed quietly: IDLE is over, send it again
    stopped, // the stop event: DONE and LOGOUT were sent, without waiting for their answers
    unwanted, // stillWanted said no: DONE and LOGOUT were sent, without waiting for their answers
    failed,  // refused, dropped, BYE, or a broken response; why says which
};

// Sends IDLE and waits for the server's news, the renewal time or the stop event; stillWanted (may
// be empty) is asked every imapIdleCheckMs.
IdleOutcome idleUntilNews(ImapFolderSession& session, char* why, size_t whySize,
                          const std::function<bool()>& stillWanted = nullptr);
