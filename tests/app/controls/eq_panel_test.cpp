#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <cmath>
#include <limits>

#include "eq_panel.h"
#include "input.h"

using udare::controls::CEqPanel;
using udare::dsp::EqBand;
using namespace testinput;

namespace {

class EqPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        panel.resize(1000, 400);
        panel.show();  // a hidden widget gets its resize event only when shown
        panel.SetBandCount(10);
    }
    void TearDown() override {
        // Every test lets go of the buttons it pressed.
        EXPECT_FALSE(panel.leftDragging());
        EXPECT_FALSE(panel.rightDragging());
        if (panel.contextMenu()->isVisible()) panel.contextMenu()->hide();
    }
    QPoint handle(int i) {
        const EqBand& b = panel.band(i);
        return QPoint(panel.plotRect().left() + static_cast<int>(std::lround(b.x)),
                      panel.plotRect().top() + static_cast<int>(std::lround(b.y)));
    }
    CEqPanel panel;
};

TEST_F(EqPanelTest, PlotRectangleFollowsTheClientArea) {
    EXPECT_EQ(panel.plotRect(), QRect(QPoint(36, 18), QPoint(994, 380)));
    EXPECT_EQ(panel.model().plotWidth, 958);
}

TEST_F(EqPanelTest, LeftDragOfPeakingBandPinsGainAndFrequencyLimits) {
    QSignalSpy changed(&panel, &CEqPanel::EqBandChanged);
    const int i = 5;  // 1000 Hz
    const QPoint h = handle(i);
    Press(&panel, h);
    ASSERT_EQ(panel.selected(), i);
    EXPECT_EQ(changed.count(), 1);

    Move(&panel, QPoint(h.x(), panel.plotRect().top()), Qt::LeftButton);
    EXPECT_FLOAT_EQ(panel.band(i).gain, 15.0f);  // very top of the plot
    Move(&panel, QPoint(h.x(), -80), Qt::LeftButton);
    EXPECT_FLOAT_EQ(panel.band(i).gain, 15.0f);  // above the plot: the band's limit
    Move(&panel, QPoint(-200, h.y()), Qt::LeftButton);
    EXPECT_FLOAT_EQ(panel.band(i).frequency, 20.0f);
    Move(&panel, QPoint(2000, 900), Qt::LeftButton);
    EXPECT_FLOAT_EQ(panel.band(i).frequency, 20000.0f);
    EXPECT_FLOAT_EQ(panel.band(i).gain, -15.0f);

    // The middle of the axis maps back to the geometric middle of 18-23000 Hz.
    Move(&panel, QPoint(36 + 479, h.y()), Qt::LeftButton);
    EXPECT_NEAR(panel.band(i).frequency, std::sqrt(18.0 * 23000.0), 1.0);
    Release(&panel, QPoint(36 + 479, h.y()));
    EXPECT_EQ(changed.count(), 7);  // press, five moves, release
    EXPECT_EQ(panel.selected(), i);  // the selection stays after release
    EXPECT_EQ(changed.last().at(1).toInt(), i);
}

TEST_F(EqPanelTest, DraggedGainIsRoundedToTenths) {
    const int i = 2;
    const QPoint h = handle(i);
    Press(&panel, h);
    Move(&panel, h + QPoint(0, -37), Qt::LeftButton);
    Release(&panel, h + QPoint(0, -37));
    const float g = panel.band(i).gain;
    EXPECT_FLOAT_EQ(g, std::round(g * 10.0f) / 10.0f);
    EXPECT_NEAR(g, 37.0 * 30.0 / 362.0, 0.05);
}

TEST_F(EqPanelTest, LowPassDragKeepsZeroGain) {
    panel.SetBandType(4, udare::dsp::FT_LP);
    const QPoint h = handle(4);
    const float before = panel.band(4).frequency;
    Press(&panel, h);
    Move(&panel, h + QPoint(60, -120), Qt::LeftButton);
    Release(&panel, h + QPoint(60, -120));
    EXPECT_FLOAT_EQ(panel.band(4).gain, 0.0f);
    EXPECT_GT(panel.band(4).frequency, before * 1.5f);
}

