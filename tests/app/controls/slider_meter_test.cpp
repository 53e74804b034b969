#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "input.h"
#include "peak_meter.h"
#include "xbmp_slider.h"

using udare::controls::CPeakMeterCtrl;
using udare::controls::CXBmpSlider;
using udare::controls::MeterChannel;
using namespace testinput;

namespace {

// ------------------------------------------------------------------ slider

CXBmpSlider::Geometry Horizontal() {
    CXBmpSlider::Geometry g;
    g.minimum = 0;
    g.maximum = 100;
    g.leftMargin = 7;
    g.rightMargin = 7;
    g.topMargin = 3;
    g.bottomMargin = 2;
    g.controlWidth = 130;
    g.controlHeight = 22;
    g.thumbWidth = 12;
    g.thumbHeight = 17;
    return g;
}

CXBmpSlider::Geometry Vertical() {
    CXBmpSlider::Geometry g;
    g.minimum = -150;
    g.maximum = 150;
    g.leftMargin = 3;
    g.rightMargin = 2;
    g.topMargin = 7;
    g.bottomMargin = 7;
    g.controlWidth = 22;
    g.controlHeight = 130;
    g.thumbWidth = 17;
    g.thumbHeight = 12;
    g.vertical = true;
    return g;
}

TEST(SliderMapping, PositionToPixelAndBack) {
    const CXBmpSlider::Geometry h = Horizontal();  // travel 104 px over 100 steps
    const struct {
        int position, pixel;
    } hcases[] = {{0, 7}, {50, 59}, {100, 111}, {25, 33}};
    for (const auto& c : hcases) {
        EXPECT_EQ(CXBmpSlider::ThumbPixel(h, c.position), c.pixel) << c.position;
        EXPECT_EQ(CXBmpSlider::PixelToPosition(h, c.pixel), c.position) << c.pixel;
    }
    EXPECT_EQ(CXBmpSlider::ThumbPixel(h, 33), 41);
    EXPECT_EQ(CXBmpSlider::PixelToPosition(h, 41), 32);  // both directions truncate
    EXPECT_EQ(CXBmpSlider::ThumbOrigin(h, 50), QPoint(59, 3));
    EXPECT_EQ(CXBmpSlider::PixelToPosition(h, -40), 0);
    EXPECT_EQ(CXBmpSlider::PixelToPosition(h, 400), 100);

    const CXBmpSlider::Geometry v = Vertical();  // travel 104 px over 300 steps, max at top
    EXPECT_EQ(CXBmpSlider::ThumbPixel(v, 150), 7);
    EXPECT_EQ(CXBmpSlider::ThumbPixel(v, -150), 111);
    EXPECT_EQ(CXBmpSlider::ThumbPixel(v, 0), 59);
    EXPECT_EQ(CXBmpSlider::ThumbOrigin(v, 0), QPoint(3, 59));
    EXPECT_EQ(CXBmpSlider::PixelToPosition(v, 7), 150);
    EXPECT_EQ(CXBmpSlider::PixelToPosition(v, 111), -150);
    EXPECT_EQ(CXBmpSlider::PixelToPosition(v, 59), 0);

    CXBmpSlider::Geometry one = h;  // a one-position slider must not divide by zero
    one.minimum = one.maximum = 5;
    EXPECT_EQ(CXBmpSlider::ThumbPixel(one, 5), 7);
    EXPECT_EQ(CXBmpSlider::PixelToPosition(one, 60), 5);
}

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (CXBmpSlider* s : {&h, &v}) {
            const bool vert = s == &v;
            const QString o = vert ? QStringLiteral("v") : QStringLiteral("h");
            s->SetVertical(vert);
            ASSERT_TRUE(s->SetChannelImage(QStringLiteral(":/images/slider_%1_channel.png").arg(o)));
            ASSERT_TRUE(s->SetThumbImages(
                QStringLiteral(":/images/slider_%1_thumb.png").arg(o),
                QStringLiteral(":/images/slider_%1_thumb_focus.png").arg(o),
                QStringLiteral(":/images/slider_%1_thumb_disabled.png").arg(o)));
            s->resize(s->sizeHint());
        }
        h.SetMargins(7, 3, 7, 2);
        v.SetMargins(3, 7, 2, 7);
        h.SetRange(0, 100);
        v.SetRange(0, 100);
        h.SetPosition(50);
        v.SetPosition(50);
    }
    void TearDown() override {
        EXPECT_FALSE(h.isDragging());
        EXPECT_FALSE(v.isDragging());
    }
    CXBmpSlider h{1052};
    CXBmpSlider v{1202};
};

