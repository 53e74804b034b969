// The machine settings and remote learning dialogs as a user drives them,
// on the real frame and the virtual unit.
#include <QAccessible>
#include <QSet>
#include <QAccessibleValueInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QMenu>

#include "dialogs/dialogs.h"
#include "dialogs/remote_dlg.h"
#include "dialogs/remote_study_dlg.h"
#include "dialogs/set_dlg.h"
#include "protocol/commands.h"
#include "view_fixture.h"
#include "xbmp_slider.h"

namespace udare::dialogs {
namespace {

using namespace shell;
using namespace shell::viewtest;
using controls::CXBmpSlider;
using Machine = std::array<uint8_t, 12>;
using Bytes = std::vector<uint8_t>;

class ScriptedRemoteFiles final : public RemoteFileChooser {
public:
    QString openRemoteFile(QWidget*) override {
        ++asked;
        return openPath;
    }
    QString saveRemoteFile(QWidget*) override {
        ++asked;
        return savePath;
    }
    QString openPath, savePath;
    int asked = 0;
};

class Dialogs : public ViewFixture {
protected:
    void TearDown() override {
        if (QWidget* w = app ? app->slot(DialogSlot::MachineSettings) : nullptr) delete w;
        if (QWidget* w = app ? app->slot(DialogSlot::RemoteLearning) : nullptr) delete w;
        ViewFixture::TearDown();
    }

    void start(const Machine& machine = {0, 60, 50, 99, 99, 0, 0, 0, 0, 0, 0, 0}, const QString& sim = {},
               int language = 0) {
        buildSynced(sim, [&](sim::VirtualUnit& u) { u.setMachineSettings(machine); }, language);
        RegisterDialogs(app->dialogs(), *app, &remoteFiles);
    }

    CSetDlg* openSettings() {
        app->handleF7Released();
        return qobject_cast<CSetDlg*>(app->slot(DialogSlot::MachineSettings));
    }
    CRemoteDlg* openRemote() {
        frame->runCommand(cmd::ID_BTN_REMOTE);
        return qobject_cast<CRemoteDlg*>(app->slot(DialogSlot::RemoteLearning));
    }
    // A drag that ends at v: the slider stands there and tells its parent.
    static void drag(CXBmpSlider* s, int v) {
        s->SetPosition(v);
        emit s->SliderPositionChanged(s->controlId(), s->position());
    }
    const DeviceState& st() const { return session->state(); }
    std::vector<HidReport> micVolumeReports() const {
        std::vector<HidReport> out;
        for (const HidReport& r : sent())
            if (isParam(r, 1, '0')) out.push_back(r);
        return out;
    }
    std::vector<HidReport> reportsOf(uint8_t command) const {
        std::vector<HidReport> out;
        for (const HidReport& r : sent())
            if (r[1] == command) out.push_back(r);
        return out;
    }
    // Runs check inside the modal learning dialog that clicking the area opens.
    void learn(CRemoteDlg* remote, int areaId, const std::function<void(CRemoteStudyDlg*)>& check) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* study = qobject_cast<CRemoteStudyDlg*>(app->slot(DialogSlot::LearningInProgress));
            ASSERT_TRUE(study);
            ran = true;
            check(study);
        });
        remote->area(areaId)->click();
        EXPECT_TRUE(ran);
        EXPECT_FALSE(app->slot(DialogSlot::LearningInProgress));
    }

    ScriptedRemoteFiles remoteFiles;
};

// ---- machine settings ----

