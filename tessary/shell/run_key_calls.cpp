// Binds the Run key seam to the registry.
#include "shell/run_key_calls.h"

RunKeyCalls runKeyCalls = { ::RegOpenKeyExA, ::RegCreateKeyExA };
