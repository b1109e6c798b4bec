// Internet connectivity probe. Safe on any thread; the probe it uses may be replaced for
// tests.
#pragma once

#include <cstdint>

#include "platform/network.h"

namespace Utils {

// Low 16 bits: the connectivity flags. High 16 bits: 0 connected to the internet (or the
// probe could not run), 1 no connectivity at all, 2 a network but no internet.
uint32_t CheckNetwork();

using NetworkProbe = platform::NetworkReading (*)();
// Makes CheckNetwork read through `probe` (null restores the system probe); returns the one
// it replaces.
NetworkProbe SetNetworkProbe(NetworkProbe probe);

}  // namespace Utils
