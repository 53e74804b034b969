#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "protocol/remote_file.h"
#include "test_support.h"

namespace udare {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class RemoteFile : public ::testing::Test, public test::CommandRig {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/udare-remote-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }
    Bytes read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void write(const fs::path& p, const Bytes& b) {
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    Bytes table() {
        auto a = st.remoteKeys.copy();
        return Bytes(a.begin(), a.end());
    }

    fs::path dir;
};

const Bytes kInitial = {0x01, 0xD8, 0x58, 0xB8, 0x38, 0x88, 0xE8, 0xC8,
                        0x98, 0xA8, 0xB0, 0x30, 0xD0, 0x18, 0x78, 0xF8};

TEST(RemoteKeyFilePath, AlwaysEndsInRemo) {
    const std::pair<const char*, const char*> cases[] = {
        {"keys.txt", "keys.remo"},      {"keys", "keys.remo"},
        {"keys.remo", "keys.remo"},     {"a.b/keys", "a.b/keys.remo"},
        {"/x/keys.tar.gz", "/x/keys.tar.remo"}, {"keys.", "keys.remo"},
        {"/x/.hidden", "/x/.hidden.remo"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(RemoteKeyFilePath(in), out) << in;
}

TEST_F(RemoteFile, SaveWritesTheSixteenBytes) {
    const fs::path p = dir / "start.remo";
    ASSERT_EQ(SaveRemoteKeyFile(c, p), 1);
    EXPECT_EQ(read(p), kInitial);

    write(p, Bytes(40, 0xAA));  // a longer old file is replaced whole
    st.remoteKeys.set(5, 0x42);
    ASSERT_EQ(SaveRemoteKeyFile(c, p), 1);
    Bytes expected = kInitial;
    expected[5] = 0x42;
    EXPECT_EQ(read(p), expected);
    EXPECT_TRUE(out.reports.empty());
    EXPECT_TRUE(prompter.boxes.empty());
}

TEST_F(RemoteFile, FailedSaveShowsTheWarning) {
    const fs::path p = dir / "missing" / "k.remo";
    EXPECT_EQ(SaveRemoteKeyFile(c, p), 0);
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].text, "Errcode=2,Can't write to file:\n" + p.string() +
                                          "\nProbaby it is write protected.");
    EXPECT_EQ(prompter.boxes[0].caption, "Can't write to file");
    EXPECT_EQ(prompter.boxes[0].icon, Prompter::Icon::Warning);
}

TEST_F(RemoteFile, LoadReplacesLeadingBytesAndSendsTheTable) {
    const struct {
        const char* what;
        Bytes file;
        Bytes table;
    } cases[] = {
        {"four bytes", {9, 8, 7, 6}, [] {
             Bytes t = kInitial;
             t[0] = 9, t[1] = 8, t[2] = 7, t[3] = 6;
             return t;
         }()},
        {"twenty bytes", Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19},
         Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {"empty", {}, kInitial},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        initDeviceIdentity(st);
        out.clear();
        write(dir / "in.remo", k.file);
        ASSERT_EQ(LoadRemoteKeyFile(c, dir / "in.remo"), 1);
        EXPECT_EQ(table(), k.table);
        ASSERT_EQ(out.reports.size(), 1u);
        const HidReport& r = out.reports[0];
        EXPECT_EQ(r[0], 0x02);
        EXPECT_EQ(r[1], 0x63);
        EXPECT_EQ(Bytes(r.begin() + 2, r.begin() + 18), k.table);
        EXPECT_EQ(Bytes(r.begin() + 18, r.end()), Bytes(kReportSize - 18, 0));
    }
}

TEST_F(RemoteFile, FailedLoadChangesAndSendsNothing) {
    for (const fs::path& p : {dir / "nothing.remo", dir}) {
        EXPECT_EQ(LoadRemoteKeyFile(c, p), 0) << p;
        EXPECT_EQ(table(), kInitial);
        EXPECT_TRUE(out.reports.empty());
    }
}

}  // namespace
}  // namespace udare
