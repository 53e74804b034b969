// udare-ctl upgrade-mcu and upgrade-dsp: what each outcome prints and the
// exit status that tells it apart.
#include <gtest/gtest.h>

#include "args.h"
#include "cli_test_support.h"

namespace udare::cli::test {
namespace {

std::string bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char(i * 13 + 5);
    return s;
}

TEST(CliUpgrade, OutcomesAndExitStatuses) {
    auto dir = tempDir("upgrade");
    writeFile(dir / "fw.bin", bytes(3000));
    writeFile(dir / "empty.bin", "");
    writeFile(dir / "big.bin", bytes(65537));
    writeFile(dir / "junk.cba", bytes(100));
    writeFile(dir / "core.tsp", bytes(3000));
    writeFile(dir / "big.tsp", bytes(2031617));
    auto f = [&](const char* name) { return (dir / name).string(); };
    struct Case {
        std::vector<std::string> args;
        int rc;
        std::vector<std::string> out;  // each appears, in this order
        std::string err;
    } cases[] = {
        {{"--simulate", "upgrade-mcu", f("fw.bin")}, EXIT_OK, {"Wait to upgrade mode", "0%", "Restart……"}, ""},
        {{"--simulate=upgrade-mode", "upgrade-mcu", f("fw.bin")}, EXIT_OK, {"0%", "Restart……"}, ""},
        {{"--lang", "zh", "--simulate", "upgrade-mcu", f("fw.bin")}, EXIT_OK, {"请等待进入升级模式", "升级完成，正在重启中……"}, ""},
        {{"--simulate", "upgrade-dsp", f("core.tsp")}, EXIT_OK, {"0%", "升级完成，请手动重启机器!"}, ""},
        // Refused before the unit is even looked for.
        {{"--device", "/nonexistent", "upgrade-mcu", f("empty.bin")}, EXIT_REFUSED, {}, "empty"},
        {{"--device", "/nonexistent", "upgrade-mcu", f("big.bin")}, EXIT_REFUSED, {}, "65536"},
        {{"--device", "/nonexistent", "upgrade-mcu", f("junk.cba")}, EXIT_REFUSED, {}, "解压缩文件错误!"},
        {{"--device", "/nonexistent", "upgrade-dsp", f("big.tsp")}, EXIT_REFUSED, {}, "2031616"},
        {{"--device", "/nonexistent", "upgrade-dsp", f("missing.tsp")}, EXIT_REFUSED, {}, "missing.tsp"},
        {{"--device", "/nonexistent", "upgrade-dsp", f("core.tsp")}, EXIT_NO_UNIT, {}, ""},
        {{"--simulate=upgrade-mode", "upgrade-dsp", f("core.tsp")}, EXIT_REFUSED, {}, "单片机升级模式"},
        // The unit vanishes in the middle of the transfer.
        {{"--simulate=remove-after=20", "upgrade-mcu", f("fw.bin")}, EXIT_SILENT, {}, "Error！Please connect try again!"},
        {{"--simulate=remove-after=30", "upgrade-dsp", f("core.tsp")}, EXIT_SILENT, {}, "Error！Please connect try again!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[c.args.size() - 2] + " " + c.args.back() + " " + c.args[0]);
        test::Run r = runCtl(c.args);
        EXPECT_EQ(r.rc, c.rc) << r.err;
        size_t at = 0;
        for (const std::string& piece : c.out) {
            size_t found = r.out.find(piece, at);
            EXPECT_NE(found, std::string::npos) << piece << " in\n" << r.out;
            if (found != std::string::npos) at = found + piece.size();
        }
        if (!c.err.empty()) {
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        }
        if (c.rc == EXIT_OK) {
            EXPECT_EQ(r.err, "");
        }
    }
    std::filesystem::remove_all(dir);
}

TEST(CliUpgrade, ProgressIsABarOnATerminalAndLinesOtherwise) {
    auto dir = tempDir("upgrade-bar");
    writeFile(dir / "core.tsp", bytes(8000));
    const std::vector<std::string> args{"--simulate=latency-ms=1", "upgrade-dsp", (dir / "core.tsp").string()};
    CliHooks terminal;
    terminal.terminal = true;
    test::Run bar = runCtl(args, terminal);
    EXPECT_EQ(bar.rc, EXIT_OK);
    EXPECT_NE(bar.out.find("\r[" + std::string(40, '.') + "]   0%"), std::string::npos) << bar.out;
    EXPECT_NE(bar.out.find("]  99%\n"), std::string::npos) << bar.out;

    test::Run plain = runCtl(args);
    EXPECT_EQ(plain.out.find('\r'), std::string::npos);
    auto l = lines(plain.out);
    ASSERT_GE(l.size(), 3u);
    EXPECT_EQ(l.front(), "0%");
    int previous = -1;
    for (size_t i = 0; i + 1 < l.size(); ++i) {
        ASSERT_EQ(l[i].back(), '%') << l[i];
        int p = std::stoi(l[i]);
        EXPECT_GT(p, previous);
        previous = p;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace udare::cli::test
