// The MCU and DSP upgrade dialogs in the real frame, against the virtual
// unit: through upgrade mode and back, an interrupted transfer taken up
// again, refusals, the busy state, and the texts in both languages.
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "link/usb_link.h"
#include "link/workers.h"
#include "upgrade/upgrade_dlg.h"
#include "upgrade/upgrade_dsp_dlg.h"
#include "upgrade/upgrade_windows.h"
#include "upgrade/wait_up_dlg.h"
#include "view_fixture.h"

namespace udare::shell::viewtest {
namespace {

using upgrade::CUpgradeDlg;
using upgrade::CUpgradeDspDlg;
using upgrade::CWaitUpDlg;

QByteArray pattern(int n) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i) b[i] = char(i * 29 + 3);
    return b;
}

class UpgradeWindows : public ViewFixture {
protected:
    void start(const QString& sim = {}, int language = 0, bool synced = true) {
        if (synced)
            buildSynced(sim, {}, language);
        else
            build(sim, {}, language);
        upgrade::registerUpgradeWindows(app->dialogs(), *app);
    }
    QString file(const QString& name, const QByteArray& bytes) {
        QString p = dir.filePath(name);
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return p;
    }
    // As the machine settings' upgrade buttons open them.
    CUpgradeDlg* openMcu(const QString& path) {
        auto* d = dynamic_cast<CUpgradeDlg*>(app->dialogs().show(ui::DialogSlot::McuUpgrade, app->mainWindow()));
        if (d) d->setFileChoice([path](QWidget*) { return path; });
        return d;
    }
    CUpgradeDspDlg* openDsp(const QString& path) {
        auto* d = dynamic_cast<CUpgradeDspDlg*>(app->dialogs().show(ui::DialogSlot::DspUpgrade, app->mainWindow()));
        if (d) d->setFileChoice([path](QWidget*) { return path; });
        return d;
    }
    QString notice() const {
        auto* w = qobject_cast<CWaitUpDlg*>(app->dialogs().current(ui::DialogSlot::WaitUpgrade));
        return w && w->isVisible() ? w->text() : QString();
    }
    int count(uint8_t command) const {
        int n = 0;
        for (const HidReport& r : sent()) n += r[1] == command;
        return n;
    }
};

// Start in normal mode: the unit is asked into upgrade mode, comes back in it,
// the dialog takes the transfer up, the check passes, the unit restarts and
// comes back in normal mode.
TEST_F(UpgradeWindows, McuUpgradeThroughUpgradeModeAndBack) {
    start();
    const QByteArray image = pattern(1500);
    CUpgradeDlg* d = openMcu(file("fw.bin", image));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), QString::fromUtf8("单片机升级"));
    d->startButton()->click();
    EXPECT_EQ(infoText(), QString::fromUtf8("请等待进入升级模式"));
    EXPECT_EQ(count(0xD1), 1);
    EXPECT_TRUE(d->waitingForUpgradeMode());

    ASSERT_TRUE(waitFor([&] { return d->busy(); }, 5000));
    EXPECT_EQ(session->upgradeMode(), 1);
    EXPECT_FALSE(d->startButton()->isEnabled());
    EXPECT_EQ(d->startButton()->text(), QString::fromUtf8("升级中……"));
    d->close();  // ignored while busy
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_TRUE(d->isVisible());

    QPointer<CUpgradeDlg> gone(d);
    ASSERT_TRUE(waitFor([&] { return gone.isNull() || !gone->isVisible(); }, 8000))
        << unit->mcuImage().size() << " " << gone->percentText().toStdString() << " " << unit->mcuImageEnded() << " "
        << view->workers().running() << " " << app->upgradeState;
    EXPECT_EQ(app->upgradeState, -1);
    EXPECT_EQ(infoText(), QString::fromUtf8("升级完成，正在重启中……"));
    std::vector<uint8_t> expected(image.begin(), image.end());
    expected[1] = 0xF1;
    expected[2] = 0x88;
    EXPECT_EQ(unit->mcuImage(), expected);
    ASSERT_TRUE(waitFor([&] { return unit->restarts() == 1 && session->connected() && session->upgradeMode() == 0 &&
                                     view->firstSyncPending() == 0; },
                        8000))
        << unit->restarts() << session->connected() << session->upgradeMode() << view->firstSyncPending();
}

// The unit goes away in the middle of the transfer: the error notice, then
// on its return (still in upgrade mode) the transfer starts again by itself.
TEST_F(UpgradeWindows, InterruptedTransferStartsAgainOnTheNextConnection) {
    start(QStringLiteral("upgrade-mode,remove-after=12"), 1, false);
    QPointer<CUpgradeDlg> d =
        qobject_cast<CUpgradeDlg*>(app->dialogs().current(ui::DialogSlot::McuUpgrade));
    ASSERT_TRUE(waitFor([&] { return (d = qobject_cast<CUpgradeDlg*>(app->dialogs().current(ui::DialogSlot::McuUpgrade))); }));
    EXPECT_FALSE(d->busy());  // a unit met in upgrade mode only opens the dialog
    d->setFileChoice([this](QWidget*) { return file("fw.bin", pattern(1000)); });
    d->startButton()->click();
    EXPECT_EQ(count(0xD1), 0);  // already in upgrade mode
    ASSERT_TRUE(waitFor([&] { return !notice().isEmpty(); }, 4000));
    EXPECT_EQ(notice(), QStringLiteral("Error！Please connect try again!"));
    EXPECT_EQ(app->upgradeState, 0);
    EXPECT_TRUE(unit->mcuImage().size() < 1000);

    unit->replug();
    ASSERT_TRUE(waitFor([&] {
        auto* again = qobject_cast<CUpgradeDlg*>(app->dialogs().current(ui::DialogSlot::McuUpgrade));
        return app->upgradeState == -1 && (!again || !again->busy());
    }, 8000));
    EXPECT_EQ(unit->mcuImage().size(), 1000u);
    EXPECT_EQ(infoText(), QStringLiteral("Restart……"));
}

