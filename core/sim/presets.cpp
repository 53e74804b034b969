// The unit's preset data: the settings it starts with and its four own presets.
#include <algorithm>

#include "protocol/codec.h"
#include "protocol/device_state.h"
#include "protocol/equalisers.h"
#include "protocol/slots.h"
#include "sim/unit_core.h"

namespace udare::sim {

namespace {

void setValue(UnitSettings& s, int group, int code, uint32_t v, int count) {
    auto& vals = s.values[group][code - kFirstCode];
    for (int i = 0; i < count; ++i) vals[i] = v;
}

}  // namespace

UnitSettings startSettings(int protocol) {
    UnitSettings s;
    for (const SlotInfo& si : kSlots) {
        uint32_t bits = si.isFloat ? floatBits(si.initial) : uint32_t(int32_t(si.initial));
        switch (si.wire) {
        case Wire::Compressor:
            if (si.valueIndex == 0) {
                int b = outputBase(si.group);
                auto& v = s.values[si.group]['7' - kFirstCode];
                uint32_t block[7];
                enc::compressorBlock(kSlots[b + COMP_THRESHOLD].initial, kSlots[b + COMP_RATIO].initial,
                                     kSlots[b + COMP_ATTACK].initial, kSlots[b + COMP_RELEASE].initial,
                                     block);
                std::copy(block, block + 7, v.begin());
            }
            break;
        case Wire::Shift:
            // Suppression off: no shift and no second value.
            setValue(s, si.group, si.code, 0, 1);
            setValue(s, GROUP_MIC, '7', 0, 1);
            break;
        case Wire::Pitch:
            for (char c : {si.code, si.altCode}) {
                auto& v = s.values[si.group][c - kFirstCode];
                uint8_t pair[8];
                enc::pitch(0, pair);  // no shift
                v[0] = getBe32(pair);
                v[1] = getBe32(pair + 4);
            }
            break;
        default: {
            uint32_t w = encodeSlot(si.wire, bits);
            setValue(s, si.group, si.code, w, 2);
            if (si.altCode) setValue(s, si.group, si.altCode, w, 2);
        }
        }
    }
    const uint32_t one = floatBits(1.0f);
    for (auto& g : s.coeffs)
        for (auto& band : g) band = {0, 0, one, 0, 0};  // pass-through
    DeviceState st;
    auto img = st.eqImage.copy();
    s.image.assign(img.begin(), img.end());
    if (protocol == 1) {
        // A protocol-1 unit keeps its ten Sub sections with the 100 Hz ones first.
        int base = eqInfo(Eq::Sub).base;
        for (int k = 0; k < 10; ++k) {
            auto rec = encodeBandCode(kGainCodeZero, kSubProtocol1[k]);
            std::copy(rec.begin(), rec.end(), s.image.begin() + base + 7 * k);
        }
        std::fill(s.image.begin() + kImageSizeProtocol1, s.image.end(), 0);
    }
    return s;
}

// The unit's own presets: recognisable volumes, mode n with microphone 50 + 10n.
UnitSettings factorySettings(int n, int protocol) {
    UnitSettings s = startSettings(protocol);
    setValue(s, GROUP_MIC, '0', enc::percent(50 + 10 * n), 1);
    setValue(s, GROUP_MIC, '2', enc::percent(70), 1);
    setValue(s, GROUP_ECHO, '0', enc::percent(40), 1);
    setValue(s, GROUP_REVERB, '0', enc::percent(35), 1);
    setValue(s, GROUP_MUSIC, '0', enc::percent(60), 2);
    for (int g = GROUP_MAIN; g <= GROUP_SUB; ++g) {
        for (char c = '0'; c <= '3'; ++c) setValue(s, g, c, enc::percent(100), 1);
        setValue(s, g, '5', enc::percent(g <= GROUP_REAR ? 80 : 70), 2);
    }
    // Mic1 band 8 at +3 dB.
    s.image[bandOffset(Eq::Mic1, 8)] = 0;
    s.image[bandOffset(Eq::Mic1, 8) + 1] = 180;
    return s;
}

}  // namespace udare::sim
