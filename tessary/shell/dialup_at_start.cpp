// The start's line about dial-up networking, which Windows 95 may lack.
#include "shell/dialup_at_start.h"
#include "shell/activity_log.h"
#include "connectivity/ras_calls.h"

void WarnWhenDialUpMissingAtStart()
{
    if (!remoteAccessInstalled())
        LogEntryLine(nullptr, "warning: dial-up networking is not installed; entries that dial cannot connect");
}
