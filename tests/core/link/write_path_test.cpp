// The paced write path and the read thread.
#include <atomic>

#include "link_fixture.h"
#include "protocol/commands.h"

namespace udare::test {
namespace {

class WritePath : public LinkTest {
protected:
    void connectTo(Responder r) {
        backend.responder = std::move(r);
        backend.add("/dev/hidraw0");
        ASSERT_EQ(link->ConnectDevice(), 1);
        wire = backend.wire();
    }
    // Milliseconds one send takes.
    int64_t timedSend(uint8_t cmd) {
        const int64_t t0 = steadyMs();
        EXPECT_EQ(send(cmd), kReportSize);
        return steadyMs() - t0;
    }
    std::shared_ptr<FakeWire> wire;
};

TEST_F(WritePath, SilentUnitCostsOneWaitPerWriteAndNoMore) {
    connectTo(silentResponder());
    EXPECT_LT(timedSend(0x0E), 100);  // the event starts signalled
    for (int i = 0; i < 2; ++i) {
        int64_t ms = timedSend(0x0E);
        EXPECT_GE(ms, fast.writeReadyWaitMs - 5);
        EXPECT_LT(ms, fast.writeReadyWaitMs + 400);
    }
    EXPECT_EQ(wire->writtenCount(), 3u);  // sent anyway after each time-out
}

TEST_F(WritePath, SilentUnitReallyWaits1800Ms) {
    link->setTimingForTest(LinkTiming{});
    connectTo(silentResponder());
    EXPECT_LT(timedSend(0x0E), 500);
    int64_t ms = timedSend(0x0E);
    EXPECT_GE(ms, 1795);
    EXPECT_LT(ms, 2600);
}

TEST_F(WritePath, EachRequestWaitsForThePreviousReply) {
    link->setTimingForTest({5000, 300, 20});
    std::atomic<int> writes{0};
    std::atomic<int> outOfStep{0};
    connectTo([&](const HidReport& r) {
        // Every earlier reply has been dispatched before this write goes out.
        if (static_cast<int>(dispatchCount()) != writes.load()) ++outOfStep;
        ++writes;
        return std::vector<HidReport>{r};
    });
    const int64_t t0 = steadyMs();
    for (int i = 0; i < 50; ++i) ASSERT_EQ(send(0x0A), kReportSize);
    EXPECT_LT(steadyMs() - t0, 4000);  // released by replies, never by the 5 s wait
    EXPECT_EQ(outOfStep.load(), 0);
    EXPECT_TRUE(eventually([&] { return dispatchCount() == 50; }));
}

TEST_F(WritePath, ReportsAreZeroPaddedOrCutTo61Bytes) {
    connectTo(echoResponder());
    std::vector<uint8_t> longer(70, 0xAB);
    longer[0] = 0x02;
    EXPECT_EQ(link->WriteUsbData(longer.data(), longer.size()), kReportSize);
    const uint8_t three[] = {0x02, 0x07, 0x01};
    EXPECT_EQ(link->WriteUsbData(three, sizeof three), kReportSize);
    auto w = wire->writtenReports();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0][60], 0xAB);
    EXPECT_EQ(w[1], fromHex("02 07 01"));
}

TEST_F(WritePath, ParameterAndImageWritesAreDroppedDuringUpgrades) {
    connectTo(echoResponder());
    struct Case {
        int upgrade, dsp;
        uint8_t cmd;
        bool sent;
    } cases[] = {
        {0, 0, 0x09, true},  {0, 0, 0x85, true},  {1, 0, 0x09, false}, {1, 0, 0x85, false},
        {0, 1, 0x09, false}, {0, 1, 0x85, false}, {1, 0, 0x0E, true},  {0, 1, 0x0E, true},
        {0, 1, 0xDD, true},  {1, 1, 0x86, true},
    };
    for (const auto& c : cases) {
        link->upgradeMode = c.upgrade;
        link->dspUpgradeActive = c.dsp;
        const size_t before = wire->writtenCount();
        EXPECT_EQ(send(c.cmd), c.sent ? kReportSize : 0) << int(c.cmd);
        EXPECT_EQ(wire->writtenCount() - before, c.sent ? 1u : 0u) << int(c.cmd);
    }
}

