// The virtual unit driven through the HID interface only: write a report,
// read what comes back.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "link/hid_backend.h"
#include "protocol/codec.h"
#include "protocol/device_state.h"
#include "sim/virtual_unit.h"

namespace udare::sim {
namespace {

HidReport req(std::initializer_list<int> bytes) {
    HidReport r{};
    r[0] = kReportId;
    size_t i = 1;
    for (int b : bytes) r[i++] = uint8_t(b);
    return r;
}

HidReport paramWrite(int group, int code, std::vector<uint32_t> vals) {
    HidReport r = req({0x09, 0, group, code, int(vals.size())});
    for (size_t k = 0; k < vals.size(); ++k) putBe32(r.data() + 6 + 4 * k, vals[k]);
    return r;
}

class Listener : public HotplugListener {
public:
    void deviceArrived(const std::string& p) override { push("+" + p); }
    void deviceRemoved(const std::string& p) override { push("-" + p); }
    std::vector<std::string> wait(size_t n) {
        std::unique_lock<std::mutex> l(m);
        cv.wait_for(l, std::chrono::seconds(3), [&] { return events.size() >= n; });
        return events;
    }

private:
    void push(std::string s) {
        std::lock_guard<std::mutex> l(m);
        events.push_back(std::move(s));
        cv.notify_all();
    }
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::string> events;
};

struct Bench {
    explicit Bench(const SimOptions& o = {}) : unit(o) { dev = unit.open(o.path); }
    bool send(const HidReport& r) { return dev->write(r.data(), r.size()) == kReportSize; }
    // The next report, or an all-zero report after the time-out.
    HidReport next(int timeoutMs = 1000) {
        HidReport r{};
        lastRead = dev->read(r.data(), r.size(), timeoutMs);
        return r;
    }
    HidReport ask(const HidReport& r) {
        EXPECT_TRUE(send(r));
        return next();
    }
    VirtualUnit unit;
    std::unique_ptr<HidDevice> dev;
    int lastRead = 0;
};

TEST(SimOptionsTest, ParsesEveryOption) {
    SimOptions o;
    std::string err;
    ASSERT_TRUE(parseSimOptions(
        " model=K8 , protocol=1,mcu=2020-01-01,dsp=2020-01-02,extended,fw=A1B2,latency-ms=3,"
        "frames,silent,remove-after=7,read-error-after=4,garbage,upgrade-mode,no-image,seed=9,"
        "learn-ms=5,path=/dev/x",
        o, &err))
        << err;
    EXPECT_EQ(o.model, "K8");
    EXPECT_EQ(o.protocol, 1);
    EXPECT_EQ(o.mcuVersion, "2020-01-01");
    EXPECT_EQ(o.dspVersion, "2020-01-02");
    EXPECT_EQ(o.extended, 1);
    EXPECT_EQ(o.fwVersionHi, 0xA1);
    EXPECT_EQ(o.fwVersionLo, 0xB2);
    EXPECT_EQ(o.latencyMs, 3);
    EXPECT_TRUE(o.frames && o.silent && o.garbage && o.upgradeMode && o.noImage);
    EXPECT_EQ(o.removeAfter, 7);
    EXPECT_EQ(o.readErrorAfter, 4);
    EXPECT_EQ(o.seed, 9u);
    EXPECT_EQ(o.learnMs, 5);
    EXPECT_EQ(o.path, "/dev/x");

    SimOptions d;
    ASSERT_TRUE(parseSimOptions("", d));
    EXPECT_EQ(d.model, "Q9");
    EXPECT_EQ(d.protocol, 2);
    EXPECT_EQ(d.readErrorAfter, -1);
    ASSERT_TRUE(parseSimOptions("read-error,extended=0", d));
    EXPECT_EQ(d.readErrorAfter, 0);
    EXPECT_EQ(d.extended, 0);
}

TEST(SimOptionsTest, RejectsBadOptionsAndKeepsTheOldValues) {
    struct Case {
        const char* text;
        const char* inMessage;
    } cases[] = {
        {"colour=red", "unknown simulator option \"colour\""},
        {"protocol", "needs a value"},
        {"protocol=0", "protocol"},
        {"protocol=two", "\"two\""},
        {"latency-ms=-1", "latency-ms"},
        {"latency-ms=5ms", "latency-ms"},
        {"silent=1", "takes no value"},
        {"remove-after=0", "remove-after"},
        {"fw=F1", "fw"},
        {"extended=2", "extended"},
        {"model=", "needs a value"},
        {"model=Q9,bogus", "\"bogus\""},
    };
    for (const Case& c : cases) {
        SimOptions o;
        o.latencyMs = 42;
        std::string err;
        EXPECT_FALSE(parseSimOptions(c.text, o, &err)) << c.text;
        EXPECT_NE(err.find(c.inMessage), std::string::npos) << c.text << ": " << err;
        EXPECT_EQ(o.latencyMs, 42) << c.text;
        EXPECT_EQ(o.model, "Q9") << c.text;
    }
}

TEST(VirtualUnitTest, EnumeratesAsTheUnit) {
    VirtualUnit unit;
    bool ok = false;
    auto list = unit.enumerate(&ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].path, "/dev/hidraw-virtual0");
    EXPECT_EQ(list[0].vendorId, UNIT_VENDOR_ID);
    EXPECT_EQ(list[0].productId, UNIT_PRODUCT_ID);
    EXPECT_FALSE(isUpgradeModeInterface(list[0]));
    EXPECT_EQ(unit.open("/dev/hidraw0"), nullptr);
    auto dev = unit.open(list[0].path);
    ASSERT_NE(dev, nullptr);
    uint16_t v = 0, p = 0;
    EXPECT_TRUE(dev->attributes(v, p));
    EXPECT_EQ(v, UNIT_VENDOR_ID);
    EXPECT_EQ(p, UNIT_PRODUCT_ID);

