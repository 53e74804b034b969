// The HID layer under the link: the hidraw devices of this machine, or the
// virtual unit. The link cannot tell them apart.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace udare {

inline constexpr uint16_t UNIT_VENDOR_ID = 0x2010;
inline constexpr uint16_t UNIT_PRODUCT_ID = 0x1031;

// One HID interface as enumeration reports it.
struct HidInterfaceInfo {
    std::string path;             // e.g. /dev/hidraw3; identifies the interface on removal
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t releaseNumber = 0;   // bcdDevice of the USB device
    std::string manufacturer;
    std::string product;          // USB product string
    bool active = true;
};

// A unit in firmware-upgrade mode names itself so in its USB product string:
// the rule is that the product string contains "Upgrade" (ASCII letters in any
// case). The link sets upgradeMode from it at every connection; the virtual
// unit presents its upgrade mode the same way.
inline bool isUpgradeModeInterface(const HidInterfaceInfo& info) {
    static constexpr char kWord[] = "upgrade";
    constexpr size_t n = sizeof(kWord) - 1;
    const std::string& p = info.product;
    for (size_t i = 0; i + n <= p.size(); ++i) {
        size_t k = 0;
        while (k < n) {
            char c = p[i + k];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != kWord[k]) break;
            ++k;
        }
        if (k == n) return true;
    }
    return false;
}

// An open interface. read() and write() may run on different threads at once;
// cancel() makes a blocked read return -1 at once and every later one too.
class HidDevice {
public:
    virtual ~HidDevice() = default;
    // Bytes read (>0), 0 on time-out, -1 on error or after cancel(). timeoutMs < 0 waits forever.
    virtual int read(uint8_t* buf, size_t capacity, int timeoutMs) = 0;
    // Bytes written, or -1.
    virtual int write(const uint8_t* data, size_t len) = 0;
    // Vendor and product id read from the open interface.
    virtual bool attributes(uint16_t& vendorId, uint16_t& productId) = 0;
    virtual void cancel() = 0;
};

// Arrival and removal, with the interface path; called on the monitor's own thread.
class HotplugListener {
public:
    virtual ~HotplugListener() = default;
    virtual void deviceArrived(const std::string& path) = 0;
    virtual void deviceRemoved(const std::string& path) = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;
    // Present HID interfaces, in a stable order; empty on failure (ok set false).
    virtual std::vector<HidInterfaceInfo> enumerate(bool* ok = nullptr) = 0;
    virtual std::unique_ptr<HidDevice> open(const std::string& path) = 0;
    // Start or stop telling listener about arrival and removal; true if watching.
    virtual bool startMonitor(HotplugListener* listener) = 0;
    virtual void stopMonitor() = 0;
};

}  // namespace udare
