#include "protocol/inbound.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "protocol/codec.h"
#include "protocol/effect_tables.h"
#include "protocol/opcodes.h"
#include "upgrade/upgrade_hooks.h"

namespace udare {

namespace {

using Icon = Prompter::Icon;

constexpr uint32_t kReadBackExcluded = 0x200020;

// Float slots take only finite values: a reply that would make one infinite
// or NaN leaves the slot as it was.
void setFiniteFloat(DeviceState& st, int slot, double v) {
    float f = static_cast<float>(v);
    if (std::isfinite(f)) st.setSlotFloat(slot, f);
}

void decodeCompressor(DeviceState& st, int group, const uint8_t* values) {
    auto value = [&](int k) { return bitsFloat(getBe32(values + 4 * k)); };
    int base = outputBase(group);
    setFiniteFloat(st, base + COMP_THRESHOLD, value(0));
    setFiniteFloat(st, base + COMP_RATIO, dec::compressorRatio(value(2)));
    setFiniteFloat(st, base + COMP_ATTACK, dec::compressorTime(value(5)));
    setFiniteFloat(st, base + COMP_RELEASE, dec::compressorTime(value(6)));
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

void showParamError(Ctx& c, const uint8_t* r) {
    char text[128];
    std::snprintf(text, sizeof text, "参数错误,代码0x:%02X,指令1:0x%02X,指令2:0x%02X ", r[2], r[3],
                  r[4]);
    c.prompter.messageBox(text, "Error", Icon::Error);
}

void storeImagePiece(DeviceState& st, const uint8_t* r) {
    int offset = r[2] * 256 + r[3];
    if (offset >= kImageSize) return;
    if (r[5] == op::kNoImageByte && r[6] == op::kNoImageByte) {
        st.eqImage.fill(0);
        return;
    }
    int n = r[4];
    if (n > kImagePiece) n = kImagePiece;
    if (n > kImageSize - offset) n = kImageSize - offset;
    st.eqImage.write(offset, n, r + 5);
}

}  // namespace

void DecodeParamReply(Ctx& c, const uint8_t* r) {
    DeviceState& st = c.st;
    // Only a slot's own code fills it: second codes and unknown ones are ignored.
    const int s = slotAt(r[3], static_cast<char>(r[4]));
    if (s < 0) return;
    const SlotInfo& info = kSlots[s];
    const uint8_t* values = r + 6;
    const uint32_t u = getBe32(values);

    switch (info.wire) {
    case Wire::Shift: st.setSlotInt(s, dec::fbcShift(bitsFloat(u))); return;
    case Wire::Pitch: st.setSlotInt(s, dec::pitch(getBe32(values + 4))); return;
    case Wire::Compressor: decodeCompressor(st, info.group, values); return;
    default: storeDecoded(st, s, u, r[9]); return;
    }
}

void DispatchReport(Ctx& c, const uint8_t* report, size_t len) {
    HidReport r{};
    if (report) std::memcpy(r.data(), report, len < r.size() ? len : r.size());
    DeviceState& st = c.st;

    switch (r[1]) {
    case op::kSelectMode:
        if (r[2] == op::kMcuPrepareTag[0] && r[3] == op::kMcuPrepareTag[1]) {
            st.identity.fwVersionHi.store(r[5]);
            st.identity.fwVersionLo.store(r[6]);
        } else if (r[2] == op::kMcuTag[0] && r[3] == op::kMcuTag[1]) {
            if (c.upgrade) c.upgrade->mcuCheckReply(r.data() + 5);
        }
        break;
    case op::kCurrentMode: st.currentMode.store(r[2]); break;
    case op::kWriteParam:
    case op::kParamChanged: st.settingsModified.store(1); break;
    case op::kReadParam:
        if (r[2] != 0 && st.paramErrorShown.exchange(1) == 0) showParamError(c, r.data());
        DecodeParamReply(c, r.data());
        break;
    case op::kMeterLevels: st.identity.meterLevels.write(0, 3, r.data() + 2); break;
    case op::kLearnKey:
        st.remoteKeys.set(0, r[2]);
        if (r[3] < RemoteKeyTable::kSize) st.remoteKeys.set(r[3], r[4]);
        c.notifier.keyLearned(r[4]);
        break;
    case op::kReadRemoteKeys: st.remoteKeys.write(0, RemoteKeyTable::kSize, r.data() + 2); break;
    case op::kDspVersion: st.identity.dspVersion.setFromBytes(r.data() + 2, kReportSize - 2); break;
    case op::kProtocolVersion: st.identity.protocolVersion.store(r[2]); break;
    case op::kModelName: st.identity.modelName.setFromBytes(r.data() + 2, kReportSize - 2); break;
    case op::kMcuVersion: st.identity.mcuVersion.setFromBytes(r.data() + 2, kReportSize - 2); break;
    case op::kReadEqBytes: storeImagePiece(st, r.data()); break;
    case op::kReadMachineSettings:
        st.machine.committed.write(0, MachineSettingsBytes::kSize, r.data() + 2);
        st.machine.working.write(0, MachineSettingsBytes::kSize, r.data() + 2);
        break;
    case op::kExtendedBlock: break;  // accepted, nothing in it is used
    case op::kExtendedInfo: st.identity.extendedInfo.store(r[2]); break;
    case op::kFlashErase:
    case op::kFlashWrite:
        if (r[2] != 0) ShowFlashError(c, r[2]);
        break;
    case op::kFlashRead: {
        uint32_t address = getBe32(r.data() + 3);
        if (address != kReadBackExcluded && c.upgrade) c.upgrade->storeReadBack(address, r.data() + 7);
        if (r[2] != 0) ShowFlashError(c, r[2]);
        break;
    }
    default: break;
    }
}

}  // namespace udare
