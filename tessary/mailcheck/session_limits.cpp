// Storage for the session parameters.
#include "mailcheck/session_limits.h"

volatile LONG serverTimeoutMs = defaultServerTimeoutMs;
volatile LONG pop3Port = standardPop3Port;