    SimOptions up;
    up.upgradeMode = true;
    VirtualUnit upgrading(up);
    EXPECT_TRUE(isUpgradeModeInterface(upgrading.enumerate()[0]));
}

TEST(VirtualUnitTest, RejectsMalformedWrites) {
    Bench b;
    HidReport r = req({0x80});
    EXPECT_EQ(b.dev->write(r.data(), 0), -1);
    uint8_t big[62] = {kReportId, 0x80};
    EXPECT_EQ(b.dev->write(big, sizeof big), -1);
    r[0] = 0x01;
    EXPECT_EQ(b.dev->write(r.data(), r.size()), -1);
    EXPECT_EQ(b.unit.receivedCount(), 0u);
    // A short report is taken zero-padded.
    uint8_t shortReq[2] = {kReportId, 0x7F};
    EXPECT_EQ(b.dev->write(shortReq, 2), 2);
    EXPECT_EQ(b.next()[2], 2);
}

TEST(VirtualUnitTest, IdentityAndTableReplies) {
    SimOptions o;
    o.extended = 1;
    Bench b(o);
    HidReport r = b.ask(req({0x80}));
    EXPECT_EQ(r[1], 0x80);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data() + 2)), "Q9");
    r = b.ask(req({0x7F}));
    EXPECT_EQ(r[1], 0x7F);
    EXPECT_EQ(r[2], 2);
    r = b.ask(req({0x81}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data() + 2)), "2013-05-03");
    r = b.ask(req({0x7E}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data() + 2)), "2013-05-01");
    r = b.ask(req({0x07}));
    EXPECT_EQ(r[1], 0x07);
    EXPECT_EQ(r[2], 0);
    r = b.ask(req({0x95}));
    EXPECT_EQ(r[1], 0x95);
    EXPECT_EQ(r[2], 1);
    EXPECT_EQ(b.ask(req({0x94}))[1], 0x94);
    r = b.ask(req({0x62}));
    EXPECT_EQ(r[1], 0x62);
    EXPECT_EQ(0, std::memcmp(r.data() + 2, kInitialRemoteKeys, 16));

    // Machine settings: written whole, read back whole.
    HidReport w = req({0x91, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    EXPECT_EQ(b.ask(w)[1], 0x91);
    r = b.ask(req({0x92}));
    EXPECT_EQ(r[1], 0x92);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(r[2 + i], i + 1);
    EXPECT_EQ(r[14], 0);

    // The remote table likewise.
    HidReport t = req({0x63});
    for (int i = 0; i < 16; ++i) t[2 + i] = uint8_t(0x10 + i);
    EXPECT_EQ(b.ask(t)[1], 0x63);
    EXPECT_EQ(b.unit.remoteKeys()[15], 0x1F);
}

TEST(VirtualUnitTest, ParameterReadsCarryTheStartValues) {
    Bench b;
    struct Case {
        int group, code, count;
        std::vector<uint32_t> values;
    } cases[] = {
        {1, '0', 1, {enc::percent(0)}},
        {1, '3', 1, {floatBits(1.0f)}},           // not muted
        {2, '1', 2, {floatBits(1.0f), floatBits(1.0f)}},
        {2, '5', 1, {10416}},                     // 217 ms
        {2, ';', 1, {72912}},                     // 1519 ms
        {2, '<', 1, {enc::floatPercent(60)}},
        {3, '2', 1, {0}},
        {4, '0', 2, {0, 0}},
        {4, '8', 2, {480, 0}},
        {4, '9', 2, {480, 0}},
        {5, '7', 7, {0, 0, 0, 0x41A00000, 0x3D4CCCCD, floatBits(1.0f), floatBits(1.0f)}},
        {8, '9', 1, {1}},                         // delay off travels inverted
        {6, ';', 1, {1}},
    };
    for (const Case& c : cases) {
        HidReport r = b.ask(req({0x0A, 0, c.group, c.code, c.count}));
        SCOPED_TRACE(testing::Message() << c.group << " '" << char(c.code) << "'");
        EXPECT_EQ(r[1], 0x0A);
        EXPECT_EQ(r[2], 0);
        EXPECT_EQ(r[3], c.group);
        EXPECT_EQ(r[4], c.code);
        EXPECT_EQ(r[5], c.count);
        for (int k = 0; k < c.count; ++k) EXPECT_EQ(getBe32(r.data() + 6 + 4 * k), c.values[k]) << k;
        EXPECT_EQ(r[6 + 4 * c.count], 0);
    }
}

TEST(VirtualUnitTest, UnknownAddressesAnswerWithAnErrorCode) {
    SimOptions o;
    o.protocol = 1;
    Bench b(o);
    for (auto [g, code] : {std::pair{9, '0'}, {0, '0'}, {1, 'Z'}, {3, '7'}, {5, '8'}, {8, 20}}) {
        HidReport r = b.ask(req({0x0A, 0, g, code, 1}));
        EXPECT_EQ(r[1], 0x0A);
        EXPECT_EQ(r[2], kErrBadAddress) << g << " " << code;
        EXPECT_EQ(r[3], g);
        EXPECT_EQ(r[4], code);
    }
}

TEST(VirtualUnitTest, ParameterWritesAreAcknowledgedAndKept) {
    Bench b;
    HidReport w = paramWrite(4, '0', {enc::percent(75), enc::percent(75)});
    HidReport ack = b.ask(w);
    EXPECT_EQ(ack[1], 0x09);
    EXPECT_EQ(b.unit.wireValues(4, '0', 2), (std::vector<uint32_t>{enc::percent(75), enc::percent(75)}));
    HidReport r = b.ask(req({0x0A, 0, 4, '0', 2}));
    EXPECT_EQ(getBe32(r.data() + 6), enc::percent(75));
    EXPECT_EQ(getBe32(r.data() + 10), enc::percent(75));

    // A band's five coefficients are kept per group and band, apart from scalars.
    std::vector<uint32_t> co = {1, 2, 3, 4, 5};
    EXPECT_EQ(b.ask(paramWrite(1, 15, co))[1], 0x09);
    EXPECT_EQ(b.unit.coefficients(1, 15), (std::array<uint32_t, 5>{1, 2, 3, 4, 5}));
    EXPECT_EQ(b.unit.coefficients(2, 15)[0], 0u);
    r = b.ask(req({0x0A, 0, 1, 15, 5}));
    EXPECT_EQ(r[2], 0);
    EXPECT_EQ(getBe32(r.data() + 6 + 16), 5u);
}

TEST(VirtualUnitTest, ImagePiecesRoundTrip) {
    Bench b;
    DeviceState st;
    auto start = st.eqImage.copy();
    EXPECT_EQ(b.unit.image(), std::vector<uint8_t>(start.begin(), start.end()));

    HidReport r = b.ask(req({0x86, 0x03, 0xB8, 7}));  // offset 952, the last piece
    EXPECT_EQ(r[1], 0x86);
    EXPECT_EQ(r[2], 0x03);
    EXPECT_EQ(r[3], 0xB8);
    EXPECT_EQ(r[4], 7);
    EXPECT_EQ(0, std::memcmp(r.data() + 5, start.data() + 952, 7));
    EXPECT_EQ(r[12], 0);

    HidReport w = req({0x85, 0x00, 0x38, 7, 0x00, 0xB4, 0x03, 0xE8, 0x05, 0x82, 0x01});
    EXPECT_EQ(b.ask(w)[1], 0x85);
    r = b.ask(req({0x86, 0x00, 0x38, 7}));
    EXPECT_EQ(0, std::memcmp(r.data() + 5, w.data() + 5, 7));

    // Past the end the unit gives what exists: nothing at 959, a cut piece at 950.
    EXPECT_EQ(b.ask(req({0x86, 0x03, 0xBF, 56}))[4], 0);
    EXPECT_EQ(b.ask(req({0x86, 0x03, 0xB6, 56}))[4], 9);
}

TEST(VirtualUnitTest, ProtocolOneUnitHasTheShortImage) {
    SimOptions o;
    o.protocol = 1;
    Bench b(o);
    EXPECT_EQ(b.unit.image().size(), size_t(kImageSizeProtocol1));
    EXPECT_EQ(b.ask(req({0x7F}))[2], 1);
    EXPECT_EQ(b.ask(req({0x86, 0x03, 0x48, 56}))[4], 49);  // offset 840
    EXPECT_EQ(b.ask(req({0x86, 0x03, 0x79, 7}))[4], 0);    // offset 889
}

TEST(VirtualUnitTest, UnitWithoutImageAnswersFFFF) {
    SimOptions o;
    o.noImage = true;
    Bench b(o);
    HidReport r = b.ask(req({0x86, 0, 0, 56}));
    EXPECT_EQ(r[5], 0xFF);
    EXPECT_EQ(r[6], 0xFF);
    // Once the program writes an image the unit has one.
    EXPECT_EQ(b.ask(req({0x85, 0, 0, 2, 0x00, 0x96}))[1], 0x85);
    r = b.ask(req({0x86, 0, 0, 2}));
    EXPECT_EQ(r[5], 0x00);
    EXPECT_EQ(r[6], 0x96);

    // Loading a mode brings that mode's image.
    Bench c(o);
    c.ask(req({0x05, 1}));
    r = c.ask(req({0x86, 0, 56, 7}));
    EXPECT_EQ(r[5], 0x00);
    EXPECT_EQ(r[6], 180);  // Mic1 band 8 of the factory preset
}

TEST(VirtualUnitTest, ModesStoreLoadAndReset) {
    Bench b;
    auto micVolume = [&] { return getBe32(b.ask(req({0x0A, 0, 1, '0', 1})).data() + 6); };
    EXPECT_EQ(micVolume(), enc::percent(0));

    b.ask(req({0x05, 2}));  // load M3: the factory preset
    EXPECT_EQ(b.unit.currentMode(), 2);
    EXPECT_EQ(micVolume(), enc::percent(70));
    EXPECT_EQ(b.ask(req({0x07}))[2], 2);
    EXPECT_EQ(b.unit.image()[57], 180);  // Mic1 band 8 at +3 dB

    b.ask(paramWrite(1, '0', {enc::percent(33)}));
    b.ask(req({0x04, 1}));  // store as M2
    EXPECT_EQ(b.unit.currentMode(), 1);
    b.ask(req({0x05, 0}));
    EXPECT_EQ(micVolume(), enc::percent(50));
    b.ask(req({0x05, 1}));
    EXPECT_EQ(micVolume(), enc::percent(33));

    b.ask(req({0x06, 1}));  // reset M2 to the factory preset, and make it current
    EXPECT_EQ(micVolume(), enc::percent(60));
    EXPECT_EQ(b.unit.storedMode(1).values[1][0][0], enc::percent(60));

    // Select, then store: 0x03 n then 0x04 n.
    b.ask(paramWrite(1, '0', {enc::percent(44)}));
    EXPECT_EQ(b.ask(req({0x03, 3}))[1], 0x03);
    EXPECT_EQ(b.unit.currentMode(), 3);
    b.ask(req({0x04, 3}));
    EXPECT_EQ(b.unit.storedMode(3).values[1][0][0], enc::percent(44));

    // Out-of-range modes change nothing but are still answered.
    EXPECT_EQ(b.ask(req({0x05, 9}))[1], 0x05);
    EXPECT_EQ(b.unit.currentMode(), 3);
}

TEST(VirtualUnitTest, RemoteLearningAnswersOnKeyPress) {
    Bench b;
    EXPECT_FALSE(b.unit.pressRemoteKey(0x5A));
    ASSERT_TRUE(b.send(req({0x60, 3})));
    b.next(50);
    EXPECT_EQ(b.lastRead, 0);  // nothing until a key is pressed
    EXPECT_EQ(b.unit.learningKey(), 3);
    EXPECT_TRUE(b.unit.pressRemoteKey(0x5A));
    HidReport r = b.next();
    EXPECT_EQ(r[1], 0x60);
    EXPECT_EQ(r[2], 0x01);
    EXPECT_EQ(r[3], 3);
    EXPECT_EQ(r[4], 0x5A);
    EXPECT_EQ(b.unit.remoteKeys()[3], 0x5A);
    EXPECT_EQ(b.unit.learningKey(), 0);
    EXPECT_FALSE(b.unit.pressRemoteKey(0x11));

    ASSERT_TRUE(b.send(req({0x60, 4})));
    EXPECT_EQ(b.ask(req({0x61}))[1], 0x61);
    EXPECT_FALSE(b.unit.pressRemoteKey(0x22));
    EXPECT_EQ(b.unit.remoteKeys()[4], kInitialRemoteKeys[4]);
}

TEST(VirtualUnitTest, LearnMsPressesAKeyByItself) {
    SimOptions o;
    o.learnMs = 10;
    Bench b(o);
    ASSERT_TRUE(b.send(req({0x60, 2})));
    HidReport r = b.next();
    EXPECT_EQ(r[1], 0x60);
    EXPECT_EQ(r[3], 2);
    EXPECT_EQ(r[4], 0x40 + 0x1D * 2);
    // Cancelled in time, nothing comes.
    ASSERT_TRUE(b.send(req({0x60, 5})));
    EXPECT_EQ(b.ask(req({0x61}))[1], 0x61);
    b.next(40);
    EXPECT_EQ(b.lastRead, 0);
    EXPECT_EQ(b.unit.remoteKeys()[5], kInitialRemoteKeys[5]);
}

TEST(VirtualUnitTest, LevelsFollowTheVolumes) {
    Bench b;
    int quiet = 0;
    for (int i = 0; i < 10; ++i) {
        HidReport r = b.ask(req({0x0E}));
        EXPECT_EQ(r[1], 0x0E);
        quiet = std::max({quiet, int(r[2]), int(r[3]), int(r[4])});
    }
    EXPECT_LT(quiet, 20);
    b.ask(paramWrite(1, '0', {enc::percent(90)}));
    b.ask(paramWrite(1, '2', {enc::percent(90)}));
    b.ask(paramWrite(4, '0', {enc::percent(90), enc::percent(90)}));
    std::vector<int> mic;
    for (int i = 0; i < 10; ++i) {
        HidReport r = b.ask(req({0x0E}));
        mic.push_back(r[2]);
        EXPECT_GT(r[4], 80);
    }
    EXPECT_GT(*std::max_element(mic.begin(), mic.end()), *std::min_element(mic.begin(), mic.end()));
    b.ask(paramWrite(1, '3', {floatBits(0.0f)}));  // microphones muted
    EXPECT_LT(b.ask(req({0x0E}))[2], 20);
}

TEST(VirtualUnitTest, DspFlashEraseWriteReadBack) {
    Bench b;
    auto flashReq = [](int cmd, uint32_t a, const uint8_t* data = nullptr) {
        HidReport r = req({cmd, 0});
        putBe32(r.data() + 3, a);
        if (data) std::memcpy(r.data() + 7, data, 32);
        return r;
    };
    uint8_t piece[32];
    for (int i = 0; i < 32; ++i) piece[i] = uint8_t(0x30 + i);

    // The flash holds the old core: writing over it without an erase fails.
    auto before = b.unit.dspFlash(0x20000, 32);
    EXPECT_NE(before, std::vector<uint8_t>(32, 0xFF));
    EXPECT_EQ(b.ask(flashReq(0xDD, 0x20000, piece))[2], kFlashVerifyWrite);

    HidReport r = b.ask(flashReq(0xDC, 0x10000));
    EXPECT_EQ(r[1], 0xDC);
    EXPECT_EQ(r[2], 0);
    r = b.ask(flashReq(0xDD, 0x10020, piece));
    EXPECT_EQ(r[1], 0xDD);
    EXPECT_EQ(r[2], 0);
    r = b.ask(flashReq(0xDE, 0x10020));
    EXPECT_EQ(r[1], 0xDE);
    EXPECT_EQ(r[2], 0);
    EXPECT_EQ(getBe32(r.data() + 3), 0x10020u);
    EXPECT_EQ(0, std::memcmp(r.data() + 7, piece, 32));
    EXPECT_EQ(b.unit.dspFlash(0x10020, 32), std::vector<uint8_t>(piece, piece + 32));

    // Writing over written flash without an erase cannot set bits back.
    uint8_t ones[32];
    std::memset(ones, 0xFF, sizeof ones);
    EXPECT_EQ(b.ask(flashReq(0xDD, 0x10020, ones))[2], kFlashVerifyWrite);
    // Past the last sector.
    EXPECT_EQ(b.ask(flashReq(0xDC, 0x200000))[2], kFlashInvalidSector);
    EXPECT_EQ(b.ask(flashReq(0xDE, 0x200020))[2], kFlashInvalidSector);
    // An erase brings the sector back to FF.
    b.ask(flashReq(0xDC, 0x10000));
    EXPECT_EQ(b.unit.dspFlash(0x10020, 2), (std::vector<uint8_t>{0xFF, 0xFF}));
}

TEST(VirtualUnitTest, ModeImagesGoIntoModeMemory) {
    Bench b;
    HidReport r = req({0xDA, 0x40, 0x20, 4, 1, 2, 3, 4});
    EXPECT_EQ(b.ask(r)[1], 0xDA);
    auto mem = b.unit.modeMemory();
    EXPECT_EQ(mem[0x4020], 1);
    EXPECT_EQ(mem[0x4023], 4);
    EXPECT_EQ(mem[0x4024], 0xFF);
}

TEST(VirtualUnitTest, McuUpgradeReEnumeratesAndChecksTheImage) {
    Bench b;
    Listener hear;
    ASSERT_TRUE(b.unit.startMonitor(&hear));
    EXPECT_EQ(b.ask(req({0xD1}))[1], 0xD1);
    auto ev = hear.wait(2);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0], "-/dev/hidraw-virtual0");
    EXPECT_EQ(ev[1], "+/dev/hidraw-virtual0");
    EXPECT_EQ(b.dev->write(req({0x80}).data(), kReportSize), -1);  // the old handle is gone
    ASSERT_TRUE(isUpgradeModeInterface(b.unit.enumerate()[0]));
    b.dev = b.unit.open(b.unit.path());
    ASSERT_NE(b.dev, nullptr);

    // Prepare: the unit tells its firmware-version bytes.
    HidReport r = b.ask(req({0x03, 0x00, 0x01, 0x02}));
    EXPECT_EQ(r[1], 0x03);
    EXPECT_EQ(r[2], 0x00);
    EXPECT_EQ(r[3], 0x01);
    EXPECT_EQ(r[5], 0xF1);
    EXPECT_EQ(r[6], 0x88);

    // A 1000-byte image as the program sends it: start, marks, 56-byte pieces, end.
    std::vector<uint8_t> img(1000);
    for (size_t i = 0; i < img.size(); ++i) img[i] = uint8_t(i * 7);
    img[1] = 0xF1;
    img[2] = 0x88;
    b.ask(req({0x01, 0xE4, 0x00, 0x20}));
    for (size_t off = 0; off < img.size(); off += 56) {
        // Marks name the block start: 0 before the piece at 0, 512 before the one at 504.
        if (off == 0) b.ask(req({0x01, 0x00, 0x00}));
        if (off == 504) b.ask(req({0x01, 0x02, 0x00}));
        int n = int(std::min<size_t>(56, img.size() - off));
        HidReport d = req({0x02, int(off >> 8), int(off & 0xFF), n});
        std::memcpy(d.data() + 5, img.data() + off, size_t(n));
        EXPECT_EQ(b.ask(d)[1], 0x02);
    }
    b.ask(req({0x02, 0xE4, 0x00, 0x03, img[0], 0x12, 0x34}));
    EXPECT_EQ(b.unit.mcuImage(), img);
    EXPECT_TRUE(b.unit.mcuImageEnded());

    r = b.ask(req({0x03, 0xE4, 0x00, 0x03}));
    EXPECT_EQ(r[1], 0x03);
    EXPECT_EQ(r[2], 0xE4);
    EXPECT_EQ(r[3], 0x00);
    EXPECT_EQ(r[5], img[0]);
    EXPECT_EQ(r[6], 0x12);
    EXPECT_EQ(r[7], 0x34);

    // Mode images in upgrade mode travel as 0x05.
    b.ask(req({0x05, 0x10, 0x00, 2, 0xAB, 0xCD}));
    EXPECT_EQ(b.unit.modeMemory()[0x1001], 0xCD);

    // Restart: back in normal mode.
    EXPECT_EQ(b.ask(req({0x04}))[1], 0x04);
    ev = hear.wait(4);
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_FALSE(b.unit.upgradeMode());
    EXPECT_FALSE(isUpgradeModeInterface(b.unit.enumerate()[0]));
    EXPECT_EQ(b.unit.restarts(), 1);
    b.unit.stopMonitor();
}