TEST_F(Dialogs, StartVolumeTickStoresUnsetOrTheCurrentVolume) {
    start();
    CSetDlg* dlg = openSettings();
    ASSERT_TRUE(dlg);
    auto* on = child<QCheckBox>(dlg, CSetDlg::IDC_MIC_START_ON);
    auto* slider = child<CXBmpSlider>(dlg, CSetDlg::IDC_MIC_START);
    auto* text = child<QLabel>(dlg, CSetDlg::IDC_MIC_START_TEXT);
    ASSERT_TRUE(on && slider && text);
    EXPECT_TRUE(on->isChecked());
    EXPECT_EQ(text->text(), "60");
    EXPECT_EQ(slider->position(), 60);

    on->click();
    EXPECT_EQ(st().machine.working[1], 255);
    EXPECT_EQ(st().machine.committed[1], 60);
    EXPECT_EQ(text->text(), QString::fromUtf8("无效"));
    EXPECT_FALSE(slider->isSliderEnabled());
    EXPECT_FALSE(child<QLabel>(dlg, CSetDlg::IDC_MIC_START_LABEL)->isEnabled());

    // The inactive slider still turns by the wheel; that sets no volume.
    clearSent();
    slider->WheelStep(120);
    pump(50);  // the slider posts its position
    EXPECT_EQ(st().machine.working[1], 255);
    EXPECT_EQ(slider->position(), 0);
    EXPECT_TRUE(micVolumeReports().empty());

    session->state().setSlotInt(slot::micVolume, 37);
    on->click();
    EXPECT_EQ(st().machine.working[1], 37);
    EXPECT_EQ(text->text(), "37");
    EXPECT_EQ(slider->position(), 37);
    EXPECT_TRUE(slider->isSliderEnabled());
}

TEST_F(Dialogs, StartVolumeMovesLiveAndTheMaximumPullsItDown) {
    start();
    CSetDlg* dlg = openSettings();
    auto* start = child<CXBmpSlider>(dlg, CSetDlg::IDC_MIC_START);
    auto* max = child<CXBmpSlider>(dlg, CSetDlg::IDC_MIC_MAX);
    clearSent();

    drag(start, 70);
    EXPECT_EQ(st().machine.working[1], 70);
    EXPECT_EQ(st().slotInt(slot::micVolume), 70);
    ASSERT_EQ(micVolumeReports().size(), 1u);
    EXPECT_EQ(be32(micVolumeReports()[0], 6), floatWire(0.70f));

    // Back to 60, then the maximum dragged down to 40 takes the start volume with it.
    drag(start, 60);
    clearSent();
    drag(max, 40);
    EXPECT_EQ(st().machine.working[3], 40);
    EXPECT_EQ(st().machine.working[1], 40);
    EXPECT_EQ(start->position(), 40);
    EXPECT_EQ(start->maximum(), 40);
    EXPECT_EQ(child<QLabel>(dlg, CSetDlg::IDC_MIC_START_TEXT)->text(), "40");
    EXPECT_EQ(child<QLabel>(dlg, CSetDlg::IDC_MIC_MAX_TEXT)->text(), "40");
    ASSERT_EQ(micVolumeReports().size(), 1u);
    EXPECT_EQ(be32(micVolumeReports()[0], 6), floatWire(0.40f));

    // A maximum above the start volume moves nothing.
    clearSent();
    drag(max, 80);
    EXPECT_EQ(st().machine.working[1], 40);
    EXPECT_TRUE(micVolumeReports().empty());
    // Nothing reaches the unit's record before Apply.
    EXPECT_TRUE(reportsOf(0x91).empty());
}

TEST_F(Dialogs, ApplySendsTheWorkingRecordAndSaysSo) {
    start();
    CSetDlg* dlg = openSettings();
    ASSERT_TRUE(child<QComboBox>(dlg, CSetDlg::IDC_POWER_ON)->isVisible());
    child<QComboBox>(dlg, CSetDlg::IDC_POWER_ON)->setCurrentIndex(3);
    child<QRadioButton>(dlg, CSetDlg::IDC_SAVE_BY_MODE)->click();
    clearSent();
    child<QAbstractButton>(dlg, CSetDlg::IDC_APPLY)->click();
    const auto applied = reportsOf(0x91);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(Bytes(applied[0].begin() + 2, applied[0].begin() + 14),
              (Bytes{1, 60, 50, 99, 99, 0, 0, 0, 0, 3, 0, 0}));
    EXPECT_EQ(st().machine.committed[9], 3);
    EXPECT_EQ(infoText(), QString::fromUtf8("机器设置已生效!"));
    EXPECT_TRUE(dlg->isVisible());  // stays open
}