TEST_F(SliderTest, PicturesSetTheSizes) {
    EXPECT_EQ(h.sizeHint(), QSize(130, 22));
    EXPECT_EQ(h.geometryModel().thumbWidth, 12);
    EXPECT_EQ(v.sizeHint(), QSize(22, 130));
    EXPECT_FALSE(h.SetChannelImage(QStringLiteral(":/images/missing.png")));
    EXPECT_EQ(h.sizeHint(), QSize(130, 22));
}

TEST_F(SliderTest, ClickBesideTheThumbMovesOneStepAndPostsLater) {
    QSignalSpy moved(&h, &CXBmpSlider::SliderPositionChanged);
    const QRect t = h.thumbRect();
    Press(&h, QPoint(t.right() + 20, 10));
    Release(&h, QPoint(t.right() + 20, 10));
    EXPECT_EQ(h.position(), 51);
    EXPECT_EQ(moved.count(), 0);  // posted, not sent
    Drain();
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved[0][0].toInt(), 1052);
    EXPECT_EQ(moved[0][1].toInt(), 51);

    Press(&h, QPoint(2, 10));
    Release(&h, QPoint(2, 10));
    EXPECT_EQ(h.position(), 50);

    // Vertical: below the thumb's centre is down.
    const QRect vt = v.thumbRect();
    Press(&v, QPoint(10, vt.bottom() + 20));
    Release(&v, QPoint(10, vt.bottom() + 20));
    EXPECT_EQ(v.position(), 49);
    Press(&v, QPoint(10, 1));
    Release(&v, QPoint(10, 1));
    EXPECT_EQ(v.position(), 50);
}

TEST_F(SliderTest, ClickOnTheThumbPostsTheUnchangedPosition) {
    QSignalSpy moved(&h, &CXBmpSlider::SliderPositionChanged);
    const QPoint c = h.thumbRect().center();
    Press(&h, c);
    EXPECT_TRUE(h.isDragging());
    Release(&h, c);
    Drain();
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved[0][1].toInt(), 50);
}

TEST_F(SliderTest, DraggingPinsAtTheEnds) {
    QSignalSpy moved(&h, &CXBmpSlider::SliderPositionChanged);
    const QPoint c = h.thumbRect().center();
    Press(&h, c);
    Move(&h, QPoint(-300, c.y()), Qt::LeftButton);
    EXPECT_EQ(h.position(), 0);
    Move(&h, QPoint(900, c.y()), Qt::LeftButton);
    EXPECT_EQ(h.position(), 100);
    Move(&h, QPoint(7 + 6 + 52, c.y()), Qt::LeftButton);  // thumb centre at the middle
    EXPECT_EQ(h.position(), 50);
    Release(&h, c);
    Move(&h, QPoint(900, c.y()), Qt::NoButton);  // no longer dragging
    EXPECT_EQ(h.position(), 50);
    Drain();
    EXPECT_EQ(moved.count(), 4);
}

TEST_F(SliderTest, SetPositionClampsAndPostsNothing) {
    QSignalSpy moved(&h, &CXBmpSlider::SliderPositionChanged);
    h.SetPosition(150);
    EXPECT_EQ(h.position(), 100);
    h.SetPosition(-3);
    EXPECT_EQ(h.position(), 0);
    h.SetRange(10, 20);  // the range alone does not clamp
    EXPECT_EQ(h.position(), 0);
    Drain();
    EXPECT_EQ(moved.count(), 0);
}

