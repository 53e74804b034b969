// The real link, dispatcher and write operations against the virtual unit.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "link/usb_link.h"
#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/device_state.h"
#include "sim/virtual_unit.h"
#include "test_support.h"

namespace udare::sim {
namespace {

using test::RecordingLog;
using test::RecordingNotifier;
using test::RecordingPrompter;

template <class Pred>
bool eventually(Pred pred, int ms = 3000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class LinkOverUnit : public ::testing::Test {
protected:
    explicit LinkOverUnit(const SimOptions& o = {}) : unit(o) {}
    void SetUp() override {
        link = std::make_unique<UsbLink>(unit, st, log,
                                         LinkContext{notifier, prompter, SystemClock::instance()});
        link->setHotplugHandler([this](bool arrived, const std::string& path) {
            std::lock_guard<std::mutex> l(m);
            hotplug.push_back((arrived ? "+" : "-") + path);
        });
        ASSERT_EQ(link->ConnectDevice(), 1);
    }
    void TearDown() override { link.reset(); }

    Ctx& ctx() { return link->context(); }
    // Waits until every report sent so far has been answered and dispatched.
    // A paced write passes only once the reply to the one before has been
    // dispatched, so after two more requests everything earlier is in.
    void settle() {
        SendBytes(ctx().out, {0x7F, -1});
        SendBytes(ctx().out, {0x7F, -1});
    }

    VirtualUnit unit;
    DeviceState st;
    RecordingLog log;
    RecordingNotifier notifier;
    RecordingPrompter prompter;
    std::mutex m;
    std::vector<std::string> hotplug;
    std::unique_ptr<UsbLink> link;
};

TEST_F(LinkOverUnit, IdentityAndTablesReachDeviceState) {
    std::array<uint8_t, 12> settings{1, 40, 30, 90, 80, 1, 0x10, 7, 8, 2, 11, 12};
    unit.setMachineSettings(settings);
    std::array<uint8_t, 16> keys{};
    for (int i = 0; i < 16; ++i) keys[i] = uint8_t(0xA0 + i);
    unit.setRemoteKeys(keys);
    st.identity.modelName.setAscii("none");
    st.identity.protocolVersion = 0;
    st.identity.mcuVersion.setAscii("x");
    st.identity.dspVersion.setAscii("y");

    for (int cmd : {0x80, 0x7F, 0x81, 0x7E, 0x07, 0x95, 0x92, 0x62}) SendBytes(ctx().out, {cmd, -1});
    settle();
    EXPECT_EQ(st.identity.modelName.utf8(), "Q9");
    EXPECT_EQ(st.identity.protocolVersion.load(), 2);
    EXPECT_EQ(st.identity.mcuVersion.utf8(), "2013-05-03");
    EXPECT_EQ(st.identity.dspVersion.utf8(), "2013-05-01");
    EXPECT_EQ(st.machine.committed.copy(), settings);
    EXPECT_EQ(st.machine.working.copy(), settings);
    EXPECT_EQ(st.remoteKeys.copy(), keys);
    EXPECT_TRUE(prompter.boxes.empty());
}

TEST_F(LinkOverUnit, ImageReadAndWriteThroughTheLink) {
    std::vector<uint8_t> pattern(kImageSize);
    for (int i = 0; i < kImageSize; ++i) pattern[i] = uint8_t(i * 13 + 1);
    unit.setImage(pattern);
    ReadEqImage(ctx());
    settle();
    auto got = st.eqImage.copy();
    EXPECT_EQ(std::vector<uint8_t>(got.begin(), got.end()), pattern);

    SetEqBand(ctx(), Eq::Mic2, 3, 1, 250, 6.0f, 2.0f);
    settle();
    got = st.eqImage.copy();
    EXPECT_EQ(unit.image(), std::vector<uint8_t>(got.begin(), got.end()));
    EXPECT_NE(unit.coefficients(GROUP_MIC, 18)[2], floatBits(1.0f));  // a real section now
    EXPECT_EQ(st.settingsModified.load(), 1);  // the unit acknowledged the write
}

TEST_F(LinkOverUnit, WriteOperationsLeaveTheirWireValuesInTheUnit) {
    SetMusicVolume(ctx(), 75);
    SetCompressor(ctx(), GROUP_REAR, -12.0f, 4.0f, 10.0f, 200.0f);
    SetMusicPitch(ctx(), 5);
    SetOutputDelay(ctx(), GROUP_MAIN, Side::Right, 10.0f);
    settle();
    EXPECT_EQ(unit.wireValues(4, '0', 2), (std::vector<uint32_t>{enc::percent(75), enc::percent(75)}));
    uint32_t block[7];
    enc::compressorBlock(-12.0f, 4.0f, 10.0f, 200.0f, block);
    EXPECT_EQ(unit.wireValues(6, '7', 7), std::vector<uint32_t>(block, block + 7));
    EXPECT_EQ(unit.wireValues(4, '9', 2), (std::vector<uint32_t>{508, 0x430CA528}));
    EXPECT_EQ(unit.wireValues(5, ':', 1), std::vector<uint32_t>{480});

    // And the read replies bring them back decoded.
    st.setSlotInt(slot::musicVolume, 0);
    st.setSlotInt(slot::musicPitch, 0);
    ReadParam(ctx().out, 4, '0', 2);
    ReadParam(ctx().out, 4, '8', 2);
    ReadParam(ctx().out, 6, '7', 7);
    settle();
    EXPECT_EQ(st.slotInt(slot::musicVolume), 75);
    EXPECT_EQ(st.slotInt(slot::musicPitch), 5);
    EXPECT_FLOAT_EQ(st.slotFloat(outputSlot(GROUP_REAR, COMP_RATIO)), 4.0f);
    EXPECT_FLOAT_EQ(st.slotFloat(outputSlot(GROUP_REAR, COMP_THRESHOLD)), -12.0f);
}

TEST_F(LinkOverUnit, RemoteKeyLearnedReachesTheView) {
    LearnRemoteKey(ctx(), 3);
    ASSERT_TRUE(eventually([&] { return unit.learningKey() == 3; }));
    ASSERT_TRUE(unit.pressRemoteKey(0x5A));
    ASSERT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> l(notifier.m);
        return !notifier.keys.empty();
    }));
    EXPECT_EQ(notifier.keys, std::vector<int>{0x5A});
    EXPECT_EQ(st.remoteKeys[3], 0x5A);
}