TEST_F(Dialogs, CancelDropsEditsAndTheNextOpeningShowsTheUnitsRecord) {
    start();
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way == 0 ? "cancel button" : "close box");
        CSetDlg* dlg = openSettings();
        ASSERT_TRUE(dlg);
        auto* lock = child<QCheckBox>(dlg, CSetDlg::IDC_LOCK_PANEL);
        EXPECT_FALSE(lock->isChecked());
        lock->click();
        EXPECT_EQ(st().machine.working[5], 1);
        clearSent();
        QPointer<CSetDlg> gone(dlg);
        if (way == 0)
            child<QAbstractButton>(dlg, CSetDlg::IDC_CANCEL)->click();
        else
            dlg->close();
        EXPECT_FALSE(app->slot(DialogSlot::MachineSettings));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(gone.isNull());
        EXPECT_EQ(st().machine.working[5], 0);
        EXPECT_EQ(st().machine.committed[5], 0);
        EXPECT_EQ(unit->machineSettings()[5], 0);
        EXPECT_TRUE(reportsOf(0x91).empty());
    }
}

TEST_F(Dialogs, LockDetailsFollowThePanelLockAndSetTheLockBits) {
    start({0, 60, 50, 99, 99, 0, 0x40, 0, 0, 0, 0, 0});
    CSetDlg* dlg = openSettings();
    auto* lock = child<QCheckBox>(dlg, CSetDlg::IDC_LOCK_PANEL);
    auto box = [&](int id) { return child<QCheckBox>(dlg, id); };
    // The unit's bits are shown even while they are not in force.
    EXPECT_TRUE(box(1045)->isChecked());
    for (int id : {1143, 1045, CSetDlg::IDC_LOCK_VOLUMES, CSetDlg::IDC_LOCK_MODES}) {
        EXPECT_TRUE(box(id)->isVisible()) << id;
        EXPECT_FALSE(box(id)->isEnabled()) << id;
    }
    lock->click();
    for (int id : {1143, 1045, CSetDlg::IDC_LOCK_VOLUMES, CSetDlg::IDC_LOCK_MODES})
        EXPECT_TRUE(box(id)->isEnabled()) << id;

    box(CSetDlg::IDC_LOCK_VOLUMES)->click();  // bits 0, 1 and 7
    EXPECT_EQ(st().machine.working[6], 0xC3);
    for (int id : {1143, 1144, 1148}) EXPECT_TRUE(box(id)->isChecked()) << id;
    box(1043)->click();  // bit 4: the load-mode lock
    EXPECT_EQ(st().machine.working[6], 0xD3);
    EXPECT_TRUE(box(CSetDlg::IDC_LOCK_MODES)->isChecked());
    box(1144)->click();  // one of the three off: the combined box follows
    EXPECT_EQ(st().machine.working[6], 0xD1);
    EXPECT_FALSE(box(CSetDlg::IDC_LOCK_VOLUMES)->isChecked());

    clearSent();
    child<QAbstractButton>(dlg, CSetDlg::IDC_APPLY)->click();
    ASSERT_EQ(reportsOf(0x91).size(), 1u);
    EXPECT_EQ(reportsOf(0x91)[0][2 + 5], 1);
    EXPECT_EQ(reportsOf(0x91)[0][2 + 6], 0xD1);

    // With the load-mode lock now in force, resetting a preset is refused.
    clearSent();
    child<QAbstractButton>(dlg, CSetDlg::IDC_RESET_M1 + 1)->click();
    EXPECT_EQ(infoText(), QString::fromUtf8("载入模式功能已锁定!"));
    EXPECT_TRUE(reportsOf(0x06).empty());
}

TEST_F(Dialogs, PowerOnModeIsHiddenForProtocolOne) {
    build(QStringLiteral("protocol=1"));
    RegisterDialogs(app->dialogs(), *app, &remoteFiles);
    // The unit is refused for its protocol but stays connected.
    ASSERT_TRUE(waitFor([&] { return !prompter.calls.empty() && !app->slot(DialogSlot::SyncProgress); }));
    CSetDlg* dlg = openSettings();
    ASSERT_TRUE(dlg);
    EXPECT_FALSE(child<QGroupBox>(dlg, CSetDlg::IDC_POWER_ON_GROUP)->isVisible());
    EXPECT_FALSE(child<QComboBox>(dlg, CSetDlg::IDC_POWER_ON)->isVisible());
    EXPECT_TRUE(child<QCheckBox>(dlg, CSetDlg::IDC_LOCK_PANEL)->isVisible());
}