TEST_F(EqPanelTest, PressOnEmptySpaceClearsSelectionAndReportsPlotClick) {
    panel.setSelected(3);
    QSignalSpy changed(&panel, &CEqPanel::EqBandChanged);
    QSignalSpy clicked(&panel, &CEqPanel::EqPlotClicked);
    const QPoint empty(handle(3).x(), panel.plotRect().bottom() - 5);
    Press(&panel, empty);
    EXPECT_EQ(panel.selected(), -1);
    Release(&panel, empty);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(EqPanelTest, OffBandsAreNeverHitByTheLeftButton) {
    panel.SetBandType(3, udare::dsp::FT_OFF);
    const QPoint h = handle(3);
    Press(&panel, h);
    EXPECT_EQ(panel.selected(), -1);
    Release(&panel, h);
    Press(&panel, h, Qt::RightButton);  // the right button does hit it
    EXPECT_EQ(panel.selected(), 3);
    Move(&panel, h + QPoint(5, 5), Qt::RightButton);
    Release(&panel, h + QPoint(5, 5), Qt::RightButton);
}

struct QDragCase {
    int type;
    int dx;
    float startQ;
    float expectedQ;
};

TEST_F(EqPanelTest, RightDragStepsAndClampsQ) {
    const QDragCase cases[] = {
        {udare::dsp::FT_PEQ, 12, 1.41f, 2.41f},  // 12 pixels per unit
        {udare::dsp::FT_LS, 12, 0.7f, 0.85f},    // 80 pixels per unit
        {udare::dsp::FT_PEQ, 600, 1.41f, 30.0f},
        {udare::dsp::FT_PEQ, -300, 1.41f, 0.1f},
        {udare::dsp::FT_HS, 300, 0.7f, 2.0f},
        {udare::dsp::FT_LP, -300, 0.7f, 0.1f},
    };
    for (const QDragCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " dx " << c.dx);
        panel.SetBandType(6, c.type);
        ASSERT_FLOAT_EQ(panel.band(6).q, c.startQ);
        QSignalSpy changed(&panel, &CEqPanel::EqBandChanged);
        const QPoint h = handle(6);
        Press(&panel, h, Qt::RightButton);
        ASSERT_EQ(panel.selected(), 6);
        Move(&panel, h + QPoint(c.dx, 8), Qt::RightButton);
        Release(&panel, h + QPoint(c.dx, 8), Qt::RightButton);
        EXPECT_NEAR(panel.band(6).q, c.expectedQ, 1e-5);
        EXPECT_EQ(changed.count(), 3);
        EXPECT_FALSE(panel.contextMenu()->isVisible());  // moved: no menu
    }
}

TEST_F(EqPanelTest, RightClickOpensMenuAndChoicesApplyTypeConsequences) {
    panel.SetBandGain(2, 5.0f);
    const QPoint h = handle(2);
    Press(&panel, h, Qt::RightButton);
    Release(&panel, h, Qt::RightButton);
    QMenu* menu = panel.contextMenu();
    ASSERT_TRUE(menu->isVisible());
    ASSERT_EQ(menu->actions().size(), 5);
    EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("低通(LP)"));

    QSignalSpy changed(&panel, &CEqPanel::EqBandChanged);
    menu->actions()[1]->trigger();  // LP
    menu->hide();
    EXPECT_EQ(panel.band(2).type, udare::dsp::FT_LP);
    EXPECT_FLOAT_EQ(panel.band(2).gain, 0.0f);
    EXPECT_FLOAT_EQ(panel.band(2).q, 0.7f);
    EXPECT_EQ(changed.count(), 1);

    panel.SetBandType(2, udare::dsp::FT_LS);
    panel.SetBandGain(2, -4.0f);
    panel.OnMenuCommand(CEqPanel::kMenuPeq);
    EXPECT_EQ(panel.band(2).type, udare::dsp::FT_PEQ);
    EXPECT_FLOAT_EQ(panel.band(2).q, 1.41f);
    EXPECT_FLOAT_EQ(panel.band(2).gain, -4.0f);  // PEQ keeps the gain

    panel.setLanguage(1);
    EXPECT_EQ(menu->actions()[4]->text(), QStringLiteral("HS"));
}

