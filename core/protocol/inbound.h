// Reports from the unit: every one the read thread receives is dispatched
// here by its command byte into DeviceState, the dispatcher's flags, or the
// upgrade transfer state (upgrade/upgrade_hooks.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/context.h"

namespace udare {

// Missing bytes of a short report count as 0; bytes past 61 are ignored.
// Never fails; every value the unit sends leaves DeviceState consistent.
void DispatchReport(Ctx& c, const uint8_t* report, size_t len);

// The op::kReadParam reply decoder: b3 group, b4 code, values from b6. The report
// must hold 61 bytes.
void DecodeParamReply(Ctx& c, const uint8_t* report);

}  // namespace udare