TEST_F(WritePath, ReadErrorRefusesWritesUntilTheNextConnection) {
    connectTo(echoResponder());
    link->linkIdle = 1;
    wire->failNextReads();
    ASSERT_TRUE(eventually([&] { return link->g_bReadThreadEnd.load() == 1; }));
    EXPECT_EQ(link->linkIdle.load(), 0);
    EXPECT_EQ(link->connected.load(), 1);  // the removal completes the teardown
    EXPECT_EQ(logCount("Read Usb Error will return !\n"), 1);
    const size_t before = wire->writtenCount();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(send(0x0E), 0);
    EXPECT_EQ(logCount("g_bReadThreadEnd == TRUE ,WriteUsbData return \n"), 3);
    EXPECT_EQ(wire->writtenCount(), before);

    link->DisconnectDevice();
    ASSERT_EQ(link->ConnectDevice(), 1);
    EXPECT_EQ(link->g_bReadThreadEnd.load(), 0);
    EXPECT_EQ(send(0x0E), kReportSize);
}

TEST_F(WritePath, ReadErrorReleasesAWaitingWriter) {
    link->setTimingForTest({10000, 300, 20});
    connectTo(silentResponder());
    ASSERT_EQ(send(0x0E), kReportSize);
    std::atomic<int64_t> took{-1};
    std::thread writer([&] { took = timedSend(0x0E); });
    EXPECT_TRUE(writersBlocked(1));
    wire->failNextReads();
    writer.join();
    EXPECT_LT(took.load(), 2000);
}

TEST_F(WritePath, TeardownReleasesAWaitingWriterWithoutWriting) {
    link->setTimingForTest({10000, 300, 20});
    connectTo(silentResponder());
    ASSERT_EQ(send(0x0E), kReportSize);
    std::atomic<int> result{-1};
    std::atomic<int64_t> took{-1};
    std::thread writer([&] {
        const int64_t t0 = steadyMs();
        HidReport r = shortReport(0x0E);
        result = link->WriteUsbData(r.data(), 2);
        took = steadyMs() - t0;
    });
    EXPECT_TRUE(writersBlocked(1));
    link->DisconnectDevice();
    writer.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_LT(took.load(), 2000);
    EXPECT_EQ(wire->writtenCount(), 1u);
    EXPECT_TRUE(logged("usb数据写入失败"));  // a failed write, not a silent drop
}

TEST_F(WritePath, FailedWriteIsLoggedAndReturnsZero) {
    connectTo(echoResponder());
    {
        std::lock_guard<std::mutex> l(wire->m);
        wire->failWrites = true;
    }
    EXPECT_EQ(send(0x0E), 0);
    EXPECT_TRUE(logged("usb数据写入失败"));
}

TEST_F(WritePath, SignalWriteReadyReleasesAWaitingWriter) {
    link->setTimingForTest({10000, 300, 20});
    connectTo(silentResponder());
    ASSERT_EQ(send(0x60), kReportSize);
    std::atomic<int64_t> took{-1};
    std::thread writer([&] { took = timedSend(0x61); });
    EXPECT_TRUE(writersBlocked(1));
    link->SignalWriteReady();
    writer.join();
    EXPECT_LT(took.load(), 2000);
}

TEST_F(WritePath, GivingUpLearningSendsCancelWithoutWaitingForTheKey) {
    // The unit answers 0x60 only when a remote key is pressed.
    link->setTimingForTest({10000, 300, 20});
    connectTo(silentResponder());
    ASSERT_EQ(send(0x60), kReportSize);
    const auto start = std::chrono::steady_clock::now();
    GiveUpLearning(link->context());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(2000));
    EXPECT_EQ(wire->writtenCount(), 2u);
}

