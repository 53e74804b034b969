// The synchronisation and full-send sequences, alone and on worker threads
// over the virtual unit.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <utility>

#include "link/workers.h"
#include "link_fixture.h"
#include "protocol/codec.h"
#include "protocol/opcodes.h"
#include "sim/virtual_unit.h"

namespace udare::test {
namespace {

// (group, code) of each 0x09 / 0x0A report, consecutive repeats collapsed.
std::vector<std::pair<int, char>> addresses(const std::vector<HidReport>& reports, uint8_t cmd) {
    std::vector<std::pair<int, char>> v;
    for (const auto& r : reports) {
        if (r[1] != cmd) continue;
        std::pair<int, char> a{r[3], static_cast<char>(r[4])};
        if (v.empty() || v.back() != a) v.push_back(a);
    }
    return v;
}

std::vector<uint8_t> commands(const std::vector<HidReport>& reports) {
    std::vector<uint8_t> v;
    for (const auto& r : reports) v.push_back(r[1]);
    return v;
}

// The sequences on their own, against a recording sink that never answers.
class Sequences : public ::testing::Test {
protected:
    DeviceState st;
    RecordingSink sink;
    FakeClock clock;
    RecordingLog log;
    RecordingNotifier notifier;
    RecordingPrompter prompter;
    Ctx c{st, sink, clock, log, notifier, prompter};
};

TEST_F(Sequences, ReadAllAsksForEverythingInOrder) {
    st.settingsModified = 1;
    EXPECT_TRUE(ReadAll(c));
    auto cmds = commands(sink.reports);
    ASSERT_EQ(cmds.size(), 118u);
    EXPECT_EQ(std::vector<uint8_t>(cmds.begin(), cmds.begin() + 6),
              (std::vector<uint8_t>{0x80, 0x7F, 0x81, 0x07, 0x95, 0x7E}));
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), 0x0A), 92);
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), 0x86), 18);
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), 0x94), 0);
    EXPECT_EQ(cmds[116], 0x92);
    EXPECT_EQ(cmds[117], 0x62);
    EXPECT_EQ(st.settingsModified.load(), 0);
    EXPECT_EQ(clock.sleeps, std::vector<int>{200});

    // Spot checks of the parameter list: the counts and the protocol-2 delays.
    std::vector<std::array<int, 3>> reads;
    for (const auto& r : sink.reports)
        if (r[1] == 0x0A) reads.push_back({r[3], r[4], r[5]});
    EXPECT_EQ(reads.front(), (std::array<int, 3>{1, '0', 1}));
    EXPECT_EQ(reads[6], (std::array<int, 3>{1, '6', 1}));
    EXPECT_EQ(reads[7], (std::array<int, 3>{1, '8', 1}));  // '7' is never asked for
    EXPECT_EQ(reads[13], (std::array<int, 3>{1, '>', 1}));
    EXPECT_EQ(reads[15], (std::array<int, 3>{2, '1', 2}));
    EXPECT_EQ(reads[34], (std::array<int, 3>{3, '0', 1}));
    EXPECT_EQ(reads[79], (std::array<int, 3>{8, '7', 7}));
    EXPECT_EQ(reads[80], (std::array<int, 3>{5, '8', 1}));
    EXPECT_EQ(reads.back(), (std::array<int, 3>{8, '9', 1}));
}

TEST_F(Sequences, ReadAllStopsAfterTheIdentityOnAMismatch) {
    struct Case {
        const char* model;
        int protocol;
    } cases[] = {{"q9", 2}, {"Q9 ", 2}, {"", 2}, {"Q9", 1}, {"Q9", 3}};
    for (const auto& k : cases) {
        sink.clear();
        st.identity.modelName.setAscii(k.model);
        st.identity.protocolVersion = static_cast<uint8_t>(k.protocol);
        st.settingsModified = 1;
        EXPECT_FALSE(ReadAll(c)) << k.model << " " << k.protocol;
        EXPECT_EQ(commands(sink.reports), (std::vector<uint8_t>{0x80, 0x7F, 0x81}));
        EXPECT_EQ(st.settingsModified.load(), 1);
    }
}

