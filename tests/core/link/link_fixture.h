// A UsbLink on the fake backend, with recording host objects.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <string>
#include <thread>

#include "fake_hid.h"
#include "link/usb_link.h"
#include "test_support.h"

namespace udare::test {

inline int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Polls until pred holds or ms pass.
template <class Pred>
bool eventually(Pred pred, int ms = 2000) {
    const int64_t end = steadyMs() + ms;
    while (!pred()) {
        if (steadyMs() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Counts the writers that blocked on a reply, so a test acts on a writer
// that really waits rather than sleeping first.
class BlockedWriters {
public:
    void attach(UsbLink& link) {
        link.setWriterWaitingHookForTest([this] {
            {
                std::lock_guard<std::mutex> l(m_);
                ++count_;
            }
            cv_.notify_all();
        });
    }
    // True once n writers in all have blocked (false after 2 s).
    bool reached(int n) {
        std::unique_lock<std::mutex> l(m_);
        return cv_.wait_for(l, std::chrono::seconds(2), [&] { return count_ >= n; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    int count_ = 0;
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override { makeLink(); }

    void makeLink() {
        link.reset();
        link = std::make_unique<UsbLink>(backend, st, log,
                                         LinkContext{notifier, prompter, SystemClock::instance()});
        link->setDispatcher([this](Ctx&, const uint8_t* r, size_t) {
            std::lock_guard<std::mutex> l(dispatchMutex);
            dispatched.push_back(r[1]);
        });
        link->setTimingForTest(fast);
        blockedWriters.attach(*link);
    }
    bool writersBlocked(int n) { return blockedWriters.reached(n); }

    int logCount(const std::string& line) {
        std::lock_guard<std::mutex> l(log.m);
        return static_cast<int>(std::count(log.lines.begin(), log.lines.end(), line));
    }
    bool logged(const std::string& line) { return logCount(line) > 0; }
    size_t dispatchCount() {
        std::lock_guard<std::mutex> l(dispatchMutex);
        return dispatched.size();
    }

    static HidReport shortReport(uint8_t cmd) {
        HidReport r{};
        r[0] = kReportId;
        r[1] = cmd;
        return r;
    }
    int send(uint8_t cmd) {
        HidReport r = shortReport(cmd);
        return link->WriteUsbData(r.data(), 2);
    }

    LinkTiming fast{200, 300, 20};
    FakeBackend backend;
    DeviceState st;
    RecordingLog log;
    RecordingNotifier notifier;
    RecordingPrompter prompter;
    std::mutex dispatchMutex;
    std::vector<uint8_t> dispatched;
    BlockedWriters blockedWriters;
    std::unique_ptr<UsbLink> link;  // last, so it goes first
};

}  // namespace udare::test