TEST_F(UpgradeWindows, RefusedFilesSendNothing) {
    start();
    const int before = static_cast<int>(sent().size());
    struct Case {
        QString path;
        bool mcu;
        const char* text;
    } cases[] = {
        {file("empty.bin", {}), true, "文件为空"},
        {file("big.bin", pattern(65537)), true, "65536"},
        {file("junk.CBA", pattern(64)), true, "解压缩文件错误!"},
        {file("empty.tsp", {}), false, "文件为空"},
    };
    for (const Case& c : cases) {
        prompter.calls.clear();
        if (c.mcu) {
            openMcu(c.path)->StartMcuUpgrade();
        } else {
            openDsp(c.path)->StartDspUpgrade();
        }
        ASSERT_EQ(prompter.calls.size(), 1u) << c.path.toStdString();
        EXPECT_NE(prompter.calls[0].text.find(c.text), std::string::npos) << prompter.calls[0].text;
        EXPECT_EQ(prompter.calls[0].caption, "错误");
    }
    pump(100);
    const auto all = sent();
    for (size_t i = size_t(before); i < all.size(); ++i) EXPECT_EQ(all[i][1], 0x0E);  // only the meter poll
}

TEST_F(UpgradeWindows, DspUpgradeEndsWithTheLinkClosedAndTheRestartNotice) {
    start();
    const QByteArray core = pattern(5000);
    CUpgradeDspDlg* d = openDsp(file("core.tsp", core));
    ASSERT_NE(d, nullptr);
    QPointer<CUpgradeDspDlg> alive(d);
    d->startButton()->click();
    EXPECT_TRUE(d->busy());
    EXPECT_FALSE(d->startButton()->isEnabled());
    d->close();
    EXPECT_TRUE(d->isVisible());
    ASSERT_TRUE(waitFor([&] { return alive.isNull(); }, 8000));
    EXPECT_FALSE(session->connected());
    EXPECT_EQ(notice(), QString::fromUtf8("升级完成，请手动重启机器!"));
    std::vector<uint8_t> expected(core.begin(), core.end());
    expected.resize(5024, 0xFF);
    EXPECT_EQ(unit->dspFlash(0, 5024), expected);
    EXPECT_TRUE(prompter.calls.empty());
}

TEST_F(UpgradeWindows, StartOnlyWarnsInUpgradeModeOrWithoutAUnit) {
    start(QStringLiteral("upgrade-mode"), 1, false);
    ASSERT_TRUE(waitFor([&] { return session->connected(); }));
    openDsp(file("core.tsp", pattern(100)))->StartDspUpgrade();
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "内核升级无法在单片机升级模式下进行，请将机器启动为正常工作模式!");
    EXPECT_EQ(prompter.calls[0].caption, "警告");

    session->link().DisconnectDevice();
    prompter.calls.clear();
    openDsp(file("core.tsp", pattern(100)))->StartDspUpgrade();
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "Please connect device!");
    EXPECT_EQ(prompter.calls[0].caption, "Information");
    openMcu(file("fw.bin", pattern(100)))->StartMcuUpgrade();
    EXPECT_EQ(infoText(), QStringLiteral("Please Connect Device"));
    EXPECT_EQ(count(0xDC), 0);
    EXPECT_EQ(count(0xD1), 0);
}

TEST_F(UpgradeWindows, CaptionsAndAccessibleNamesInBothLanguages) {
    struct Case {
        int language;
        const char* mcuTitle;
        const char* mcuStart;
        const char* dspTitle;
        const char* progress;
    } cases[] = {
        {0, "单片机升级", "开始升级", "内核升级", "升级进度:"},
        {1, "Device upgrade", "Start", "Core upgrade", "Progress:"},
    };
    for (const Case& c : cases) {
        start({}, c.language, false);
        auto* mcu = openMcu({});
        auto* dsp = openDsp({});
        EXPECT_EQ(mcu->windowTitle(), QString::fromUtf8(c.mcuTitle));
        EXPECT_EQ(mcu->startButton()->text(), QString::fromUtf8(c.mcuStart));
        EXPECT_EQ(mcu->bar()->accessibleName(), QString::fromUtf8(c.progress));
        EXPECT_EQ(mcu->percentText(), QStringLiteral("0%"));
        EXPECT_EQ(dsp->windowTitle(), QString::fromUtf8(c.dspTitle));
        EXPECT_EQ(dsp->progressText(), QStringLiteral("0/1000"));
        for (QWidget* w : mcu->findChildren<QWidget*>() + dsp->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(w->window())) continue;
            const QString name = w->accessibleName().isEmpty()
                                     ? (qobject_cast<QLabel*>(w)          ? qobject_cast<QLabel*>(w)->text()
                                        : qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text()
                                                                            : QString())
                                     : w->accessibleName();
            EXPECT_FALSE(name.isEmpty()) << w->metaObject()->className();
        }
        frame.reset();
        app.reset();
        session.reset();
    }
}

}  // namespace
}  // namespace udare::shell::viewtest