TEST_F(Sequences, ExtendedInfoAddsTheExtendedRequest) {
    st.identity.extendedInfo = 1;
    ReadAll(c);
    auto cmds = commands(sink.reports);
    ASSERT_GE(cmds.size(), 7u);
    EXPECT_EQ(cmds[6], 0x94);
    EXPECT_EQ(cmds.size(), 119u);
}

TEST_F(Sequences, ReadAllEndsEarlyWhenStopped) {
    int asked = 0;
    st.settingsModified = 1;
    EXPECT_FALSE(ReadAll(c, [&] { return ++asked > 10; }));
    EXPECT_LT(sink.reports.size(), 20u);
    EXPECT_EQ(st.settingsModified.load(), 1);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(Sequences, SendAllParamsOrder) {
    EXPECT_TRUE(SendAllParams(c, false));
    using A = std::pair<int, char>;
    const std::vector<A> expected = {
        {1, '4'}, {1, '5'}, {4, '2'}, {2, '2'}, {3, '2'}, {5, '4'}, {6, '4'}, {7, '4'}, {8, '4'},
        {1, '1'}, {1, '2'}, {1, '3'},
        {1, '8'},  // fbcShift 0 counts as off: only the switch, then fbcOff itself
        {1, '9'}, {1, ':'}, {1, ';'}, {1, '<'}, {1, '='}, {1, '>'},
        {2, '0'}, {2, '1'}, {2, '3'}, {2, '4'},
        {3, '0'}, {3, '1'}, {3, '3'}, {3, '4'}, {3, '5'}, {3, '6'},
        {4, '1'},                                          // unmuted music fades in
        {4, '3'}, {4, '4'}, {4, '5'},
        {4, '6'}, {4, '7'}, {4, '6'}, {4, '7'}, {4, '8'}, {4, '9'},  // pitch 0 bypasses
        {5, '0'}, {5, '1'}, {5, '2'}, {5, '3'}, {5, '5'},
        {6, '0'}, {6, '1'}, {6, '2'}, {6, '3'}, {6, '5'},
        {7, '0'}, {7, '1'}, {7, '2'}, {7, '3'}, {7, '5'},
        {8, '0'}, {8, '1'}, {8, '2'}, {8, '3'}, {8, '5'},
        {2, '5'}, {2, '6'}, {2, '7'}, {2, '8'}, {2, '9'}, {2, ':'}, {2, ';'},
        {2, '<'}, {2, '='}, {2, '>'}, {2, '?'}, {2, '@'}, {2, 'A'}, {2, 'B'}, {2, 'C'},
        {5, '8'}, {5, ':'}, {6, '8'}, {6, ':'}, {7, '8'}, {8, '8'},
        {5, '9'}, {5, ';'}, {6, '9'}, {6, ';'}, {7, '9'}, {8, '9'},
        {5, '7'}, {6, '7'}, {7, '7'}, {8, '7'},
    };
    EXPECT_EQ(addresses(sink.reports, 0x09), expected);
    // Stereo pairs go with count 2.
    for (const auto& r : sink.reports) {
        const bool pair = (r[3] == 2 && r[4] == '1') || (r[3] == 4 && r[4] == '1') ||
                          ((r[3] == 5 || r[3] == 6) && r[4] == '5');
        if (pair) {
            EXPECT_EQ(r[5], 2) << int(r[3]) << r[4];
        }
    }
}

// Every slot the rows mark for the full send reaches the unit under its own
// code with its row's count; the others stay out of it.
TEST_F(Sequences, SendAllParamsSendsEachSlotAsItsRowSays) {
    st.setSlotInt(slot::fbcShift, 3);  // a switched-off shift sends only its switch
    for (bool fade : {false, true}) {
        SCOPED_TRACE(fade ? "with the fade" : "without the fade");
        sink.clear();
        ASSERT_TRUE(SendAllParams(c, fade));
        std::map<std::pair<int, char>, std::set<int>> counts;
        for (const auto& r : sink.reports)
            if (r[1] == op::kWriteParam) counts[{r[3], static_cast<char>(r[4])}].insert(r[5]);
        for (const SlotInfo& s : kSlots) {
            SCOPED_TRACE(slotName(s.index));
            const auto it = counts.find({s.group, s.code});
            const bool sent = s.send == Send::Value || s.send == Send::Operation ||
                              (s.send == Send::FadeOnly && fade);
            EXPECT_EQ(it != counts.end(), sent);
            if (it != counts.end()) {
                EXPECT_EQ(it->second, std::set<int>{s.count});
            }
        }
    }
}

TEST_F(Sequences, SendAllParamsFadeStartsWithBothVolumesAtZero) {
    st.setSlotInt(slot::micVolume, 85);
    st.setSlotInt(slot::musicVolume, 70);
    SendAllParams(c, true);
    auto a = addresses(sink.reports, 0x09);
    ASSERT_GE(a.size(), 3u);
    EXPECT_EQ(a[0], std::make_pair(1, '0'));
    EXPECT_EQ(a[1], std::make_pair(4, '0'));
    EXPECT_EQ(std::count(a.begin(), a.end(), std::make_pair(1, '0')), 1);
    EXPECT_EQ(sink.reports[0], fromHex("02 09 00 01 30 01 00 00 00 00"));
    EXPECT_EQ(sink.reports[1], fromHex("02 09 00 04 30 02 00 00 00 00 00 00 00 00"));
}

TEST_F(Sequences, SendAllParamsStoresTheTruncatedReverbTime) {
    st.setSlotFloat(slot::reverbTime, 42.7f);
    SendAllParams(c, false);
    EXPECT_EQ(st.slotFloat(slot::reverbTime), 42.0f);
}

TEST_F(Sequences, SendAllParamsOnAProtocol1UnitSendsNoDelays) {
    st.identity.protocolVersion = 1;
    SendAllParams(c, false);
    auto a = addresses(sink.reports, 0x09);
    for (char code : {'8', ':', '9', ';'})
        for (int g = 5; g <= 8; ++g) EXPECT_EQ(std::count(a.begin(), a.end(), std::make_pair(g, code)), 0);
}

// ---- workers over the virtual unit ----

class WorkersOnUnit : public ::testing::Test {
protected:
    void start(sim::SimOptions o = {}) {
        unit = std::make_unique<sim::VirtualUnit>(o);
        link = std::make_unique<UsbLink>(*unit, st, log, LinkContext{notifier, prompter, clock});
        link->setTimingForTest({200, 300, 20});
        link->setHotplugHandler([this](bool arrived, const std::string& path) {
            if (!arrived && link->IsOurDeviceRemoved(path)) link->DisconnectDevice();
        });
        ASSERT_EQ(link->ConnectDevice(), 1);
        workers = std::make_unique<Workers>(*link);
    }
    void TearDown() override {
        workers.reset();  // before the link
        link.reset();
    }
    std::vector<int> syncs() {
        std::lock_guard<std::mutex> l(notifier.m);
        return notifier.syncs;
    }
    bool finished() {
        return eventually([&] { return workers->running() == 0; }, 20000);
    }

    DeviceState st;
    FakeClock clock;  // the workers' waits; the link's pacing is real time
    RecordingLog log;
    RecordingNotifier notifier;
    RecordingPrompter prompter;
    std::unique_ptr<sim::VirtualUnit> unit;
    std::unique_ptr<UsbLink> link;
    std::unique_ptr<Workers> workers;
};

TEST_F(WorkersOnUnit, SynchronisationMirrorsTheUnit) {
    start();
    unit->setWireValues(1, '0', {floatBits(0.42f)});
    unit->setWireValues(5, '5', {floatBits(0.75f), floatBits(0.75f)});
    st.settingsModified = 1;
    st.identity.meterLevels.set(1, 5);
    workers->StartSynchronizeData();
    ASSERT_TRUE(finished());
    EXPECT_EQ(syncs(), std::vector<int>{0});
    EXPECT_EQ(st.slotInt(slot::micVolume), 42);
    EXPECT_EQ(st.slotInt(outputSlot(GROUP_MAIN, OUT_VOLUME)), 75);
    EXPECT_EQ(st.settingsModified.load(), 0);
    EXPECT_EQ(link->linkIdle.load(), 1);
    EXPECT_EQ(st.identity.meterLevels[1], 0);
    EXPECT_EQ(unit->receivedCount(), 118u);
    {
        std::lock_guard<std::mutex> l(log.m);
        EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), "Start thread:SynchronizeData\n"), 1);
    }
    // The waits went through the clock: 2500 at the start, 200 at the end.
    int64_t slept = 0;
    for (int ms : clock.sleeps) slept += ms;
    EXPECT_EQ(slept, 2700);
}

