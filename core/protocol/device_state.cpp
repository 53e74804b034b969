#include "protocol/device_state.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "protocol/codec.h"

namespace udare {

template <int N>
std::string TextField<N>::utf8() const {
    std::string out;
    for (char16_t c : get()) {
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}
template class TextField<30>;
template class TextField<11>;

DeviceState::DeviceState() {
    resetDeviceState(*this);
    initDeviceIdentity(*this);
}

std::array<uint8_t, 7> encodeBandCode(int gainCode, const BandCode& c) {
    return {uint8_t(gainCode >> 8), uint8_t(gainCode), uint8_t(c.freq >> 8), uint8_t(c.freq),
            uint8_t(c.q >> 8),      uint8_t(c.q),      c.type};
}

std::array<uint8_t, 7> encodeBandRecord(float gainDb, int freqHz, float q, int type) {
    // Gain in double precision, Q in single, both truncated. A value the
    // 16-bit field cannot hold stops at its end instead of wrapping round
    // (-20 dB must not come back as +6533 dB).
    int gain = std::clamp(truncToInt((double(gainDb) + 0.05 + 15.0) * 10.0), 0, 0xFFFF);
    int qc = std::clamp(truncToInt(q * 1000.0f), 0, 0xFFFF);
    BandCode c{uint16_t(std::clamp(freqHz, 0, 0xFFFF)), uint16_t(qc), uint8_t(type)};
    return encodeBandCode(gain, c);
}

EqBandValue decodeBandRecord(const uint8_t r[7]) {
    int gain = (r[0] << 8) | r[1];
    int freq = (r[2] << 8) | r[3];
    int q = (r[4] << 8) | r[5];
    return {float(gain / 10.0 - 15.0), freq, float(q / 1000.0), r[6]};
}

EqBandValue readBand(const DeviceState& st, Eq eq, int k) {
    // A band the equaliser lacks reads as all zero rather than outside the image.
    const int e = static_cast<int>(eq);
    if (e < 0 || e >= kEqCount || k < 0 || k >= eqInfo(eq).bands) return {0, 0, 0, 0};
    uint8_t rec[7];
    st.eqImage.read(bandOffset(eq, k), 7, rec);
    return decodeBandRecord(rec);
}

EqBandValue eqBand(const DeviceState& st, int group, int k) {
    for (const EqInfo& e : kEqualisers)
        if (e.group == group && k >= e.wireOffset && k < e.wireOffset + e.bands)
            return readBand(st, e.eq, k - e.wireOffset);
    return {0, 0, 0, 0};
}

static void writeDefaultBands(DeviceState& st) {
    for (const EqInfo& e : kEqualisers) {
        for (int k = 0; k < e.bands; ++k) {
            BandCode c = e.defaultFreqs ? BandCode{e.defaultFreqs[k], 1414, 1} : kSubDefault[k];
            auto rec = encodeBandCode(kGainCodeZero, c);
            st.eqImage.write(bandOffset(e.eq, k), 7, rec.data());
        }
    }
}

void resetDeviceState(DeviceState& st) {
    for (int i = 0; i < kSlotCount; ++i) st.params.setBits(i, 0);
    st.eqImage.fill(0);
    for (const SlotInfo& s : kSlots) {
        if (s.initial == 0.0f) continue;
        if (s.isFloat)
            st.setSlotFloat(s.index, s.initial);
        else
            st.setSlotInt(s.index, int32_t(s.initial));
    }
    writeDefaultBands(st);
}

void initDeviceIdentity(DeviceState& st) {
    for (int i = 0; i < 16; ++i) st.remoteKeys.set(i, kInitialRemoteKeys[i]);
    st.identity.modelName.setAscii(kExpectedModel);
    st.identity.mcuVersion.setAscii("2013-05-03");
    st.identity.dspVersion.setAscii("2013-05-01");
    st.currentMode.store(0);
    st.machine.committed.fill(0);
    st.machine.working.fill(0);
}

StateSnapshot snapshot(const DeviceState& st) {
    StateSnapshot s;
    s.params = st.params.copy();
    s.image = st.eqImage.copy();
    s.machine = st.machine.committed.copy();
    s.remoteKeys = st.remoteKeys.copy();
    s.currentMode = st.currentMode.load();
    return s;
}

std::string slotName(int index) {
    if (index < 0 || index >= kSlotCount) return {};
    const SlotInfo& s = kSlots[index];
    if (s.qualifier) return std::string(s.qualifier) + "." + s.name;
    return s.name;
}

static bool iequals(const std::string& a, const char* b) {
    size_t n = a.size();
    for (size_t i = 0; i < n; ++i) {
        if (!b[i]) return false;
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return b[n] == 0;
}

int slotByName(const std::string& name) {
    for (int i = 0; i < kSlotCount; ++i)
        if (iequals(name, slotName(i).c_str())) return i;
    return -1;
}

const EqInfo* eqOfRecord(int record) {
    for (const EqInfo& e : kEqualisers) {
        int first = e.base / kBandRecordSize;
        if (record >= first && record < first + e.bands) return &e;
    }
    return nullptr;
}

int eqByName(const char* name) {
    std::string n(name);
    for (const EqInfo& e : kEqualisers)
        if (iequals(n, e.name)) return int(e.eq);
    return -1;
}

bool IsOurModel(const DeviceState& st) { return st.identity.modelName.utf8() == kExpectedModel; }

}  // namespace udare
