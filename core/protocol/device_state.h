// The in-memory mirror of every parameter the unit holds.
//
// The read thread writes it while the UI and workers read it, so every field
// is an atomic of its natural width, accessed relaxed: the same whole-value
// writes the unit protocol relies on, and clean under ThreadSanitizer. The UI
// reads what a worker wrote only after the worker's completion message.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/equalisers.h"
#include "protocol/machine_settings.h"
#include "protocol/slots.h"

namespace udare {

// Fixed-size UTF-16 text written one unit at a time by the read thread.
template <int N>
class TextField {
public:
    static constexpr int kUnits = N;
    std::u16string get() const {
        std::u16string s;
        for (const auto& u : units_) {
            char16_t c = u.load(std::memory_order_relaxed);
            if (!c) break;
            s.push_back(c);
        }
        return s;
    }
    std::string utf8() const;  // for logs, CLI and comparisons
    void clear() {
        for (auto& u : units_) u.store(0, std::memory_order_relaxed);
    }
    // Clear, then copy until a zero byte or the field is full less its terminator.
    void setFromBytes(const uint8_t* bytes, int available) {
        clear();
        for (int i = 0; i < N - 1 && i < available && bytes[i]; ++i)
            units_[i].store(bytes[i], std::memory_order_relaxed);
    }
    void set(const std::u16string& s) {
        clear();
        for (int i = 0; i < N - 1 && i < static_cast<int>(s.size()); ++i)
            units_[i].store(s[i], std::memory_order_relaxed);
    }
    void setAscii(const char* s) {
        clear();
        for (int i = 0; i < N - 1 && s[i]; ++i)
            units_[i].store(static_cast<unsigned char>(s[i]), std::memory_order_relaxed);
    }

private:
    std::array<std::atomic<char16_t>, N> units_{};
};

template <int N>
class ByteBlock {
public:
    static constexpr int kSize = N;
    uint8_t operator[](int i) const { return bytes_[i].load(std::memory_order_relaxed); }
    void set(int i, uint8_t v) { bytes_[i].store(v, std::memory_order_relaxed); }
    void read(int offset, int n, uint8_t* out) const {
        for (int i = 0; i < n; ++i) out[i] = (*this)[offset + i];
    }
    void write(int offset, int n, const uint8_t* in) {
        for (int i = 0; i < n; ++i) set(offset + i, in[i]);
    }
    std::array<uint8_t, N> copy() const {
        std::array<uint8_t, N> a{};
        read(0, N, a.data());
        return a;
    }
    void assign(const std::array<uint8_t, N>& a) { write(0, N, a.data()); }
    void fill(uint8_t v) {
        for (auto& b : bytes_) b.store(v, std::memory_order_relaxed);
    }

private:
    std::array<std::atomic<uint8_t>, N> bytes_{};
};

using EqImage = ByteBlock<kImageSize>;
using MachineSettingsBytes = ByteBlock<machine::kSize>;
using RemoteKeyTable = ByteBlock<16>;

// 104 slots of 32 bits; each holds an int or a float bit pattern as listed in kSlots.
class ParamTable {
public:
    uint32_t bits(int i) const { return slots_[i].load(std::memory_order_relaxed); }
    void setBits(int i, uint32_t v) { slots_[i].store(v, std::memory_order_relaxed); }
    int32_t getInt(int i) const { return static_cast<int32_t>(bits(i)); }
    float getFloat(int i) const {
        uint32_t b = bits(i);
        float f;
        std::memcpy(&f, &b, 4);
        return f;
    }
    void setInt(int i, int32_t v) { setBits(i, static_cast<uint32_t>(v)); }
    void setFloat(int i, float f) {
        uint32_t b;
        std::memcpy(&b, &f, 4);
        setBits(i, b);
    }
    std::array<uint32_t, kSlotCount> copy() const {
        std::array<uint32_t, kSlotCount> a{};
        for (int i = 0; i < kSlotCount; ++i) a[i] = bits(i);
        return a;
    }
    void assign(const std::array<uint32_t, kSlotCount>& a) {
        for (int i = 0; i < kSlotCount; ++i) setBits(i, a[i]);
    }

private:
    std::array<std::atomic<uint32_t>, kSlotCount> slots_{};
};

struct DeviceIdentity {
    TextField<30> modelName;
    std::atomic<uint8_t> protocolVersion{2};
    TextField<11> mcuVersion;
    TextField<11> dspVersion;
    std::atomic<uint8_t> fwVersionHi{0xF1};
    std::atomic<uint8_t> fwVersionLo{0x88};
    std::atomic<int> extendedInfo{0};
    ByteBlock<3> meterLevels;
};

struct MachineSettings {
    MachineSettingsBytes committed;
    MachineSettingsBytes working;
};

// A band decoded to engineering units.
struct EqBandValue {
    float gainDb;
    int freqHz;
    float q;
    int type;
};

inline constexpr const char* kModeFileHeader = "Ver1.1.0";
inline constexpr const char* kExpectedModel = "Q9";
// The protocol version this program writes by its full rules; protocol-1
// units keep their link and are written by the protocol-1 rules.
inline constexpr int kExpectedProtocol = 2;
inline constexpr uint8_t kInitialRemoteKeys[16] = {0x01, 0xD8, 0x58, 0xB8, 0x38, 0x88,
                                                   0xE8, 0xC8, 0x98, 0xA8, 0xB0, 0x30,
                                                   0xD0, 0x18, 0x78, 0xF8};

class DeviceState {
public:
    DeviceState();  // reset + identity initialised
    DeviceState(const DeviceState&) = delete;
    DeviceState& operator=(const DeviceState&) = delete;

