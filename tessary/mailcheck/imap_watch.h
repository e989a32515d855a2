// One cycle of watching an IMAP folder continuously: while the folder holds exactly the messages
// reported last, the session idles (IDLE) on it; once that changes, the cycle reads the folder
// as a check does and ends with the result, for the window to announce before it starts the next
// cycle.
#pragma once
#include "mailcheck/check_worker.h"
#include "mailcheck/imap_session.h"
#include <functional>

class MailboxEntry;

// Whether an entry watches its folder continuously: an IMAP entry with the option on, on a LAN
// (a dial-up line is never held up by watching), that signs in with its password (a signed-in
// entry is checked on its schedule).
bool watchesFolder(const MailboxEntry& entry);

// The pause before a dropped watch connects again, after failures in a row (1 and up): it doubles
// from watchRetryBaseMs and stays at a minute at most.
extern volatile LONG watchRetryBaseMs;
const LONG defaultWatchRetryBaseMs = 10000;
const DWORD watchRetryLongestMs = 60000;
DWORD watchRetryPauseMs(uint32_t failures);

// The cycle; answers as ImapSession does. With watch.resumeWatch unset, or a server that does not
// list IDLE, it is one ordinary check. ended is set when the cycle ended with nothing to report:
// stopped, or stillWanted (asked now and then while idling) said no; nothing is handed back then.
// A cycle that reports from a server with IDLE leaves its connection parked in watch for the next
// cycle, which goes on over it (the window closes it when the watch does not go on).
int ImapWatchCycle(const Pop3Target& target, const char* folder, const char* user, const char* password,
                   uint32_t* messageCount, HANDLE stopEvent, char*** headers, char* detail, size_t detailSize,
                   KnownMessages* known, CheckWorkerParams& watch, const std::function<bool()>& stillWanted,
                   bool& ended);