TEST_F(WorkersOnUnit, IdentityMismatchStopsAfterThreeRequests) {
    struct Case {
        const char* model;
        int protocol;
    } cases[] = {{"q9", 2}, {"Q9", 1}, {"K9", 2}};
    for (const auto& k : cases) {
        sim::SimOptions o;
        o.model = k.model;
        o.protocol = k.protocol;
        workers.reset();
        link.reset();
        start(o);
        workers->StartSynchronizeData();
        ASSERT_TRUE(finished());
        EXPECT_EQ(commands(unit->received()), (std::vector<uint8_t>{0x80, 0x7F, 0x81})) << k.model;
        EXPECT_EQ(st.identity.modelName.utf8(), k.model);
        st.identity.modelName.setAscii("Q9");
        st.identity.protocolVersion = 2;
    }
}

TEST_F(WorkersOnUnit, ExtendedRequestOnlyWhenTheUnitSaysSo) {
    for (int ext : {0, 1}) {
        sim::SimOptions o;
        o.extended = ext;
        workers.reset();
        link.reset();
        start(o);
        workers->StartSynchronizeData();
        ASSERT_TRUE(finished());
        auto cmds = commands(unit->received());
        EXPECT_EQ(std::count(cmds.begin(), cmds.end(), 0x94), ext) << ext;
    }
}

