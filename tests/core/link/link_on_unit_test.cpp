// The link's failure paths over the virtual unit, with the owner's usual
// reaction to hot-plug: connect on arrival, disconnect on removal of our path.
#include <gtest/gtest.h>

#include <atomic>

#include "link_fixture.h"
#include "sim/virtual_unit.h"

namespace udare::test {
namespace {

class LinkOnUnit : public ::testing::Test {
protected:
    void start(sim::SimOptions o, LinkTiming t = {150, 300, 20}) {
        unit = std::make_unique<sim::VirtualUnit>(o);
        link = std::make_unique<UsbLink>(*unit, st, log,
                                         LinkContext{notifier, prompter, SystemClock::instance()});
        link->setTimingForTest(t);
        blockedWriters.attach(*link);
        link->setHotplugHandler([this](bool arrived, const std::string& path) {
            if (arrived) {
                ++arrivals;
            } else if (link->IsOurDeviceRemoved(path)) {
                link->DisconnectDevice();
            }
        });
        ASSERT_EQ(link->ConnectDevice(), 1);
    }
    void TearDown() override { link.reset(); }
    int send(uint8_t cmd) {
        const uint8_t r[] = {kReportId, cmd};
        return link->WriteUsbData(r, sizeof r);
    }
    int logCount(const std::string& line) {
        std::lock_guard<std::mutex> l(log.m);
        return static_cast<int>(std::count(log.lines.begin(), log.lines.end(), line));
    }

    DeviceState st;
    RecordingLog log;
    RecordingNotifier notifier;
    RecordingPrompter prompter;
    std::atomic<int> arrivals{0};
    BlockedWriters blockedWriters;
    std::unique_ptr<sim::VirtualUnit> unit;
    std::unique_ptr<UsbLink> link;
};

TEST_F(LinkOnUnit, SilentUnitSlowsEachWriteToOneWait) {
    sim::SimOptions o;
    o.silent = true;
    start(o);
    const int64_t t0 = steadyMs();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(send(0x7F), kReportSize);
    const int64_t ms = steadyMs() - t0;
    EXPECT_GE(ms, 3 * 150 - 5);
    EXPECT_LT(ms, 3 * 150 + 500);
    EXPECT_EQ(unit->receivedCount(), 4u);
}

TEST_F(LinkOnUnit, ReadErrorRefusesWritesUntilReconnected) {
    sim::SimOptions o;
    o.readErrorAfter = 2;
    start(o);
    EXPECT_EQ(send(0x80), kReportSize);
    EXPECT_EQ(send(0x7F), kReportSize);
    ASSERT_TRUE(eventually([&] { return link->g_bReadThreadEnd.load() == 1; }));
    EXPECT_EQ(logCount("Read Usb Error will return !\n"), 1);
    EXPECT_EQ(send(0x81), 0);
    EXPECT_EQ(send(0x81), 0);
    EXPECT_EQ(logCount("g_bReadThreadEnd == TRUE ,WriteUsbData return \n"), 2);
    EXPECT_EQ(unit->receivedCount(), 2u);
}

TEST_F(LinkOnUnit, UnplugReleasesABlockedWriterAndReplugReconnects) {
    sim::SimOptions o;
    o.silent = true;
    start(o, {10000, 300, 20});
    ASSERT_EQ(send(0x80), kReportSize);
    std::atomic<int> result{-1};
    std::atomic<int64_t> took{-1};
    std::thread writer([&] {
        const int64_t t0 = steadyMs();
        result = send(0x7F);
        took = steadyMs() - t0;
    });
    EXPECT_TRUE(blockedWriters.reached(1));
    unit->unplug();
    writer.join();
    EXPECT_LT(took.load(), 2000);
    EXPECT_EQ(result.load(), 0);
    ASSERT_TRUE(eventually([&] { return link->connected.load() == 0; }));
    EXPECT_EQ(st.identity.meterLevels[0], 0);

    unit->replug();
    ASSERT_TRUE(eventually([&] { return arrivals.load() == 1; }));
    EXPECT_EQ(link->ConnectDevice(), 1);
    EXPECT_EQ(send(0x80), kReportSize);  // a fresh connection does not wait
}

}  // namespace
}  // namespace udare::test
