// The frame: ribbon and status texts in both languages, the language toggle,
// the close prompt, the F7 key and the settings it keeps.
#include <QAccessible>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "protocol/slots.h"
#include "shell/commands.h"
#include "shell/ribbon.h"
#include "shell/statusbar.h"
#include "shell_test_support.h"

using namespace udare;
using namespace udare::shell;
using namespace udare::shell::cmd;
using udare::shell::test::ShellFixture;

namespace {

QString text(Ribbon* r, int id) {
    QWidget* w = r->element(id);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
}

QStringList panelCaptions(Ribbon* r, int category) {
    QStringList out;
    RibbonCategory* c = r->category(category);
    for (int i = 0; i < c->panelCount(); ++i) out << c->panel(i)->caption();
    return out;
}

// A dialog standing in for the machine settings dialog.
QDialog* makeSettingsDialog(QWidget* parent) {
    auto* d = new QDialog(parent);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setWindowTitle(QStringLiteral("机器设置"));
    auto* b = new QPushButton(QStringLiteral("保存"), d);
    setControlId(b, 1073);
    return d;
}

}  // namespace

TEST_F(ShellFixture, BuildsInTheStoredLanguage) {
    build(1);
    Ribbon* r = frame->ribbon();
    EXPECT_EQ(r->category(0)->name(), QStringLiteral("Input"));
    EXPECT_EQ(r->category(1)->name(), QStringLiteral("Output"));
    // Names as built (the relabel writes some of them slightly differently).
    EXPECT_EQ(panelCaptions(r, 0),
              (QStringList{"Mic Vol", "Efx  Vol", "Music Vol", "Mic FBC", "Music Pitch", "Load Mode",
                           "Save Mode"}));
    EXPECT_EQ(text(r, ID_LABEL_MICVOL), QStringLiteral("Mic  Vol:100"));
    EXPECT_EQ(text(r, ID_BTN_REMOTE), QStringLiteral("Remote control"));
    EXPECT_EQ(text(r, ID_BTN_LANGUAGE), QString::fromUtf8("中/EN"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("ZAR-UDARE-J8 v1.2"));
    EXPECT_EQ(frame->minimumSize(), QSize(900, 600));
    EXPECT_EQ(frame->property(kInstanceName).toInt(), 1);
}

TEST_F(ShellFixture, RibbonLayoutAndRanges) {
    build(0);
    Ribbon* r = frame->ribbon();
    struct Range {
        int id, min, max;
    } ranges[] = {
        {ID_SLIDER_MICVOL, 0, 99},      {ID_SLIDER_MICVOL_OUT, 0, 100},
        {ID_SLIDER_MUSICVOL, 0, 99},    {ID_SLIDER_MUSICVOL_OUT, 0, 100},
        {ID_SLIDER_EFXVOL_OUT, 0, 100}, {ID_SLIDER_FBC, 1, 5},
        {ID_SLIDER_PITCH_OUT, -8, 8},   {ID_SLIDER_NOISEGATE, 0, 100},
    };
    for (const Range& x : ranges) {
        QSlider* s = qobject_cast<QSlider*>(r->elements(x.id).value(0));
        ASSERT_TRUE(s) << x.id;
        EXPECT_EQ(s->minimum(), x.min) << x.id;
        EXPECT_EQ(s->maximum(), x.max) << x.id;
        EXPECT_EQ(s->width(), 100) << x.id;
    }
    EXPECT_EQ(r->slider(ID_SLIDER_FBC)->value(), 5);
    // The mode buttons exist once per category.
    EXPECT_EQ(r->elements(IDC_LOAD_M1).size(), 2);
    EXPECT_EQ(r->elements(IDC_SAVE_M4).size(), 2);
    EXPECT_EQ(r->category(0)->panelCount(), 7);
    EXPECT_EQ(r->category(1)->panelCount(), 7);
}

TEST_F(ShellFixture, ToggleRelabelsRibbonStatusAndOpenDialogsAndPersists) {
    build(0);
    DeviceState& st = session.state();
    st.setSlotInt(slot::micVolume, 50);
    st.setSlotInt(slot::fbcShift, 3);
    st.setSlotInt(slot::fbcOff, 0);
    st.setSlotInt(slot::musicPitch, 0);
    st.currentMode = 2;
    QDialog* settingsDlg = makeSettingsDialog(frame.get());
    app->setSlot(DialogSlot::MachineSettings, settingsDlg);
    Ribbon* r = frame->ribbon();

    frame->runCommand(ID_BTN_LANGUAGE);
    EXPECT_EQ(uiLanguage(), 1);
    EXPECT_EQ(CVovedo13App::readLanguageSetting(), 1);
    EXPECT_EQ(r->category(0)->name(), QStringLiteral("Input"));
    EXPECT_EQ(panelCaptions(r, 1), (QStringList{"Mic Vol", "Efx Vol", "Music Vol", "MIC FBC:3Hz",
                                                "Music Pitch:+0", "Load Mode", "Save Mode"}));
    EXPECT_EQ(text(r, ID_LABEL_MICVOL), QStringLiteral("Mic   Vol: 50"));
    EXPECT_EQ(qobject_cast<QAbstractButton*>(r->elements(ID_LABEL_MICVOL_OUT).value(0))->text(),
              QStringLiteral("Mic   Vol: 50"));
    EXPECT_EQ(text(r, ID_CHK_MUTE1), QStringLiteral("Mute"));
    EXPECT_EQ(text(r, ID_BTN_AUTOSUB), QStringLiteral("Auto SUB"));
    EXPECT_EQ(settingsDlg->windowTitle(), QStringLiteral("Machine Set"));
    EXPECT_EQ(settingsDlg->findChild<QPushButton*>()->text(), QStringLiteral("Apply"));
    EXPECT_EQ(frame->statusBarPane()->devicePane()->text(), QStringLiteral("Device status:Disconnected"));
    EXPECT_EQ(frame->statusBarPane()->devicePane()->textColor(), QColor(220, 0, 0));
    EXPECT_EQ(frame->statusBarPane()->modePane()->text(), QStringLiteral("Current Mode:Mode3"));
    EXPECT_EQ(frame->statusBarPane()->bypassCheck()->text(), QStringLiteral("Bypass"));

    st.setSlotInt(slot::fbcOff, 1);
    st.setSlotInt(slot::musicPitch, -3);
    frame->runCommand(ID_BTN_LANGUAGE);
    EXPECT_EQ(uiLanguage(), 0);
    EXPECT_EQ(CVovedo13App::readLanguageSetting(), 0);
    EXPECT_EQ(r->category(1)->name(), QString::fromUtf8("输出调节"));
    EXPECT_EQ(panelCaptions(r, 0),
              (QStringList{"话筒音量", "效果音量", "音乐音量", "反馈移频:OFF", "音乐变调:-3",
                           "载入机器模式", "保存机器模式"}));
    EXPECT_EQ(text(r, ID_LABEL_MICVOL), QString::fromUtf8("话筒音量: 50"));
    EXPECT_EQ(settingsDlg->windowTitle(), QString::fromUtf8("机器设置"));
    EXPECT_EQ(frame->statusBarPane()->modePane()->text(), QString::fromUtf8("当前模式:模式三"));
    EXPECT_EQ(frame->statusBarPane()->devicePane()->text(), QString::fromUtf8("设备状态：未连接"));
}

TEST_F(ShellFixture, DevicePaneFollowsTheConnection) {
    build(0);
    session.fakeConnected = true;
    frame->refreshStatus();
    EXPECT_EQ(frame->statusBarPane()->devicePane()->text(), QString::fromUtf8("设备状态：已连接"));
    EXPECT_EQ(frame->statusBarPane()->devicePane()->textColor(), QColor(0, 150, 0));
}

TEST_F(ShellFixture, LookIsWrittenBackAs215) {
    CVovedo13App::settings()->setValue(QStringLiteral("ApplicationLook"), 208);
    build(0);
    EXPECT_EQ(CVovedo13App::settings()->value(QStringLiteral("ApplicationLook")).toInt(), 215);
}

TEST_F(ShellFixture, StoredLanguageOutOfRangeMeansChinese) {
    CVovedo13App::settings()->setValue(QStringLiteral("language"), 7);
    EXPECT_EQ(CVovedo13App::readLanguageSetting(), 0);
}

TEST_F(ShellFixture, RecentListKeepsTenNewestFirst) {
    build(0);
    for (int i = 0; i < 12; ++i) app->addRecentFile(QStringLiteral("/tmp/m%1.VXS").arg(i));
    app->addRecentFile(QStringLiteral("/tmp/m5.VXS"));
    const QStringList files = app->recentFiles();
    ASSERT_EQ(files.size(), 10);
    EXPECT_EQ(files.first(), QStringLiteral("/tmp/m5.VXS"));
    EXPECT_EQ(files.count(QStringLiteral("/tmp/m5.VXS")), 1);
    EXPECT_EQ(files.last(), QStringLiteral("/tmp/m2.VXS"));
}

// A ribbon of its own, without the view that binds its elements.
struct LoneRibbon {
    LoneRibbon() {
        RibbonCategory* in = ribbon.addCategory(QStringLiteral("Input"));
        ribbon.addCategory(QStringLiteral("Output"));
        RibbonPanel* p = in->addPanel(QStringLiteral("Mic Vol"));
        label = ribbon.addLabel(p, ID_LABEL_MICVOL, QStringLiteral("Mic  Vol:100"));
        slider = ribbon.addSlider(p, ID_SLIDER_MICVOL, 0, 99);
        check = ribbon.addCheck(p, ID_CHK_MUTE1, QStringLiteral("Mute"));
        ribbon.resize(600, 150);
        ribbon.show();
    }
    Ribbon ribbon;
    QToolButton* label;
    QSlider* slider;
    QCheckBox* check;
};

TEST(Ribbon, WheelNeverMovesElementsAndTheActiveTabStays) {
    LoneRibbon r;
    r.slider->setValue(10);
    QWheelEvent wheel(QPointF(5, 5), r.slider->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(r.slider, &wheel);
    EXPECT_EQ(r.slider->value(), 10);

    QSignalSpy changed(&r.ribbon, &Ribbon::categoryChanged);
    r.ribbon.setActiveCategory(1);
    r.ribbon.setActiveCategory(1);  // already active: nothing
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(r.ribbon.activeCategoryIndex(), 1);
}

TEST(Ribbon, UserChangesSignalButProgramChangesDoNot) {
    LoneRibbon r;
    QSignalSpy moved(&r.ribbon, &Ribbon::sliderMoved);
    QSignalSpy toggled(&r.ribbon, &Ribbon::checkToggled);
    QSignalSpy commands(&r.ribbon, &Ribbon::commandTriggered);
    EXPECT_TRUE(r.ribbon.setSliderValue(ID_SLIDER_MICVOL, 40));
    EXPECT_TRUE(r.ribbon.setChecked(ID_CHK_MUTE1, true));
    EXPECT_FALSE(r.ribbon.setSliderValue(4242, 1));
    EXPECT_EQ(moved.count(), 0);
    EXPECT_EQ(toggled.count(), 0);
    EXPECT_EQ(r.slider->value(), 40);
    r.slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved[0][0].toInt(), ID_SLIDER_MICVOL);
    EXPECT_EQ(moved[0][1].toInt(), 41);
    r.check->click();
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_FALSE(toggled[0][1].toBool());
    r.label->click();
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toInt(), ID_LABEL_MICVOL);
    EXPECT_EQ(r.ribbon.panelOf(ID_SLIDER_MICVOL), r.ribbon.category(0)->panel(0));
}

