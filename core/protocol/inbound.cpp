#include "protocol/inbound.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "protocol/codec.h"
#include "protocol/effect_tables.h"

namespace udare {

namespace {

using Icon = Prompter::Icon;

// A pitch reply names its step only through the float bits of the table.
int pitchFromFloatBits(uint32_t bits) {
    for (int n = kPitchMin; n <= kPitchMax; ++n)
        if (pitchEntry(n).floatBits == bits) return n;
    return 0;
}

constexpr uint32_t kReadBackExcluded = 0x200020;

bool inRange(char code, char lo, char hi) { return code >= lo && code <= hi; }

// Float slots take only finite values: a reply that would make one infinite
// or NaN leaves the slot as it was.
void setFiniteFloat(DeviceState& st, int slot, double v) {
    float f = static_cast<float>(v);
    if (std::isfinite(f)) st.setSlotFloat(slot, f);
}

void decodeCompressor(DeviceState& st, int group, const uint8_t* values) {
    auto value = [&](int k) { return double(bitsFloat(getBe32(values + 4 * k))); };
    int base = outputBase(group);
    setFiniteFloat(st, base + COMP_THRESHOLD, value(0));
    setFiniteFloat(st, base + COMP_RATIO, 1.0 / (1.0 - value(2)));
    // -1/ln(1 - c) is the time in samples; rounded to a whole sample so that a
    // read-back followed by a write gives the unit the same coefficient again
    // (adding the half sample without rounding drifted every round trip).
    auto time = [&](int k) { return std::floor(0.5 - 1.0 / std::log(1.0 - value(k))) / 48.0; };
    setFiniteFloat(st, base + COMP_ATTACK, time(5));
    setFiniteFloat(st, base + COMP_RELEASE, time(6));
}

void storeDecoded(DeviceState& st, int slot, uint32_t u, uint8_t b9) {
    float f = bitsFloat(u);
    switch (kSlots[slot].wire) {
    case Wire::Percent: st.setSlotInt(slot, dec::percent(f)); break;
    case Wire::MuteGain: st.setSlotInt(slot, dec::muteGain(f)); break;
    case Wire::Integer: st.setSlotInt(slot, dec::integer(b9)); break;
    case Wire::InvertedInteger: st.setSlotInt(slot, dec::invertedInteger(b9)); break;
    case Wire::MsToSamples: st.setSlotFloat(slot, dec::samplesToMs(u)); break;
    case Wire::Div1e4: st.setSlotInt(slot, dec::div1e4(f)); break;
    case Wire::Div1e5: st.setSlotInt(slot, dec::div1e5(f)); break;
    case Wire::Div1e7: st.setSlotInt(slot, dec::div1e7(f)); break;
    case Wire::FloatPercent:
    case Wire::WholePercent: st.setSlotFloat(slot, dec::floatPercent(f)); break;
    case Wire::Shift:
    case Wire::Pitch:
    case Wire::Compressor: break;  // decoded by their own codes
    }
}

void showFlashError(Ctx& c, int code) {
    // The transfer pauses while the user reads the box.
    c.st.transferGate.store(0);
    c.prompter.messageBox(FlashErrorText(code), "错误", Icon::Error);
    c.st.transferGate.store(1);
}

void showParamError(Ctx& c, const uint8_t* r) {
    char text[128];
    std::snprintf(text, sizeof text, "参数错误,代码0x:%02X,指令1:0x%02X,指令2:0x%02X ", r[2], r[3],
                  r[4]);
    c.prompter.messageBox(text, "Error", Icon::Error);
}

void checkMcuImage(Ctx& c, const uint8_t* r) {
    UpgradeHooks* h = c.upgrade;
    if (!h || !h->mcuCheckArmed.load(std::memory_order_acquire)) return;
    for (int i = 0; i < 3; ++i)
        if (h->mcuImageHead[i].load(std::memory_order_relaxed) != r[5 + i]) return;
    h->mcuCheckPassed.store(1);
}

void storeImagePiece(DeviceState& st, const uint8_t* r) {
    int offset = r[2] * 256 + r[3];
    if (offset >= kImageSize) return;
    if (r[5] == 0xFF && r[6] == 0xFF) {  // the unit holds no image
        st.eqImage.fill(0);
        return;
    }
    int n = r[4];
    if (n > kImagePiece) n = kImagePiece;
    if (n > kImageSize - offset) n = kImageSize - offset;
    st.eqImage.write(offset, n, r + 5);
}

}  // namespace

bool UpgradeHooks::storeReadBack(uint32_t address, const uint8_t* data32) {
    std::lock_guard<std::mutex> l(readBackLock_);
    if (!readBack_ || address < readBackBase_) return false;
    uint64_t offset = uint64_t(address) - readBackBase_;
    if (offset + 32 > readBackSize_) return false;
    std::memcpy(readBack_ + offset, data32, 32);
    return true;
}

std::string FlashErrorText(int code) {
    static constexpr const char* kTexts[] = {
        "No Error",        "POLL_TIMEOUT",     "VERIFY_WRITE",        "INVALID_SECTOR",
        "INVALID_BLOCK",   "UNKNOWN_COMMAND",  "PROCESS_COMMAND_ERR", "NOT_READ_ERROR",
        "DRV_NOTAT_BREAK", "BUFFER_IS_NULL",   "NO_ACCESS_SECTOR",    "NUM_ERROR_CODES",
    };
    if (code >= 0 && code < int(std::size(kTexts))) return kTexts[code];
    return "UNKNOWN_ERROR_" + std::to_string(code);
}

void DecodeParamReply(Ctx& c, const uint8_t* r) {
    DeviceState& st = c.st;
    const int group = r[3];
    const char code = static_cast<char>(r[4]);
    const uint8_t* values = r + 6;
    const uint32_t u = getBe32(values);

    switch (group) {
    case GROUP_MIC:
        if (!inRange(code, '0', '>') || code == '7') return;
        if (code == '6') {
            double step = double(bitsFloat(u)) * kSampleRate / (2.0 * std::numbers::pi) + 0.5;
            int s = truncToInt(step);
            st.setSlotInt(slot::fbcShift, s < 1 ? 1 : s > 5 ? 5 : s);
            return;
        }
        break;
    case GROUP_ECHO:
        if (!inRange(code, '0', 'C')) return;
        break;
    case GROUP_REVERB:
        if (!inRange(code, '0', '5')) return;
        break;
    case GROUP_MUSIC:
        if (code == '8') {
            st.setSlotInt(slot::musicPitch, pitchFromFloatBits(getBe32(values + 4)));
            return;
        }
        if (!inRange(code, '0', '6')) return;
        break;
    case GROUP_MAIN:
    case GROUP_REAR:
    case GROUP_CENTER:
    case GROUP_SUB:
        if (!inRange(code, '0', group <= GROUP_REAR ? ';' : '9')) return;
        if (code == '7') {
            decodeCompressor(st, group, values);
            return;
        }
        break;
    default:
        return;
    }
    int s = findSlot(group, code);
    if (s >= 0) storeDecoded(st, s, u, r[9]);
}

void DispatchReport(Ctx& c, const uint8_t* report, size_t len) {
    HidReport r{};
    if (report) std::memcpy(r.data(), report, len < r.size() ? len : r.size());
    DeviceState& st = c.st;

    switch (r[1]) {
    case 0x03:
        if (r[2] == 0x00 && r[3] == 0x01) {
            st.identity.fwVersionHi.store(r[5]);
            st.identity.fwVersionLo.store(r[6]);
        } else if (r[2] == 0xE4 && r[3] == 0x00) {
            checkMcuImage(c, r.data());
        }
        break;
    case 0x07: st.currentMode.store(r[2]); break;
    case 0x09:
    case 0x14: st.settingsModified.store(1); break;
    case 0x0A:
        if (r[2] != 0 && st.paramErrorShown.exchange(1) == 0) showParamError(c, r.data());
        DecodeParamReply(c, r.data());
        break;
    case 0x0E: st.identity.meterLevels.write(0, 3, r.data() + 2); break;
    case 0x60:
        st.remoteKeys.set(0, r[2]);
        if (r[3] < RemoteKeyTable::kSize) st.remoteKeys.set(r[3], r[4]);
        c.notifier.keyLearned(r[4]);
        break;
    case 0x62: st.remoteKeys.write(0, RemoteKeyTable::kSize, r.data() + 2); break;
    case 0x7E: st.identity.dspVersion.setFromBytes(r.data() + 2, kReportSize - 2); break;
    case 0x7F: st.identity.protocolVersion.store(r[2]); break;
    case 0x80: st.identity.modelName.setFromBytes(r.data() + 2, kReportSize - 2); break;
    case 0x81: st.identity.mcuVersion.setFromBytes(r.data() + 2, kReportSize - 2); break;
    case 0x86: storeImagePiece(st, r.data()); break;
    case 0x92:
        st.machine.committed.write(0, MachineSettingsBytes::kSize, r.data() + 2);
        st.machine.working.write(0, MachineSettingsBytes::kSize, r.data() + 2);
        break;
    case 0x94: break;  // accepted, nothing in it is used
    case 0x95: st.identity.extendedInfo.store(r[2]); break;
    case 0xDC:
    case 0xDD:
        if (r[2] != 0) showFlashError(c, r[2]);
        break;
    case 0xDE: {
        uint32_t address = getBe32(r.data() + 3);
        if (address != kReadBackExcluded && c.upgrade) c.upgrade->storeReadBack(address, r.data() + 7);
        if (r[2] != 0) showFlashError(c, r[2]);
        break;
    }
    default: break;
    }
}

}  // namespace udare