TEST_F(Dialogs, UpgradeButtonsOpenWhatIsRegisteredOrSayItIsMissing) {
    start();
    CSetDlg* dlg = openSettings();
    child<QPushButton>(dlg, CSetDlg::IDC_MCU_UPGRADE)->click();
    EXPECT_FALSE(infoText().isEmpty());

    int made = 0;
    app->dialogs().add(DialogSlot::DspUpgrade, [&](QWidget* parent) {
        ++made;
        return new QWidget(parent, Qt::Dialog);
    });
    child<QPushButton>(dlg, CSetDlg::IDC_DSP_UPGRADE)->click();
    EXPECT_EQ(made, 1);
    ASSERT_TRUE(app->slot(DialogSlot::DspUpgrade));
    EXPECT_TRUE(app->slot(DialogSlot::DspUpgrade)->isVisible());
    app->dialogs().close(DialogSlot::DspUpgrade);
}

TEST_F(Dialogs, SettingsSpeakTheCurrentLanguage) {
    start({0, 255, 50, 99, 99, 0, 0, 0, 0, 0, 0, 0});
    CSetDlg* dlg = openSettings();
    auto* slider = child<CXBmpSlider>(dlg, CSetDlg::IDC_MUSIC_START);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(slider);
    ASSERT_TRUE(a && a->valueInterface());
    EXPECT_EQ(a->role(), QAccessible::Slider);
    EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8("音乐开机音量"));
    EXPECT_EQ(a->valueInterface()->currentValue().toInt(), 50);
    EXPECT_EQ(a->valueInterface()->maximumValue().toInt(), 99);
    // Set through assistive technology as by a user: the unit hears it.
    a->valueInterface()->setCurrentValue(45);
    pump(50);  // the slider posts its position
    EXPECT_EQ(st().machine.working[2], 45);
    EXPECT_EQ(st().slotInt(slot::musicVolume), 45);

    app->toggleLanguage();
    EXPECT_EQ(dlg->windowTitle(), "Machine Set");
    EXPECT_EQ(child<QLabel>(dlg, CSetDlg::IDC_MIC_START_TEXT)->text(), "Invalid");
    EXPECT_EQ(child<QCheckBox>(dlg, 1045)->text(), "No remote control");
    EXPECT_EQ(a->text(QAccessible::Name), "Music start vol");
    // Every control a user can reach is named, and no two alike (a reader
    // could not tell the two start-volume switches apart).
    QSet<QString> names;
    for (QWidget* w : dlg->findChildren<QWidget*>()) {
        if (w->isHidden() || qobject_cast<QLabel*>(w) || qobject_cast<QGroupBox*>(w)) continue;
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w);
        if (!i || !(w->focusPolicy() & Qt::TabFocus)) continue;
        const QString name = i->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << w->metaObject()->className() << controlId(w);
        EXPECT_FALSE(names.contains(name)) << qPrintable(name) << " names two controls";
        names.insert(name);
    }
    EXPECT_TRUE(names.contains("Mic start vol Enable")) << qPrintable(QStringList(names.values()).join(", "));
}

// ---- remote learning ----

