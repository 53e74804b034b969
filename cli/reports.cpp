#include "reports.h"

#include <cmath>
#include <cstdio>

#include "text.h"

namespace udare::cli {

std::string JsonString(const std::string& s) {
    std::string r = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            r += '\\';
            r += static_cast<char>(c);
        } else if (c < 0x20) {
            r += format("\\u%04x", c);
        } else {
            r += static_cast<char>(c);
        }
    }
    return r + "\"";
}

namespace {

std::string number(double v, bool json) {
    if (!std::isfinite(v)) return json ? "null" : format("%g", v);
    return format("%.9g", v);
}

std::string hexBytes(const uint8_t* p, int n, bool json) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i) s += json ? "," : " ";
        s += json ? format("%u", p[i]) : format("%02X", p[i]);
    }
    return s;
}

std::string modeName(int m) { return format("M%d", m + 1); }

}  // namespace

std::string SlotValueText(const DeviceState& st, int slot, bool json) {
    if (kSlots[static_cast<size_t>(slot)].isFloat) return number(st.slotFloat(slot), json);
    return format("%d", st.slotInt(slot));
}

void PrintList(std::ostream& os, const std::vector<HidInterfaceInfo>& units, bool json, int lang) {
    if (json) {
        os << "[";
        for (size_t i = 0; i < units.size(); ++i) {
            const HidInterfaceInfo& u = units[i];
            os << (i ? ",\n " : "") << "{\"path\":" << JsonString(u.path)
               << ",\"vendorId\":" << u.vendorId << ",\"productId\":" << u.productId
               << ",\"product\":" << JsonString(u.product)
               << ",\"manufacturer\":" << JsonString(u.manufacturer)
               << ",\"upgradeMode\":" << (isUpgradeModeInterface(u) ? "true" : "false") << "}";
        }
        os << "]\n";
        return;
    }
    for (const HidInterfaceInfo& u : units) {
        os << u.path << format("  %04x:%04x", u.vendorId, u.productId);
        if (!u.product.empty()) os << "  " << u.product;
        if (isUpgradeModeInterface(u)) os << "  " << Tr{"(升级模式)", "(upgrade mode)"}.in(lang);
        os << '\n';
    }
}

void PrintInfo(std::ostream& os, const DeviceState& st, bool upgradeMode, bool json, int lang) {
    const std::string model = st.identity.modelName.utf8();
    const std::string mcu = st.identity.mcuVersion.utf8();
    const std::string dsp = st.identity.dspVersion.utf8();
    const int mode = st.currentMode.load();
    if (json) {
        os << "{\"model\":" << JsonString(model) << ",\"protocolVersion\":" << st.protocol()
           << ",\"mcuVersion\":" << JsonString(mcu) << ",\"dspVersion\":" << JsonString(dsp)
           << ",\"currentMode\":" << mode << ",\"modeName\":" << JsonString(modeName(mode))
           << ",\"upgradeMode\":" << (upgradeMode ? "true" : "false") << "}\n";
        return;
    }
    os << Tr{"机器型号", "model"}.in(lang) << ": " << model << '\n'
       << Tr{"通信版本", "protocol"}.in(lang) << ": " << format("%02d", st.protocol()) << '\n'
       << Tr{"MCU版本", "MCU version"}.in(lang) << ": " << mcu << '\n'
       << Tr{"DSP版本", "DSP version"}.in(lang) << ": " << dsp << '\n'
       << Tr{"当前模式", "mode"}.in(lang) << ": " << modeName(mode) << '\n';
    if (upgradeMode) os << Tr{"机器处于升级模式", "the unit is in upgrade mode"}.in(lang) << '\n';
}

void PrintDump(std::ostream& os, const DeviceState& st, bool json) {
    const auto machineC = st.machine.committed.copy();
    const auto machineW = st.machine.working.copy();
    const auto keys = st.remoteKeys.copy();
    const int mode = st.currentMode.load();
    if (json) {
        os << "{\"slots\":{";
        for (int i = 0; i < kSlotCount; ++i)
            os << (i ? ",\n  " : "\n  ") << JsonString(slotName(i)) << ":" << SlotValueText(st, i, true);
        os << "},\n\"equalisers\":{";
        bool firstEq = true;
        for (const EqInfo& e : kEqualisers) {
            const int bands = st.eqBands(e.eq);
            os << (firstEq ? "\n  " : ",\n  ") << JsonString(e.name) << ":[";
            firstEq = false;
            for (int k = 0; k < bands; ++k) {
                const EqBandValue b = readBand(st, e.eq, k);
                os << (k ? "," : "") << "{\"type\":" << b.type << ",\"freq\":" << b.freqHz
                   << ",\"gain\":" << number(b.gainDb, true) << ",\"q\":" << number(b.q, true) << "}";
            }
            os << "]";
        }
        os << "},\n\"machineSettings\":{\"committed\":[" << hexBytes(machineC.data(), machine::kSize, true)
           << "],\"working\":[" << hexBytes(machineW.data(), machine::kSize, true) << "]},\n"
           << "\"remoteKeys\":[" << hexBytes(keys.data(), 16, true) << "],\n"
           << "\"currentMode\":" << mode << "}\n";
        return;
    }
    for (int i = 0; i < kSlotCount; ++i) os << slotName(i) << " = " << SlotValueText(st, i, false) << '\n';
    for (const EqInfo& e : kEqualisers) {
        const int bands = st.eqBands(e.eq);
        for (int k = 0; k < bands; ++k) {
            const EqBandValue b = readBand(st, e.eq, k);
            os << e.name << '.' << k << " = type " << b.type << ", " << b.freqHz << " Hz, "
               << format("%.1f dB, Q %.3f", b.gainDb, b.q) << '\n';
        }
    }
    os << "machine.committed = " << hexBytes(machineC.data(), machine::kSize, false) << '\n'
       << "machine.working = " << hexBytes(machineW.data(), machine::kSize, false) << '\n'
       << "remoteKeys = " << hexBytes(keys.data(), 16, false) << '\n'
       << "currentMode = " << modeName(mode) << '\n';
}

}  // namespace udare::cli
