// A HID backend in memory for the link tests: interfaces with chosen ids, and
// devices that answer each write through a responder (by default an echo).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/hid_backend.h"
#include "protocol/report.h"

namespace udare::test {

// Replies to one written report; empty for a silent unit.
using Responder = std::function<std::vector<HidReport>(const HidReport&)>;

inline Responder echoResponder() {
    return [](const HidReport& r) { return std::vector<HidReport>{r}; };
}
inline Responder silentResponder() {
    return [](const HidReport&) { return std::vector<HidReport>{}; };
}

// State shared by a fake device and the test, alive as long as either.
struct FakeWire {
    std::mutex m;
    std::condition_variable cv;
    std::deque<HidReport> inbound;
    std::vector<HidReport> written;
    Responder responder = echoResponder();
    bool failReads = false;
    bool failWrites = false;
    bool cancelled = false;
    bool destroyed = false;
    int readsInProgress = 0;
    int readsTimedOut = 0;

    void push(const HidReport& r) {
        {
            std::lock_guard<std::mutex> l(m);
            inbound.push_back(r);
        }
        cv.notify_all();
    }
    void failNextReads() {
        {
            std::lock_guard<std::mutex> l(m);
            failReads = true;
        }
        cv.notify_all();
    }
    void setResponder(Responder r) {
        std::lock_guard<std::mutex> l(m);
        responder = std::move(r);
    }
    std::vector<HidReport> writtenReports() {
        std::lock_guard<std::mutex> l(m);
        return written;
    }
    size_t writtenCount() {
        std::lock_guard<std::mutex> l(m);
        return written.size();
    }
    // True once n reads in all have timed out with nothing to read (false after ms).
    bool waitForTimedOutReads(int n, int ms = 2000) {
        std::unique_lock<std::mutex> l(m);
        return cv.wait_for(l, std::chrono::milliseconds(ms), [&] { return readsTimedOut >= n; });
    }
    bool isDestroyed() {
        std::lock_guard<std::mutex> l(m);
        return destroyed;
    }
};

class FakeDevice final : public HidDevice {
public:
    FakeDevice(std::shared_ptr<FakeWire> w, uint16_t vid, uint16_t pid, bool attrsOk)
        : w_(std::move(w)), vid_(vid), pid_(pid), attrsOk_(attrsOk) {}
    ~FakeDevice() override {
        std::lock_guard<std::mutex> l(w_->m);
        // A read still running here would be a use after free.
        if (w_->readsInProgress) std::abort();
        w_->destroyed = true;
    }
    int read(uint8_t* buf, size_t capacity, int timeoutMs) override {
        std::unique_lock<std::mutex> l(w_->m);
        ++w_->readsInProgress;
        auto ready = [&] { return w_->cancelled || w_->failReads || !w_->inbound.empty(); };
        if (timeoutMs < 0)
            w_->cv.wait(l, ready);
        else
            w_->cv.wait_for(l, std::chrono::milliseconds(timeoutMs), ready);
        int n = 0;
        if (w_->cancelled || w_->failReads) {
            n = -1;
        } else if (!w_->inbound.empty()) {
            HidReport r = w_->inbound.front();
            w_->inbound.pop_front();
            n = static_cast<int>(std::min(capacity, r.size()));
            std::memcpy(buf, r.data(), static_cast<size_t>(n));
        } else {
            ++w_->readsTimedOut;
            w_->cv.notify_all();
        }
        --w_->readsInProgress;
        return n;
    }
    int write(const uint8_t* data, size_t len) override {
        HidReport r{};
        std::memcpy(r.data(), data, std::min(len, r.size()));
        Responder resp;
        {
            std::lock_guard<std::mutex> l(w_->m);
            if (w_->failWrites) return -1;
            w_->written.push_back(r);
            resp = w_->responder;
        }
        auto replies = resp ? resp(r) : std::vector<HidReport>{};
        {
            std::lock_guard<std::mutex> l(w_->m);
            for (auto& x : replies) w_->inbound.push_back(x);
        }
        w_->cv.notify_all();
        return static_cast<int>(len);
    }
    bool attributes(uint16_t& v, uint16_t& p) override {
        v = vid_;
        p = pid_;
        return attrsOk_;
    }
    void cancel() override {
        {
            std::lock_guard<std::mutex> l(w_->m);
            w_->cancelled = true;
        }
        w_->cv.notify_all();
    }

private:
    std::shared_ptr<FakeWire> w_;
    uint16_t vid_, pid_;
    bool attrsOk_;
};

class FakeBackend final : public HidBackend {
public:
    struct Iface {
        HidInterfaceInfo info;
        uint16_t vid = UNIT_VENDOR_ID, pid = UNIT_PRODUCT_ID;  // what the open device reports
        bool opens = true;
        bool attrsOk = true;
    };

    // Adds an interface; its info ids default to the device's ids.
    void add(const std::string& path, uint16_t vid = UNIT_VENDOR_ID, uint16_t pid = UNIT_PRODUCT_ID,
             const std::string& product = "Karaoke DSP") {
        Iface i;
        i.info.path = path;
        i.info.vendorId = vid;
        i.info.productId = pid;
        i.info.product = product;
        i.vid = vid;
        i.pid = pid;
        std::lock_guard<std::mutex> l(m);
        ifaces.push_back(i);
    }

    std::vector<HidInterfaceInfo> enumerate(bool* ok) override {
        std::lock_guard<std::mutex> l(m);
        ++enumerations;
        if (ok) *ok = enumerateOk;
        std::vector<HidInterfaceInfo> v;
        if (!enumerateOk) return v;
        for (auto& i : ifaces) v.push_back(i.info);
        return v;
    }
    std::unique_ptr<HidDevice> open(const std::string& path) override {
        std::lock_guard<std::mutex> l(m);
        opened.push_back(path);
        for (auto& i : ifaces) {
            if (i.info.path != path) continue;
            if (!i.opens) return nullptr;
            auto w = std::make_shared<FakeWire>();
            w->responder = responder;
            wires.push_back(w);
            lastWire = w;
            return std::make_unique<FakeDevice>(w, i.vid, i.pid, i.attrsOk);
        }
        return nullptr;
    }
    bool startMonitor(HotplugListener* l) override {
        std::lock_guard<std::mutex> g(m);
        ++monitorStarts;
        if (monitorOk) listener = l;
        return monitorOk;
    }
    void stopMonitor() override {
        std::lock_guard<std::mutex> g(m);
        ++monitorStops;
        listener = nullptr;
    }

    std::shared_ptr<FakeWire> wire() {
        std::lock_guard<std::mutex> l(m);
        return lastWire;
    }
    HotplugListener* currentListener() {
        std::lock_guard<std::mutex> l(m);
        return listener;
    }

    std::mutex m;
    std::vector<Iface> ifaces;
    std::vector<std::string> opened;
    std::vector<std::shared_ptr<FakeWire>> wires;
    std::shared_ptr<FakeWire> lastWire;
    Responder responder = echoResponder();  // given to every device opened from now on
    bool enumerateOk = true;
    bool monitorOk = true;
    int enumerations = 0;
    int monitorStarts = 0;
    int monitorStops = 0;
    HotplugListener* listener = nullptr;
};

}  // namespace udare::test