TEST_F(SliderTest, KeysStepAndVerticalUpRaises) {
    QSignalSpy moved(&v, &CXBmpSlider::SliderPositionChanged);
    const int before = CXBmpSlider::ThumbPixel(v.geometryModel(), v.position());
    EXPECT_TRUE(Key(&v, Qt::Key_Up));
    EXPECT_EQ(v.position(), 51);
    EXPECT_LT(CXBmpSlider::ThumbPixel(v.geometryModel(), v.position()), before);
    EXPECT_TRUE(Key(&v, Qt::Key_Right));
    EXPECT_TRUE(Key(&v, Qt::Key_Down));
    EXPECT_TRUE(Key(&v, Qt::Key_Left));
    EXPECT_TRUE(Key(&v, Qt::Key_Left));
    EXPECT_EQ(v.position(), 49);
    EXPECT_FALSE(Key(&v, Qt::Key_A));  // other keys go on to the parent
    Drain();
    EXPECT_EQ(moved.count(), 5);
}

TEST_F(SliderTest, DisabledSliderIgnoresClicksAndKeysButFollowsTheWheel) {
    h.SetEnabled(false);
    QSignalSpy moved(&h, &CXBmpSlider::SliderPositionChanged);
    Press(&h, QPoint(125, 10));
    Release(&h, QPoint(125, 10));
    EXPECT_FALSE(Key(&h, Qt::Key_Right));
    EXPECT_EQ(h.position(), 50);
    Drain();
    EXPECT_EQ(moved.count(), 0);

    Wheel(&h, 120);
    Wheel(&h, -240);
    Wheel(&h, -240);
    Wheel(&h, 0);  // still posts
    EXPECT_EQ(h.position(), 49);
    Drain();
    ASSERT_EQ(moved.count(), 4);
    EXPECT_EQ(moved[0][1].toInt(), 51);
    EXPECT_EQ(moved[3][1].toInt(), 49);
}

TEST(SliderFocus, FocusPostsAndTabMovesOn) {
    QWidget dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* a = new CXBmpSlider(1056);
    auto* b = new CXBmpSlider(1057);
    layout->addWidget(a);
    layout->addWidget(b);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QSignalSpy focusedA(a, &CXBmpSlider::SliderFocused);
    a->setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(a->isFocused());
    Drain();
    ASSERT_EQ(focusedA.count(), 1);
    EXPECT_EQ(focusedA[0][0].toInt(), 1056);

    QTest::keyClick(a, Qt::Key_Right);  // arrows never leave the slider
    EXPECT_TRUE(a->hasFocus());
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_TRUE(b->hasFocus());
    EXPECT_FALSE(a->isFocused());
}

// ------------------------------------------------------------------ meter

class MeterTest : public ::testing::Test {
protected:
    void SetUp() override {
        meter.channelCount = 1;
        meter.segmentCount = 15;
        meter.style = CPeakMeterCtrl::kStyleHorizontal;
        meter.ResetChannels();
        meter.resize(104, 5);
    }
    CPeakMeterCtrl meter;
};

TEST_F(MeterTest, ZonesAndLitSegments) {
    EXPECT_EQ(CPeakMeterCtrl::LitSegments(100, 15, 230), 6);
    EXPECT_EQ(CPeakMeterCtrl::LitSegments(230, 15, 230), 15);
    EXPECT_EQ(CPeakMeterCtrl::SegmentZone(10, 15, 180, 200, 230), CPeakMeterCtrl::ZoneNormal);
    EXPECT_EQ(CPeakMeterCtrl::SegmentZone(11, 15, 180, 200, 230), CPeakMeterCtrl::ZoneMedium);
    EXPECT_EQ(CPeakMeterCtrl::SegmentZone(12, 15, 180, 200, 230), CPeakMeterCtrl::ZoneMedium);
    EXPECT_EQ(CPeakMeterCtrl::SegmentZone(13, 15, 180, 200, 230), CPeakMeterCtrl::ZoneHigh);
    EXPECT_EQ(CPeakMeterCtrl::EffectiveSegments(1, 230), 23);

    const int level = 300;
    EXPECT_TRUE(meter.SetChannelLevel(&level, 0));
    EXPECT_EQ(meter.channels()[0].level, 230);
    EXPECT_FALSE(meter.SetChannelLevel(nullptr, 0));
    const int levels[3] = {0, 0, 77};
    EXPECT_TRUE(meter.SetChannelLevel(levels, 2));  // outside the list: nothing
    EXPECT_EQ(meter.channels()[0].level, 230);
}

