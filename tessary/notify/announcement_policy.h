// Which announcements of a check may be made now: none that make noise or take the screen while
// Windows says the user is busy (when the settings ask for that), and no sound or speech for a
// muted entry. The log and the blinking icon are never held.
#pragma once
#include "storage/mailbox_entry.h"
#include "storage/settings.h"

struct Announcements {
    bool sound = true;
    bool speech = true;
    bool popup = true;
    bool notification = true;
    // Why they are held for a busy user, in the words of the log ("Do Not Disturb"); null when
    // Windows did not say the user is busy.
    const char* quietReason = nullptr;
};

// The words for a busy state, or null when the state lets programs announce (or is unknown).
const char* QuietReasonFor(int userNotificationState);

// While speech is held, the log does not speak its lines under full voice feedback either: the
// setting is off for the life of the hold and back as it was afterwards.
class SpokenLogHold {
public:
    explicit SpokenLogHold(bool hold);
    ~SpokenLogHold();
    SpokenLogHold(const SpokenLogHold&) = delete;
    SpokenLogHold& operator=(const SpokenLogHold&) = delete;

private:
    bool held_;
    uint8_t saved_;
};

// Asks Windows (where it can answer) and looks at the entry's mute. A check that brings mail
// while some announcement is held for a busy user logs "new mail announced quietly: <reason>".
Announcements ChooseAnnouncements(const MailboxEntry& entry, const Settings& settings);
