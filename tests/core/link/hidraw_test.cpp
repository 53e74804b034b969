// The hidraw layer without hardware: a FIFO stands in for the device node
// (open, poll, read and write behave alike), and the udev parts are run
// against whatever this machine has.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "link/hidraw_backend.h"
#include "link_fixture.h"

namespace udare::test {
namespace {

class HidrawFifo : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/udare-hidraw-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/hidraw0";
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        dev = HidrawDevice::open(path);
        ASSERT_NE(dev, nullptr);
    }
    void TearDown() override {
        dev.reset();
        unlink(path.c_str());
        rmdir(dir.c_str());
    }
    std::string dir, path;
    std::unique_ptr<HidrawDevice> dev;
};

TEST_F(HidrawFifo, WhatIsWrittenIsReadBackWhole) {
    HidReport r = fromHex("02 0E 01 02 03");
    r[60] = 0x5A;
    EXPECT_EQ(dev->write(r.data(), r.size()), kReportSize);
    uint8_t buf[65] = {};
    EXPECT_EQ(dev->read(buf, sizeof buf, 1000), kReportSize);
    EXPECT_TRUE(std::equal(r.begin(), r.end(), buf));
}

TEST_F(HidrawFifo, ReadTimesOutWithZero) {
    uint8_t buf[65];
    const int64_t t0 = steadyMs();
    EXPECT_EQ(dev->read(buf, sizeof buf, 50), 0);
    EXPECT_GE(steadyMs() - t0, 45);
}

TEST_F(HidrawFifo, CancelWakesABlockedReaderAtOnceAndForGood) {
    std::atomic<int> result{1};
    std::atomic<int64_t> took{-1};
    std::thread reader([&] {
        uint8_t buf[65];
        const int64_t t0 = steadyMs();
        result = dev->read(buf, sizeof buf, -1);
        took = steadyMs() - t0;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    dev->cancel();
    reader.join();
    EXPECT_EQ(result.load(), -1);
    EXPECT_LT(took.load(), 1000);
    uint8_t buf[65];
    EXPECT_EQ(dev->read(buf, sizeof buf, 1000), -1);
    // Writing is not affected.
    HidReport r = fromHex("02 8A");
    EXPECT_EQ(dev->write(r.data(), r.size()), kReportSize);
}

TEST_F(HidrawFifo, AttributesFailOnANodeThatIsNotHidraw) {
    uint16_t v = 1, p = 1;
    EXPECT_FALSE(dev->attributes(v, p));
}

TEST(Hidraw, OpeningAMissingNodeFails) {
    HidrawBackend backend;
    EXPECT_EQ(backend.open("/dev/hidraw-does-not-exist"), nullptr);
}

TEST(Hidraw, EnumerationListsOnlyHidrawNodesInOrder) {
    HidrawBackend backend;
    bool ok = false;
    auto list = backend.enumerate(&ok);
    if (!ok) GTEST_SKIP() << "no udev here";
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].path.rfind("/dev/hidraw", 0), 0u) << list[i].path;
        EXPECT_TRUE(backend.knownInterface(list[i].path, nullptr));
        if (i > 0) {
            EXPECT_LT(std::atoi(list[i - 1].path.c_str() + 11), std::atoi(list[i].path.c_str() + 11));
        }
    }
}

class NullListener : public HotplugListener {
public:
    void deviceArrived(const std::string&) override {}
    void deviceRemoved(const std::string&) override {}
};

TEST(Hidraw, MonitorStartsOnceAndStopsPromptly) {
    HidrawBackend backend;
    NullListener a, b;
    if (!backend.startMonitor(&a)) GTEST_SKIP() << "no udev monitor here";
    EXPECT_TRUE(backend.startMonitor(&b));  // already running: only the listener changes
    const int64_t t0 = steadyMs();
    backend.stopMonitor();
    EXPECT_LT(steadyMs() - t0, 1000);
    backend.stopMonitor();  // twice is harmless
    EXPECT_TRUE(backend.startMonitor(&a));  // and it can start again
}

// The link over the real backend finds no unit on a build machine; that is
// not an error, and nothing is left running.
TEST(Hidraw, LinkWithoutAUnitStaysDisconnected) {
    HidrawBackend backend;
    DeviceState st;
    RecordingLog log;
    RecordingNotifier notifier;
    RecordingPrompter prompter;
    UsbLink link(backend, st, log, LinkContext{notifier, prompter, SystemClock::instance()});
    bool ok = false;
    for (const auto& i : backend.enumerate(&ok))
        if (i.vendorId == UNIT_VENDOR_ID && i.productId == UNIT_PRODUCT_ID) GTEST_SKIP() << "a unit is here";
    EXPECT_EQ(link.ConnectDevice(), 0);
    EXPECT_EQ(link.connected.load(), 0);
}

}  // namespace
}  // namespace udare::test