TEST_F(WorkersOnUnit, RemovalInTheMiddleOfASynchronisation) {
    sim::SimOptions o;
    o.removeAfter = 30;
    start(o);
    st.settingsModified = 1;
    const int64_t t0 = steadyMs();
    workers->StartSynchronizeData();
    ASSERT_TRUE(finished());
    EXPECT_LT(steadyMs() - t0, 3000);  // not one 1800 ms wait per remaining request
    EXPECT_EQ(syncs(), std::vector<int>{0});  // the view is released all the same
    EXPECT_TRUE(eventually([&] { return link->connected.load() == 0; }));
    EXPECT_EQ(st.settingsModified.load(), 1);  // nothing complete was read
    EXPECT_EQ(link->linkIdle.load(), 1);
    EXPECT_LE(unit->receivedCount(), 31u);
}

TEST_F(WorkersOnUnit, WriteAllWithoutFadeSendsNoVolumesThenReadsThemBack) {
    start();
    st.machine.committed.set(machine::kSaveMode, machine::kSaveByPower);
    st.setSlotInt(slot::micVolume, 33);
    st.settingsModified = 1;
    workers->StartWriteAllData();
    ASSERT_TRUE(finished());
    EXPECT_EQ(syncs(), std::vector<int>{1});
    auto got = unit->received();
    auto writes = addresses(got, 0x09);
    EXPECT_EQ(std::count(writes.begin(), writes.end(), std::make_pair(1, '0')), 0);
    EXPECT_EQ(std::count(writes.begin(), writes.end(), std::make_pair(4, '0')), 0);
    for (int g = 5; g <= 8; ++g)  // compressor bypass is never part of it
        EXPECT_EQ(std::count(writes.begin(), writes.end(), std::make_pair(g, '6')), 0);
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[got.size() - 2], fromHex("02 0A 00 01 30 01"));
    EXPECT_EQ(got.back(), fromHex("02 0A 00 04 30 02"));
    auto cmds = commands(got);
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), 0x85), 18);
    EXPECT_EQ(st.settingsModified.load(), 0);
    EXPECT_EQ(link->linkIdle.load(), 1);
    // The unit now holds the mirror's image.
    std::vector<uint8_t> image(kImageSize);
    st.eqImage.read(0, kImageSize, image.data());
    EXPECT_EQ(unit->image(), image);
}