TEST(VirtualUnitTest, McuCheckFailsForAnImageWithAGap) {
    SimOptions o;
    o.upgradeMode = true;
    Bench b(o);
    b.ask(req({0x01, 0xE4, 0x00, 0x20}));
    b.ask(req({0x02, 0x00, 0x00, 56, 0x42}));
    b.ask(req({0x02, 0x00, 0x70, 56}));  // the piece at 56 is missing
    b.ask(req({0x02, 0xE4, 0x00, 0x03, 0x42, 1, 2}));
    HidReport r = b.ask(req({0x03, 0xE4, 0x00, 0x03}));
    EXPECT_EQ(r[2], 0xE4);
    EXPECT_FALSE(r[5] == 0x42 && r[6] == 1 && r[7] == 2);
}

// The check passes only for an image sent as the upgrade sends it: every
// 512-byte block announced by its mark before data reaches it, and bytes 1
// and 2 replaced by the unit's firmware-version bytes.
TEST(VirtualUnitTest, McuCheckNeedsBlockMarksAndTheVersionBytes) {
    struct Case {
        const char* what;
        size_t size;
        int skipMark;       // boundary whose mark is left out (-1: none)
        bool markDataOffset;  // marks carry the data offset instead of the block start
        bool patch;
        bool passes;
    } cases[] = {
        {"as sent", 1000, -1, false, true, true},
        {"exactly two blocks", 1024, -1, false, true, true},
        {"past 64 KiB", 70000, -1, false, true, true},
        {"first mark missing", 1000, 0, false, true, false},
        {"mark 512 missing", 1000, 512, false, true, false},
        {"marks name the data offset", 1000, -1, true, true, false},
        {"version bytes not replaced", 1000, -1, false, false, false},
    };
    for (const Case& c : cases) {
        SimOptions o;
        o.upgradeMode = true;
        Bench b(o);
        std::vector<uint8_t> img(c.size);
        for (size_t i = 0; i < img.size(); ++i) img[i] = uint8_t(i * 7 + 1);
        const uint8_t head[3] = {img[0], img[1], img[2]};
        if (c.patch) {
            img[1] = 0xF1;
            img[2] = 0x88;
        }
        b.ask(req({0x01, 0xE4, 0x00, 0x20}));
        size_t boundary = 0;
        for (size_t off = 0; off < img.size(); off += 56) {
            size_t n = std::min<size_t>(56, img.size() - off);
            if (boundary <= off + n && boundary < img.size()) {
                size_t mark = c.markDataOffset ? off : boundary;
                if (int(boundary) != c.skipMark)
                    b.ask(req({0x01, int((mark >> 8) & 0xFF), int(mark & 0xFF)}));
                boundary += 512;
            }
            HidReport d = req({0x02, int((off >> 8) & 0xFF), int(off & 0xFF), int(n)});
            std::memcpy(d.data() + 5, img.data() + off, n);
            ASSERT_TRUE(b.send(d)) << c.what;
            b.next();
        }
        b.ask(req({0x02, 0xE4, 0x00, 0x03, head[0], head[1], head[2]}));
        HidReport r = b.ask(req({0x03, 0xE4, 0x00, 0x03}));
        EXPECT_EQ(r[2], 0xE4) << c.what;
        EXPECT_EQ(r[5] == head[0] && r[6] == head[1] && r[7] == head[2], c.passes) << c.what;
    }
}

