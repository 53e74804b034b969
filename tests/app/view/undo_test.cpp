// The window's undo stack on the virtual unit: ribbon gestures as steps, the
// keys and the application menu's entries, and what clears the stack.
#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include "panel/dialog_music.h"
#include "protocol/slots.h"
#include "shell/ribbon_levels.h"
#include "ui/undo.h"
#include "view_fixture.h"
#include "xbmp_slider.h"

namespace udare::shell::viewtest {
namespace {

using namespace cmd;

class UndoViewTest : public ViewFixture {
protected:
    // A left-button press and release anywhere in the window bracket a gesture.
    void press() {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(ribbon, &e);
    }
    void release() {
        QMouseEvent e(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(ribbon, &e);
        pump(5);
    }
    // The menu as it is about to show; its entries live until it is rebuilt.
    QAction* entry(const char* name, bool rebuild = true) {
        QMenu* menu = ribbon->applicationMenu();
        if (rebuild) emit menu->aboutToShow();
        return menu->findChild<QAction*>(QString::fromLatin1(name));
    }
    int lastMicVolumeSent() const {
        const auto all = sent();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (isParam(*it, GROUP_MIC, '0')) return static_cast<int>(be32(*it, 6));
        return -1;
    }
};

TEST_F(UndoViewTest, ASliderDragIsOneStepThatTheKeysUndoAndRedo) {
    buildSynced();
    ui::UndoStack& undo = view->undo();
    const int start = session->state().slotInt(slot::micVolume);
    press();
    for (int v : {start + 5, start + 10, start + 20}) slider(ID_SLIDER_MICVOL)->setValue(v);
    release();
    ASSERT_EQ(undo.count(), 1);
    EXPECT_EQ(undo.undoText(0), QString::fromUtf8("撤销：话筒音量"));
    // The next drag is a step of its own.
    press();
    slider(ID_SLIDER_MICVOL)->setValue(start + 30);
    release();
    EXPECT_EQ(undo.count(), 2);
    undo.undo();

    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    clearSent();
    QTest::keyClick(frame.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(session->state().slotInt(slot::micVolume), start);
    EXPECT_EQ(lastMicVolumeSent(), static_cast<int>(enc::percent(start)));
    EXPECT_EQ(countParam(GROUP_MIC, '0'), 1);
    EXPECT_EQ(slider(ID_SLIDER_MICVOL)->value(), start);
    EXPECT_EQ(slider(ID_SLIDER_MICVOL_OUT)->value(), start);

    QTest::keyClick(frame.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(session->state().slotInt(slot::micVolume), start + 20);
    EXPECT_EQ(lastMicVolumeSent(), static_cast<int>(enc::percent(start + 20)));
    QTest::keyClick(frame.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(frame.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(slider(ID_SLIDER_MICVOL)->value(), start + 20);
    EXPECT_EQ(text(ID_LABEL_MICVOL), levelCaption(Level::MicVolume, start + 20));
}

TEST_F(UndoViewTest, MenuEntriesNameTheStepInTheLanguageInUse) {
    buildSynced({}, {}, 1);
    QAction* u = entry("undoEntry");
    QAction* r = entry("redoEntry", false);
    ASSERT_TRUE(u && r);
    EXPECT_EQ(r->text(), QStringLiteral("Redo"));
    EXPECT_EQ(u->text(), QStringLiteral("Undo"));
    EXPECT_FALSE(u->isEnabled());
    EXPECT_EQ(u->toolTip(), ui::UndoStack::clearedByText(1));

    ribbon->check(ID_CHK_MUTE4)->click();
    u = entry("undoEntry");
    EXPECT_EQ(u->text(), QStringLiteral("Undo: Music mute"));
    EXPECT_TRUE(u->isEnabled());
    u->trigger();
    EXPECT_EQ(session->state().slotInt(slot::musicMute), 0);
    EXPECT_FALSE(ribbon->check(ID_CHK_MUTE4)->isChecked());
    r = entry("redoEntry");
    EXPECT_EQ(r->text(), QStringLiteral("Redo: Music mute"));
    EXPECT_EQ(r->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y));

    setUiLanguage(0);
    r = entry("redoEntry");
    EXPECT_EQ(r->text(), QString::fromUtf8("重做：音乐静音"));
    EXPECT_EQ(r->toolTip(), ui::UndoStack::clearedByText(0));
}

// Names of the panel's upper area come from the language table or from texts
// built in code; either way a step recorded in one language is named in the
// other after a switch.
TEST_F(UndoViewTest, UpperAreaStepsAreRenamedByALanguageSwitch) {
    buildSynced();
    auto* panel = qobject_cast<panel::CDialogMusic*>(view->panel());
    ASSERT_TRUE(panel);
    panel->SetPage(panel::PAGE_MAIN);
    struct Case {
        int control;
        int position;
        const char* zh;
        const char* en;
    };
    const Case cases[] = {
        {panel::id::kCompSlider0 + 1, 30, "主输出 衰减比例", "MAIN Ratio"},
        {panel::id::kMixSlider0 + 1, 40, "主输出 主输出话筒音量", "MAIN Main Mic"},
        {panel::id::kDelaySliderR, 50, "主输出 主输出右延时", "MAIN Main.R Delay"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.en);
        panel->controlAs<controls::CXBmpSlider>(c.control)->MoveByUser(c.position);
        pump(10);
        EXPECT_EQ(entry("undoEntry")->text(),
                  QString::fromUtf8("撤销：") + QString::fromUtf8(c.zh));
        app->toggleLanguage();
        EXPECT_EQ(entry("undoEntry")->text(), QStringLiteral("Undo: ") + QString::fromUtf8(c.en));
        app->toggleLanguage();
    }
}

TEST_F(UndoViewTest, ASynchronisationClearsTheStack) {
    buildSynced();
    // Edited while the unit is away, then plugged back in: the unit's values win.
    view->toggleVirtualPlug();
    ASSERT_TRUE(waitFor([&] { return !session->connected(); }));
    slider(ID_SLIDER_EFXVOL)->setValue(44);
    ASSERT_TRUE(view->undo().canUndo());
    view->toggleVirtualPlug();
    ASSERT_TRUE(waitFor([&] { return session->connected() && view->firstSyncPending() == 0; }));
    EXPECT_FALSE(view->undo().canUndo());
    EXPECT_FALSE(entry("undoEntry")->isEnabled());

    // Loading a mode reads everything back from the unit.
    slider(ID_SLIDER_EFXVOL)->setValue(45);
    ASSERT_TRUE(view->undo().canUndo());
    prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes};
    frame->runCommand(IDC_LOAD_M3);
    ASSERT_TRUE(waitFor([&] { return !app->slot(DialogSlot::SyncProgress); }));
    EXPECT_FALSE(view->undo().canUndo());
}

TEST_F(UndoViewTest, UndoWithTheUnitPulledOutChangesTheWindowAndSendsNothing) {
    buildSynced();
    const int start = session->state().slotInt(slot::musicVolume);
    slider(ID_SLIDER_MUSICVOL)->setValue(start + 12);
    view->toggleVirtualPlug();
    ASSERT_TRUE(waitFor([&] { return !session->connected(); }));
    clearSent();
    view->undo().undo();
    EXPECT_EQ(session->state().slotInt(slot::musicVolume), start);
    EXPECT_EQ(slider(ID_SLIDER_MUSICVOL)->value(), start);
    pump(20);
    EXPECT_TRUE(sent().empty());
}

}  // namespace
}  // namespace udare::shell::viewtest
