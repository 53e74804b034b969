// The real device path end to end on a mocked machine: HidrawBackend's
// libudev enumeration and monitor, the hidraw node, UsbLink's reader and
// writer, udare-ctl and udare-tuner, with a virtual unit answering behind
// each node.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <linux/capability.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/hidraw_backend.h"
#include "link/usb_link.h"
#include "link/workers.h"
#include "mocked_bed.h"
#include "protocol/slots.h"
#include "sim/virtual_unit.h"
#include "test_support.h"

extern char** environ;

namespace udare::mocked {
namespace {

namespace fs = std::filesystem;
using test::FakeClock;
using test::RecordingLog;
using test::RecordingNotifier;
using test::RecordingPrompter;

int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

template <class Pred>
bool eventually(Pred pred, int ms = 5000) {
    const int64_t end = steadyMs() + ms;
    while (!pred()) {
        if (steadyMs() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// ---- programs run on the mocked machine ----

struct Ran {
    int status = -1;  // exit status, or -1 when killed or not started
    std::string out, err;
};

struct RunOptions {
    std::vector<std::string> env;  // extra NAME=VALUE
    bool withoutFileAccessOverride = false;  // root too is held to file permissions
    int timeoutMs = 30000;
    std::function<bool()> stopWhen;  // ends the program (SIGTERM) once true
};

// Runs a program with this process's environment (UMOCKDEV_DIR, LD_PRELOAD).
Ran run(const std::vector<std::string>& args, const RunOptions& o = {}) {
    Ran r;
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
    for (const auto& e : o.env) envStore.push_back(e);
    std::vector<char*> envp, argv;
    for (auto& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStore(args);
    for (auto& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) < 0 || ::pipe2(errPipe, O_CLOEXEC) < 0) return r;
    const bool dropDac = o.withoutFileAccessOverride && ::geteuid() == 0;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        ::close_range(3, ~0U, 0);  // the mocked nodes' masters stay with the bed
        if (dropDac && (::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE) < 0 ||
                        ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH) < 0))
            ::_exit(125);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (pid < 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return r;
    }
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    const int64_t end = steadyMs() + o.timeoutMs;
    bool killed = false;
    int open = 2;
    while (open > 0) {
        if (!killed && (steadyMs() > end || (o.stopWhen && o.stopWhen()))) {
            ::kill(pid, SIGTERM);
            killed = true;
        }
        if (::poll(fds, 2, 10) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buf[4096];
            ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    return r;
}

Ran ctl(const std::vector<std::string>& args, const RunOptions& o = {}) {
    std::vector<std::string> all{UDARE_CTL, "--lang", "en"};
    all.insert(all.end(), args.begin(), args.end());
    return run(all, o);
}

// ---- the machine ----

sim::SimOptions unitOptions(int number, sim::SimOptions o = {}) {
    o.path = MockedBed::nodePath(number);
    return o;
}

DeviceSpec unitSpec(int number, sim::VirtualUnit& unit) {
    DeviceSpec s;
    s.number = number;
    s.unit = &unit;
    if (unit.options().upgradeMode) s.product = "Karaoke DSP Upgrade";
    return s;
}

// A HID device on the same bus that is not a unit: the maker's other product.
DeviceSpec otherDevice(int number) {
    DeviceSpec s;
    s.number = number;
    s.productId = 0x1032;
    s.product = "Karaoke Microphone";
    return s;
}

class Mocked : public ::testing::Test {
protected:
    void SetUp() override {
        bed = std::make_unique<MockedBed>();
        ASSERT_TRUE(bed->ok()) << bed->error();
    }
    void TearDown() override { bed.reset(); }
    std::unique_ptr<MockedBed> bed;
};

// A link on the real backend, as the programs make it. Hot-plug news are
// queued and handled on the test's thread, as the view handles them on its own.
struct LinkRig {
    LinkRig() {
        link.setHotplugHandler([this](bool arrived, const std::string& path) {
            std::lock_guard<std::mutex> l(m);
            news.push_back({arrived, path});
            cv.notify_all();
        });
    }
    ~LinkRig() { workers.reset(); }
    // The next hot-plug news, or false after ms.
    bool nextNews(bool& arrived, std::string& path, int ms = 5000) {
        std::unique_lock<std::mutex> l(m);
        if (!cv.wait_for(l, std::chrono::milliseconds(ms), [&] { return !news.empty(); })) return false;
        arrived = news.front().first;
        path = news.front().second;
        news.pop_front();
        return true;
    }
    int syncsDone() {
        std::lock_guard<std::mutex> l(notifier.m);
        return static_cast<int>(notifier.syncs.size());
    }
    bool logged(const std::string& line) {
        std::lock_guard<std::mutex> l(log.m);
        return std::find(log.lines.begin(), log.lines.end(), line) != log.lines.end();
    }

    HidrawBackend backend;
    DeviceState st;
    RecordingLog log;
    RecordingNotifier notifier;
    RecordingPrompter prompter;
    FakeClock clock;  // the workers' fixed pauses pass at once; the link's waits are real
    UsbLink link{backend, st, log, LinkContext{notifier, prompter, clock}};
    std::unique_ptr<Workers> workers = std::make_unique<Workers>(link);
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::pair<bool, std::string>> news;
};

// Values a unit fresh from the factory does not hold, so that a mirror of
// start values cannot pass for a synchronised one.
void giveUnitItsOwnSettings(sim::VirtualUnit& unit) {
    std::vector<uint8_t> image = unit.image();
    for (size_t i = 0; i < image.size(); i += 7) image[i + 3] = static_cast<uint8_t>(0x20 + i % 50);
    unit.setImage(image);
    std::array<uint8_t, 12> ms = unit.machineSettings();
    ms[1] = 37;
    unit.setMachineSettings(ms);
    std::array<uint8_t, 16> keys{};
    for (size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<uint8_t>(0x41 + i);
    unit.setRemoteKeys(keys);
}

bool sameMirror(const DeviceState& a, const DeviceState& b) {
    for (int i = 0; i < kSlotCount; ++i)
        if (a.params.bits(i) != b.params.bits(i)) return false;
    return a.eqImage.copy() == b.eqImage.copy() && a.machine.committed.copy() == b.machine.committed.copy() &&
           a.remoteKeys.copy() == b.remoteKeys.copy() &&
           a.identity.modelName.utf8() == b.identity.modelName.utf8() &&
           a.identity.mcuVersion.utf8() == b.identity.mcuVersion.utf8();
}

// The last replies may still be on their way when a worker reports its end.
void expectSameMirror(const DeviceState& a, const DeviceState& b) {
    if (eventually([&] { return sameMirror(a, b); }, 2000)) return;
    for (int i = 0; i < kSlotCount; ++i) EXPECT_EQ(a.params.bits(i), b.params.bits(i)) << "slot " << i;
    EXPECT_EQ(a.eqImage.copy(), b.eqImage.copy());
    EXPECT_EQ(a.machine.committed.copy(), b.machine.committed.copy());
    EXPECT_EQ(a.remoteKeys.copy(), b.remoteKeys.copy());
    EXPECT_EQ(a.identity.modelName.utf8(), b.identity.modelName.utf8());
    EXPECT_EQ(a.identity.mcuVersion.utf8(), b.identity.mcuVersion.utf8());
}

// The same synchronisation over the virtual unit's own backend: what the
// mocked hidraw path must reproduce, report for report.
struct Reference {
    std::vector<HidReport> wire;
    DeviceState st;
};
void referenceSync(sim::VirtualUnit& unit, Reference& ref) {
    RecordingLog log;
    RecordingNotifier notifier;
    RecordingPrompter prompter;
    // Real time: its closing pause lets the last replies in before the link goes.
    UsbLink link(unit, ref.st, log, LinkContext{notifier, prompter, SystemClock::instance()});
    unit.clearReceived();
    ASSERT_EQ(link.ConnectDevice(), 1);
    ASSERT_TRUE(ReadAll(link.context()));
    ref.wire = unit.received();
    unit.clearReceived();
}

std::string hex(const HidReport& r) {
    std::string s;
    char b[4];
    for (uint8_t x : r) {
        std::snprintf(b, sizeof b, "%02X ", x);
        s += b;
    }
    return s;
}

// The last reports of a synchronisation need no reply, so the workers may be
// done before the node has handed them to the unit: give it a moment (a short
// wire still fails the comparison below).
void waitForWire(sim::VirtualUnit& unit, size_t n) {
    eventually([&] { return unit.received().size() >= n; }, 3000);
}

// Report for report; the first difference is named.
void expectSameWire(const std::vector<HidReport>& got, const std::vector<HidReport>& want) {
    const size_t n = std::min(got.size(), want.size());
    for (size_t i = 0; i < n; ++i)
        if (got[i] != want[i]) {
            ADD_FAILURE() << "report " << i << "\n got " << hex(got[i]) << "\nwant " << hex(want[i]);
            return;
        }
    EXPECT_EQ(got.size(), want.size());
}

// ---- enumeration ----

TEST_F(Mocked, EnumerationDescribesEachInterfaceAndTheLinkOpensOnlyTheUnit) {
    sim::VirtualUnit unit(unitOptions(1));
    ASSERT_TRUE(bed->plug(otherDevice(0))) << bed->error();
    DeviceSpec us = unitSpec(1, unit);
    us.bcdDevice = 0x0213;
    ASSERT_TRUE(bed->plug(us)) << bed->error();

    LinkRig rig;
    bool ok = false;
    std::vector<HidInterfaceInfo> list = rig.backend.enumerate(&ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].path, "/dev/hidraw0");
    EXPECT_EQ(list[0].vendorId, UNIT_VENDOR_ID);
    EXPECT_EQ(list[0].productId, 0x1032);
    EXPECT_EQ(list[0].product, "Karaoke Microphone");
    EXPECT_EQ(list[1].path, "/dev/hidraw1");
    EXPECT_EQ(list[1].vendorId, UNIT_VENDOR_ID);
    EXPECT_EQ(list[1].productId, UNIT_PRODUCT_ID);
    EXPECT_EQ(list[1].releaseNumber, 0x0213);
    EXPECT_EQ(list[1].manufacturer, "Karaoke Audio");
    EXPECT_EQ(list[1].product, "Karaoke DSP");

    // The nodes cannot answer HIDIOCGRAWINFO: their ids come from the hid
    // device above them, and the other product is opened and turned down.
    for (const auto& [number, product] : {std::pair{0, 0x1032}, std::pair{1, int(UNIT_PRODUCT_ID)}}) {
        auto dev = rig.backend.open(MockedBed::nodePath(number));
        ASSERT_NE(dev, nullptr);
        uint16_t v = 0, p = 0;
        ASSERT_TRUE(dev->attributes(v, p)) << number;
        EXPECT_EQ(v, UNIT_VENDOR_ID);
        EXPECT_EQ(p, product);
    }
    ASSERT_EQ(rig.link.ConnectDevice(), 1);
    EXPECT_EQ(rig.link.devicePath(), "/dev/hidraw1");
    EXPECT_TRUE(rig.logged("设备路径:\r\n/dev/hidraw0"));

    // udare-ctl lists the unit only.
    Ran r = ctl({"list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "/dev/hidraw1  2010:1031  Karaoke DSP\n");
}

// Where the node answers HIDIOCGRAWINFO its ids count; the HID_ID above it
// stands in only where the node does not know the request.
TEST_F(Mocked, IdsComeFromTheNodeAndFromHidIdOnlyWhereTheNodeDoesNotKnowTheRequest) {
    struct Case {
        const char* name;
        int error;
        bool identified;
        uint16_t productId;
    };
    const Case cases[] = {
        {"answered", 0, true, UNIT_PRODUCT_ID},  // the node's word, not HID_ID's 0x1032
        {"ENOTTY", ENOTTY, true, 0x1032},
        {"EINVAL", EINVAL, true, 0x1032},
        {"EIO", EIO, false, 0},
        {"EPERM", EPERM, false, 0},
    };
    HidrawBackend backend;
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(bed->plug(otherDevice(number)));
        ASSERT_TRUE(bed->answerRawInfo(number, c.error, UNIT_VENDOR_ID, UNIT_PRODUCT_ID)) << bed->error();
        auto dev = backend.open(MockedBed::nodePath(number));
        ASSERT_NE(dev, nullptr);
        uint16_t v = 0, p = 0;
        EXPECT_EQ(dev->attributes(v, p), c.identified);
        if (c.identified) {
            EXPECT_EQ(v, UNIT_VENDOR_ID);
            EXPECT_EQ(p, c.productId);
        }
        ++number;
    }
}

// ---- synchronisation ----

TEST_F(Mocked, FullSynchronisationSendsAndMirrorsWhatTheVirtualBackendDoes) {
    sim::VirtualUnit unit(unitOptions(0));
    giveUnitItsOwnSettings(unit);
    Reference ref;
    referenceSync(unit, ref);
    ASSERT_GT(ref.wire.size(), 100u);
    ASSERT_TRUE(bed->plug(unitSpec(0, unit)));

    LinkRig rig;
    ASSERT_EQ(rig.link.ConnectDevice(), 1);
    rig.workers->StartSynchronizeData();
    ASSERT_TRUE(eventually([&] { return rig.syncsDone() == 1; }, 20000));
    rig.workers->waitAll();
    EXPECT_EQ(rig.notifier.syncs, std::vector<int>{0});
    EXPECT_EQ(rig.st.settingsModified.load(), 0);
    waitForWire(unit, ref.wire.size());
    expectSameWire(unit.received(), ref.wire);
    expectSameMirror(rig.st, ref.st);
    EXPECT_FALSE(rig.logged("usb数据写入失败"));

    // The closing report goes through the node too.
    unit.clearReceived();
    rig.link.CloseDevice();
    ASSERT_TRUE(eventually([&] { return unit.received().size() == 1; }));
    EXPECT_EQ(unit.received()[0][1], 0x8A);
}

TEST_F(Mocked, BackupAndRestoreThroughUdareCtlLeaveTheUnitAsBackedUp) {
    sim::VirtualUnit unit(unitOptions(0));
    giveUnitItsOwnSettings(unit);
    ASSERT_TRUE(bed->plug(unitSpec(0, unit)));
    const fs::path dir = fs::path(::testing::TempDir()) / ("udare-mocked-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string saved = (dir / "saved.VXS").string();

    Ran backup = ctl({"backup", saved});
    ASSERT_EQ(backup.status, 0) << backup.err;
    const std::vector<uint8_t> imageBefore = unit.image();

    // Someone turns knobs on the unit.
    std::vector<uint8_t> image = imageBefore;
    for (size_t i = 3; i < image.size(); i += 7) image[i] ^= 0x11;
    unit.setImage(image);
    const SlotInfo& slot = kSlots[3];
    const std::vector<uint32_t> wasValues = unit.wireValues(slot.group, slot.code, 2);
    unit.setWireValues(slot.group, slot.code, {0x3F000000, 0x3F000000});

    Ran restore = ctl({"restore", saved});
    ASSERT_EQ(restore.status, 0) << restore.err;
    EXPECT_EQ(unit.image(), imageBefore);
    EXPECT_EQ(unit.wireValues(slot.group, slot.code, 1), std::vector<uint32_t>{wasValues[0]});

    fs::remove_all(dir);
}

// ---- plug and unplug ----

TEST_F(Mocked, RemovalDuringSynchronisationThenArrivalSynchronisesAfresh) {
    sim::VirtualUnit unit(unitOptions(0));
    giveUnitItsOwnSettings(unit);
    Reference ref;
    referenceSync(unit, ref);
    ASSERT_TRUE(bed->plug(unitSpec(0, unit)));

    LinkRig rig;
    ASSERT_EQ(rig.link.ConnectDevice(), 1);
    const uint64_t firstConnection = rig.link.connectionId();
    rig.workers->StartSynchronizeData();
    ASSERT_TRUE(eventually([&] { return bed->requests(0) >= 40; }));
    bed->unplug(0);

    bool arrived = true;
    std::string path;
    ASSERT_TRUE(rig.nextNews(arrived, path));
    EXPECT_FALSE(arrived);
    ASSERT_TRUE(rig.link.IsOurDeviceRemoved(path)) << path;
    EXPECT_EQ(rig.link.DisconnectDevice(), 1);
    EXPECT_FALSE(rig.logged("wait read thread exited time out !\n"));
    // The cut-short synchronisation still reports its end, and nothing hangs.
    ASSERT_TRUE(eventually([&] { return rig.syncsDone() == 1; }));
    rig.workers->waitAll();
    EXPECT_LT(unit.received().size(), ref.wire.size());

    // It comes back (as a new node: the kernel may give it another number).
    unit.clearReceived();
    ASSERT_TRUE(bed->plug(unitSpec(1, unit)));
    ASSERT_TRUE(rig.nextNews(arrived, path));
    EXPECT_TRUE(arrived);
    EXPECT_EQ(path, "/dev/hidraw1");
    ASSERT_EQ(rig.link.ConnectDevice(), 1);
    EXPECT_NE(rig.link.connectionId(), firstConnection);
    rig.workers->StartSynchronizeData();
    ASSERT_TRUE(eventually([&] { return rig.syncsDone() == 2; }, 20000));
    rig.workers->waitAll();
    waitForWire(unit, ref.wire.size());
    expectSameWire(unit.received(), ref.wire);
    expectSameMirror(rig.st, ref.st);
}

TEST_F(Mocked, TheNodeVanishingWakesTheReaderBlockedOnIt) {
    sim::VirtualUnit unit(unitOptions(0));
    ASSERT_TRUE(bed->plug(unitSpec(0, unit)));
    LinkRig rig;
    // The reader waits on the node with no time-out of its own.
    rig.link.setTimingForTest(LinkTiming{1800, 1000, -1});
    ASSERT_EQ(rig.link.ConnectDevice(), 1);
    const uint8_t ask[] = {kReportId, 0x80};
    ASSERT_EQ(rig.link.WriteUsbData(ask, sizeof ask), kReportSize);
    ASSERT_TRUE(eventually([&] { return !rig.st.identity.modelName.utf8().empty(); }));

    const int64_t t0 = steadyMs();
    bed->hangUp(0);
    ASSERT_TRUE(eventually([&] { return rig.link.g_bReadThreadEnd.load() == 1; }));
    EXPECT_LT(steadyMs() - t0, 1000);
    EXPECT_TRUE(rig.logged("Read Usb Error will return !\n"));
    EXPECT_EQ(rig.link.WriteUsbData(ask, sizeof ask), 0);
    EXPECT_TRUE(rig.logged("g_bReadThreadEnd == TRUE ,WriteUsbData return \n"));

    // Then the removal comes, and the teardown finds the reader gone.
    bed->unplug(0);
    bool arrived = true;
    std::string path;
    ASSERT_TRUE(rig.nextNews(arrived, path));
    EXPECT_FALSE(arrived);
    ASSERT_TRUE(rig.link.IsOurDeviceRemoved(path));
    EXPECT_EQ(rig.link.DisconnectDevice(), 1);
    EXPECT_EQ(rig.link.connected.load(), 0);
    EXPECT_FALSE(rig.logged("wait read thread exited time out !\n"));
}

// ---- what the unit says of itself ----

TEST_F(Mocked, UpgradeModeComesFromTheProductString) {
    struct Case {
        bool upgrade;
        int expectedMode;
    };
    int number = 0;
    for (const Case& c : {Case{false, 0}, Case{true, 1}}) {
        SCOPED_TRACE(c.upgrade ? "upgrade" : "normal");
        sim::SimOptions o;
        o.upgradeMode = c.upgrade;
        sim::VirtualUnit unit(unitOptions(number, o));
        ASSERT_TRUE(bed->plug(unitSpec(number, unit)));
        {
            LinkRig rig;
            ASSERT_EQ(rig.link.ConnectDevice(), 1);
            EXPECT_EQ(rig.link.upgradeMode.load(), c.expectedMode);
            // A parameter write is dropped in upgrade mode, and closing sends nothing.
            const uint8_t param[] = {kReportId, 0x09, 0x01, 0x30, 0x3F, 0x00, 0x00, 0x00};
            EXPECT_EQ(rig.link.WriteUsbData(param, sizeof param), c.upgrade ? 0 : kReportSize);
            rig.link.CloseDevice();
            ASSERT_TRUE(eventually([&] { return !bed->inUse(number); }));
            EXPECT_EQ(unit.received().size(), c.upgrade ? 0u : 2u);
        }
        bed->unplug(number++);
    }
}

// ---- choosing and failing to open ----

TEST_F(Mocked, DeviceChoosesOneOfTwoUnits) {
    sim::VirtualUnit first(unitOptions(0)), second(unitOptions(1));
    ASSERT_TRUE(bed->plug(unitSpec(0, first)));
    ASSERT_TRUE(bed->plug(unitSpec(1, second)));
    Ran list = ctl({"list"});
    EXPECT_EQ(list.out,
              "/dev/hidraw0  2010:1031  Karaoke DSP\n"
              "/dev/hidraw1  2010:1031  Karaoke DSP\n");

    struct Case {
        std::vector<std::string> args;
        int answers;  // which unit answers
    };
    for (const Case& c : {Case{{"info"}, 0}, Case{{"--device", "/dev/hidraw1", "info"}, 1},
                          Case{{"--device", "/dev/hidraw0", "info"}, 0}}) {
        SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : "no --device");
        first.clearReceived();
        second.clearReceived();
        Ran r = ctl(c.args);
        ASSERT_TRUE(eventually([&] { return !bed->inUse(0) && !bed->inUse(1); }));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("Q9"), std::string::npos) << r.out;
        EXPECT_EQ(!first.received().empty(), c.answers == 0);
        EXPECT_EQ(!second.received().empty(), c.answers == 1);
    }
}

TEST_F(Mocked, ANodeTheUserMayNotOpenIsNamedInTheError) {
    sim::VirtualUnit unit(unitOptions(0));
    ASSERT_TRUE(bed->plug(otherDevice(1)));  // not ours: its refusal is no news
    ASSERT_TRUE(bed->denyAccess(1));
    ASSERT_TRUE(bed->plug(unitSpec(0, unit)));
    ASSERT_TRUE(bed->denyAccess(0));
    RunOptions asUser;
    asUser.withoutFileAccessOverride = true;
    Ran r = ctl({"info"}, asUser);
    ASSERT_TRUE(eventually([&] { return !bed->inUse(0); }));
    if (r.status == 125) GTEST_SKIP() << "cannot give up the file-access override here";
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "udare-ctl: cannot open /dev/hidraw0: Permission denied\n"
                     "udare-ctl: the udev rule resources/70-udare.rules gives the logged-in user access "
                     "to the unit (see README)\n");
    EXPECT_TRUE(unit.received().empty());
}

// ---- the window ----

TEST_F(Mocked, TheWindowConnectsAndSynchronisesOnTheMockedUnit) {
    if (std::string(UDARE_TUNER).empty()) GTEST_SKIP() << "built without the window";
    sim::VirtualUnit unit(unitOptions(0));
    Reference ref;
    referenceSync(unit, ref);
    ASSERT_TRUE(bed->plug(unitSpec(0, unit)));
    const fs::path home = fs::path(::testing::TempDir()) / ("udare-tuner-" + std::to_string(::getpid()));
    fs::create_directories(home / "run");
    fs::permissions(home / "run", fs::perms::owner_all);
    RunOptions o;
    o.env = {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + (home / "run").string(),
             "XDG_CONFIG_HOME=" + (home / "config").string(), "HOME=" + home.string()};
    // Until the whole synchronisation has reached the unit.
    o.stopWhen = [&] { return unit.received().size() >= ref.wire.size(); };
    o.timeoutMs = 20000;
    Ran r = run({UDARE_TUNER, "--debug"}, o);
    std::vector<HidReport> wire = unit.received();
    ASSERT_GE(wire.size(), ref.wire.size()) << r.err;
    wire.resize(ref.wire.size());
    expectSameWire(wire, ref.wire);
    EXPECT_NE(r.err.find("连接目标设备成功!"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Read Usb Error"), std::string::npos) << r.err;
    fs::remove_all(home);
}

}  // namespace
}  // namespace udare::mocked

int main(int argc, char** argv) {
    if (!udare::mocked::ensurePreloaded(argv)) return 1;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
