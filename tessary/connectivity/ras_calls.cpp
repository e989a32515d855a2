// Binds the remote access seam to RASAPI32. The platform functions are declared over the newest
// records; they take the older ones because each record carries its own size.
#include "connectivity/ras_calls.h"

namespace {

// Going through void (*)() keeps the compiler's function-cast check quiet about the record types.
template <class To, class From>
To rebind(From function)
{
    return reinterpret_cast<To>(reinterpret_cast<void (*)()>(function));
}

} // namespace

RasCalls rasCalls = {
    rebind<decltype(RasCalls::RasEnumEntriesA)>(::RasEnumEntriesA),
    rebind<decltype(RasCalls::RasEnumConnectionsA)>(::RasEnumConnectionsA),
    rebind<decltype(RasCalls::RasGetConnectStatusA)>(::RasGetConnectStatusA),
    rebind<decltype(RasCalls::RasGetEntryDialParamsA)>(::RasGetEntryDialParamsA),
    rebind<decltype(RasCalls::RasDialA)>(::RasDialA),
    ::RasHangUpA,
    ::Sleep,
};
