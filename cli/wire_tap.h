// Sits between the link and the HID layer: traces every report in both
// directions, counts replies, and notices a unit that has stopped answering.
// Tracing here rather than in the link puts each sent line before its reply,
// whatever the timing.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "link/hid_backend.h"
#include "protocol/report.h"

namespace udare::cli {

class WireTap {
public:
    explicit WireTap(int pacingMs = 1800) : pacingMs_(pacingMs) {}

    void setTrace(std::ostream* os);  // nullptr: no trace
    // From the closing report on, replies are no longer traced: whether one is
    // read before the link stops depends on timing, and a trace must not.
    void stopTracingReplies();

    // Called by the wrapped device.
    bool beforeWrite(const uint8_t* data, size_t len);  // false: refuse (unit silent)
    void afterRead(const uint8_t* data, size_t len);
    void beforeRead();
    void readFailed();

    // Waits until the last write has been answered and the answer dispatched
    // into the state, up to the pacing time after it; false when it was not.
    bool waitAnswered();
    // Replies seen with this command byte.
    uint64_t replies(uint8_t command) const;
    // Waits for the reply count of command to pass before, up to ms.
    bool waitReply(uint8_t command, uint64_t before, int ms);

    // Every report written while capturing (the restore check decodes them).
    void startCapture();
    std::vector<HidReport> stopCapture();

    bool silent() const { return silent_.load(); }
    // Gives up on the unit: later writes are refused and the read thread ends,
    // so closing does not wait for replies that will not come.
    void declareSilent();
    bool readBroken() const { return readBroken_.load(); }
    // A new connection to a unit that went away (not one declared silent).
    void reconnected();
    void setInner(HidDevice* d);  // the open device, to cancel once silent

private:
    int64_t now() const;

    const int pacingMs_;
    mutable std::mutex m_;
    std::condition_variable cv_;
    std::ostream* trace_ = nullptr;
    bool traceReplies_ = true;
    uint64_t writes_ = 0;
    uint64_t readUpTo_ = 0;        // writes followed by a reply read
    uint64_t dispatchedUpTo_ = 0;  // writes followed by a reply dispatched
    bool dispatching_ = false;   // a reply read, its dispatch not known to be over
    uint8_t lastReply_ = 0;
    int64_t lastWriteMs_ = 0;
    int missed_ = 0;             // writes in a row that found the previous one unanswered
    std::array<uint64_t, 256> replyCount_{};
    bool capturing_ = false;
    std::vector<HidReport> captured_;
    HidDevice* inner_ = nullptr;
    std::atomic<bool> silent_{false};
    std::atomic<bool> readBroken_{false};
};

// A HidBackend that wraps every opened device with the tap. With a device
// path given, enumeration shows only that interface.
class TappedBackend final : public HidBackend {
public:
    TappedBackend(std::unique_ptr<HidBackend> inner, WireTap& tap, std::string onlyPath = {});
    std::vector<HidInterfaceInfo> enumerate(bool* ok = nullptr) override;
    std::unique_ptr<HidDevice> open(const std::string& path) override;
    bool startMonitor(HotplugListener* listener) override { return inner_->startMonitor(listener); }
    void stopMonitor() override { inner_->stopMonitor(); }
    HidBackend& inner() { return *inner_; }

private:
    std::unique_ptr<HidBackend> inner_;
    WireTap& tap_;
    std::string onlyPath_;
};

}  // namespace udare::cli