TEST(VirtualUnitTest, McuOffsetsWrapAt64KiB) {
    SimOptions o;
    o.upgradeMode = true;
    Bench b(o);
    b.ask(req({0x01, 0xE4, 0x00, 0x20}));
    const size_t size = 56 * 1173;  // past 65536
    for (size_t off = 0; off < size; off += 56) {
        HidReport d = req({0x02, int((off >> 8) & 0xFF), int(off & 0xFF), 56});
        d[5] = uint8_t(off / 56);
        ASSERT_TRUE(b.send(d));
        b.next();
    }
    auto img = b.unit.mcuImage();
    ASSERT_EQ(img.size(), size);
    for (size_t off : {size_t(0), size_t(56 * 1170), size_t(56 * 1171), size_t(56 * 1172)})
        EXPECT_EQ(img[off], uint8_t(off / 56)) << off;

    // Offsets that keep jumping back look like ever more wraps; the image stays
    // within the MCU's flash instead of growing by 64 KiB per report.
    Bench c(o);
    c.ask(req({0x01, 0xE4, 0x00, 0x20}));
    for (int i = 0; i < 100; ++i) c.ask(req({0x02, i % 2 ? 0x00 : 0x80, 0x00, 56}));
    EXPECT_LE(c.unit.mcuImage().size(), size_t(1) << 20);
}

