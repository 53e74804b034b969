// Undo and redo of the edits made in the machine settings, noise gate and
// subwoofer ducking dialogs, on the real frame and the virtual unit: a change
// is one step, its undo restores the value, sends it the way the edit did and
// shows it in the dialog, opened again if it has been closed.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>

#include <optional>

#include "dialogs/dialogs.h"
#include "dialogs/set_dlg.h"
#include "input.h"
#include "panel/auto_sub_dlg.h"
#include "panel/dialog_ng.h"
#include "panel/panel_dialogs.h"
#include "protocol/commands.h"
#include "protocol/slots.h"
#include "ui/undo.h"
#include "view_fixture.h"
#include "xbmp_slider.h"

namespace udare::dialogs {
namespace {

using namespace shell;
using namespace shell::viewtest;
using controls::CXBmpSlider;

class DialogUndo : public ViewFixture {
protected:
    void TearDown() override {
        for (DialogSlot s :
             {DialogSlot::MachineSettings, DialogSlot::NoiseGate, DialogSlot::AutoSub})
            if (QWidget* w = app ? app->dialogs().current(s) : nullptr) delete w;
        ViewFixture::TearDown();
    }
    // The program's registrations, the panel's dialogs recording on the window's stack.
    void start() {
        buildSynced({}, [](sim::VirtualUnit& u) {
            u.setMachineSettings({0, 60, 50, 99, 99, 0, 0, 0, 0, 0, 0, 0});
        });
        RegisterDialogs(app->dialogs(), *app);
        panel::registerPanelDialogs(
            app->dialogs(), session->context(), [this](QWidget* w, int d) { app->relabel(w, d); },
            [this] { return &view->undo(); });
    }
    ui::UndoStack& undo() { return view->undo(); }
    template <class W> W* open(DialogSlot slot, int ribbonCommand) {
        if (slot == DialogSlot::MachineSettings)
            app->handleF7Released();
        else
            view->onRibbonCommand(ribbonCommand);
        return qobject_cast<W*>(app->dialogs().current(slot));
    }
    // A drag through positions: one gesture, bracketed by a left-button
    // press and release on the dialog.
    static void drag(QWidget* dlg, CXBmpSlider* s, std::initializer_list<int> positions) {
        testinput::Press(dlg, QPoint(1, 1));
        for (int p : positions)
            s->MoveByUser(p);
        testinput::Release(dlg, QPoint(1, 1));
        pump(10);
    }
    const DeviceState& st() const { return session->state(); }
    std::optional<HidReport> last(int group, char code) const {
        const auto all = sent();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (isParam(*it, group, code)) return *it;
        return std::nullopt;
    }
    int count(uint8_t command) const {
        int n = 0;
        for (const HidReport& r : sent())
            n += r[1] == command;
        return n;
    }
};

// The working copy is what the dialog edits: an undo restores it and the
// dialog shows it; the unit's record changes only when Apply sends it.
TEST_F(DialogUndo, MachineSettingsStepsRestoreTheWorkingCopyAndTheLiveVolume) {
    start();
    auto* dlg = open<CSetDlg>(DialogSlot::MachineSettings, 0);
    ASSERT_TRUE(dlg);
    auto* startVolume = child<CXBmpSlider>(dlg, CSetDlg::IDC_MIC_START);
    // The start volume is also the unit's volume while it moves.
    session->state().setSlotInt(slot::micVolume, 37);
    drag(dlg, startVolume, {64, 68, 75});
    ASSERT_EQ(undo().count(), 1);
    EXPECT_EQ(undo().undoText(0), QString::fromUtf8("撤销：机器设置 话筒开机音量"));
    EXPECT_EQ(undo().undoText(1), QStringLiteral("Undo: Machine Set Mic start vol"));
    ASSERT_EQ(st().machine.working[1], 75);

    clearSent();
    undo().undo();
    EXPECT_EQ(st().machine.working[1], 60);
    EXPECT_EQ(st().slotInt(slot::micVolume), 37);
    EXPECT_EQ(startVolume->position(), 60);
    EXPECT_EQ(child<QLabel>(dlg, CSetDlg::IDC_MIC_START_TEXT)->text(), QStringLiteral("60"));
    ASSERT_TRUE(last(GROUP_MIC, '0'));
    EXPECT_EQ(be32(*last(GROUP_MIC, '0'), 6), floatWire(0.37f));
    EXPECT_EQ(count(0x91), 0);

    // A switch is a step too; its undo shows in the controls it governs.
    auto* lock = child<QCheckBox>(dlg, CSetDlg::IDC_LOCK_PANEL);
    drag(dlg, child<CXBmpSlider>(dlg, CSetDlg::IDC_MIC_MAX), {80});
    lock->click();
    EXPECT_EQ(undo().undoText(0), QString::fromUtf8("撤销：机器设置 锁定面板"));
    EXPECT_FALSE(undo().canRedo());
    undo().undo();
    EXPECT_EQ(st().machine.working[5], 0);
    EXPECT_EQ(st().machine.working[3], 80);
    EXPECT_FALSE(lock->isChecked());
    EXPECT_FALSE(child<QCheckBox>(dlg, CSetDlg::kLockBitIds[0])->isEnabled());

    // Closing drops the unapplied maximum; a redo opens the dialog again on
    // what the step changed and nothing else, ready to be applied.
    dlg->close();
    ASSERT_FALSE(app->dialogs().current(DialogSlot::MachineSettings));
    undo().redo();
    auto* again = qobject_cast<CSetDlg*>(app->dialogs().current(DialogSlot::MachineSettings));
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isVisible());
    EXPECT_TRUE(child<QCheckBox>(again, CSetDlg::IDC_LOCK_PANEL)->isChecked());
    EXPECT_EQ(st().machine.working[3], 99);
    EXPECT_EQ(child<CXBmpSlider>(again, CSetDlg::IDC_MIC_MAX)->position(), 99);
    EXPECT_EQ(st().machine.committed[5], 0);
    clearSent();
    child<QAbstractButton>(again, CSetDlg::IDC_APPLY)->click();
    EXPECT_EQ(st().machine.committed[5], 1);
    ASSERT_EQ(count(0x91), 1);
}

TEST_F(DialogUndo, NoiseGateDragIsOneStepWhoseUndoSendsTheValueBeforeThePress) {
    start();
    const int before = 81;
    session->state().setSlotInt(slot::micGateAttack, before);
    auto* ng = open<panel::CDialogNG>(DialogSlot::NoiseGate, cmd::ID_BTN_NOISEGATE);
    ASSERT_TRUE(ng);
    drag(ng, ng->slider(0), {30, 35, 40});
    ASSERT_EQ(undo().count(), 1);
    EXPECT_EQ(undo().undoText(0), QString::fromUtf8("撤销：话筒噪声门 启动时间"));
    EXPECT_EQ(undo().undoText(1), QStringLiteral("Undo: Mic Noisegate Attack time"));
    ASSERT_EQ(st().slotInt(slot::micGateAttack), 61);

    clearSent();
    undo().undo();
    EXPECT_EQ(st().slotInt(slot::micGateAttack), before);
    EXPECT_EQ(ng->slider(0)->position(), 101 - before);
    EXPECT_EQ(ng->valueLabel(0)->text(), QString::number(101 - before));
    ASSERT_TRUE(last(GROUP_MIC, ';'));
    EXPECT_EQ(be32(*last(GROUP_MIC, ';'), 6), floatWire(float(before / 1e5)));

    undo().redo();
    EXPECT_EQ(ng->slider(0)->position(), 40);
    EXPECT_EQ(be32(*last(GROUP_MIC, ';'), 6), floatWire(float(61 / 1e5)));
}

TEST_F(DialogUndo, DuckingSwitchIsOneStepWhoseUndoSendsAndShowsTheSwitchAsItWas) {
    start();
    auto* sub = open<panel::CAutoSubDlg>(DialogSlot::AutoSub, cmd::ID_BTN_AUTOSUB);
    ASSERT_TRUE(sub);
    const bool was = st().slotInt(slot::autoSubEnable) != 0;
    sub->enableSwitch()->click();
    ASSERT_EQ(undo().count(), 1);
    EXPECT_EQ(undo().undoText(0), QString::fromUtf8("撤销：自动超低音量衰减 启用"));
    EXPECT_EQ(undo().undoText(1), QStringLiteral("Undo: Auto SUB vol decay ON"));

    clearSent();
    undo().undo();
    EXPECT_EQ(st().slotInt(slot::autoSubEnable) != 0, was);
    EXPECT_EQ(sub->enableSwitch()->isChecked(), was);
    EXPECT_EQ(sub->levelCaption()->isEnabled(), was);
    ASSERT_TRUE(last(GROUP_MIC, '='));
    EXPECT_EQ(be32(*last(GROUP_MIC, '='), 6), was ? 1u : 0u);
}

} // namespace
} // namespace udare::dialogs
