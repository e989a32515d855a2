// Stand-in worker threads for tests of stopping and joining checks.
#include "support/standin_worker.h"

namespace {
DWORD WINAPI endsOnStop(LPVOID event)
{
    WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 0;
}

DWORD WINAPI ignoresStop(LPVOID)
{
    for (;;)
        Sleep(1000);
}
} // namespace

void startStandInWorker(MailboxEntry& entry, StandInBehaviour behaviour)
{
    entry.stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    entry.workerThread = CreateThread(nullptr, 0,
                                      behaviour == StandInBehaviour::EndsOnStop ? endsOnStop : ignoresStop,
                                      entry.stopEvent, 0, &entry.workerThreadId);
}

bool threadRuns(HANDLE thread)
{
    return WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
}
