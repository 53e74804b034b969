#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "protocol/codec.h"
#include "protocol/mode_file.h"
#include "upgrade/mode_images.h"
#include "test_support.h"

namespace udare {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
void writeFile(const fs::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// A header of the given text in UTF-16LE, zero-padded to 120 bytes.
Bytes header(const char* text) {
    Bytes h(kModeFileHeaderSize, 0);
    for (int i = 0; text[i]; ++i) h[2 * i] = uint8_t(text[i]);
    return h;
}

Bytes subBytes(const BandCode (&layout)[20]) {
    Bytes b;
    for (const BandCode& c : layout) {
        auto r = encodeBandCode(kGainCodeZero, c);
        b.insert(b.end(), r.begin(), r.end());
    }
    return b;
}

Bytes imageRange(const DeviceState& st, int from, int to) {
    Bytes b(size_t(to - from));
    st.eqImage.read(from, to - from, b.data());
    return b;
}

class ModeFile : public ::testing::Test, public test::CommandRig {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/udare-modefile-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    // Distinct values in every slot and image byte.
    void fill(DeviceState& s) {
        for (int i = 0; i < kImageSize; ++i) s.eqImage.set(i, uint8_t(i * 7 + 3));
        for (int i = 0; i < kSlotCount; ++i) s.params.setBits(i, 0x01020304u * uint32_t(i + 1));
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> v;
        for (const auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename());
        return v;
    }

    fs::path dir;
};

TEST_F(ModeFile, SaveWritesHeaderImageAndSlotsAndLoadsBackByteForByte) {
    fill(st);
    st.setSlotFloat(slot::mainDelayLeft, 12.5f);
    const fs::path p = dir / "preset.vxs";
    ASSERT_EQ(SaveModeFile(c, p), 1);

    Bytes file = readFile(p);
    ASSERT_EQ(file.size(), 1495u);
    const Bytes head = {0x56, 0x00, 0x65, 0x00, 0x72, 0x00, 0x31, 0x00, 0x2E,
                        0x00, 0x31, 0x00, 0x2E, 0x00, 0x30, 0x00, 0x00, 0x00};
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 18), head);
    EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 120), Bytes(102, 0));
    EXPECT_EQ(Bytes(file.begin() + 120, file.begin() + 1079), imageRange(st, 0, kImageSize));
    // Slots little-endian, as their bit patterns.
    const uint32_t bits = floatBits(12.5f);
    const size_t at = 1079 + 4 * slot::mainDelayLeft;
    EXPECT_EQ(Bytes(file.begin() + long(at), file.begin() + long(at) + 4),
              (Bytes{uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)}));
    EXPECT_EQ(file[1079], 0x04);
    EXPECT_EQ(file[1082], 0x01);

    DeviceState other;
    Ctx c2{other, out, clock, log, notifier, prompter};
    ASSERT_EQ(LoadModeFile(c2, p), 1);
    EXPECT_EQ(snapshot(other).params, snapshot(st).params);
    EXPECT_EQ(snapshot(other).image, snapshot(st).image);
    const fs::path again = dir / "again.vxs";
    ASSERT_EQ(SaveModeFile(c2, again), 1);
    EXPECT_EQ(readFile(again), file);
    EXPECT_TRUE(prompter.boxes.empty());
    EXPECT_TRUE(out.reports.empty());
}

TEST_F(ModeFile, Version100FilesReadTheShortLayoutAndKeepTheDelaySlots) {
    for (const char* text : {"Ver1.0.0", "ver1.0.0", "VER1.0.0"}) {
        SCOPED_TRACE(text);
        Bytes file = header(text);
        Bytes image(kImageSizeProtocol1);
        for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i ^ 0x5A);
        file.insert(file.end(), image.begin(), image.end());
        for (int s = 0; s < kModeFileSlotsV100; ++s)
            for (int k = 0; k < 4; ++k) file.push_back(uint8_t(s + k));
        ASSERT_EQ(file.size(), 1377u);
        writeFile(dir / "old.vxs", file);

        for (int s = 92; s < kSlotCount; ++s) st.setSlotInt(s, 7000 + s);
        ASSERT_EQ(LoadModeFile(c, dir / "old.vxs"), 1);
        for (int s = 92; s < kSlotCount; ++s) EXPECT_EQ(st.slotInt(s), 7000 + s) << s;
        EXPECT_EQ(st.params.bits(91), 0x5E5D5C5Bu);
        EXPECT_EQ(imageRange(st, 0, 819), Bytes(image.begin(), image.begin() + 819));
        EXPECT_EQ(imageRange(st, 819, kImageSize), subBytes(kSubDefault));
    }
}