TEST(VirtualUnitTest, SilentUnitNeverAnswers) {
    SimOptions o;
    o.silent = true;
    Bench b(o);
    EXPECT_TRUE(b.send(req({0x80})));
    b.next(30);
    EXPECT_EQ(b.lastRead, 0);
    EXPECT_EQ(b.unit.receivedCount(), 1u);
}

TEST(VirtualUnitTest, RemoveAfterTheNthReport) {
    SimOptions o;
    o.removeAfter = 3;
    Bench b(o);
    Listener hear;
    b.unit.startMonitor(&hear);
    b.ask(req({0x80}));
    b.ask(req({0x7F}));
    EXPECT_TRUE(b.send(req({0x81})));  // the third is taken, then the unit is gone
    b.next(20);
    EXPECT_EQ(b.lastRead, -1);
    EXPECT_EQ(b.dev->write(req({0x81}).data(), kReportSize), -1);
    uint16_t v, p;
    EXPECT_FALSE(b.dev->attributes(v, p));
    EXPECT_TRUE(b.unit.enumerate().empty());
    EXPECT_EQ(b.unit.open(b.unit.path()), nullptr);
    EXPECT_EQ(hear.wait(1), std::vector<std::string>{"-/dev/hidraw-virtual0"});

    b.unit.replug();
    EXPECT_EQ(hear.wait(2).back(), "+/dev/hidraw-virtual0");
    b.dev = b.unit.open(b.unit.path());
    ASSERT_NE(b.dev, nullptr);
    EXPECT_EQ(b.ask(req({0x7F}))[2], 2);  // it fires once
    b.unit.stopMonitor();
}

