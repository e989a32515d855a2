// Binds the thread seam to the platform.
#include "platform/thread_calls.h"

ThreadCalls threadCalls = { ::CreateThread };
