// The DSP core upgrade: with the unit in normal mode and its inputs muted,
// erase the needed 64 KiB sectors, write the image in 32-byte pieces, read
// every piece back and compare. The user then restarts the unit by hand.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocol/context.h"
#include "protocol/opcodes.h"
#include "upgrade/mcu_upgrade.h"
#include "upgrade/refusal.h"

namespace udare {

class UsbLink;

inline constexpr int kDspPiece = op::kFlashPiece;
inline constexpr uint8_t kDspPadding = 0xFF;  // erased flash: the padding costs no write

enum class DspResult {
    Running,
    Verified,  // every piece read back as written
    Mismatch,  // the unit answered but holds something else (the checksum box was shown)
    Lost,      // the unit went away before the comparison
};

struct DspTransfer {
    std::string dspImagePath;
    size_t fileSize = 0;
    std::vector<uint8_t> image;      // the file padded to a multiple of 32
    std::atomic<int> dspProgress{0};  // 0 .. 9000 writing, .. 10000 reading back
    std::atomic<DspResult> result{DspResult::Running};
    // Sector erases, piece writes and read-back requests sent, for the record.
    int erases = 0, writes = 0, reads = 0;
};

// Reads the image and refuses an unreadable, empty or too large one
// (over 31 sectors) before anything reaches the unit.
std::unique_ptr<DspTransfer> PrepareDspTransfer(const std::string& path, ImageRefusal* refusal);

// The three passes and the comparison, dspUpgradeActive (the link's flag)
// set while they run. Shows "DSP校验错误，请重新升级！" on a mismatch.
DspResult RunDspUpgrade(Ctx& c, DspTransfer& t, std::atomic<int>& dspUpgradeActive,
                        const UpgradeStopFn& stop = {});

// The worker body: 200 ms, mute what was not muted, the passes, unmute what
// it muted, then the completion message (dspUpgradeDone, posted).
void DspUpgradeWorker(UsbLink& link, Ctx& c, DspTransfer& t, const UpgradeStopFn& stop = {});

}  // namespace udare