// ---- accessibility ----

namespace {
QAccessibleInterface* findRole(QAccessibleInterface* iface, QAccessible::Role role) {
    if (!iface) return nullptr;
    if (iface->role() == role) return iface;
    for (int i = 0; i < iface->childCount(); ++i)
        if (QAccessibleInterface* hit = findRole(iface->child(i), role)) return hit;
    return nullptr;
}
QString accessibleName(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
}
}  // namespace

TEST(Ribbon, AccessibleTabsAndToggleActWhereAClickWould) {
    LoneRibbon r;
    QAccessibleInterface* tabs =
        findRole(QAccessible::queryAccessibleInterface(&r.ribbon), QAccessible::PageTabList);
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->childCount(), 2);
    EXPECT_EQ(tabs->child(0)->text(QAccessible::Name), QStringLiteral("Input"));
    EXPECT_EQ(tabs->child(1)->text(QAccessible::Name), QStringLiteral("Output"));
    EXPECT_TRUE(tabs->child(0)->state().selected);
    EXPECT_EQ(tabs->indexOfChild(tabs->child(1)), 1);

    QSignalSpy changed(&r.ribbon, &Ribbon::categoryChanged);
    tabs->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(r.ribbon.activeCategoryIndex(), 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(tabs->child(1)->state().selected);
    EXPECT_FALSE(tabs->child(0)->state().selected);

    // The accessible Toggle action does not click; the ribbon must still report it.
    QSignalSpy toggled(&r.ribbon, &Ribbon::checkToggled);
    QAccessible::queryAccessibleInterface(r.check)->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_TRUE(toggled[0][1].toBool());
}