    ParamTable params;
    EqImage eqImage;
    DeviceIdentity identity;
    MachineSettings machine;
    RemoteKeyTable remoteKeys;
    std::atomic<int> currentMode{0};

    // Flags kept by the inbound dispatcher.
    std::atomic<int> settingsModified{0};
    std::atomic<int> paramErrorShown{0};

    int32_t slotInt(int i) const { return params.getInt(i); }
    float slotFloat(int i) const { return params.getFloat(i); }
    void setSlotInt(int i, int32_t v) { params.setInt(i, v); }
    void setSlotFloat(int i, float v) { params.setFloat(i, v); }

    int protocol() const { return identity.protocolVersion.load(std::memory_order_relaxed); }
    // Bytes of the image that travel as a whole: 889 on protocol-1 units, else 959.
    int imageSize() const { return protocol() == 1 ? kImageSizeProtocol1 : kImageSize; }
    // Sub sections that exist on this unit.
    int subSections() const { return groupBands(GROUP_SUB, protocol()); }
    // Bands of an equaliser that exist on this unit.
    int eqBands(Eq eq) const { return unitBands(eq, protocol()); }
    // Output delays exist from protocol 2 on.
    bool hasOutputDelays() const { return protocol() >= 2; }
};

// The one rule for whether the unit is ours: its model name is exactly the
// expected one, letter case significant. The protocol version is a separate matter.
bool IsOurModel(const DeviceState& st);

// Zero the slots and the image, then apply the start-up values.
void resetDeviceState(DeviceState& st);
// Remote keys, identity texts and mode to their start values; settings zeroed.
void initDeviceIdentity(DeviceState& st);

// Image offset of band k of an equaliser.
constexpr int bandOffset(Eq eq, int k) { return eqInfo(eq).base + kBandRecordSize * k; }

// The seven bytes of a band record from engineering units.
std::array<uint8_t, 7> encodeBandRecord(float gainDb, int freqHz, float q, int type);
std::array<uint8_t, 7> encodeBandCode(int gainCode, const BandCode& c);
// Decoding: gain = code/10 - 15, Q = code/1000 (double division, stored as float).
EqBandValue decodeBandRecord(const uint8_t rec[7]);

// All zero for a band the equaliser lacks.
EqBandValue readBand(const DeviceState& st, Eq eq, int k);
// Band k of a group; group 1 with k 0-14 is Mic1, 15-29 Mic2.
EqBandValue eqBand(const DeviceState& st, int group, int k);

// Plain copies for comparisons and snapshots.
struct StateSnapshot {
    std::array<uint32_t, kSlotCount> params{};
    std::array<uint8_t, kImageSize> image{};
    std::array<uint8_t, machine::kSize> machine{};
    std::array<uint8_t, 16> remoteKeys{};
    int currentMode = 0;
};
StateSnapshot snapshot(const DeviceState& st);

}  // namespace udare