TEST_F(WritePath, ReadTimeoutsJustLoopAndUnknownReportsStillRelease) {
    connectTo(silentResponder());
    ASSERT_TRUE(wire->waitForTimedOutReads(3));
    EXPECT_EQ(link->g_bReadThreadEnd.load(), 0);
    EXPECT_FALSE(logged("Read Usb Error will return !\n"));
    ASSERT_EQ(send(0x0E), kReportSize);
    wire->push(fromHex("02 77 01"));  // nothing the protocol knows
    ASSERT_TRUE(eventually([&] { return dispatchCount() == 1; }));
    EXPECT_LT(timedSend(0x0E), fast.writeReadyWaitMs / 2);
}

TEST_F(WritePath, TraceSeesEverySentAndReceivedReport) {
    std::mutex m;
    std::vector<std::string> trace;
    link->setTrace(
        [&](const uint8_t* r, size_t n) {
            std::lock_guard<std::mutex> l(m);
            trace.push_back("> " + hexReport(r, n));
        },
        [&](const uint8_t* r, size_t n) {
            std::lock_guard<std::mutex> l(m);
            trace.push_back("< " + hexReport(r, n));
        });
    connectTo([](const HidReport&) { return std::vector<HidReport>{fromHex("02 7F 02")}; });
    ASSERT_EQ(send(0x7F), kReportSize);
    ASSERT_EQ(send(0x7F), kReportSize);  // waits for the first reply
    ASSERT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> l(m);
        return trace.size() == 4;
    }));
    std::lock_guard<std::mutex> l(m);
    EXPECT_EQ(trace[0], "> " + hexReport(fromHex("02 7F").data()));
    EXPECT_EQ(trace[1], "< " + hexReport(fromHex("02 7F 02").data()));
    EXPECT_EQ(trace[2][0], '>');
}

TEST_F(WritePath, ConcurrentWritersAreSerialisedWhole) {
    link->setTimingForTest({5000, 300, 20});
    connectTo(echoResponder());
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                HidReport r{};
                r[0] = 0x02;
                r[1] = 0x09;
                std::fill(r.begin() + 2, r.end(), static_cast<uint8_t>(t * 32 + i));
                if (link->WriteUsbData(r.data(), r.size()) != kReportSize) ++failures;
            }
        });
    for (auto& w : writers) w.join();
    EXPECT_EQ(failures.load(), 0);
    auto w = wire->writtenReports();
    ASSERT_EQ(w.size(), 100u);
    for (const auto& r : w)
        EXPECT_TRUE(std::all_of(r.begin() + 2, r.end(), [&](uint8_t b) { return b == r[2]; }));
}

// A reader held inside the dispatcher (a modal box, a synchronous message)
// outlives the teardown wait; its device must stay open until it returns, and
// it must not touch the next connection.
TEST_F(WritePath, ReaderStuckInDispatchIsWaitedForAndKeptApart) {
    std::mutex m;
    std::condition_variable cv;
    bool release = false, inside = false;
    link->setDispatcher([&](Ctx&, const uint8_t*, size_t) {
        std::unique_lock<std::mutex> l(m);
        inside = true;
        cv.notify_all();
        cv.wait(l, [&] { return release; });
    });
    link->setTimingForTest({300, 100, 20});
    connectTo(silentResponder());
    auto first = wire;
    first->push(fromHex("02 60 01 03 5A"));
    {
        std::unique_lock<std::mutex> l(m);
        ASSERT_TRUE(cv.wait_for(l, std::chrono::seconds(2), [&] { return inside; }));
    }
    EXPECT_EQ(link->DisconnectDevice(), 1);
    EXPECT_TRUE(logged("wait read thread exited time out !\n"));
    EXPECT_FALSE(first->isDestroyed());

    // A new connection while the old reader is still held.
    ASSERT_EQ(link->ConnectDevice(), 1);
    wire = backend.wire();
    ASSERT_NE(wire, first);
    EXPECT_EQ(send(0x0E), kReportSize);  // consumes the fresh event
    {
        std::lock_guard<std::mutex> l(m);
        release = true;
    }
    cv.notify_all();
    // The old reader's return must not release this connection's writer.
    EXPECT_GE(timedSend(0x0E), 290);
    link->DisconnectDevice();
    ASSERT_EQ(link->ConnectDevice(), 1);  // joins the old reader
    EXPECT_TRUE(first->isDestroyed());
}

}  // namespace
}  // namespace udare::test
