// Page model and layout rules of the tuning panel.
#include <QTest>

#include "gdip_button.h"
#include "panel_fixture.h"
#include "peak_meter.h"

namespace udare::panel::paneltest {
namespace {

using controls::CGdipButton;

// The page buttons that may be seen, by page (either language).
std::vector<int> pagesInRow(int page) {
    if (page == PAGE_MIC || page == PAGE_MUSIC) return {PAGE_MIC, PAGE_MUSIC};
    if (page == PAGE_ECHO || page == PAGE_REVERB) return {page};
    return {PAGE_MAIN, PAGE_REAR, PAGE_CENTER, PAGE_SUB};
}

TEST_F(PanelTest, EveryPageShowsItsOwnControlsInEitherLanguage) {
    for (int language : {0, 1}) {
        make(language);
        for (int page = 0; page < kPageCount; ++page) {
            SCOPED_TRACE(testing::Message() << "language " << language << " page " << page);
            panel->SetPage(page);
            const std::vector<int> row = pagesInRow(page);
            for (int set = 0; set < 2; ++set) {
                for (int q = 0; q < kPageCount; ++q) {
                    auto* b = panel->controlAs<CGdipButton>((set == 1 ? id::kPageEn : id::kPageZh) + q);
                    const bool inRow = std::find(row.begin(), row.end(), q) != row.end();
                    EXPECT_EQ(b->isVisible(), inRow && set == language) << "button of page " << q;
                    if (inRow) {
                        EXPECT_EQ(b->alternate(), q == page) << "button of page " << q;
                    }
                }
            }
            EXPECT_EQ(shown(id::kBack), page == PAGE_ECHO || page == PAGE_REVERB);
            const bool input = page == PAGE_MIC || page == PAGE_MUSIC;
            for (int k = 0; k < 4; ++k) EXPECT_EQ(shown(id::kMeter0 + k), input);
            EXPECT_EQ(shown(id::kEffectList), input);
            EXPECT_EQ(shown(id::kEchoPreview), input);
            EXPECT_EQ(shown(id::kMixSlider0), page >= PAGE_MAIN);
            EXPECT_EQ(shown(id::kMixSlider0 + 3), page == PAGE_CENTER || page == PAGE_SUB);
            EXPECT_EQ(shown(id::kCompCurve), page >= PAGE_MAIN);
            EXPECT_EQ(shown(id::kDelaySliderL), page >= PAGE_MAIN);
            EXPECT_EQ(shown(id::kDelaySliderR), page == PAGE_MAIN || page == PAGE_REAR);
            EXPECT_EQ(shown(id::kMicEqGroup), page == PAGE_MIC);
            EXPECT_TRUE(shown(id::kBandTable));
            EXPECT_FALSE(shown(id::kGainSlider));
            EXPECT_TRUE(shown(id::kCurve));
            EXPECT_EQ(grid()->rowCount(), CDialogMusic::RowCount(page));
            EXPECT_EQ(panel->pageColour(), CDialogMusic::PageColour(page));
            EXPECT_EQ(grid()->RowTextColour(0), CDialogMusic::TableTextColour(page));
        }
    }
}

TEST_F(PanelTest, DelaysStayHiddenBelowProtocolTwo) {
    rig.st.identity.protocolVersion = 1;
    make();
    for (int page = PAGE_MAIN; page <= PAGE_SUB; ++page) {
        panel->SetPage(page);
        EXPECT_FALSE(shown(id::kDelaySliderL)) << page;
        EXPECT_FALSE(shown(id::kDelaySwitchR)) << page;
    }
}

TEST_F(PanelTest, PageButtonOfTheCurrentPageDoesNothingWhileSetPageRefreshes) {
    make(0, PAGE_MAIN);
    const int refreshes = panel->refreshCount(), rebuilds = panel->rebuildCount();
    panel->controlAs<CGdipButton>(id::kPageZh + PAGE_MAIN)->click();
    EXPECT_EQ(panel->refreshCount(), refreshes);
    EXPECT_EQ(panel->rebuildCount(), rebuilds);
    panel->SetPage(PAGE_MAIN);
    EXPECT_EQ(panel->refreshCount(), refreshes + 1);
    EXPECT_EQ(panel->rebuildCount(), rebuilds + 1);

    panel->controlAs<CGdipButton>(id::kPageZh + PAGE_SUB)->click();
    EXPECT_EQ(panel->pageNumber(), PAGE_SUB);
}

TEST_F(PanelTest, BackButtonAndPreviewsLeadToTheirPages) {
    make();
    // Greyed on the MUSIC page: no page change from there.
    panel->SetPage(PAGE_MUSIC);
    QTest::mouseClick(panel->control(id::kEchoPreview), Qt::LeftButton);
    EXPECT_EQ(panel->pageNumber(), PAGE_MUSIC);
    panel->SetPage(PAGE_MIC);
    QTest::mouseClick(panel->control(id::kEchoPreview), Qt::LeftButton);
    EXPECT_EQ(panel->pageNumber(), PAGE_ECHO);
    panel->controlAs<CGdipButton>(id::kBack)->click();
    EXPECT_EQ(panel->pageNumber(), PAGE_MIC);
    QTest::mouseClick(panel->control(id::kReverbPreview), Qt::LeftButton);
    EXPECT_EQ(panel->pageNumber(), PAGE_REVERB);
}

TEST_F(PanelTest, RefreshReturnsToTheBandTable) {
    make(0, PAGE_MAIN);
    clickBand(3);
    ASSERT_EQ(panel->selectedBand(), 3);
    ASSERT_TRUE(shown(id::kGainSlider));
    ASSERT_FALSE(shown(id::kBandTable));
    panel->RefreshAll();
    EXPECT_EQ(panel->selectedBand(), -1);
    EXPECT_TRUE(shown(id::kBandTable));
    EXPECT_FALSE(shown(id::kGainSlider));
}

TEST_F(PanelTest, WheelOverThePanelGoesToTheFocusedSliderOrCurve) {
    make(0, PAGE_MAIN);
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    clickBand(8);
    rig.out.clear();
    slider(id::kGainSlider)->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), slider(id::kGainSlider));
    testinput::Wheel(curve(), 120);  // the pointer is over the curve, the focus elsewhere
    QCoreApplication::processEvents();
    EXPECT_EQ(slider(id::kGainSlider)->position(), 1);
    EXPECT_EQ(cell(8, 3), QStringLiteral("+0.1dB"));
    EXPECT_EQ(bandWrites(), (std::vector<BandWrite>{{Eq::Main, 8}}));

