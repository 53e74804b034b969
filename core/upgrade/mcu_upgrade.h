// The MCU firmware transfer: a bare image (.bin) or a package (.cba) with the
// image and the four mode images, sent to a unit in upgrade mode, then
// checked by the unit echoing the image's first three bytes, then restarted.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "protocol/context.h"
#include "upgrade/package.h"
#include "upgrade/refusal.h"

namespace udare {

class UsbLink;
struct UpgradeHooks;

inline constexpr int kMcuPiece = 56;   // image bytes per data report
inline constexpr int kMcuBlock = 512;  // a block mark opens each of these

// True when a transfer should stop early (the link went away).
using UpgradeStopFn = std::function<bool()>;

// One MCU upgrade, from the chosen file to the check: what the worker sends
// and what the dialog shows. Made by PrepareMcuTransfer, before anything is sent.
struct McuTransfer {
    std::string mcuImagePath;         // the file the user chose
    bool package = false;
    std::unique_ptr<PrivateDir> dir;  // the package's members, while it lives
    std::vector<uint8_t> image;       // the image to send (empty: a package without one)
    std::atomic<int> mcuProgress{0};        // 0 .. 100
    std::atomic<int> modeImageProgress{0};  // 0 .. 100
    // 100 for a bare image, 200 for a package (image plus mode images).
    int range() const { return package ? 200 : 100; }
    int progress() const { return mcuProgress.load() + modeImageProgress.load(); }
};

// Reads the chosen file (extracting a package into a private directory) and
// refuses, before anything reaches the unit, what would corrupt it: an
// unreadable or empty image, one over 65536 bytes, a package that cannot be
// unpacked. On a refusal returns null and sets *refusal.
std::unique_ptr<McuTransfer> PrepareMcuTransfer(const std::string& path, ImageRefusal* refusal);

// Prepare, start of image, the data reports with their block marks, the head
// bytes 1 and 2 replaced by the unit's firmware-version bytes; arms the
// image check with the file's first three bytes. Does not send the end
// report. False when a report could not be sent (the link went away).
bool SendMcuImage(Ctx& c, const std::vector<uint8_t>& image, UpgradeHooks& hooks,
                  std::atomic<int>& progress, const UpgradeStopFn& stop = {});
// The end-of-image report with the head as read from the file.
bool SendMcuImageEnd(Ctx& c, const UpgradeHooks& hooks);

// The worker body: 200 ms, the image (and for a package the mode images),
// then the completion message (mcuUpgradeDone, which returns once the view
// handled it). Bookkeeping on the link: linkIdle 0 while it runs, 1 after.
void McuUpgradeWorker(UsbLink& link, Ctx& c, McuTransfer& t, const UpgradeStopFn& stop = {});

// After the worker: ask for the check result and wait 150 ms for it.
// True when the unit echoed the head (mcuVerifyPending is then 0).
bool CheckMcuImage(Ctx& c, const UpgradeHooks& hooks);
// 1 while an armed check has not been confirmed.
int mcuVerifyPending(const UpgradeHooks& hooks);
// After a passed check: the restart report, then 50 ms.
void RestartAfterMcuUpgrade(Ctx& c);
// Asks a unit in normal mode to restart into upgrade mode.
void RequestUpgradeMode(Ctx& c);

// How long the unit is given to come back in upgrade mode after op::kEnterUpgradeMode.
inline constexpr int kUpgradeModeWaitMs = 8000;

}  // namespace udare
