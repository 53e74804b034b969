// What a screen reader finds on the panel: names in the current language,
// values and ranges, the curve's bands, and actions that do what a click does.
#include <QAccessible>
#include <QGroupBox>
#include <QTest>

#include "panel_fixture.h"

namespace udare::panel::paneltest {
namespace {

QAccessibleInterface* iface(QWidget* w) { return QAccessible::queryAccessibleInterface(w); }
QString name(QWidget* w) { return iface(w)->text(QAccessible::Name); }

// The lower area, the page row and the mic choice: what every page offers.
bool inLowerAreaOrRow(int id) {
    return (id >= id::kPageZh && id < id::kPageEn + kPageCount) || id == id::kBack || id == id::kCurve ||
           id == id::kBandTable || (id >= id::kTypeRadio0 && id <= id::kQEdit) ||
           id == id::kFamilyList || (id >= id::kMic1 && id <= id::kMicEqGroup) ||
           id == id::kEchoPreview || id == id::kReverbPreview || (id >= id::kMeter0 && id < id::kMeter0 + 4);
}

TEST_F(PanelTest, EveryControlAUserReachesIsNamedInTheCurrentLanguage) {
    for (int language : {0, 1}) {
        make(language);
        for (int page = 0; page < kPageCount; ++page) {
            panel->SetPage(page);
            panel->OnBandSelected(curve()->band(0), 0);  // the band editor too
            for (QWidget* w : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                const int cid = shell::controlId(w);
                if (!w->isVisible() || !inLowerAreaOrRow(cid) || qobject_cast<QLabel*>(w)) continue;
                EXPECT_FALSE(name(w).isEmpty()) << "language " << language << " page " << page << " control " << cid;
            }
        }
    }
    EXPECT_EQ(name(panel->control(id::kPageEn + PAGE_SUB)), QStringLiteral("SUB"));
    EXPECT_EQ(name(slider(id::kGainSlider)), QStringLiteral("G"));
    EXPECT_EQ(name(edit(id::kFreqEdit)), QStringLiteral("F"));
    EXPECT_EQ(name(curve()), QStringLiteral("EQ curve"));
    make(0);
    EXPECT_EQ(name(panel->control(id::kPageZh + PAGE_MIC)), QStringLiteral("话筒"));
    EXPECT_EQ(name(slider(id::kQSlider)), QStringLiteral("Q值"));
    EXPECT_EQ(name(curve()), QStringLiteral("均衡曲线"));
}

TEST_F(PanelTest, TheCurveHasOneChildPerVisibleBandReadAsTypeFrequencyGainAndQ) {
    struct Case {
        int language, page, count;
        const char* name;
        const char* description;
    };
    const Case cases[] = {
        {1, PAGE_MAIN, 24, "Band 17", "PEQ 1000Hz +6.0dB Q1.41"},
        {0, PAGE_MAIN, 24, "频段 17", "参量(PEQ) 1000Hz +6.0dB Q1.41"},
        {1, PAGE_SUB, 5, "Band 5", "LP 100Hz +0.0dB Q1.41"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        make(c.language, c.page);
        if (c.page == PAGE_MAIN) {
            grid()->FinishEdit(16, 3, QStringLiteral("6"));
        }
        QAccessibleInterface* a = iface(curve());
        ASSERT_TRUE(a);
        EXPECT_EQ(a->childCount(), c.count);
        QAccessibleInterface* band = a->child(c.page == PAGE_SUB ? 4 : 16);
        ASSERT_TRUE(band);
        EXPECT_EQ(band->text(QAccessible::Name), QString::fromUtf8(c.name));
        EXPECT_EQ(band->text(QAccessible::Description), QString::fromUtf8(c.description));
        EXPECT_EQ(band->parent(), a);
        EXPECT_EQ(a->indexOfChild(band), c.page == PAGE_SUB ? 4 : 16);
    }
}

TEST_F(PanelTest, AccessibleActionsDoWhatAClickDoes) {
    make(1, PAGE_MAIN);
    // Pressing a band selects it and writes it twice, as a click on its handle.
    QAccessibleInterface* band = iface(curve())->child(3);
    band->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(bandWrites(), (std::vector<BandWrite>{{Eq::Main, 3}, {Eq::Main, 3}}));
    EXPECT_EQ(panel->selectedBand(), 3);
    EXPECT_TRUE(band->state().selected);

    // The gain slider: value and range, and a value set moves it as the user would.
    QAccessibleValueInterface* gain = iface(slider(id::kGainSlider))->valueInterface();
    ASSERT_TRUE(gain);
    EXPECT_EQ(gain->minimumValue().toInt(), -150);
    EXPECT_EQ(gain->maximumValue().toInt(), 150);
    rig.out.clear();
    gain->setCurrentValue(45);
    QCoreApplication::processEvents();
    EXPECT_EQ(gain->currentValue().toInt(), 45);
    EXPECT_EQ(edit(id::kGainEdit)->text(), QStringLiteral("+4.5dB"));
    EXPECT_FLOAT_EQ(GetEqBand(rig.c, Eq::Main, 3).gainDb, 4.5f);

    // Toggling a type radio chooses the type.
    iface(panel->control(id::kTypeRadio0 + 2))->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(GetEqBand(rig.c, Eq::Main, 3).type, 3);
    EXPECT_TRUE(panel->controlAs<QRadioButton>(id::kTypeRadio0 + 2)->isChecked());

    // A page button's press changes the page; a preview's press opens its page.
    iface(panel->control(id::kPageEn + PAGE_SUB))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->pageNumber() == PAGE_SUB; }, 2000));
    panel->SetPage(PAGE_MIC);
    iface(panel->control(id::kEchoPreview))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(panel->pageNumber(), PAGE_ECHO);
    // The band table offers its cells.
    QAccessibleTableInterface* table = iface(grid())->tableInterface();
    ASSERT_TRUE(table);
    EXPECT_EQ(table->rowCount(), 7);
    EXPECT_EQ(table->cellAt(0, 4)->text(QAccessible::Name), QStringLiteral("62Hz"));
}

}  // namespace
}  // namespace udare::panel::paneltest
