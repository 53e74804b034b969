#include "wire_tap.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace udare::cli {

int64_t WireTap::now() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void WireTap::setTrace(std::ostream* os) {
    std::lock_guard<std::mutex> l(m_);
    trace_ = os;
}

void WireTap::stopTracingReplies() {
    std::lock_guard<std::mutex> l(m_);
    traceReplies_ = false;
}

void WireTap::setInner(HidDevice* d) {
    std::lock_guard<std::mutex> l(m_);
    inner_ = d;
}

bool WireTap::beforeWrite(const uint8_t* data, size_t len) {
    std::lock_guard<std::mutex> l(m_);
    if (silent_) return false;
    const int64_t t = now();
    // The link sends anyway once its pacing wait ran out. A write that finds
    // the previous one unanswered that long is a missed reply; two in a row
    // mean the unit has gone quiet (one alone may be a report it never answers).
    const bool unanswered = readUpTo_ < writes_;
    if (unanswered && t - lastWriteMs_ >= pacingMs_ - 100) ++missed_;
    else if (!unanswered) missed_ = 0;
    if (missed_ >= 2) {
        silent_ = true;
        if (inner_) inner_->cancel();  // ends the read thread; the link refuses writes
        cv_.notify_all();
        return false;
    }
    if (trace_) *trace_ << TraceLine(true, data, len) + '\n' << std::flush;
    if (capturing_) {
        HidReport r{};
        std::copy_n(data, std::min(len, r.size()), r.begin());
        captured_.push_back(r);
    }
    ++writes_;
    lastWriteMs_ = t;
    return true;
}

void WireTap::afterRead(const uint8_t* data, size_t len) {
    std::lock_guard<std::mutex> l(m_);
    if (trace_ && traceReplies_) *trace_ << TraceLine(false, data, len) + '\n' << std::flush;
    dispatching_ = true;
    readUpTo_ = writes_;  // a reply answers every write before it
    lastReply_ = len > 1 ? data[1] : 0;
}

void WireTap::beforeRead() {
    std::lock_guard<std::mutex> l(m_);
    // The reader is back for the next report: the previous one has been dispatched.
    if (!dispatching_) return;
    dispatching_ = false;
    dispatchedUpTo_ = readUpTo_;
    ++replyCount_[lastReply_];
    cv_.notify_all();
}

void WireTap::declareSilent() {
    std::lock_guard<std::mutex> l(m_);
    silent_ = true;
    if (inner_) inner_->cancel();
    cv_.notify_all();
}

void WireTap::reconnected() {
    std::lock_guard<std::mutex> l(m_);
    readBroken_ = false;
    dispatching_ = false;
    readUpTo_ = dispatchedUpTo_ = writes_;
    missed_ = 0;
}

void WireTap::readFailed() {
    std::lock_guard<std::mutex> l(m_);
    readBroken_ = true;
    cv_.notify_all();
}

bool WireTap::waitAnswered() {
    std::unique_lock<std::mutex> l(m_);
    for (;;) {
        if (dispatchedUpTo_ >= writes_) return true;
        if (silent_ || readBroken_) return false;
        const int64_t left = lastWriteMs_ + pacingMs_ - now();
        if (left <= 0) return false;
        cv_.wait_for(l, std::chrono::milliseconds(left));
    }
}

uint64_t WireTap::replies(uint8_t command) const {
    std::lock_guard<std::mutex> l(m_);
    return replyCount_[command];
}

bool WireTap::waitReply(uint8_t command, uint64_t before, int ms) {
    std::unique_lock<std::mutex> l(m_);
    return cv_.wait_for(l, std::chrono::milliseconds(ms), [&] {
        return replyCount_[command] > before || silent_ || readBroken_;
    }) && replyCount_[command] > before;
}

void WireTap::startCapture() {
    std::lock_guard<std::mutex> l(m_);
    captured_.clear();
    capturing_ = true;
}

std::vector<HidReport> WireTap::stopCapture() {
    std::lock_guard<std::mutex> l(m_);
    capturing_ = false;
    return std::move(captured_);
}

namespace {

class TappedDevice final : public HidDevice {
public:
    TappedDevice(std::unique_ptr<HidDevice> inner, WireTap& tap)
        : inner_(std::move(inner)), tap_(tap) {
        tap_.setInner(inner_.get());
    }
    ~TappedDevice() override { tap_.setInner(nullptr); }
    int read(uint8_t* buf, size_t capacity, int timeoutMs) override {
        tap_.beforeRead();
        int n = inner_->read(buf, capacity, timeoutMs);
        if (n > 0) tap_.afterRead(buf, static_cast<size_t>(n));
        else if (n < 0) tap_.readFailed();
        return n;
    }
    int write(const uint8_t* data, size_t len) override {
        if (!tap_.beforeWrite(data, len)) return -1;
        return inner_->write(data, len);
    }
    bool attributes(uint16_t& vendorId, uint16_t& productId) override {
        return inner_->attributes(vendorId, productId);
    }
    void cancel() override { inner_->cancel(); }

private:
    std::unique_ptr<HidDevice> inner_;
    WireTap& tap_;
};

// --device may name the interface through a link (a udev rule's name, say).
bool samePath(const std::string& asked, const std::string& found) {
    if (asked == found) return true;
    std::error_code e1, e2;
    const auto a = std::filesystem::weakly_canonical(asked, e1);
    const auto f = std::filesystem::weakly_canonical(found, e2);
    return !e1 && !e2 && a == f;
}

}  // namespace

TappedBackend::TappedBackend(std::unique_ptr<HidBackend> inner, WireTap& tap, std::string onlyPath)
    : inner_(std::move(inner)), tap_(tap), onlyPath_(std::move(onlyPath)) {}

std::vector<HidInterfaceInfo> TappedBackend::enumerate(bool* ok) {
    std::vector<HidInterfaceInfo> all = inner_->enumerate(ok);
    if (onlyPath_.empty()) return all;
    std::vector<HidInterfaceInfo> one;
    for (auto& i : all)
        if (samePath(onlyPath_, i.path)) one.push_back(i);
    return one;
}

std::unique_ptr<HidDevice> TappedBackend::open(const std::string& path) {
    if (!onlyPath_.empty() && !samePath(onlyPath_, path)) return nullptr;
    auto d = inner_->open(path);
    if (!d) return nullptr;
    return std::make_unique<TappedDevice>(std::move(d), tap_);
}

}  // namespace udare::cli
