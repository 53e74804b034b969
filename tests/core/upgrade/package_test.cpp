// Upgrade packages and the files refused before anything reaches the unit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "upgrade/dsp_upgrade.h"
#include "upgrade/mcu_upgrade.h"
#include "upgrade/package.h"
#include "upgrade_support.h"

namespace udare {
namespace {

using test::makeCabinet;
using test::pattern;
using test::TempDir;

TEST(PackageTest, PackagesAreToldByTheLastThreeLetters) {
    struct Case {
        const char* path;
        bool package;
    } cases[] = {
        {"/x/update.cba", true}, {"/x/UPDATE.CBA", true}, {"/x/u.CbA", true}, {"cba", true},
        {"/x/update.bin", false}, {"/x/update.cbaz", false}, {"/x/cb", false}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isUpgradePackage(c.path), c.package) << c.path;
}

TEST(PackageTest, StoredNamesBecomePlainFileNames) {
    struct Case {
        const char* stored;
        const char* name;
    } cases[] = {
        {"K740Z.bin", "K740Z.bin"}, {"..\\..\\evil.bin", "evil.bin"}, {"/tmp/x", "x"},
        {"a/b\\c.AIM", "c.AIM"},    {"..", ""},                      {"sub/..", ""},
        {"dir/", ""},               {".", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(safeMemberName(c.stored), c.name) << c.stored;
}

TEST(PackageTest, PrivateDirectoryIsOwnerOnlyAndGoesAway) {
    std::string path;
    {
        PrivateDir d;
        ASSERT_TRUE(d.ok());
        path = d.path();
        struct stat s {};
        ASSERT_EQ(::stat(path.c_str(), &s), 0);
        EXPECT_EQ(s.st_mode & 0777, 0700u);
        std::filesystem::create_directory(d.file("inner"));
        std::FILE* f = std::fopen(d.file("inner/K740Z.bin").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A package made by the cabinet tool, as the vendor ships them.
TEST(PackageTest, PackageFromTheCabinetToolUnpacks) {
    if (std::system("command -v gcab >/dev/null 2>&1") != 0) GTEST_SKIP() << "gcab missing";
    TempDir src;
    src.write("K740Z.bin", pattern(1000));
    for (int m = 0; m < 4; ++m) src.write("K740Z" + std::to_string(m) + ".AIM", pattern(100, uint8_t(m)));
    const std::string cab = src.file("update.CBA");
    std::string cmd = "cd '" + src.path() + "' && gcab -c -z -n '" + cab +
                      "' K740Z.bin K740Z0.AIM K740Z1.AIM K740Z2.AIM K740Z3.AIM >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);

    ImageRefusal r = ImageRefusal::Unreadable;
    auto t = PrepareMcuTransfer(cab, &r);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(r, ImageRefusal::None);
    EXPECT_TRUE(t->package);
    EXPECT_EQ(t->range(), 200);
    EXPECT_EQ(t->image, pattern(1000));
    for (int m = 0; m < 4; ++m)
        EXPECT_TRUE(std::filesystem::exists(t->dir->file("K740Z" + std::to_string(m) + ".AIM")));
    const std::string dir = t->dir->path();
    t.reset();
    EXPECT_FALSE(std::filesystem::exists(dir));
}

TEST(PackageTest, HostileMemberNamesStayInsideThePrivateDirectory) {
    TempDir src;
    const std::string outside = src.file("evil.bin");
    auto cab = makeCabinet({{"..\\..\\evil.bin", {1, 2, 3}},
                            {"/tmp/x", {4}},
                            {"../" + std::filesystem::path(outside).filename().string(), {5}},
                            {"K740Z.bin", pattern(60)}});
    const std::string pkg = src.write("p.cba", cab);
    PrivateDir d;
    ASSERT_EQ(ExtractUpgradePackage(pkg, d), 1);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(d.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"K740Z.bin", "evil.bin", "x"}));
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_EQ(std::filesystem::file_size(d.file("evil.bin")), 1u);  // the later member wins
}

TEST(RefusalTest, FilesThatWouldCorruptTheUnitAreRefusedBeforeSending) {
    TempDir dir;
    const std::string notCab = dir.write("junk.cba", pattern(200));
    const std::string bigInPackage =
        dir.write("big.cba", makeCabinet({{"K740Z.bin", pattern(kMcuImageMax + 1)}}));
    const std::string emptyInPackage = dir.write("empty.cba", makeCabinet({{"K740Z.bin", {}}}));
    const std::string modesOnly = dir.write("modes.cba", makeCabinet({{"K740Z0.AIM", pattern(40)}}));
    struct Case {
        std::string path;
        bool mcu;
        ImageRefusal expected;
    } cases[] = {
        {dir.write("e.bin", {}), true, ImageRefusal::Empty},
        {dir.file("missing.bin"), true, ImageRefusal::Unreadable},
        {dir.path(), true, ImageRefusal::Unreadable},  // a directory
        {dir.write("max.bin", pattern(kMcuImageMax)), true, ImageRefusal::None},
        {dir.write("over.bin", pattern(kMcuImageMax + 1)), true, ImageRefusal::McuTooLarge},
        {notCab, true, ImageRefusal::NotPackage},
        {bigInPackage, true, ImageRefusal::McuTooLarge},
        {emptyInPackage, true, ImageRefusal::Empty},
        {modesOnly, true, ImageRefusal::None},
        {dir.write("e.tsp", {}), false, ImageRefusal::Empty},
        {dir.write("max.tsp", pattern(kDspImageMax)), false, ImageRefusal::None},
        {dir.write("over.tsp", pattern(kDspImageMax + 1)), false, ImageRefusal::DspTooLarge},
    };
    for (const Case& c : cases) {
        ImageRefusal r = ImageRefusal::None;
        bool made = c.mcu ? PrepareMcuTransfer(c.path, &r) != nullptr
                          : PrepareDspTransfer(c.path, &r) != nullptr;
        EXPECT_EQ(r, c.expected) << c.path;
        EXPECT_EQ(made, c.expected == ImageRefusal::None) << c.path;
        if (c.expected != ImageRefusal::None) {
            EXPECT_NE(refusalMessage(r, c.path, 0).find(r == ImageRefusal::NotPackage ? "解压缩" : c.path),
                      std::string::npos);
            EXPECT_FALSE(refusalMessage(r, c.path, 1).empty());
        }
    }
}

}  // namespace
}  // namespace udare
