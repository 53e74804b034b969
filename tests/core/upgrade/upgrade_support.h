// Files and a link over the virtual unit for the upgrade tests.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/usb_link.h"
#include "protocol/inbound.h"
#include "upgrade/upgrade_hooks.h"
#include "sim/virtual_unit.h"
#include "test_support.h"

namespace udare::test {

// A scratch directory removed with the test.
class TempDir {
public:
    TempDir() {
        auto base = std::filesystem::temp_directory_path() / "udare-upgrade-test-XXXXXX";
        std::string s = base.string();
        path_ = ::mkdtemp(s.data()) ? s : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::string p = file(name);
        std::FILE* f = std::fopen(p.c_str(), "wb");
        if (f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return p;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline std::vector<uint8_t> pattern(size_t n, uint8_t seed = 7) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 31 + seed + (i >> 8));
    return v;
}

// A cabinet with stored (uncompressed) members under exactly the names
// given, so that hostile names can be tried.
inline std::vector<uint8_t> makeCabinet(
    const std::vector<std::pair<std::string, std::vector<uint8_t>>>& members) {
    auto put16 = [](std::vector<uint8_t>& v, uint32_t x) {
        v.push_back(uint8_t(x));
        v.push_back(uint8_t(x >> 8));
    };
    auto put32 = [&](std::vector<uint8_t>& v, uint32_t x) {
        put16(v, x & 0xFFFF);
        put16(v, x >> 16);
    };
    std::vector<uint8_t> folder;  // every member, one after the other
    std::vector<uint8_t> files;
    for (const auto& [name, bytes] : members) {
        put32(files, uint32_t(bytes.size()));
        put32(files, uint32_t(folder.size()));
        put16(files, 0);       // folder 0
        put16(files, 0x5021);  // date
        put16(files, 0);       // time
        put16(files, 0x20);    // attributes
        files.insert(files.end(), name.begin(), name.end());
        files.push_back(0);
        folder.insert(folder.end(), bytes.begin(), bytes.end());
    }
    std::vector<uint8_t> data;  // CFDATA blocks of at most 32768 bytes, no checksum
    uint32_t blocks = 0;
    for (size_t at = 0; at < folder.size() || blocks == 0; at += 32768) {
        size_t n = std::min<size_t>(32768, folder.size() - at);
        put32(data, 0);
        put16(data, uint32_t(n));
        put16(data, uint32_t(n));
        data.insert(data.end(), folder.begin() + long(at), folder.begin() + long(at + n));
        ++blocks;
        if (n == 0) break;
    }
    const uint32_t headerSize = 36, folderSize = 8;
    const uint32_t filesAt = headerSize + folderSize;
    const uint32_t dataAt = filesAt + uint32_t(files.size());
    std::vector<uint8_t> cab = {'M', 'S', 'C', 'F'};
    put32(cab, 0);
    put32(cab, dataAt + uint32_t(data.size()));
    put32(cab, 0);
    put32(cab, filesAt);
    put32(cab, 0);
    cab.push_back(3);
    cab.push_back(1);
    put16(cab, 1);
    put16(cab, uint32_t(members.size()));
    put16(cab, 0);
    put16(cab, 0);
    put16(cab, 0);
    put32(cab, dataAt);
    put16(cab, blocks);
    put16(cab, 0);  // stored, no compression
    cab.insert(cab.end(), files.begin(), files.end());
    cab.insert(cab.end(), data.begin(), data.end());
    return cab;
}

template <class Pred>
bool eventually(Pred pred, int ms = 3000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Real time, with every wait a tenth as long: the upgrade waits only give the
// unit time to answer, which the virtual unit does at once.
class QuickClock final : public Clock {
public:
    void sleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::microseconds(ms * 100)); }
    int64_t nowMs() override { return SystemClock::instance().nowMs(); }
};

// Passes every report on, letting a test change one on its way.
class TamperingSink final : public ReportSink {
public:
    using Tamper = std::function<void(HidReport&)>;
    TamperingSink(ReportSink& next, Tamper t) : next_(next), tamper_(std::move(t)) {}
    int writeReport(const uint8_t* data, size_t len) override {
        HidReport r{};
        std::copy_n(data, std::min(len, size_t(kReportSize)), r.begin());
        tamper_(r);
        return next_.writeReport(r.data(), r.size());
    }

private:
    ReportSink& next_;
    Tamper tamper_;
};

// Counts the completion messages of the upgrade workers.
class UpgradeNotifier final : public RecordingNotifier {
public:
    void mcuUpgradeDone() override { ++mcuDone; }
    void dspUpgradeDone() override { ++dspDone; }
    std::atomic<int> mcuDone{0}, dspDone{0};
};

// A box that stays open until the test closes it (the first one only).
class HeldPrompter final : public RecordingPrompter {
public:
    Answer messageBox(std::string_view text, std::string_view caption, Icon icon,
                      Buttons buttons) override {
        RecordingPrompter::messageBox(text, caption, icon, buttons);
        std::unique_lock<std::mutex> l(holdM);
        if (!held) {
            held = true;
            open = true;
            holdCv.wait(l, [&] { return released; });
            open = false;
        }
        return Answer::Ok;
    }
    void release() {
        std::lock_guard<std::mutex> l(holdM);
        released = true;
        holdCv.notify_all();
    }
    std::atomic<bool> open{false};

private:
    std::mutex holdM;
    std::condition_variable holdCv;
    bool held = false, released = false;
};

// The link over a virtual unit with the upgrade hooks in place; follows the
// unit's removal and arrival as the view does (on the monitor's thread here).
class UnitRig {
public:
    explicit UnitRig(const sim::SimOptions& o = {}, Prompter* prompter = nullptr)
        : unit(o),
          link(unit, st, log,
               LinkContext{notifier, prompter ? *prompter : this->prompter, clock, &hooks}) {
        link.setHotplugHandler([this](bool arrived, const std::string&) {
            std::lock_guard<std::mutex> l(m);
            (arrived ? arrivals : removals)++;
            cv.notify_all();
        });
    }
    ~UnitRig() { link.DisconnectDevice(); }

    Ctx& ctx() { return link.context(); }
    // True when the link can no longer carry a transfer.
    bool lost() { return !link.connected.load() || link.g_bReadThreadEnd.load(); }
    // Waits for the n-th arrival, then reconnects as the view does.
    bool reconnectAfterArrival(int n, int ms = 3000) {
        std::unique_lock<std::mutex> l(m);
        if (!cv.wait_for(l, std::chrono::milliseconds(ms), [&] { return arrivals >= n; })) return false;
        l.unlock();
        link.DisconnectDevice();
        return link.ConnectDevice() == 1;
    }

    sim::VirtualUnit unit;
    QuickClock clock;
    DeviceState st;
    UpgradeHooks hooks;
    RecordingLog log;
    UpgradeNotifier notifier;
    RecordingPrompter prompter;
    UsbLink link;
    std::mutex m;
    std::condition_variable cv;
    int arrivals = 0, removals = 0;
};

}  // namespace udare::test