TEST_F(EqPanelTest, SubKindLowPassChoiceWritesAllFourSections) {
    panel.setKind(udare::dsp::kSubKind);
    panel.SetBandCount(20);
    panel.SetBandGain(2, 6.0f);
    panel.setSelected(2);
    QSignalSpy changed(&panel, &CEqPanel::EqBandChanged);
    panel.OnMenuCommand(CEqPanel::kMenuPeq + 1);  // LP
    EXPECT_EQ(changed.count(), 1);
    const int expected[4][2] = {{2, 18}, {11, 20}, {12, 1}, {13, 1}};
    for (const auto& e : expected) {
        EXPECT_EQ(panel.band(e[0]).type, e[1]) << "band " << e[0];
        EXPECT_FLOAT_EQ(panel.band(e[0]).gain, 0.0f) << "band " << e[0];
        EXPECT_FLOAT_EQ(panel.band(e[0]).frequency, panel.band(2).frequency);
    }
    // The drawn area is the 24 dB/octave sum: -3 dB at the corner, about
    // -24 dB one octave up.
    udare::dsp::ResponseCurve area;
    panel.model().BandArea(2, area);
    const auto& grid = panel.model().grid.freq;
    const float fc = panel.band(2).frequency;
    auto at = [&](float f) {
        int k = 0;
        while (k + 1 < udare::dsp::kGridPoints && grid[k + 1] <= f) ++k;
        return area[k];
    };
    EXPECT_NEAR(at(fc), -3.0f, 0.4f);
    EXPECT_NEAR(at(2 * fc), -24.2f, 0.8f);
    // Hidden sections have no handles.
    EXPECT_EQ(panel.model().handleCount(), 5);
}

struct FamilyCase {
    int startType;
    int family;
    std::array<int, 4> codes;
};

TEST_F(EqPanelTest, CrossoverFamilyKeepsTheSideOfTheVisibleBand) {
    panel.setKind(udare::dsp::kSubKind);
    panel.SetBandCount(20);
    const FamilyCase cases[] = {
        {18, 3, {18, 20, 18, 20}},  // even: low-pass side
        {19, 1, {13, 13, 1, 1}},    // odd: high-pass side
        {0, 0, {10, 10, 1, 1}},     // 0 counts as low-pass
        {1, 10, {7, 1, 1, 1}},      // 1 counts as high-pass
        {2, 12, {10, 10, 1, 1}},    // out of range: family 0
    };
    for (const FamilyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.startType << " family " << c.family);
        panel.band(1).type = c.startType;
        panel.SetCrossoverFamily(1, c.family);
        const int group[4] = {1, 8, 9, 10};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(panel.band(group[k]).type, c.codes[static_cast<size_t>(k)]);
            EXPECT_FLOAT_EQ(panel.band(group[k]).gain, 0.0f);
        }
    }
    panel.SetCrossoverFamily(5, 0);  // not a visible crossover band: nothing
    EXPECT_EQ(panel.band(5).type, 1);
}

TEST_F(EqPanelTest, HostSettersClamp) {
    panel.SetBandQ(1, 0.0f);
    EXPECT_FLOAT_EQ(panel.band(1).q, 1.41f);
    panel.SetBandQ(1, 50.0f);
    EXPECT_FLOAT_EQ(panel.band(1).q, 30.0f);
    panel.SetBandType(1, udare::dsp::FT_LS);
    panel.SetBandQ(1, 50.0f);
    EXPECT_FLOAT_EQ(panel.band(1).q, 2.0f);
    panel.SetBandType(1, udare::dsp::FT_HP);
    panel.SetBandGain(1, 9.0f);
    EXPECT_FLOAT_EQ(panel.band(1).gain, 0.0f);
    panel.SetBandType(1, udare::dsp::FT_PEQ);
    panel.SetBandGain(1, 22.0f);
    EXPECT_FLOAT_EQ(panel.band(1).gain, 15.0f);
    panel.SetBandGain(-1, 3.0f);  // no band: nothing happens
}

