// The start's line about dial-up networking, which Windows 95 may lack.
#pragma once

// Logs one warning when RASAPI32 is not installed: LAN entries still work, dial-up entries fail.
void WarnWhenDialUpMissingAtStart();
