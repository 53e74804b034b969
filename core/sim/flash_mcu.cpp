// Flash and MCU emulation: the MCU image transfer in upgrade mode, the DSP
// flash (erase, write, read back) and the mode memory.
#include "protocol/codec.h"
#include "protocol/opcodes.h"
#include "sim/unit_core.h"

namespace udare::sim {

namespace {
// Bytes 2-4 of a request against a three-byte tag.
bool tagged(const HidReport& in, const uint8_t (&tag)[3]) {
    return in[2] == tag[0] && in[3] == tag[1] && in[4] == tag[2];
}

// A mode-memory piece (address hi lo, n, bytes), in either mode; one that
// would run past the end is dropped.
void writeModeMemory(std::vector<uint8_t>& memory, const HidReport& in) {
    const int addr = in[2] << 8 | in[3];
    const int n = std::min<int>(in[4], kMaxPiece);
    if (addr + n <= kModeMemorySize) std::memcpy(memory.data() + addr, in.data() + 5, size_t(n));
}
}  // namespace

uint8_t VirtualUnit::Core::flashStatus(uint32_t address, uint32_t len) const {
    if (address >= kFlashSectors * kFlashSectorSize ||
        kFlashSectors * kFlashSectorSize - address < len)
        return kFlashInvalidSector;
    return kFlashOk;
}

uint8_t VirtualUnit::Core::oldCoreByte(uint32_t a) { return uint8_t((a * 0x9Du) ^ (a >> 8) ^ 0x5Au) & 0x7F; }

uint8_t VirtualUnit::Core::flashByte(uint32_t a) const {
    const auto& sec = flash[a / kFlashSectorSize];
    return sec.empty() ? oldCoreByte(a) : sec[a % kFlashSectorSize];
}

void VirtualUnit::Core::processUpgrade(const HidReport& in, std::vector<HidReport>& out,
                                       TimePoint due) {
    const uint8_t cmd = in[1];
    switch (cmd) {
    case op::kMcuImageStart:
        if (tagged(in, op::kMcuStartTag)) {
            mcuImage.clear();
            mcuHighBase = 0;
            mcuLast = 0;
            mcuGap = false;
            mcuMarked = 0;
            mcuBadMark = false;
            mcuEnded = false;
        } else {
            // Block mark: the 16-bit start of the next 512-byte block.
            uint32_t mark = uint32_t(in[2]) << 8 | in[3];
            if (mark == (mcuMarked & 0xFFFF))
                mcuMarked += 512;
            else
                mcuBadMark = true;
        }
        out.push_back(reply(cmd));
        return;
    case op::kMcuImageData:
        if (tagged(in, op::kMcuTag)) {  // the image's end
            mcuEnded = true;
            mcuHead = {in[5], in[6], in[7]};
        } else {
            uint32_t off = uint32_t(in[2]) << 8 | in[3];
            int n = std::min<int>(in[4], kMaxPiece);
            uint32_t full = mcuHighBase + off;
            if (!mcuImage.empty() && full < mcuLast) {
                mcuHighBase += 0x10000;  // offsets travel modulo 65536
                full += 0x10000;
            }
            if (full != mcuImage.size()) mcuGap = true;
            if (full + uint32_t(n) > mcuMarked) mcuBadMark = true;
            mcuLast = full;
            if (full + uint32_t(n) > kMcuFlashSize) {
                mcuGap = true;  // beyond the MCU's flash: not kept
            } else {
                if (mcuImage.size() < full + n) mcuImage.resize(full + n);
                std::memcpy(mcuImage.data() + full, in.data() + 5, size_t(n));
            }
        }
        out.push_back(reply(cmd));
        return;
    case op::kRestart:
        // Restart into the new firmware.
        out.push_back(reply(cmd));
        ++restarts;
        scheduleRestart(due, false, true);
        return;
    case op::kUpgradeModeMemory:
        writeModeMemory(modeMemory, in);
        out.push_back(reply(cmd));
        return;
    default:
        process(in, out, due);
    }
}

bool VirtualUnit::Core::processMcuFlash(const HidReport& in, std::vector<HidReport>& out,
                                        TimePoint due) {
    const uint8_t cmd = in[1];
    switch (cmd) {
    case op::kSelectMode: {
        const bool prepare = tagged(in, op::kMcuPrepareTag);
        const bool check = tagged(in, op::kMcuTag);
        if (!prepare && !check) return false;  // a mode selection
        HidReport r = reply(cmd);
        if (prepare) {
            // Prepare for an image: the unit tells its firmware-version bytes.
            r[2] = op::kMcuPrepareTag[0];
            r[3] = op::kMcuPrepareTag[1];
            r[5] = opt.fwVersionHi;
            r[6] = opt.fwVersionLo;
        } else {
            // Image check: echo the head only for a complete, gap-free image,
            // every block opened by its mark, that carries this unit's
            // firmware-version bytes in bytes 1 and 2.
            bool good = mcuEnded && !mcuGap && !mcuBadMark && mcuImage.size() >= 3 &&
                        mcuImage[0] == mcuHead[0] && mcuImage[1] == opt.fwVersionHi &&
                        mcuImage[2] == opt.fwVersionLo;
            r[2] = op::kMcuTag[0];
            r[3] = op::kMcuTag[1];
            for (int i = 0; i < 3; ++i) r[5 + i] = good ? mcuHead[i] : uint8_t(~mcuHead[i]);
        }
        out.push_back(r);
        return true;
    }
    case op::kEnterUpgradeMode:
        out.push_back(reply(cmd));
        scheduleRestart(due, true, false);
        return true;
    case op::kWriteModeMemory:
        writeModeMemory(modeMemory, in);
        out.push_back(reply(cmd));
        return true;
    case op::kFlashErase:
    case op::kFlashWrite:
    case op::kFlashRead: {
        uint32_t a = getBe32(in.data() + 3);
        HidReport r = reply(cmd);
        std::copy(in.begin() + 3, in.begin() + 7, r.begin() + 3);
        uint8_t status = flashStatus(a, cmd == op::kFlashErase ? 1 : op::kFlashPiece);
        if (status == kFlashOk) {
            if (cmd == op::kFlashErase) {
                flash[a / kFlashSectorSize].assign(kFlashSectorSize, 0xFF);
            } else if (cmd == op::kFlashWrite) {
                const uint32_t base = a - a % kFlashSectorSize;
                auto& sec = flash[a / kFlashSectorSize];
                if ((a % kFlashSectorSize) + op::kFlashPiece > kFlashSectorSize) {
                    status = kFlashInvalidSector;  // a piece never spans two sectors
                } else {
                    if (sec.empty()) {
                        sec.resize(kFlashSectorSize);
                        for (uint32_t i = 0; i < kFlashSectorSize; ++i) sec[i] = oldCoreByte(base + i);
                    }
                    // Flash bits only clear; a byte that needed a set bit fails to verify.
                    for (uint32_t i = 0; i < uint32_t(op::kFlashPiece); ++i) {
                        uint32_t at = a % kFlashSectorSize + i;
                        uint8_t want = in[7 + i];
                        sec[at] &= want;
                        if (sec[at] != want) status = kFlashVerifyWrite;
                    }
                }
            } else {
                for (uint32_t i = 0; i < uint32_t(op::kFlashPiece); ++i) r[7 + i] = flashByte(a + i);
            }
        }
        r[2] = status;
        out.push_back(r);
        return true;
    }
    default:
        return false;
    }
}

}  // namespace udare::sim