TEST_F(MeterTest, SegmentGeometry) {
    // 104 px / 15 segments = 6 px each, a 1-pixel gap on the left.
    EXPECT_EQ(CPeakMeterCtrl::SegmentRect(QSize(104, 5), 0, 1, 0, 15), QRect(1, 0, 5, 5));
    EXPECT_EQ(CPeakMeterCtrl::SegmentRect(QSize(104, 5), 0, 1, 14, 15), QRect(85, 0, 5, 5));
    // Two channels in 11 px: rows of 5, the spare pixel above the first, 1 px off each side.
    EXPECT_EQ(CPeakMeterCtrl::SegmentRect(QSize(60, 11), 0, 2, 0, 1), QRect(0, 2, 60, 3));
    EXPECT_EQ(CPeakMeterCtrl::SegmentRect(QSize(60, 11), 1, 2, 0, 1), QRect(0, 7, 60, 3));
}

TEST_F(MeterTest, ResetFillsAndDecayEmptiesThenStopsTheTimer) {
    EXPECT_EQ(meter.channels()[0].level, 230);
    EXPECT_EQ(meter.channels()[0].peak, 230);
    EXPECT_EQ(meter.channels()[0].hold, 10);
    ASSERT_TRUE(meter.StartTimer(30));
    int ticks = 0;
    while (meter.channels()[0].level > 0 && ticks < 100) {
        meter.DecayTick();
        ++ticks;
        if (ticks == 1) {
            EXPECT_EQ(meter.channels()[0].level, 215);  // 230 / 15 per tick
        }
    }
    EXPECT_EQ(ticks, 16);
    // The peak waits out its hold, then falls half a step per tick.
    EXPECT_EQ(meter.channels()[0].hold, 0);
    EXPECT_EQ(meter.channels()[0].peak, 230 - 7 * 7);
    while (meter.channels()[0].peak > 0 && ticks < 200) {
        meter.DecayTick();
        ++ticks;
    }
    EXPECT_TRUE(meter.timerActive());
    meter.DecayTick();  // nothing left to change: the timer stops
    EXPECT_FALSE(meter.timerActive());
    EXPECT_TRUE(meter.timerStarted());

    const int level = 120;
    EXPECT_TRUE(meter.SetChannelLevel(&level, 0));
    EXPECT_TRUE(meter.timerActive());  // restarted with the configured period
    EXPECT_EQ(meter.timerPeriod(), 30);
    EXPECT_EQ(meter.channels()[0].peak, 120);
    EXPECT_EQ(meter.channels()[0].hold, 10);
}

TEST_F(MeterTest, LowerLevelLeavesPeakAndHold) {
    const int high = 200, low = 50;
    meter.DecayTick();
    meter.DecayTick();
    const MeterChannel before = meter.channels()[0];
    EXPECT_TRUE(meter.SetChannelLevel(&low, 0));
    EXPECT_EQ(meter.channels()[0].peak, before.peak);
    EXPECT_EQ(meter.channels()[0].hold, before.hold);
    EXPECT_EQ(meter.channels()[0].level, 50);
    EXPECT_TRUE(meter.SetChannelLevel(&high, 0));
    EXPECT_EQ(meter.channels()[0].level, 200);
    EXPECT_FALSE(meter.timerActive());  // never started by the host
}

TEST_F(MeterTest, TimerRunsOnTheEventLoop) {
    ASSERT_TRUE(meter.StartTimer(5));
    const int level = 45;
    meter.SetChannelLevel(&level, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return meter.channels()[0].level == 0; }, 2000));
}

}  // namespace
