#include "upgrade/dsp_upgrade.h"

#include <algorithm>

#include "link/usb_link.h"
#include "protocol/commands.h"
#include "protocol/opcodes.h"
#include "upgrade/upgrade_hooks.h"
#include "protocol/report.h"
#include "protocol/slots.h"

namespace udare {

namespace {

constexpr int kWorkerStartWaitMs = 200;
constexpr int kBeforeCompareMs = 200;
constexpr int kGatePollMs = 10;

bool stopped(const UpgradeStopFn& stop) { return stop && stop(); }

bool sent(int n) { return n == kReportSize; }

}  // namespace

std::unique_ptr<DspTransfer> PrepareDspTransfer(const std::string& path, ImageRefusal* refusal) {
    auto t = std::make_unique<DspTransfer>();
    t->dspImagePath = path;
    ImageRefusal r = readImageFile(path, kDspImageMax, ImageRefusal::DspTooLarge, t->image);
    if (refusal) *refusal = r;
    if (r != ImageRefusal::None) return nullptr;
    t->fileSize = t->image.size();
    t->image.resize((t->fileSize + kDspPiece - 1) / kDspPiece * kDspPiece, kDspPadding);
    return t;
}

DspResult RunDspUpgrade(Ctx& c, DspTransfer& t, std::atomic<int>& dspUpgradeActive,
                        const UpgradeStopFn& stop) {
    const size_t size = t.image.size();
    if (size == 0 || size > kDspImageMax) return DspResult::Lost;
    t.dspProgress = 0;
    dspUpgradeActive = 1;
    // Pieces whose reply never comes keep the complement and so differ.
    std::vector<uint8_t> readBack(size);
    std::transform(t.image.begin(), t.image.end(), readBack.begin(), [](uint8_t b) { return uint8_t(~b); });
    if (c.upgrade) c.upgrade->attachReadBack(readBack.data(), size, 0);

    bool lost = false;
    const uint32_t sectors = uint32_t((size + kDspSectorSize - 1) / kDspSectorSize);
    for (uint32_t s = 0; s < sectors && !lost; ++s) {
        lost = stopped(stop) || !sent(req::FlashErase(c.out, s * uint32_t(kDspSectorSize)));
        if (!lost) ++t.erases;
    }
    for (size_t a = 0; a < size && !lost; a += kDspPiece) {
        // A flash-error box is open: the write pass waits until it closes.
        while (c.upgrade && c.upgrade->transferGate.load() == 0 && !stopped(stop)) c.clock.sleepMs(kGatePollMs);
        t.dspProgress = int(double(a) / (double(size) / 9000.0));
        lost = stopped(stop) || !sent(req::FlashWrite(c.out, uint32_t(a), t.image.data() + a));
        if (!lost) ++t.writes;
    }
    const int p0 = t.dspProgress.load();
    for (size_t a = 0; a < size && !lost; a += kDspPiece) {
        t.dspProgress = p0 + int(double(a) / (double(size) / 1000.0));
        lost = stopped(stop) || !sent(req::FlashRead(c.out, uint32_t(a)));
        if (!lost) ++t.reads;
    }
    if (!lost) c.clock.sleepMs(kBeforeCompareMs);
    if (c.upgrade) c.upgrade->detachReadBack();
    lost = lost || stopped(stop);

    DspResult result = DspResult::Verified;
    if (lost) {
        result = DspResult::Lost;
    } else if (readBack != t.image) {
        result = DspResult::Mismatch;
        c.prompter.messageBox("DSP校验错误，请重新升级！", "错误", Prompter::Icon::Error);
    }
    dspUpgradeActive = 0;
    return result;
}

void DspUpgradeWorker(UsbLink& link, Ctx& c, DspTransfer& t, const UpgradeStopFn& stop) {
    c.st.identity.meterLevels.fill(0);
    link.linkIdle = 0;
    c.clock.sleepMs(kWorkerStartWaitMs);
    const bool micWasMuted = c.st.slotInt(slot::micMute) == 1;
    const bool musicWasMuted = c.st.slotInt(slot::musicMute) == 1;
    if (!micWasMuted) SetMicMute(c, 1);
    if (!musicWasMuted) SetMusicMute(c, 1);
    t.result = RunDspUpgrade(c, t, link.dspUpgradeActive, stop);
    if (!micWasMuted) SetMicMute(c, 0);
    if (!musicWasMuted) SetMusicMute(c, 0);
    // linkIdle stays 0: the connection is closed next.
    c.notifier.dspUpgradeDone();
}

}  // namespace udare