TEST_F(ShellFixture, RibbonControlsAreNamedInTheCurrentLanguageAndTheToggleSends) {
    build(0);
    Ribbon* r = frame->ribbon();
    struct Case {
        int id;
        const char* zh;
        const char* en;
    };
    const Case cases[] = {
        {ID_SLIDER_MICVOL, "话筒音量", "Mic Vol"},        {ID_SLIDER_MUSICVOL_OUT, "音乐音量", "Music Vol"},
        {ID_SLIDER_FBC, "反馈抑制", "Mic FBC"},           {ID_SLIDER_PITCH_OUT, "音乐变调", "Music Pitch"},
        {ID_SLIDER_NOISEGATE, "话筒噪声门", "Mic NG"},    {ID_APP_ABOUT, "关于", "About"},
        {ID_CHK_MUTE4_OUT, "静音", "Mute"},
    };
    for (int lang : {0, 1}) {
        if (lang == 1) frame->runCommand(ID_BTN_LANGUAGE);
        for (const Case& c : cases) {
            QWidget* w = r->elements(c.id).value(0);
            ASSERT_NE(w, nullptr) << c.id;
            EXPECT_EQ(accessibleName(w), QString::fromUtf8(lang ? c.en : c.zh)) << c.id;
        }
        EXPECT_EQ(accessibleName(r->applicationButton()), lang ? QStringLiteral("File") : QStringLiteral("文件"));
        EXPECT_EQ(r->elements(ID_CHK_MUTE1).value(0)->accessibleDescription(),
                  lang ? QStringLiteral("Mic Vol") : QStringLiteral("话筒音量"));
    }
    QAccessibleValueInterface* value =
        QAccessible::queryAccessibleInterface(r->elements(ID_SLIDER_MICVOL).value(0))->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->maximumValue().toInt(), 99);

    // Toggling the mute from a screen reader stores and shows it like a click.
    DeviceState& st = session.state();
    ASSERT_EQ(st.slotInt(slot::micMute), 0);
    QAccessible::queryAccessibleInterface(r->elements(ID_CHK_MUTE1).value(0))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(st.slotInt(slot::micMute), 1);
    EXPECT_TRUE(r->check(ID_CHK_MUTE1_OUT)->isChecked());
}