TEST(VirtualUnitTest, ReadErrors) {
    SimOptions o;
    o.readErrorAfter = 0;
    {
        Bench b(o);
        b.next(10);
        EXPECT_EQ(b.lastRead, -1);
        EXPECT_TRUE(b.send(req({0x80})));  // writes still go
    }
    o.readErrorAfter = 2;
    Bench b(o);
    EXPECT_EQ(b.ask(req({0x80}))[1], 0x80);
    EXPECT_TRUE(b.send(req({0x7F})));
    b.next(10);
    EXPECT_EQ(b.lastRead, -1);
}

TEST(VirtualUnitTest, GarbageIsMixedIntoTheReplies) {
    SimOptions o;
    o.garbage = true;
    o.seed = 5;
    Bench b(o);
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(b.send(req({0x7F})));
    int replies = 0, other = 0;
    while (true) {
        HidReport r = b.next(20);
        if (b.lastRead <= 0) break;
        (r[1] == 0x7F && r[2] == 2 ? replies : other)++;
    }
    EXPECT_EQ(replies, 40);
    EXPECT_GT(other, 0);
}

TEST(VirtualUnitTest, LatencyDelaysEachReply) {
    SimOptions o;
    o.latencyMs = 80;
    Bench b(o);
    ASSERT_TRUE(b.send(req({0x7F})));
    b.next(0);
    EXPECT_EQ(b.lastRead, 0);  // not yet
    EXPECT_EQ(b.next(2000)[1], 0x7F);
}

