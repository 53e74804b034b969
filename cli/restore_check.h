// What a full write leaves in the unit, derived from the reports it sent:
// each parameter write is decoded with the dispatcher's own reply decoder,
// each image write copied, so the operations' clamps and roundings and the
// decoder's view of them are what the read-back is compared with.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "protocol/device_state.h"
#include "protocol/report.h"

namespace udare::cli {

struct WrittenState {
    std::array<uint32_t, kSlotCount> slots{};
    std::array<bool, kSlotCount> slotWritten{};
    std::array<uint8_t, kImageSize> image{};
    std::array<bool, kImageSize> byteWritten{};
};

WrittenState WrittenFromWire(const std::vector<HidReport>& sent);

struct RestoreResult {
    std::vector<std::string> mismatches;   // one line each
    std::vector<std::string> notRestored;  // slot and band names
};

// Compares what was written with what the unit reported back into st.
RestoreResult CompareWithUnit(const WrittenState& w, const DeviceState& st);

}  // namespace udare::cli
