#include "upgrade.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "link/usb_link.h"
#include "upgrade/dsp_upgrade.h"
#include "upgrade/mcu_upgrade.h"

namespace udare::cli {

namespace {

constexpr int kProgressPollMs = 100;
constexpr int kBarWidth = 40;

// A bar redrawn in place on a terminal; otherwise one line per new percentage.
class ProgressLine {
public:
    explicit ProgressLine(Session& s) : s_(s) {}
    void show(int percent) {
        percent = std::clamp(percent, 0, 100);
        if (percent == last_) return;
        last_ = percent;
        if (s_.terminal()) {
            const int filled = percent * kBarWidth / 100;
            s_.out << '\r' << '[' << std::string(size_t(filled), '#')
                   << std::string(size_t(kBarWidth - filled), '.') << "] " << format("%3d%%", percent)
                   << std::flush;
        } else {
            s_.out << percent << "%\n" << std::flush;
        }
    }
    void end() {
        if (s_.terminal() && last_ >= 0) s_.out << '\n' << std::flush;
        last_ = -1;
    }

private:
    Session& s_;
    int last_ = -1;
};

// Runs body on its own thread while the progress is drawn from percent().
void runWithProgress(Session& s, const std::function<void()>& body, const std::function<int()>& percent) {
    ProgressLine line(s);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        body();
        done = true;
    });
    while (!done.load()) {
        line.show(percent());
        std::this_thread::sleep_for(std::chrono::milliseconds(kProgressPollMs));
    }
    worker.join();
    line.show(percent());
    line.end();
}

int refuse(Session& s, ImageRefusal r, const std::string& path) {
    s.fail(refusalMessage(r, path, s.lang()));
    return EXIT_REFUSED;
}

bool lost(Session& s) { return s.unitLost() || !s.connected(); }

// op::kEnterUpgradeMode, then wait up to 8 s for the unit to leave and come back in upgrade mode.
int switchToUpgradeMode(Session& s) {
    s.out << s.t({"请等待进入升级模式", "Wait to upgrade mode"}) << '\n' << std::flush;
    RequestUpgradeMode(s.ctx());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kUpgradeModeWaitMs);
    auto waitStep = [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); };
    // The unit leaves the bus: its reads fail.
    while (!s.link().g_bReadThreadEnd.load() && !s.tap.readBroken() &&
           std::chrono::steady_clock::now() < deadline)
        waitStep();
    bool back = false;
    while (!back && std::chrono::steady_clock::now() < deadline) {
        back = s.reconnect() == EXIT_OK;
        if (!back) std::this_thread::sleep_for(std::chrono::milliseconds(kProgressPollMs));
    }
    if (!back || s.link().upgradeMode.load() != 1) {
        s.fail("出现错误，机器没有切换至升级模式");
        return EXIT_SILENT;
    }
    return EXIT_OK;
}

}  // namespace

int cmdUpgradeMcu(Session& s, const std::vector<Value>& v) {
    const std::string& path = v[0].s;
    ImageRefusal r = ImageRefusal::None;
    std::unique_ptr<McuTransfer> t = PrepareMcuTransfer(path, &r);
    if (!t) return refuse(s, r, path);
    if (int rc = s.connect()) return rc;
    if (s.link().upgradeMode.load() != 1)
        if (int rc = switchToUpgradeMode(s)) return rc;

    auto stop = [&s] { return s.unitLost() || s.interrupted(); };
    runWithProgress(
        s, [&] { McuUpgradeWorker(s.link(), s.ctx(), *t, stop); },
        [&] { return t->progress() * 100 / t->range(); });
    const bool confirmed = !lost(s) && CheckMcuImage(s.ctx(), s.upgrade);
    if (!confirmed) {
        s.fail(s.t({"升级中出现错误，请重连机器!", "Error！Please connect try again!"}));
        if (s.interrupted()) return EXIT_FAILED;
        return lost(s) ? EXIT_SILENT : EXIT_UNVERIFIED;
    }
    RestartAfterMcuUpgrade(s.ctx());
    s.out << s.t({"升级完成，正在重启中……", "Restart……"}) << '\n';
    s.close();  // the unit is restarting: nothing more to ask of it
    return EXIT_OK;
}

int cmdUpgradeDsp(Session& s, const std::vector<Value>& v) {
    const std::string& path = v[0].s;
    ImageRefusal r = ImageRefusal::None;
    std::unique_ptr<DspTransfer> t = PrepareDspTransfer(path, &r);
    if (!t) return refuse(s, r, path);
    if (int rc = s.connect()) return rc;
    if (s.link().upgradeMode.load() == 1) {
        s.fail("内核升级无法在单片机升级模式下进行，请将机器启动为正常工作模式!");
        return EXIT_REFUSED;
    }

    auto stop = [&s] { return s.unitLost() || s.interrupted(); };
    runWithProgress(
        s, [&] { DspUpgradeWorker(s.link(), s.ctx(), *t, stop); },
        [&] { return t->dspProgress.load() / 100; });
    const DspResult result = t->result.load();
    const bool wasLost = result == DspResult::Lost || lost(s);
    s.close();
    if (s.interrupted()) {
        s.fail(s.t({"已中断", "interrupted"}));
        return EXIT_FAILED;
    }
    if (wasLost) {
        s.fail(s.t({"升级中出现错误，请重连机器!", "Error！Please connect try again!"}));
        return EXIT_SILENT;
    }
    s.out << "升级完成，请手动重启机器!\n";
    // The checksum box has been printed already.
    return result == DspResult::Verified ? EXIT_OK : EXIT_UNVERIFIED;
}

}  // namespace udare::cli
