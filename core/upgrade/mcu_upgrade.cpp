#include "upgrade/mcu_upgrade.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "link/usb_link.h"
#include "protocol/opcodes.h"
#include "protocol/report.h"
#include "upgrade/mode_images.h"
#include "upgrade/upgrade_hooks.h"

namespace udare {

namespace {

constexpr int kWorkerStartWaitMs = 200;
constexpr int kAfterPrepareMs = 50;
constexpr int kCheckWaitMs = 150;
constexpr int kAfterRestartMs = 50;

bool stopped(const UpgradeStopFn& stop) { return stop && stop(); }

bool sent(int n) { return n == kReportSize; }

}  // namespace

std::unique_ptr<McuTransfer> PrepareMcuTransfer(const std::string& path, ImageRefusal* refusal) {
    auto t = std::make_unique<McuTransfer>();
    t->mcuImagePath = path;
    t->package = isUpgradePackage(path);
    ImageRefusal r = ImageRefusal::None;
    if (t->package) {
        t->dir = std::make_unique<PrivateDir>();
        if (ExtractUpgradePackage(path, *t->dir, &r) != 0) {
            // A package may carry only mode images; an image it does carry
            // must qualify like a bare one.
            const std::string image = t->dir->file(kPackageImageName);
            std::error_code ec;
            if (std::filesystem::exists(image, ec))
                r = readImageFile(image, kMcuImageMax, ImageRefusal::McuTooLarge, t->image);
        }
    } else {
        r = readImageFile(path, kMcuImageMax, ImageRefusal::McuTooLarge, t->image);
    }
    if (refusal) *refusal = r;
    if (r != ImageRefusal::None) return nullptr;
    return t;
}

bool SendMcuImage(Ctx& c, const std::vector<uint8_t>& image, UpgradeHooks& hooks,
                  std::atomic<int>& progress, const UpgradeStopFn& stop) {
    if (image.empty() || image.size() > kMcuImageMax) return false;
    if (!sent(req::McuPrepare(c.out))) return false;
    c.clock.sleepMs(kAfterPrepareMs);
    if (stopped(stop) || !sent(req::McuImageStart(c.out))) return false;

    // The prepare reply (dispatched before the start report could leave)
    // carried the unit's firmware-version bytes.
    std::vector<uint8_t> data = image;
    hooks.armMcuCheck(image[0], image.size() > 1 ? image[1] : 0, image.size() > 2 ? image[2] : 0);
    if (data.size() > 1) data[1] = c.st.identity.fwVersionHi.load();
    if (data.size() > 2) data[2] = c.st.identity.fwVersionLo.load();

    const size_t size = data.size();
    size_t boundary = 0;
    for (size_t offset = 0; offset < size; offset += kMcuPiece) {
        if (stopped(stop)) return false;
        const size_t n = std::min<size_t>(kMcuPiece, size - offset);
        if (boundary <= offset + n && boundary < size) {
            if (!sent(req::McuBlockMark(c.out, uint32_t(boundary))))
                return false;
            boundary += kMcuBlock;
        }
        progress.store(std::min(100, int(double(offset) * 100.0 / double(size))));
        uint8_t payload[3 + kMcuPiece];
        payload[0] = uint8_t(offset >> 8);
        payload[1] = uint8_t(offset);
        payload[2] = uint8_t(n);
        std::copy_n(data.begin() + long(offset), n, payload + 3);
        if (!sent(req::McuImageData(c.out, std::span<const uint8_t>(payload, 3 + n)))) return false;
    }
    return true;
}

bool SendMcuImageEnd(Ctx& c, const UpgradeHooks& hooks) {
    return sent(req::McuImageEnd(c.out, hooks.mcuImageHead[0].load(), hooks.mcuImageHead[1].load(),
                                   hooks.mcuImageHead[2].load()));
}

void McuUpgradeWorker(UsbLink& link, Ctx& c, McuTransfer& t, const UpgradeStopFn& stop) {
    c.st.identity.meterLevels.fill(0);
    link.linkIdle = 0;
    c.clock.sleepMs(kWorkerStartWaitMs);
    t.mcuProgress = 0;
    t.modeImageProgress = 0;

    bool ok = true;
    if (c.upgrade) {
        // Pending from the start of a transfer until the unit confirms it; a
        // package holding only mode images has nothing to confirm.
        if (t.image.empty())
            c.upgrade->disarmMcuCheck();
        else
            c.upgrade->armMcuCheck(t.image[0], t.image.size() > 1 ? t.image[1] : 0,
                                   t.image.size() > 2 ? t.image[2] : 0);
    }
    if (!t.image.empty() && c.upgrade) {
        ok = SendMcuImage(c, t.image, *c.upgrade, t.mcuProgress, stop) && SendMcuImageEnd(c, *c.upgrade);
    }
    if (t.package && ok && !stopped(stop)) {
        t.mcuProgress = 100;
        WriteModeImages(c, t.dir->path(), link.upgradeMode.load() != 0, t.modeImageProgress);
    }
    c.notifier.mcuUpgradeDone();
    c.st.identity.meterLevels.fill(0);
    link.linkIdle = 1;
}

int mcuVerifyPending(const UpgradeHooks& hooks) { return hooks.verifyPending(); }

bool CheckMcuImage(Ctx& c, const UpgradeHooks& hooks) {
    // A request that cannot reach the unit confirms nothing.
    if (!sent(req::McuImageCheck(c.out))) return false;
    c.clock.sleepMs(kCheckWaitMs);
    return mcuVerifyPending(hooks) == 0;
}

void RestartAfterMcuUpgrade(Ctx& c) {
    req::Restart(c.out);
    c.clock.sleepMs(kAfterRestartMs);
}

void RequestUpgradeMode(Ctx& c) { req::EnterUpgradeMode(c.out); }

}  // namespace udare
