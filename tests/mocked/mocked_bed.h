// A mocked machine for the real hidraw path: umockdev builds the sysfs and
// udev tree of USB HID devices, each with a /dev/hidrawN node that is a PTY.
// A unit's PTY is bridged to a virtual unit, 61-byte reports each way, so
// HidrawBackend, UsbLink, udare-ctl and udare-tuner run unchanged on it.
//
// Only programs running under libumockdev-preload see the tree: this process
// (see ensurePreloaded) and the children it starts, which inherit
// UMOCKDEV_DIR and LD_PRELOAD.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "link/hid_backend.h"

namespace udare::sim {
class VirtualUnit;
}

namespace udare::mocked {

// Starts this program again under the preload unless it already runs so.
// Returns only when it does (or when the re-start failed: false).
bool ensurePreloaded(char** argv);

// One USB HID device with a hidraw node.
struct DeviceSpec {
    int number = 0;  // /dev/hidrawN, and where it sits in the tree
    uint16_t vendorId = UNIT_VENDOR_ID;
    uint16_t productId = UNIT_PRODUCT_ID;
    uint16_t bcdDevice = 0x0100;
    std::string manufacturer = "Karaoke Audio";
    std::string product = "Karaoke DSP";
    // Bridged to this unit (its path must be the node's), or a node nobody answers.
    sim::VirtualUnit* unit = nullptr;
};

class MockedBed {
public:
    MockedBed();   // an empty tree; ok() false when umockdev is not usable
    ~MockedBed();  // stops every bridge, removes the tree
    MockedBed(const MockedBed&) = delete;
    MockedBed& operator=(const MockedBed&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    static std::string nodePath(int number);

    // Adds the device (an "add" uevent goes out) and starts its bridge. A
    // number can be used once per bed: plug a returning unit under a new one.
    bool plug(const DeviceSpec& spec);
    // The node stops working under its reader (the kernel's hang-up when a
    // unit goes): reads and polls see POLLHUP. Nothing else changes.
    void hangUp(int number);
    // Unplugs the device: hang-up, "remove" uevent, tree and node gone.
    void unplug(int number);
    // Nobody but the bed may open the node any more.
    bool denyAccess(int number);
    // HIDIOCGRAWINFO on the node answers these ids (error 0) or fails with
    // error. The node then answers ioctls only: for identification alone.
    bool answerRawInfo(int number, int error, uint16_t vendorId = 0, uint16_t productId = 0);
    // Reports the program sent the unit through the node since it was plugged.
    int requests(int number) const;
    // True while a program has the node open. Once false, everything written
    // before the last close has reached the unit.
    bool inUse(int number) const;

    // udev's name for the hidraw device (sysfs path below /sys).
    static std::string hidrawSyspath(const DeviceSpec& spec);

private:
    struct Node;
    bool ok_ = false;
    std::string error_;
    void* testbed_ = nullptr;
    std::string root_;
    std::map<int, std::unique_ptr<Node>> nodes_;
    std::set<int> usedNumbers_;
    struct RawInfo;
    std::vector<std::unique_ptr<RawInfo>> rawInfos_;
};

}  // namespace udare::mocked