TEST(VirtualUnitTest, FramesTakeTwoFramesPerRoundTrip) {
    SimOptions o;
    o.frames = true;
    Bench b(o);
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) ASSERT_EQ(b.ask(req({0x7F}))[1], 0x7F);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
    EXPECT_GE(ms.count(), 20 * 1);  // at least one full frame per exchange, never instant
}

TEST(VirtualUnitTest, CancelWakesABlockedRead) {
    Bench b;
    std::atomic<int> got{1};
    std::thread t([&] {
        uint8_t buf[61];
        got = b.dev->read(buf, sizeof buf, -1);
    });
    EXPECT_TRUE(b.unit.waitForBlockedRead());
    b.dev->cancel();
    t.join();
    EXPECT_EQ(got.load(), -1);
    b.next(0);
    EXPECT_EQ(b.lastRead, -1);
}

TEST(VirtualUnitTest, UnplugWakesABlockedReadAndHidesTheUnit) {
    Bench b;
    std::atomic<int> got{1};
    std::thread t([&] {
        uint8_t buf[61];
        got = b.dev->read(buf, sizeof buf, -1);
    });
    EXPECT_TRUE(b.unit.waitForBlockedRead());
    b.unit.unplug();
    t.join();
    EXPECT_EQ(got.load(), -1);
    EXPECT_FALSE(b.unit.plugged());
    EXPECT_TRUE(b.unit.enumerate().empty());
    b.unit.replug();
    EXPECT_EQ(b.unit.enumerate().size(), 1u);
}