    curve()->setFocus();
    testinput::Wheel(slider(id::kQSlider), -120);
    EXPECT_FLOAT_EQ(curve()->band(8).gain, 0.0f);
    // Focus on something else: normal processing, the wheel is the pointed control's own.
    edit(id::kFreqEdit)->setFocus();
    rig.out.clear();
    testinput::Wheel(slider(id::kQSlider), 120);
    QCoreApplication::processEvents();
    EXPECT_EQ(slider(id::kQSlider)->position(), 142);
    EXPECT_FLOAT_EQ(curve()->band(8).gain, 0.0f);
}

TEST_F(PanelTest, MetersTakeTheThreeLevelBytesAndTheFirstTwice) {
    make();
    rig.st.identity.meterLevels.set(0, 200);
    rig.st.identity.meterLevels.set(1, 120);
    rig.st.identity.meterLevels.set(2, 40);
    panel->FeedMeters();
    auto level = [&](int k) {
        return panel->controlAs<controls::CPeakMeterCtrl>(id::kMeter0 + k)->channels().at(0).level;
    };
    EXPECT_EQ(level(0), 200);
    EXPECT_EQ(level(1), 200);
    EXPECT_EQ(level(2), 120);
    EXPECT_EQ(level(3), 40);
}

TEST_F(PanelTest, ResizingStretchesTheCurveAndKeepsTheRightHandControlsAnchored) {
    make();
    const QRect back = panel->control(id::kBack)->geometry();
    const QRect mic = panel->control(id::kMicBoth)->geometry();
    const int right = panel->width() - back.left();
    panel->resize(1200, 700);
    EXPECT_EQ(panel->width() - panel->control(id::kBack)->geometry().left(), right);
    EXPECT_EQ(panel->control(id::kMicBoth)->geometry().top(), mic.top());
    const QRect c = panel->curve()->geometry();
    EXPECT_EQ(c.right(), 1199);
    EXPECT_EQ(c.bottom(), 699);
    EXPECT_EQ(grid()->geometry().height(), 700 - c.top());
}

}  // namespace
}  // namespace udare::panel::paneltest