TEST_F(Dialogs, LearningAKeyShowsItsCodeAndClosesASecondLater) {
    start();
    CRemoteDlg* remote = openRemote();
    ASSERT_TRUE(remote);
    clearSent();
    QElapsedTimer sinceKey;
    learn(remote, 1607, [&](CRemoteStudyDlg* study) {
        EXPECT_EQ(child<QLabel>(study, CRemoteStudyDlg::IDC_KEY_TEXT)->text(),
                  QString::fromUtf8("您正在学习的键：音乐静音"));
        ASSERT_TRUE(waitFor([&] { return unit->learningKey() == 9; }, 2000));
        EXPECT_GE(find([](const HidReport& r) { return isCommand(r, {0x60, 0x09}); }), 0);
        EXPECT_TRUE(unit->pressRemoteKey(0x5A));
        sinceKey.start();
        ASSERT_TRUE(waitFor([&] { return study->learned(); }, 2000));
        EXPECT_EQ(study->codeText(), "5A");
        EXPECT_EQ(study->statusText(), QString::fromUtf8("窗口将自动关闭"));
        EXPECT_TRUE(child<QPushButton>(study, CRemoteStudyDlg::IDC_CLOSE)->isVisible());
        EXPECT_FALSE(child<QPushButton>(study, CRemoteStudyDlg::IDC_GIVE_UP)->isVisible());
    });
    EXPECT_GE(sinceKey.elapsed(), 900);
    EXPECT_LT(sinceKey.elapsed(), 5000);
    EXPECT_EQ(st().remoteKeys[9], 0x5A);
    EXPECT_TRUE(reportsOf(0x61).empty());  // the unit stopped learning by itself
}

TEST_F(Dialogs, GivingUpCancelsLearningAndKeepsTheTable) {
    start();
    CRemoteDlg* remote = openRemote();
    const auto before = st().remoteKeys.copy();
    clearSent();
    learn(remote, 1603, [&](CRemoteStudyDlg* study) {
        ASSERT_TRUE(waitFor([&] { return unit->learningKey() == 5; }, 2000));
        child<QPushButton>(study, CRemoteStudyDlg::IDC_GIVE_UP)->click();
    });
    ASSERT_TRUE(waitFor([&] { return unit->learningKey() == 0; }, 2000));
    EXPECT_EQ(reportsOf(0x61).size(), 1u);
    EXPECT_EQ(st().remoteKeys.copy(), before);
}

TEST_F(Dialogs, DebugMenuKeyIsPressedOnceTheUnitLearns) {
    start();
    auto* debug = ribbon->findChild<QToolButton*>(QStringLiteral("debugMenuButton"));
    ASSERT_TRUE(debug && debug->menu());
    EXPECT_EQ(debug->menu()->actions().value(1)->text(), QString::fromUtf8("Press a remote key…"));

    CRemoteDlg* remote = openRemote();
    view->pressVirtualRemoteKey(0x3C);  // nothing is learned yet: held
    EXPECT_EQ(view->pendingVirtualRemoteKey(), 0x3C);
    learn(remote, 1608, [&](CRemoteStudyDlg* study) {
        ASSERT_TRUE(waitFor([&] { return study->learned(); }, 3000));
        EXPECT_EQ(study->codeText(), "3C");
    });
    EXPECT_EQ(st().remoteKeys[10], 0x3C);
    EXPECT_EQ(view->pendingVirtualRemoteKey(), -1);
}

TEST_F(Dialogs, UnsupportedAreaSaysSoAndSendsNothing) {
    start({}, {}, 1);
    CRemoteDlg* remote = openRemote();
    clearSent();
    remote->area(1611)->click();
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "No support!");
    EXPECT_EQ(prompter.calls[0].caption, "Information");
    EXPECT_EQ(prompter.calls[0].icon, Prompter::Icon::Information);
    EXPECT_TRUE(sent().empty());
}

TEST_F(Dialogs, ApplyAfterTwoKeysSendsOneTableWithBoth) {
    start({}, QStringLiteral("learn-ms=20"));  // the unit presses 0x40 + 0x1D k itself
    CRemoteDlg* remote = openRemote();
    for (int area : {1587, 1613}) learn(remote, area, [&](CRemoteStudyDlg* study) {
        ASSERT_TRUE(waitFor([&] { return study->learned(); }, 3000));
    });
    clearSent();
    child<QAbstractButton>(remote, CRemoteDlg::IDC_APPLY)->click();
    const auto tables = reportsOf(0x63);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0][2 + 1], uint8_t(0x40 + 0x1D * 1));
    EXPECT_EQ(tables[0][2 + 15], uint8_t(0x40 + 0x1D * 15));
    EXPECT_EQ(unit->remoteKeys()[15], uint8_t(0x40 + 0x1D * 15));
    EXPECT_EQ(infoText(), QString::fromUtf8("遥控器键码保存成功!"));
}