TEST(VirtualUnitTest, ConcurrentWritersGetEveryReplyInOrder) {
    Bench b;
    constexpr int kPerThread = 200;
    std::atomic<int> replies{0};
    std::thread reader([&] {
        uint8_t buf[61];
        while (b.dev->read(buf, sizeof buf, -1) > 0) replies++;
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < 3; ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; i < kPerThread; ++i) {
                HidReport r = paramWrite(1 + w, '0', {uint32_t(i)});
                b.dev->write(r.data(), r.size());
            }
        });
    for (auto& t : writers) t.join();
    for (int i = 0; i < 200 && replies.load() < 3 * kPerThread; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    b.dev->cancel();
    reader.join();
    EXPECT_EQ(replies.load(), 3 * kPerThread);
    EXPECT_EQ(b.unit.receivedCount(), size_t(3 * kPerThread));
    for (int w = 0; w < 3; ++w) EXPECT_EQ(b.unit.wireValues(1 + w, '0')[0], uint32_t(kPerThread - 1));
}

TEST(VirtualUnitTest, MachineResetRestartsInThePowerOnMode) {
    Bench b;
    Listener hear;
    b.unit.startMonitor(&hear);
    std::array<uint8_t, 12> s{};
    s[9] = 4;  // power on in M4
    b.unit.setMachineSettings(s);
    EXPECT_EQ(b.ask(req({0x68, 0xAA}))[1], 0x68);
    ASSERT_EQ(hear.wait(2).size(), 2u);
    EXPECT_EQ(b.unit.currentMode(), 3);
    EXPECT_EQ(b.unit.wireValues(1, '0')[0], enc::percent(80));
    b.unit.stopMonitor();
}

TEST(VirtualUnitTest, RandomReportsGetOneReplyEach) {
    // Whatever arrives, the unit answers once (learning aside) and stays sane.
    for (bool upgrading : {false, true}) {
        SimOptions o;
        o.upgradeMode = upgrading;
        Bench b(o);
        uint32_t x = 12345;
        auto rnd = [&] { return x = x * 1103515245u + 12345u, uint8_t(x >> 16); };
        for (int i = 0; i < 3000; ++i) {
            HidReport r{};
            r[0] = kReportId;
            for (size_t k = 1; k < r.size(); ++k) r[k] = rnd();
            if (i % 3 == 0) r[1] = std::array<uint8_t, 8>{0x09, 0x0A, 0x85, 0x86, 0x02, 0xDD, 0xDE, 0x03}[i % 8];
            if (r[1] == 0x60 || r[1] == 0xD1 || r[1] == 0x68 || (upgrading && r[1] == 0x04)) continue;
            ASSERT_TRUE(b.send(r));
            b.next();
            ASSERT_EQ(b.lastRead, kReportSize) << hexReport(r.data());
            b.next(0);
            ASSERT_EQ(b.lastRead, 0) << hexReport(r.data());
        }
        EXPECT_EQ(b.unit.image().size(), size_t(kImageSize));
        EXPECT_TRUE(b.unit.plugged());
    }
}

TEST(VirtualUnitTest, EveryOtherCommandGetsAShortAcknowledgement) {
    Bench b;
    for (int cmd : {0x8A, 0x61, 0x3C, 0xF0}) {
        HidReport r = b.ask(req({cmd}));
        EXPECT_EQ(b.lastRead, kReportSize);
        EXPECT_EQ(r[1], cmd);
    }
    EXPECT_EQ(b.unit.received().size(), 4u);
    EXPECT_EQ(b.unit.received()[0][1], 0x8A);
}

}  // namespace
}  // namespace udare::sim
