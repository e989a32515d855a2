// Running the dial away from the user-interface thread, so the window stays responsive while RAS
// dials.
#include "connectivity/dial_worker.h"
#include "connectivity/dial_entry.h"
#include "platform/messages.h"
#include "platform/thread_calls.h"
#include <cstring>

namespace {

const DWORD dialThreadJoinMs = 10000;

// Reads only entryName and notifyWindow, which the user-interface thread wrote before creating it.
DWORD WINAPI dialThread(LPVOID argument)
{
    DialWorker* worker = static_cast<DialWorker*>(argument);
    int result = DialEntry(worker->entryName);
    PostMessageA(worker->notifyWindow, result == -1 ? WM_DIAL_FAILED : WM_DIAL_CONNECTED,
                 reinterpret_cast<WPARAM>(worker), 0);
    return 0;
}

} // namespace

int DoThreadDialIn(DialWorker& worker, HWND notifyWindow, const char* name)
{
    if (worker.thread)
        return -1;
    // A name that does not fit is refused rather than cut: a cut name would dial another entry.
    if (name && std::strlen(name) >= dialEntryNameBufferSize)
        return -1;

    worker.notifyWindow = notifyWindow;
    if (name) {
        std::strcpy(worker.entryNameBuffer, name);
        worker.entryName = worker.entryNameBuffer;
    } else {
        worker.entryName = nullptr;
    }
    worker.thread = threadCalls.CreateThread(nullptr, 0, dialThread, &worker, CREATE_SUSPENDED, &worker.threadId);
    if (!worker.thread)
        return -1;
    ResumeThread(worker.thread);
    return 1;
}

int StopDialThread(DialWorker& worker)
{
    if (!worker.thread)
        return 1;
    if (WaitForSingleObject(worker.thread, dialThreadJoinMs) != WAIT_OBJECT_0)
        return -1;
    CloseHandle(worker.thread);
    worker.thread = nullptr;
    return 1;
}
