// What a unit holds when it leaves an installer: believable levels, shaped
// microphone and main equalisers, a subwoofer crossover and the compressors
// working. The virtual unit's "demo" option starts with it as M1.
#pragma once

#include "protocol/context.h"

namespace udare::sim {

// Writes the whole preset through the protocol's own operations (store, then send).
void WriteDemoSettings(Ctx& c);

}  // namespace udare::sim