TEST_F(Dialogs, RemoteFilesLoadAndSaveThroughTheDialog) {
    start();
    CRemoteDlg* remote = openRemote();
    const QString base = dir.path();

    // Saving: the typed extension becomes .remo; the file is the table.
    remoteFiles.savePath = base + "/venue.txt";
    child<QAbstractButton>(remote, CRemoteDlg::IDC_SAVE)->click();
    EXPECT_EQ(infoText(), QString::fromUtf8("保存遥控文件成功"));
    QFile saved(base + "/venue.remo");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    const auto table = st().remoteKeys.copy();
    EXPECT_EQ(bytes, QByteArray(reinterpret_cast<const char*>(table.data()), 16));
    EXPECT_FALSE(QFile::exists(base + "/venue.txt"));

    // Loading a short file: its bytes lead, one table goes to the unit.
    {
        QFile f(base + "/short.remo");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x07\x11\x22\x33", 4));
    }
    remoteFiles.openPath = base + "/short.remo";
    clearSent();
    child<QAbstractButton>(remote, CRemoteDlg::IDC_LOAD)->click();
    EXPECT_EQ(infoText(), QString::fromUtf8("载入遥控文件成功"));
    ASSERT_EQ(reportsOf(0x63).size(), 1u);
    auto expected = table;
    expected[0] = 0x07, expected[1] = 0x11, expected[2] = 0x22, expected[3] = 0x33;
    EXPECT_EQ(st().remoteKeys.copy(), expected);
    EXPECT_EQ(unit->remoteKeys(), expected);

    // A file that is not there: nothing changes, nothing is sent.
    remoteFiles.openPath = base + "/missing.remo";
    clearSent();
    child<QAbstractButton>(remote, CRemoteDlg::IDC_LOAD)->click();
    EXPECT_EQ(infoText(), QString::fromUtf8("载入遥控文件失败"));
    EXPECT_TRUE(reportsOf(0x63).empty());

    // Cancelled file dialogs say nothing.
    remoteFiles.openPath.clear();
    app->slot(DialogSlot::InfoBox)->hide();
    child<QAbstractButton>(remote, CRemoteDlg::IDC_LOAD)->click();
    EXPECT_TRUE(infoText().isEmpty());

    // Without the unit the notice comes first and no file dialog opens.
    unit->unplug();
    ASSERT_TRUE(waitFor([&] { return !session->connected(); }));
    remoteFiles.asked = 0;
    for (int id : {CRemoteDlg::IDC_LOAD, CRemoteDlg::IDC_SAVE}) {
        child<QAbstractButton>(remote, id)->click();
        EXPECT_EQ(infoText(), QString::fromUtf8("请先连接机器再进行此操作!"));
    }
    EXPECT_EQ(remoteFiles.asked, 0);
}

TEST_F(Dialogs, RemoteFollowsTheLanguageAndNamesItsKeys) {
    start();
    CRemoteDlg* remote = openRemote();
    EXPECT_EQ(remote->windowTitle(), QString::fromUtf8("遥控学习"));
    EXPECT_EQ(remote->instructionsLanguage(), 0);
    QAccessibleInterface* key = QAccessible::queryAccessibleInterface(remote->area(1587));
    ASSERT_TRUE(key);
    EXPECT_EQ(key->role(), QAccessible::Button);
    EXPECT_EQ(key->text(QAccessible::Name), QString::fromUtf8("载入模式一"));
    EXPECT_EQ(remote->area(1587)->cursor().shape(), Qt::PointingHandCursor);

    app->toggleLanguage();
    EXPECT_EQ(remote->windowTitle(), "Learn remoter control");
    EXPECT_EQ(child<QAbstractButton>(remote, CRemoteDlg::IDC_LOAD)->text(), "Load file");
    EXPECT_EQ(remote->instructionsLanguage(), 1);
    EXPECT_EQ(key->text(QAccessible::Name), "load user mode 1");
    // Every area is a button named by its function, in reach of the keyboard.
    for (const RemoteKey& k : kRemoteKeys) {
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(remote->area(k.areaId));
        EXPECT_EQ(i->text(QAccessible::Name), QString::fromUtf8(k.nameEn)) << k.areaId;
    }
}

}  // namespace
}  // namespace udare::dialogs
