// The noise-gate and subwoofer-ducking dialogs on the real frame, writing to
// the virtual unit.
#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QWheelEvent>

#include "panel/auto_sub_dlg.h"
#include "panel/dialog_music.h"
#include "panel/dialog_ng.h"
#include "panel/panel_dialogs.h"
#include "shell/commands.h"
#include "protocol/commands.h"
#include "protocol/context.h"
#include "protocol/slots.h"
#include "view_fixture.h"
#include "xbmp_slider.h"

namespace udare::panel {
namespace {

using namespace udare::shell;
using namespace udare::shell::viewtest;
using namespace udare::shell::cmd;

class DialogTest : public ViewFixture {
protected:
    RelabelFn table() {
        return [this](QWidget* w, int d) { app->relabel(w, d); };
    }
    DeviceState& state() { return view->context().st; }
    // The last report sent for (group, code), or null.
    std::optional<HidReport> last(int group, char code) const {
        const auto all = sent();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (isParam(*it, group, code)) return *it;
        return std::nullopt;
    }
    // Moves a slider as a user would and lets the dialog handle it.
    static void move(controls::CXBmpSlider* s, int p) {
        s->MoveByUser(p);
        pump(20);
    }
};

TEST_F(DialogTest, NoiseGateStoresAndSendsTheReversedPosition) {
    buildSynced();
    auto* d = new CDialogNG(view->context(), table(), frame.get());
    d->show();
    struct Case {
        int slider;  // 0-3
        int position;
        int slot;
        int group;
        char code;
        double scale;
    };
    const Case cases[] = {
        {0, 1, slot::micGateAttack, GROUP_MIC, ';', 1e5},
        {1, 100, slot::micGateRelease, GROUP_MIC, '<', 1e7},
        {2, 37, slot::musicGateAttack, GROUP_MUSIC, '4', 1e5},
        {3, 60, slot::musicGateRelease, GROUP_MUSIC, '5', 1e7},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.slot);
        move(d->slider(k.slider), k.position);
        EXPECT_EQ(state().slotInt(k.slot), 101 - k.position);
        EXPECT_EQ(d->valueLabel(k.slider)->text(), QString::number(k.position));
        ASSERT_TRUE(waitFor([&] { return last(k.group, k.code).has_value(); }));
        EXPECT_EQ(be32(*last(k.group, k.code), 6), floatWire(float((101 - k.position) / k.scale)));
    }
    d->close();
}

TEST_F(DialogTest, NoiseGateRefreshShowsTheStoredValueReversed) {
    buildSynced();
    state().setSlotInt(slot::micGateAttack, 0);      // beyond the slider: pinned at 100
    state().setSlotInt(slot::micGateRelease, 30);
    state().setSlotInt(slot::musicGateAttack, 150);  // pinned at 1
    state().setSlotInt(slot::musicGateRelease, 100);
    auto* d = new CDialogNG(view->context(), table(), frame.get());
    const int positions[4] = {100, 71, 1, 1};
    const char* texts[4] = {"101", "71", "-49", "1"};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(d->slider(k)->position(), positions[k]);
        EXPECT_EQ(d->valueLabel(k)->text(), QString::fromLatin1(texts[k]));
        EXPECT_EQ(d->slider(k)->minimum(), 1);
        EXPECT_EQ(d->slider(k)->maximum(), 100);
    }
    delete d;
}

TEST_F(DialogTest, DuckingSliderWritesWithItsSwitchOff) {
    buildSynced();
    state().setSlotInt(slot::autoSubEnable, 1);
    state().setSlotInt(slot::autoSubLevel, 40);
    auto* d = new CAutoSubDlg(view->context(), table(), frame.get());
    d->opened();
    d->show();
    EXPECT_TRUE(d->enableSwitch()->isChecked());
    EXPECT_EQ(d->slider()->position(), 40);
    EXPECT_EQ(d->valueLabel()->text(), QStringLiteral("40"));

    d->enableSwitch()->click();
    EXPECT_EQ(state().slotInt(slot::autoSubEnable), 0);
    ASSERT_TRUE(waitFor([&] { return last(GROUP_MIC, '=').has_value(); }));
    EXPECT_EQ(be32(*last(GROUP_MIC, '='), 6), 0u);
    EXPECT_FALSE(d->levelCaption()->isEnabled());
    EXPECT_FALSE(d->valueLabel()->isEnabled());
    EXPECT_TRUE(d->slider()->isSliderEnabled());

    move(d->slider(), 25);
    EXPECT_EQ(state().slotInt(slot::autoSubLevel), 25);
    EXPECT_EQ(d->valueLabel()->text(), QStringLiteral("25"));
    ASSERT_TRUE(waitFor([&] {
        const auto r = last(GROUP_MIC, '>');
        return r && be32(*r, 6) == floatWire(0.25f);
    }));

    d->enableSwitch()->click();
    EXPECT_EQ(state().slotInt(slot::autoSubEnable), 1);
    EXPECT_TRUE(d->levelCaption()->isEnabled());
    d->close();
}