TEST_F(EqPanelTest, BandCountPresets) {
    panel.SetBandGain(0, 4.0f);
    panel.SetBandCount(24);
    EXPECT_EQ(panel.model().bandCount, 24);
    EXPECT_FLOAT_EQ(panel.band(0).frequency, 25.0f);
    EXPECT_FLOAT_EQ(panel.band(23).frequency, 20000.0f);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(panel.band(i).type, 1);
        EXPECT_FLOAT_EQ(panel.band(i).q, 1.41f);
        EXPECT_FLOAT_EQ(panel.band(i).gain, 0.0f);
        EXPECT_EQ(panel.band(i).index, i);
    }
    panel.SetBandType(3, udare::dsp::FT_LS);
    panel.SetBandGain(3, 2.0f);
    panel.SetBandCount(12);  // not a preset: renumber and zero gains only
    EXPECT_EQ(panel.band(3).type, udare::dsp::FT_LS);
    EXPECT_FLOAT_EQ(panel.band(3).gain, 0.0f);
    EXPECT_FLOAT_EQ(panel.band(3).frequency, 100.0f);
}

TEST_F(EqPanelTest, KeysNudgeTheSelectedBandAndAreAllConsumed) {
    panel.setSelected(5);
    QSignalSpy changed(&panel, &CEqPanel::EqBandChanged);
    const EqBand before = panel.band(5);
    EXPECT_TRUE(Key(&panel, Qt::Key_Right));
    EXPECT_FLOAT_EQ(panel.band(5).frequency, before.frequency + 1.0f);
    EXPECT_TRUE(Key(&panel, Qt::Key_Left));
    EXPECT_TRUE(Key(&panel, Qt::Key_Left));
    EXPECT_FLOAT_EQ(panel.band(5).frequency, before.frequency - 1.0f);
    EXPECT_TRUE(Key(&panel, Qt::Key_Up));
    EXPECT_NEAR(panel.band(5).gain, 0.1f, 1e-6);
    EXPECT_TRUE(Key(&panel, Qt::Key_Plus, Qt::KeypadModifier));
    EXPECT_NEAR(panel.band(5).q, 1.42f, 1e-6);
    EXPECT_TRUE(Key(&panel, Qt::Key_Minus, Qt::KeypadModifier));
    EXPECT_TRUE(Key(&panel, Qt::Key_Minus, Qt::KeypadModifier));
    EXPECT_NEAR(panel.band(5).q, 1.40f, 1e-6);
    EXPECT_EQ(changed.count(), 7);

    // Up on a low-pass band changes nothing but still reports the band.
    panel.SetBandType(5, udare::dsp::FT_LP);
    changed.clear();
    EXPECT_TRUE(Key(&panel, Qt::Key_Up));
    EXPECT_FLOAT_EQ(panel.band(5).gain, 0.0f);
    EXPECT_EQ(changed.count(), 1);

    // Frequency stops at the band's limits.
    panel.band(5).frequency = 20000.0f;
    EXPECT_TRUE(Key(&panel, Qt::Key_Right));
    EXPECT_FLOAT_EQ(panel.band(5).frequency, 20000.0f);

    // Other keys, Tab included, are swallowed without effect.
    changed.clear();
    for (int key : {int(Qt::Key_Tab), int(Qt::Key_A), int(Qt::Key_Return), int(Qt::Key_Escape)})
        EXPECT_TRUE(Key(&panel, key)) << key;
    panel.setSelected(-1);
    EXPECT_TRUE(Key(&panel, Qt::Key_Up));
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(EqPanelTest, WheelStepsGainOfPeakingAndShelvingBandsOnly) {
    QSignalSpy changed(&panel, &CEqPanel::EqBandChanged);
    Wheel(&panel, 120);  // nothing selected
    EXPECT_EQ(changed.count(), 0);
    panel.setSelected(4);
    Wheel(&panel, 120);
    Wheel(&panel, 960);  // one step whatever the size
    EXPECT_NEAR(panel.band(4).gain, 0.2f, 1e-6);
    Wheel(&panel, -15);
    EXPECT_NEAR(panel.band(4).gain, 0.1f, 1e-6);
    EXPECT_EQ(changed.count(), 3);
    panel.SetBandGain(4, 15.0f);
    Wheel(&panel, 120);
    EXPECT_FLOAT_EQ(panel.band(4).gain, 15.0f);
    panel.SetBandType(4, udare::dsp::FT_HP);
    changed.clear();
    Wheel(&panel, 120);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FLOAT_EQ(panel.band(4).gain, 0.0f);
}

TEST_F(EqPanelTest, HoverTakesTheLastHitPressTheFirst) {
    // Two bands on one spot.
    panel.band(3).frequency = panel.band(4).frequency;
    panel.RecomputeBand(3);
    const QPoint h = handle(4);
    Move(&panel, h, Qt::NoButton);
    EXPECT_EQ(panel.hover(), 4);
    Press(&panel, h);
    EXPECT_EQ(panel.selected(), 3);
    EXPECT_EQ(panel.hover(), -1);
    Release(&panel, h);

    // In the sub channel the hidden sections lie under their visible band;
    // hovering names the visible band.
    panel.setKind(udare::dsp::kSubKind);
    panel.SetBandCount(20);
    Move(&panel, handle(2), Qt::NoButton);
    EXPECT_EQ(panel.hover(), 2);
}

TEST(EqPanelText, LabelsAndStatusColours) {
    EXPECT_EQ(CEqPanel::GridDbLabel(0), QStringLiteral("-0dB"));
    EXPECT_EQ(CEqPanel::GridDbLabel(-15), QStringLiteral("-15dB"));
    EXPECT_EQ(CEqPanel::GridDbLabel(3), QStringLiteral("+3dB"));
    const struct {
        float gain;
        QColor colour;
    } colours[] = {{-6.0f, QColor(0, 255, 0)},   {6.0f, QColor(0, 255, 0)},
                   {-8.0f, QColor(255, 255, 0)}, {10.0f, QColor(255, 255, 0)},
                   {-10.1f, QColor(255, 0, 0)},  {15.0f, QColor(255, 0, 0)}};
    for (const auto& c : colours) EXPECT_EQ(CEqPanel::StatusGainColour(c.gain), c.colour) << c.gain;

    EqBand b;
    b.index = 4;
    b.frequency = 1000.4f;
    b.q = 1.414f;
    EXPECT_EQ(CEqPanel::StatusText(1, b),
              QStringLiteral("Index=5     Frequency=1000Hz    Q=1.41     Gain="));
    EXPECT_EQ(CEqPanel::StatusText(0, b),
              QStringLiteral("EQ号=5    频率=1000Hz    Q值=1.41     增益="));
    EXPECT_EQ(CEqPanel::StatusGain(-0.0f), QStringLiteral("-0.0dB "));
    EXPECT_EQ(CEqPanel::StatusGain(3.25f), QStringLiteral("+3.2dB "));
    EXPECT_EQ(CEqPanel::Title(7, 0), QStringLiteral("超低均衡"));
    EXPECT_EQ(CEqPanel::Title(8, 1), QStringLiteral("Mic1  EQ"));
}

TEST_F(EqPanelTest, DamagedValuesAreMadeSafe) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    panel.SetBandGain(3, 4.0f);
    panel.SetBandGain(3, nan);
    panel.SetBandQ(3, nan);
    EXPECT_FLOAT_EQ(panel.band(3).gain, 4.0f);
    EXPECT_FLOAT_EQ(panel.band(3).q, 1.41f);
    // Values written straight into a band, as a host copying a damaged file would.
    panel.band(3).frequency = nan;
    panel.band(3).gain = std::numeric_limits<float>::infinity();
    panel.band(3).q = -2.0f;
    panel.RecomputeBand(3);
    EXPECT_FLOAT_EQ(panel.band(3).frequency, 20.0f);
    EXPECT_FLOAT_EQ(panel.band(3).gain, 0.0f);
    EXPECT_GT(panel.band(3).q, 0.0f);
    for (float v : panel.band(3).curve) ASSERT_TRUE(std::isfinite(v));
    panel.setSelected(3);
    EXPECT_FALSE(panel.grab().isNull());
}

TEST_F(EqPanelTest, PaintsEveryStateWithoutTrouble) {
    QImage img(panel.size(), QImage::Format_ARGB32_Premultiplied);
    panel.setKind(udare::dsp::kSubKind);
    panel.SetBandCount(20);
    panel.ApplyBandTypeChoice(0, 3);
    panel.setSelected(0);
    panel.setBypass(true);
    {
        QPainter p(&img);
        panel.RenderTo(p);
    }
    // The plot background is the dark fill.
    EXPECT_EQ(QColor(img.pixel(2, 398)), QColor(20, 20, 20));
    const QImage shot = panel.grab().toImage();
    EXPECT_EQ(shot.size(), panel.size());
}

}  // namespace