TEST_F(WorkersOnUnit, WriteAllWithFadeRaisesTheVolumesAtTheEnd) {
    start();
    st.machine.committed.set(machine::kSaveMode, machine::kSaveByMode);
    st.setSlotInt(slot::micVolume, 85);
    st.setSlotInt(slot::musicVolume, 20);
    workers->StartWriteAllData();
    ASSERT_TRUE(finished());
    std::vector<int> mic;
    for (const auto& r : unit->received())
        if (r[1] == 0x09 && r[3] == 1 && r[4] == '0') {
            uint32_t b = (uint32_t(r[6]) << 24) | (uint32_t(r[7]) << 16) | (uint32_t(r[8]) << 8) | r[9];
            mic.push_back(dec::percent(bitsFloat(b)));
        }
    EXPECT_EQ(mic, (std::vector<int>{0, 80, 81, 82, 83, 84, 85}));
}

TEST_F(WorkersOnUnit, OwnerEndsARunningWorkerPromptly) {
    sim::SimOptions o;
    o.silent = true;  // every request waits the full pacing time
    start(o);
    workers->StartSynchronizeData();
    ASSERT_TRUE(eventually([&] { return unit->receivedCount() >= 2; }));
    const int64_t t0 = steadyMs();
    workers.reset();
    EXPECT_LT(steadyMs() - t0, 1000);
    EXPECT_TRUE(syncs().empty());  // nobody is left to tell
    EXPECT_LT(unit->receivedCount(), 10u);
}

TEST_F(WorkersOnUnit, ConcurrentWorkersBothFinish) {
    start();
    workers->StartSynchronizeData();
    workers->StartWriteAllData();
    ASSERT_TRUE(finished());
    auto s = syncs();
    std::sort(s.begin(), s.end());
    EXPECT_EQ(s, (std::vector<int>{0, 1}));
    EXPECT_EQ(link->linkIdle.load(), 1);
}

TEST_F(WorkersOnUnit, AnyJobReportsProgressAndACancelledOneSendsNoMore) {
    start();
    // A job that sends one request per step until it is told to stop.
    auto status = workers->run("Probe", [](UsbLink&, Ctx& c, const StopFn& stop, JobStatus& st) {
        for (int i = 0; !stop(); ++i) {
            req::CurrentMode(c.out);
            st.setProgress(std::min(i, 100));
            c.clock.sleepMs(10);
        }
    });
    ASSERT_TRUE(eventually([&] { return status->progress() >= 3; }));
    EXPECT_FALSE(status->finished());
    status->cancel();
    ASSERT_TRUE(eventually([&] { return status->finished(); }));
    const size_t sentWhenDone = unit->receivedCount();
    EXPECT_TRUE(finished());
    EXPECT_EQ(unit->receivedCount(), sentWhenDone);
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), "Start thread:Probe\n"), 1);
}

TEST_F(WorkersOnUnit, ModeCommandsStartASynchronisation) {
    start();
    LoadMode(link->context(), 2, workers->syncStarter());
    ASSERT_TRUE(finished());
    EXPECT_EQ(syncs(), std::vector<int>{0});
    EXPECT_EQ(unit->currentMode(), 2);
}

}  // namespace
}  // namespace udare::test