TEST_F(LinkOverUnit, FrontPanelChangeMarksTheSettingsModified) {
    st.settingsModified = 0;
    unit.frontPanelEdit(GROUP_MIC, '0', {enc::percent(64)});
    ASSERT_TRUE(eventually([&] { return st.settingsModified.load() == 1; }));
    ReadParam(ctx().out, GROUP_MIC, '0', 1);
    settle();
    EXPECT_EQ(st.slotInt(slot::micVolume), 64);
}

TEST_F(LinkOverUnit, ModeCommandsChangeWhatTheUnitReports) {
    int syncs = 0;
    LoadMode(ctx(), 2, [&] { ++syncs; });
    ReadParam(ctx().out, 1, '0', 1);
    RequestCurrentMode(ctx());
    settle();
    EXPECT_EQ(syncs, 1);
    EXPECT_EQ(st.slotInt(slot::micVolume), 70);
    EXPECT_EQ(st.currentMode.load(), 2);

    SetMicVolume(ctx(), 12);
    SaveMode(ctx(), 0);
    LoadMode(ctx(), 1, {});
    LoadMode(ctx(), 0, {});
    ReadParam(ctx().out, 1, '0', 1);
    settle();
    EXPECT_EQ(st.slotInt(slot::micVolume), 12);
}

TEST_F(LinkOverUnit, UnplugIsHeardWithThePathAndReplugArrives) {
    unit.unplug();
    ASSERT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> l(m);
        return !hotplug.empty();
    }));
    {
        std::lock_guard<std::mutex> l(m);
        EXPECT_EQ(hotplug[0], "-/dev/hidraw-virtual0");
    }
    EXPECT_TRUE(link->IsOurDeviceRemoved("/DEV/HIDRAW-VIRTUAL0"));
    EXPECT_EQ(link->DisconnectDevice(), 1);
    EXPECT_EQ(link->connected.load(), 0);

    unit.replug();
    ASSERT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> l(m);
        return hotplug.size() >= 2;
    }));
    EXPECT_EQ(link->ConnectDevice(), 1);
    SendBytes(ctx().out, {0x80, -1});
    settle();
    EXPECT_EQ(st.identity.modelName.utf8(), "Q9");
}

TEST_F(LinkOverUnit, CloseSendsTheClosingReport) {
    link->CloseDevice();
    auto rx = unit.received();
    ASSERT_FALSE(rx.empty());
    EXPECT_EQ(rx.back()[1], 0x8A);
}

class LinkOverUpgradingUnit : public LinkOverUnit {
protected:
    static SimOptions upgrading() {
        SimOptions o;
        o.upgradeMode = true;
        return o;
    }
    LinkOverUpgradingUnit() : LinkOverUnit(upgrading()) {}
};

TEST_F(LinkOverUpgradingUnit, LinkSeesUpgradeModeAndDropsParameterWrites) {
    EXPECT_EQ(link->upgradeMode.load(), 1);
    SetMicVolume(ctx(), 50);
    settle();
    for (const HidReport& r : unit.received()) EXPECT_NE(r[1], 0x09);
}

}  // namespace
}  // namespace udare::sim
