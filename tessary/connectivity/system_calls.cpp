// Binds the performance statistics and platform version seams to the platform.
#include "connectivity/dyn_data_calls.h"
#include "connectivity/version_calls.h"

DynDataCalls dynDataCalls = { ::RegOpenKeyExA, ::RegQueryValueExA, ::RegCloseKey };
VersionCalls versionCalls = { ::GetVersionExA };