// ---- closing ----

struct CloseCase {
    const char* name;
    int modified;
    std::vector<Prompter::Answer> answers;
    const char* path;  // what the save dialog returns ("" = cancelled)
    bool saveWorks;
    bool closes;
    int saved;
};

class CloseTest : public ShellFixture, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseTest, PromptAndShutdown) {
    const CloseCase& c = GetParam();
    build(0);
    session.state().settingsModified = c.modified;
    session.saveResult = c.saveWorks;
    prompter.answers.assign(c.answers.begin(), c.answers.end());
    files.savePath = QString::fromUtf8(c.path);
    frame->show();
    const bool closed = frame->close();
    EXPECT_EQ(closed, c.closes);
    EXPECT_EQ(session.closeCalls, c.closes ? 1 : 0);
    EXPECT_EQ(session.savedPaths.size(), c.saved);
    EXPECT_EQ(prompter.calls.size(), c.modified ? 1u : 0u);
    if (!prompter.calls.empty()) {
        EXPECT_EQ(prompter.calls[0].caption, "保存?");
        EXPECT_EQ(prompter.calls[0].icon, Prompter::Icon::Question);
        EXPECT_EQ(prompter.calls[0].buttons, Prompter::Buttons::YesNoCancel);
    }
}

using A = Prompter::Answer;
INSTANTIATE_TEST_SUITE_P(
    Shell, CloseTest,
    ::testing::Values(CloseCase{"Unmodified", 0, {}, "", true, true, 0},
                      CloseCase{"Cancel", 1, {A::Cancel}, "", true, false, 0},
                      CloseCase{"No", 1, {A::No}, "", true, true, 0},
                      CloseCase{"YesSaves", 1, {A::Yes}, "/tmp/x.VXS", true, true, 1},
                      CloseCase{"YesThenCancelledDialog", 1, {A::Yes}, "", true, true, 0},
                      CloseCase{"YesButFileFails", 1, {A::Yes}, "/tmp/x.VXS", false, false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShellFixture, ClosePromptInEnglish) {
    build(1);
    session.state().settingsModified = 1;
    prompter.answers = {Prompter::Answer::Cancel};
    EXPECT_FALSE(app->queryClose());
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "parameter value is changed, do you want save it ?");
    EXPECT_EQ(prompter.calls[0].caption, "Save?");
}

TEST_F(ShellFixture, SavedFileJoinsTheRecentList) {
    build(0);
    session.state().settingsModified = 1;
    prompter.answers = {Prompter::Answer::Yes};
    files.savePath = QStringLiteral("/tmp/saved.VXS");
    EXPECT_TRUE(app->queryClose());
    EXPECT_EQ(app->recentFiles().value(0), QStringLiteral("/tmp/saved.VXS"));
}

// ---- F7 ----

TEST_F(ShellFixture, F7OpensMachineSettingsOnceAndHonoursItsGuards) {
    build(0);
    int made = 0;
    app->dialogs().add(DialogSlot::MachineSettings, [&](QWidget* parent) {
        ++made;
        return makeSettingsDialog(parent);
    });
    frame->show();
    QApplication::setActiveWindow(frame.get());

    // Key-down does nothing.
    QTest::keyPress(frame.get(), Qt::Key_F7);
    EXPECT_EQ(made, 0);

    // Upgrade mode: swallowed, nothing opens.
    session.fakeUpgradeMode = 1;
    QTest::keyRelease(frame.get(), Qt::Key_F7);
    EXPECT_EQ(made, 0);
    session.fakeUpgradeMode = 0;

    // Synchronisation progress showing: nothing opens.
    QWidget progress;
    app->setSlot(DialogSlot::SyncProgress, &progress);
    QTest::keyRelease(frame.get(), Qt::Key_F7);
    EXPECT_EQ(made, 0);
    app->setSlot(DialogSlot::SyncProgress, nullptr);

    QTest::keyRelease(frame.get(), Qt::Key_F7);
    EXPECT_EQ(made, 1);
    QWidget* dlg = app->slot(DialogSlot::MachineSettings);
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(app->f7Guard(), 1);

    // Shown again, not made again, while it exists.
    dlg->hide();
    QTest::keyRelease(frame.get(), Qt::Key_F7);
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(dlg->isVisible());

    // Destroyed: the slot empties and the next F7 makes a new one.
    dlg->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(app->slot(DialogSlot::MachineSettings), nullptr);
    QTest::keyRelease(frame.get(), Qt::Key_F7);
    EXPECT_EQ(made, 2);
}

TEST_F(ShellFixture, DialogOpenedAfterTheSwitchComesUpInEnglish) {
    build(0);
    frame->runCommand(ID_BTN_LANGUAGE);
    QDialog* d = makeSettingsDialog(frame.get());
    app->relabel(d, 335);  // what a dialog does when it is created
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Machine Set"));
    delete d;
}

TEST_F(ShellFixture, SecondStartRestoresAMinimisedFrameAsItWas) {
    build(0);
    frame->show();
    frame->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
    frame->bringToFront();
    EXPECT_FALSE(frame->windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(frame->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(frame->isVisible());
}