TEST_F(DialogTest, EnterIsIgnoredEscapeDestroys) {
    buildSynced();
    for (bool ng : {true, false}) {
        SCOPED_TRACE(ng);
        QPointer<QDialog> d;
        if (ng)
            d = new CDialogNG(view->context(), table(), frame.get());
        else
            d = new CAutoSubDlg(view->context(), table(), frame.get());
        d->show();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(d, &enter);
        pump(10);
        ASSERT_TRUE(d);
        EXPECT_TRUE(d->isVisible());
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(d, &esc);
        EXPECT_TRUE(waitFor([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return d.isNull();
        }, 2000));
    }
}

TEST_F(DialogTest, WheelGoesToTheFocusedSlider) {
    buildSynced();
    state().setSlotInt(slot::micGateRelease, 51);  // position 50
    auto* d = new CDialogNG(view->context(), table(), frame.get());
    d->show();
    d->activateWindow();
    d->slider(1)->setFocus();
    ASSERT_TRUE(waitFor([&] { return d->focusWidget() == d->slider(1); }, 2000));
    // The turn is over another slider: the focused one moves.
    QWidget* over = d->slider(3);
    const QPointF at(5, 5);
    QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(over, &wheel);
    pump(20);
    EXPECT_EQ(d->slider(1)->position(), 51);
    EXPECT_EQ(state().slotInt(slot::micGateRelease), 50);
    EXPECT_EQ(d->slider(3)->position(), 100);
    d->close();
}

TEST_F(DialogTest, CaptionsAndAccessibleNamesFollowTheLanguage) {
    buildSynced({}, {}, 1);
    auto* ng = new CDialogNG(view->context(), table(), frame.get());
    auto* sub = new CAutoSubDlg(view->context(), table(), frame.get());
    sub->opened();
    EXPECT_EQ(ng->windowTitle(), QStringLiteral("Noisegate"));
    EXPECT_EQ(ng->slider(0)->accessibleName(), QStringLiteral("Mic Noisegate Attack time"));
    EXPECT_EQ(ng->slider(3)->accessibleName(), QStringLiteral("Music Noisegate Release time"));
    EXPECT_EQ(sub->windowTitle(), QStringLiteral("Auto SUB vol decay"));
    EXPECT_EQ(sub->enableSwitch()->text(), QStringLiteral("ON"));
    EXPECT_EQ(sub->slider()->accessibleName(), QStringLiteral("Level"));

    setUiLanguage(0);
    app->loadLanguage();
    ng->relabel();
    sub->relabel();
    EXPECT_EQ(ng->windowTitle(), QStringLiteral("噪声门参数"));
    EXPECT_EQ(ng->slider(1)->accessibleName(), QStringLiteral("话筒噪声门 关闭时间"));
    EXPECT_EQ(sub->slider()->accessibleName(), QStringLiteral("超低比例"));

    // The slider is a slider to assistive technology, with its value and range.
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(ng->slider(2));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->role(), QAccessible::Slider);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("音乐噪声门 启动时间"));
    QAccessibleValueInterface* v = a->valueInterface();
    ASSERT_TRUE(v);
    EXPECT_EQ(v->maximumValue().toInt(), 100);
    v->setCurrentValue(20);
    pump(20);
    EXPECT_EQ(state().slotInt(slot::musicGateAttack), 81);
    delete ng;
    delete sub;
}

