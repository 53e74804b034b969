// A stand-in for the unit: a HidBackend with one interface that answers every
// report the way the real unit does, keeps its own parameters, image, modes,
// settings and remote table, and can play timing and failure behaviours.
// The link cannot tell it from the hardware; tests can look inside.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/hid_backend.h"
#include "protocol/machine_settings.h"
#include "protocol/report.h"
#include "sim/sim_options.h"

namespace udare::sim {

// Error code in b2 of a read reply for an address the unit does not have.
inline constexpr uint8_t kErrBadAddress = 0x11;
// DSP flash status codes the unit uses.
inline constexpr uint8_t kFlashOk = 0;
inline constexpr uint8_t kFlashVerifyWrite = 2;
inline constexpr uint8_t kFlashInvalidSector = 3;
inline constexpr uint32_t kFlashSectorSize = 0x10000;
inline constexpr uint32_t kFlashSectors = 32;
// Mode memory written by op::kWriteModeMemory (four modes at 0x1000 steps, mirrored at +0x4000).
inline constexpr int kModeMemorySize = 0x8000;

// One preset as the unit holds it: every parameter in wire form, the band
// coefficients and the equaliser image.
struct UnitSettings {
    // values[group][code] for scalar codes '0' (0x30) and up; up to 7 values each.
    std::array<std::array<std::array<uint32_t, 7>, 64>, 9> values{};
    // coeffs[group][band] for band codes 0-29: -a1, -a2, b0, b1, b2 as float bits.
    std::array<std::array<std::array<uint32_t, 5>, 30>, 9> coeffs{};
    std::vector<uint8_t> image;  // 959 bytes (889 used on protocol-1 units)
};

class VirtualUnit final : public HidBackend {
public:
    explicit VirtualUnit(const SimOptions& options = {});
    ~VirtualUnit() override;
    VirtualUnit(const VirtualUnit&) = delete;
    VirtualUnit& operator=(const VirtualUnit&) = delete;

    // HidBackend
    std::vector<HidInterfaceInfo> enumerate(bool* ok = nullptr) override;
    std::unique_ptr<HidDevice> open(const std::string& path) override;
    bool startMonitor(HotplugListener* listener) override;
    void stopMonitor() override;

    // Hot-plug, from any thread. The listener hears of it on the monitor's thread.
    void unplug();
    void replug();
    bool plugged() const;
    const std::string& path() const { return options_.path; }
    const SimOptions& options() const { return options_; }

    // While key k is being learned (after op::kLearnKey k), the unit answers
    // op::kLearnKey with the code and stops learning. Returns false when
    // nothing is being learned.
    // With the learn-ms option the unit presses key 0x40 + 0x1D k by itself.
    bool pressRemoteKey(uint8_t code);
    int learningKey() const;  // 0 when not learning

    // A change made on the unit's own front panel: the value is stored and the
    // unit reports op::kParamChanged unasked (the program then knows its
    // settings changed).
    void frontPanelEdit(int group, int code, const std::vector<uint32_t>& values);

    // Inspection and set-up for tests. All thread-safe.
    // The values last written to (group, code), count of them as asked.
    std::vector<uint32_t> wireValues(int group, int code, int count = 1) const;
    void setWireValues(int group, int code, const std::vector<uint32_t>& values);
    std::array<uint32_t, 5> coefficients(int group, int band) const;
    std::vector<uint8_t> image() const;  // the bytes that exist (959 or 889)
    void setImage(const std::vector<uint8_t>& bytes);
    UnitSettings current() const;
    UnitSettings storedMode(int n) const;
    UnitSettings factoryPreset(int n) const;
    int currentMode() const;
    std::array<uint8_t, machine::kSize> machineSettings() const;
    void setMachineSettings(const std::array<uint8_t, machine::kSize>& s);
    std::array<uint8_t, 16> remoteKeys() const;
    void setRemoteKeys(const std::array<uint8_t, 16>& t);
    std::array<uint8_t, 3> meterLevels() const;  // last levels reported
    bool upgradeMode() const;
    // MCU image as received by op::kMcuImageData reports, the head carried by
    // the end report, and whether the end report arrived.
    std::vector<uint8_t> mcuImage() const;
    std::array<uint8_t, 3> mcuImageHead() const;
    bool mcuImageEnded() const;
    int restarts() const;  // restarts after an MCU upgrade or a machine reset
    // DSP flash contents; sectors never erased still hold the old core.
    std::vector<uint8_t> dspFlash(uint32_t address, uint32_t length) const;
    std::vector<uint8_t> modeMemory() const;

    // Every report received, in order (the newest 262144 are kept).
    std::vector<HidReport> received() const;
    size_t receivedCount() const;  // all reports since start
    void clearReceived();
    // True once a read waits inside the unit for a report (false after ms):
    // what is done next reaches a blocked reader.
    bool waitForBlockedRead(int ms = 2000) const;

    struct Core;  // shared with the open devices

private:
    SimOptions options_;
    std::shared_ptr<Core> core_;
    std::thread events_;  // delivers hot-plug news and timed restarts
};

}  // namespace udare::sim