TEST(ModeFileHeader, OnlyVer100InAnyCaseIsTheOldLayout) {
    auto units = [](std::initializer_list<char16_t> text) {
        Bytes b;
        for (char16_t u : text) b.insert(b.end(), {uint8_t(u), uint8_t(u >> 8)});
        return b;
    };
    auto padded = [](Bytes b) {
        b.resize(kModeFileHeaderSize, 0);
        return b;
    };
    const Bytes exact = units({'V', 'e', 'r', '1', '.', '0', '.', '0'});
    Bytes torn = exact;
    torn.pop_back();
    const struct {
        const char* what;
        Bytes bytes;
        bool old;
    } cases[] = {
        {"Ver1.0.0", header("Ver1.0.0"), true},
        {"mixed case", header("vER1.0.0"), true},
        {"ends with the bytes", exact, true},
        {"current header", header("Ver1.1.0"), false},
        {"longer text", header("Ver1.0.0x"), false},
        {"shorter text", header("Ver1.0"), false},
        {"last unit torn", torn, false},
        {"non-ASCII unit with a matching low byte",
         padded(units({0x0156, 'e', 'r', '1', '.', '0', '.', '0'})), false},
        {"empty", {}, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        EXPECT_EQ(IsOldModeFileHeader(k.bytes), k.old);
        EXPECT_EQ(WholeModeFileSize(k.bytes), size_t(k.old ? 1377 : 1495));
    }
}

TEST_F(ModeFile, SubFixUps) {
    fill(st);
    const fs::path current = dir / "current.vxs";
    ASSERT_EQ(SaveModeFile(c, current), 1);
    const Bytes fileSub = imageRange(st, 819, kImageSize);
    Bytes old = header("Ver1.0.0");
    old.resize(kModeFileSizeV100, 0x33);
    writeFile(dir / "old.vxs", old);
    // Left as read: ten sections from the file, the rest as it was.
    Bytes asRead(70, 0x33);
    asRead.resize(140, 0x11);

    const struct {
        int protocol;
        const char* file;
        Bytes sub;
    } cases[] = {
        {1, "current.vxs", subBytes(kSubProtocol1)}, {1, "old.vxs", subBytes(kSubProtocol1)},
        {2, "current.vxs", fileSub},                 {2, "old.vxs", subBytes(kSubDefault)},
        {3, "old.vxs", subBytes(kSubDefault)},       {0, "old.vxs", asRead},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << "protocol " << k.protocol << ", " << k.file);
        st.eqImage.fill(0x11);
        st.identity.protocolVersion = uint8_t(k.protocol);
        ASSERT_EQ(LoadModeFile(c, dir / k.file), 1);
        EXPECT_EQ(imageRange(st, 819, kImageSize), k.sub);
    }
}

TEST_F(ModeFile, ShortFilesFillOnlyWhatTheyHold) {
    fill(st);
    const StateSnapshot before = snapshot(st);
    Bytes file = header("Ver1.1.0");
    file.resize(500, 0xEE);  // 380 image bytes
    writeFile(dir / "short.vxs", file);
    st.identity.protocolVersion = 0;  // no Sub fix-up, to see every byte
    ASSERT_EQ(LoadModeFile(c, dir / "short.vxs"), 1);
    StateSnapshot after = snapshot(st);
    for (int i = 0; i < kImageSize; ++i)
        ASSERT_EQ(after.image[i], i < 380 ? 0xEE : before.image[i]) << i;
    EXPECT_EQ(after.params, before.params);

    // Six slot bytes: one whole slot, the torn one is left alone.
    file = header("Ver1.1.0");
    file.resize(kModeFileHeaderSize + kImageSize + 6, 0x22);
    writeFile(dir / "torn.vxs", file);
    ASSERT_EQ(LoadModeFile(c, dir / "torn.vxs"), 1);
    EXPECT_EQ(st.params.bits(0), 0x22222222u);
    EXPECT_EQ(st.params.bits(1), before.params[1]);

    writeFile(dir / "empty.vxs", {});
    EXPECT_EQ(LoadModeFile(c, dir / "empty.vxs"), 1);
    EXPECT_TRUE(prompter.boxes.empty());
}

