// The HID layer on Linux: hidraw device nodes found and watched through libudev.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "link/hid_backend.h"

namespace udare {

// One open /dev/hidrawN. The read and write paths share nothing mutable but
// the cancel flag, so a reader and a writer may run (and fail) at once.
class HidrawDevice final : public HidDevice {
public:
    // nullptr when the node cannot be opened (errno tells why).
    static std::unique_ptr<HidrawDevice> open(const std::string& path);
    ~HidrawDevice() override;
    HidrawDevice(const HidrawDevice&) = delete;
    HidrawDevice& operator=(const HidrawDevice&) = delete;

    int read(uint8_t* buf, size_t capacity, int timeoutMs) override;
    int write(const uint8_t* data, size_t len) override;
    // From HIDIOCGRAWINFO; where the node does not know that request
    // (ENOTTY, EINVAL), from the HID_ID of the hid device above it, which the
    // kernel takes from the same descriptor. Any other failure refuses.
    bool attributes(uint16_t& vendorId, uint16_t& productId) override;
    void cancel() override;

private:
    HidrawDevice(std::string path, int fd, int cancelFd)
        : path_(std::move(path)), fd_(fd), cancelFd_(cancelFd) {}
    const std::string path_;
    const int fd_;
    const int cancelFd_;  // eventfd written by cancel() to wake a blocked poll
    std::atomic<bool> cancelled_{false};
};

class HidrawBackend final : public HidBackend {
public:
    HidrawBackend() = default;
    ~HidrawBackend() override;  // stops the monitor
    HidrawBackend(const HidrawBackend&) = delete;
    HidrawBackend& operator=(const HidrawBackend&) = delete;

    // Every hidraw node, ordered by its number; ids and strings from the USB
    // device it belongs to (or from the HID device for other buses).
    std::vector<HidInterfaceInfo> enumerate(bool* ok = nullptr) override;
    std::unique_ptr<HidDevice> open(const std::string& path) override;
    // Starts the monitor thread once; later calls only change the listener.
    bool startMonitor(HotplugListener* listener) override;
    // Joins the monitor thread: no listener call after it returns. From a
    // listener it only asks the thread to end.
    void stopMonitor() override;

    // What arrival (or enumeration) told about a node; false if nothing known.
    bool knownInterface(const std::string& path, HidInterfaceInfo* out) const;

private:
    void monitorLoop(void* udevMonitor, int stopFd);
    void joinMonitor();  // under controlMutex_

    mutable std::mutex m_;
    HotplugListener* listener_ = nullptr;  // under m_
    std::map<std::string, HidInterfaceInfo> known_;  // under m_
    std::thread monitor_;
    std::atomic<std::thread::id> monitorId_{};
    std::atomic<bool> monitorEnded_{false};
    int stopFd_ = -1;
    void* udev_ = nullptr;     // the monitor thread's own udev context
    void* monitorHandle_ = nullptr;
    std::mutex controlMutex_;  // start and stop
};

}  // namespace udare