// Through the ribbon's buttons and the registry, as the program wires them.
TEST_F(DialogTest, RibbonOpensOneOfEachRefreshedAfterSyncAndRelabelled) {
    buildSynced();
    registerPanelDialogs(app->dialogs(), session->context(), table());
    view->onRibbonCommand(ID_BTN_AUTOSUB);
    auto* sub = qobject_cast<CAutoSubDlg*>(app->dialogs().current(ui::DialogSlot::AutoSub));
    ASSERT_TRUE(sub);
    EXPECT_TRUE(sub->isVisible());
    const QPoint centred = sub->pos();
    sub->move(centred + QPoint(200, 150));

    state().setSlotInt(slot::autoSubLevel, 66);
    view->onRibbonCommand(ID_BTN_AUTOSUB);
    EXPECT_EQ(app->dialogs().current(ui::DialogSlot::AutoSub), sub);
    EXPECT_EQ(frame->findChildren<CAutoSubDlg*>().size(), 1);
    EXPECT_EQ(sub->pos(), centred);
    EXPECT_EQ(sub->slider()->position(), 66);  // refreshed at the opening

    view->onRibbonCommand(ID_BTN_NOISEGATE);
    auto* ng = qobject_cast<CDialogNG*>(app->dialogs().current(ui::DialogSlot::NoiseGate));
    ASSERT_TRUE(ng);
    state().setSlotInt(slot::musicGateAttack, 11);
    state().setSlotInt(slot::autoSubLevel, 12);
    view->refreshAll();  // what a completed synchronisation runs
    EXPECT_EQ(ng->slider(2)->position(), 90);
    EXPECT_EQ(sub->valueLabel()->text(), QStringLiteral("12"));

    app->toggleLanguage();
    EXPECT_EQ(ng->windowTitle(), QStringLiteral("Noisegate"));
    EXPECT_EQ(ng->slider(0)->accessibleName(), QStringLiteral("Mic Noisegate Attack time"));
    EXPECT_EQ(sub->levelCaption()->text(), QStringLiteral("Level"));

    // The close box destroys the window and empties the slot; the next opening is a fresh one.
    QPointer<QWidget> old = ng;
    ng->close();
    ASSERT_TRUE(waitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return old.isNull();
    }, 2000));
    EXPECT_FALSE(app->dialogs().current(ui::DialogSlot::NoiseGate));
    view->onRibbonCommand(ID_BTN_NOISEGATE);
    EXPECT_TRUE(app->dialogs().current(ui::DialogSlot::NoiseGate));
    app->dialogs().close(ui::DialogSlot::NoiseGate);
    app->dialogs().close(ui::DialogSlot::AutoSub);
}

// The output page's mixes on the unit: the order and the count of the values.
TEST_F(DialogTest, OutputMixesReachTheUnitInOrder) {
    buildSynced();
    auto* panel = qobject_cast<CDialogMusic*>(view->panel());
    ASSERT_TRUE(panel);
    ribbon->setActiveCategory(1);
    ASSERT_EQ(panel->pageNumber(), PAGE_MAIN);
    const int from = static_cast<int>(sent().size());
    move(panel->controlAs<controls::CXBmpSlider>(1053), 40);
    move(panel->controlAs<controls::CXBmpSlider>(1052), 40);
    panel->SetPage(PAGE_SUB);
    move(panel->controlAs<controls::CXBmpSlider>(1052), 40);
    ASSERT_TRUE(waitFor([&] { return static_cast<int>(sent().size()) >= from + 5; }, 3000));
    const auto all = sent();
    std::vector<std::pair<int, char>> writes;
    for (size_t i = static_cast<size_t>(from); i < all.size(); ++i)
        if (all[i][1] == 0x09) writes.emplace_back(all[i][3], static_cast<char>(all[i][4]));
    const std::vector<std::pair<int, char>> want = {{5, '0'}, {5, '1'}, {5, '2'}, {5, '5'}, {8, '5'}};
    EXPECT_EQ(writes, want);
    EXPECT_EQ(unit->wireValues(GROUP_MAIN, '5', 2), (std::vector<uint32_t>{floatWire(0.4f), floatWire(0.4f)}));
    EXPECT_EQ(unit->wireValues(GROUP_SUB, '5', 1), (std::vector<uint32_t>{floatWire(0.4f)}));
    for (int s : {48, 49, 50, 53, 86}) EXPECT_EQ(state().slotInt(s), 40) << s;
}

}  // namespace
}  // namespace udare::panel