TEST_F(ModeFile, LoadFailuresShowTheBoxAndChangeNothing) {
    fill(st);
    const StateSnapshot before = snapshot(st);
    for (const fs::path& p : {dir / "missing.vxs", dir}) {
        SCOPED_TRACE(p.string());
        prompter.boxes.clear();
        EXPECT_EQ(LoadModeFile(c, p), 0);
        ASSERT_EQ(prompter.boxes.size(), 1u);
        EXPECT_EQ(prompter.boxes[0].text,
                  "Can't write to file:\n" + p.string() + "\nProbaby it is write protected.");
        EXPECT_EQ(prompter.boxes[0].caption, "Can't write to file");
        EXPECT_EQ(prompter.boxes[0].icon, Prompter::Icon::Warning);
        EXPECT_EQ(snapshot(st).params, before.params);
        EXPECT_EQ(snapshot(st).image, before.image);
    }
}

std::string cannotWrite(int err, const std::string& path) {
    return "Errcode=" + std::to_string(err) + ",Can't write to file:\n" + path +
           "\nProbaby it is write protected.";
}

TEST_F(ModeFile, AFailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    const fs::path p = dir / "keep.vxs";
    const Bytes old = {1, 2, 3, 4, 5};
    writeFile(p, old);

    // The disk fills up halfway through the new file.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 700;
    setrlimit(RLIMIT_FSIZE, &small);
    int result = SaveModeFile(c, p);
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(p), old);
    EXPECT_EQ(entries(), std::vector<std::string>{"keep.vxs"});
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].text, cannotWrite(EFBIG, p));
    EXPECT_EQ(prompter.boxes[0].caption, "Can't write to file");
    EXPECT_EQ(prompter.boxes[0].icon, Prompter::Icon::Warning);

    // A directory in the way, a directory that does not exist.
    fs::create_directory(dir / "sub");
    prompter.boxes.clear();
    EXPECT_EQ(SaveModeFile(c, dir / "sub"), 0);
    EXPECT_EQ(SaveModeFile(c, dir / "nowhere" / "x.vxs"), 0);
    ASSERT_EQ(prompter.boxes.size(), 2u);
    EXPECT_EQ(prompter.boxes[0].text, cannotWrite(EISDIR, dir / "sub"));
    EXPECT_EQ(prompter.boxes[1].text, cannotWrite(ENOENT, dir / "nowhere" / "x.vxs"));

    if (geteuid() != 0) {  // permissions do not bind the superuser
        fs::permissions(p, fs::perms::owner_read);
        prompter.boxes.clear();
        EXPECT_EQ(SaveModeFile(c, p), 0);
        EXPECT_EQ(readFile(p), old);
        ASSERT_EQ(prompter.boxes.size(), 1u);
        EXPECT_EQ(prompter.boxes[0].text, cannotWrite(EACCES, p));
    }
}

TEST_F(ModeFile, SaveReplacesThroughALinkAndKeepsTheFileMode) {
    const fs::path real = dir / "real.vxs";
    writeFile(real, {9, 9});
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, dir / "link.vxs");
    ASSERT_EQ(SaveModeFile(c, dir / "link.vxs"), 1);
    EXPECT_TRUE(fs::is_symlink(dir / "link.vxs"));
    EXPECT_EQ(readFile(real).size(), 1495u);
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Notes the progress value as each report leaves.
class ProgressSink : public test::RecordingSink {
public:
    explicit ProgressSink(std::atomic<int>& p) : progress(p) {}
    int writeReport(const uint8_t* data, size_t len) override {
        int v = progress.load();
        if (seen.empty() || seen.back() != v) seen.push_back(v);
        return RecordingSink::writeReport(data, len);
    }
    std::atomic<int>& progress;
    std::vector<int> seen;
};

class ModeImages : public ModeFile {
protected:
    // A 100-byte image: version byte, then 99 data bytes.
    Bytes image(uint8_t version, uint8_t seed) {
        Bytes b(100);
        b[0] = version;
        for (size_t i = 1; i < b.size(); ++i) b[i] = uint8_t(seed + i * 3);
        return b;
    }
    std::atomic<int> progress{0};
    ProgressSink out{progress};
    Ctx ci{st, out, clock, log, notifier, prompter};
};

