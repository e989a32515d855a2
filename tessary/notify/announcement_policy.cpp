// Holds back sound, speech, the pop-up and the notification of a check while the user is busy or
// the entry is muted.
#include "notify/announcement_policy.h"
#include "notify/notification_state_calls.h"
#include "shell/activity_log.h"
#include "shell/main_window_state.h"
#include <cstdio>

namespace {

// Whether the check brings messages to announce: all of them, or the new ones when it told them apart.
bool bringsMail(const MailboxEntry& entry)
{
    if (entry.lastResult <= 0)
        return false;
    const CheckNews& news = entry.seenMessages.news();
    return !news.counted || !news.newNumbers.empty();
}

const char* askWindowsWhyQuiet()
{
    UserNotificationState state = NotificationStateAcceptsNotifications;
    if (FAILED(notificationStateCalls.SHQueryUserNotificationState(&state)))
        return nullptr; // before Vista: nothing to respect
    return QuietReasonFor(state);
}

} // namespace

SpokenLogHold::SpokenLogHold(bool hold) : held_(hold), saved_(app.settings.fullVoiceFeedback)
{
    if (held_)
        app.settings.fullVoiceFeedback = 0;
}

SpokenLogHold::~SpokenLogHold()
{
    if (held_)
        app.settings.fullVoiceFeedback = saved_;
}

const char* QuietReasonFor(int userNotificationState)
{
    switch (userNotificationState) {
    case NotificationStateBusy:
        return "full-screen application";
    case NotificationStateFullScreenD3D:
        return "full-screen game or video";
    case NotificationStatePresentation:
        return "presentation mode";
    case NotificationStateQuietTime:
        // Windows 8's quiet hours and Windows 10 and 11's Focus Assist and Do Not Disturb all
        // answer this state; the last is the name people know.
        return "Do Not Disturb";
    }
    return nullptr;
}

Announcements ChooseAnnouncements(const MailboxEntry& entry, const Settings& settings)
{
    Announcements allowed;
    allowed.notification = settings.showNotification && entry.showNotification;
    if (settings.quietWhenBusy)
        allowed.quietReason = askWindowsWhyQuiet();
    if (allowed.quietReason) {
        allowed.sound = allowed.speech = allowed.popup = allowed.notification = false;
        if (bringsMail(entry)) {
            char text[128];
            snprintf(text, sizeof text, "new mail announced quietly: %s", allowed.quietReason);
            SpokenLogHold silent(true); // saying aloud that it keeps quiet would not be
            LogEntryLine(entry.name, text);
        }
    }
    if (entry.mute)
        allowed.sound = allowed.speech = allowed.notification = false;
    return allowed;
}