TEST_F(ModeImages, BlocksGoToBothAddressesWithTheChecksumLast) {
    const Bytes file = image(2, 0x10);
    writeFile(dir / "K740Z0.AIM", file);
    EXPECT_EQ(WriteModeImages(ci, dir, false, progress), 1);
    ASSERT_EQ(out.reports.size(), 8u);
    uint8_t sum = 0;
    for (size_t i = 1; i < file.size(); ++i) sum = uint8_t(sum + file[i]);
    const int addresses[8] = {0x0000, 0x4000, 0x0020, 0x4020, 0x0040, 0x4040, 0x0060, 0x4060};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const HidReport& r = out.reports[i];
        EXPECT_EQ(r[0], 0x02);
        EXPECT_EQ(r[1], 0xDA);
        EXPECT_EQ(r[2] * 256 + r[3], addresses[i]);
        const int length = i < 6 ? 32 : 4;
        EXPECT_EQ(r[4], length);
        for (int k = 0; k < length; ++k) {
            const size_t at = size_t(32 * (i / 2) + k);  // position in the sent image
            EXPECT_EQ(r[5 + k], at == 99 ? sum : file[at + 1]) << k;
        }
        for (int k = 5 + length; k < kReportSize; ++k) EXPECT_EQ(r[k], 0);
    }
}

TEST_F(ModeImages, MissingImagesAreSkippedAndProgressFollowsTheMode) {
    writeFile(dir / "K740Z0.AIM", image(2, 1));
    writeFile(dir / "K740Z1.AIM", image(2, 2));
    writeFile(dir / "K740Z3.AIM", image(2, 3));
    EXPECT_EQ(WriteModeImages(ci, dir.string() + "/", false, progress), 3);
    ASSERT_EQ(out.reports.size(), 24u);
    EXPECT_EQ(out.reports[16][2] * 256 + out.reports[16][3], 0x3000);
    EXPECT_EQ(out.reports[17][2] * 256 + out.reports[17][3], 0x7000);
    // Three whole blocks per image: 25m, 25m + 8, 25m + 16.
    EXPECT_EQ(out.seen, (std::vector<int>{0, 8, 16, 25, 33, 41, 75, 83, 91}));
    EXPECT_TRUE(prompter.boxes.empty());
}

TEST_F(ModeImages, AnImageForAnotherProtocolStopsEverything) {
    writeFile(dir / "K740Z0.AIM", image(2, 1));
    writeFile(dir / "K740Z1.AIM", image(1, 2));
    writeFile(dir / "K740Z2.AIM", image(2, 3));
    EXPECT_EQ(WriteModeImages(ci, dir, false, progress), 1);
    EXPECT_EQ(out.reports.size(), 8u);
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].text, "载入的模式文件与当前通信协议不匹配！");
    EXPECT_EQ(prompter.boxes[0].caption, "错误");
    EXPECT_EQ(prompter.boxes[0].icon, Prompter::Icon::Error);

    // In upgrade mode the version byte is not checked and the command is 0x05.
    out.clear();
    prompter.boxes.clear();
    EXPECT_EQ(WriteModeImages(ci, dir, true, progress), 3);
    EXPECT_EQ(out.reports.size(), 24u);
    for (const HidReport& r : out.reports) EXPECT_EQ(r[1], 0x05);
    EXPECT_TRUE(prompter.boxes.empty());
}

TEST_F(ModeImages, ImagesLargerThanTheirModeAreaAreSkipped) {
    Bytes big(0x1001, 0);
    big[0] = 2;
    writeFile(dir / "K740Z0.AIM", big);
    writeFile(dir / "K740Z1.AIM", {});
    Bytes fits(0x1000, 0);
    fits[0] = 2;
    writeFile(dir / "K740Z2.AIM", fits);
    EXPECT_EQ(WriteModeImages(ci, dir, false, progress), 1);
    ASSERT_EQ(out.reports.size(), 256u);
    EXPECT_EQ(out.reports.back()[2] * 256 + out.reports.back()[3], 0x2000 + 0x4000 + 0xFE0);
}

}  // namespace
}  // namespace udare
