#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>

#include "compress_panel.h"
#include "gdip_button.h"
#include "grid_list_ctrl.h"
#include "input.h"
#include "report_ctrl.h"
#include "small_eq_panel.h"

using namespace udare::controls;
using namespace testinput;

namespace {

// ------------------------------------------------------------------ small EQ

class SmallEqTest : public ::testing::Test {
protected:
    void SetUp() override {
        panel.resize(268, 152);
        panel.show();  // a hidden widget gets its resize event only when shown
    }
    QRect plot() const { return CSmallEqPanel::PlotFor(panel.size(), QMargins(2, 2, 2, 2)); }
    CSmallEqPanel panel;
};

TEST_F(SmallEqTest, SettersClampAndIgnoreZeroFrequency) {
    panel.SetBandFrequency(5.0f, 0);
    EXPECT_FLOAT_EQ(panel.bands[0].frequency, 20.0f);
    panel.SetBandFrequency(0.0f, 0);
    EXPECT_FLOAT_EQ(panel.bands[0].frequency, 20.0f);
    panel.SetBandFrequency(30000.0f, 1);
    EXPECT_FLOAT_EQ(panel.bands[1].frequency, 20000.0f);
    panel.SetBandGain(20.0f, 2);
    EXPECT_FLOAT_EQ(panel.bands[2].gain, 15.0f);
    panel.SetBandGain(1.0f, 7);  // no such band
    panel.SetBandGain(std::numeric_limits<float>::quiet_NaN(), 2);
    EXPECT_FLOAT_EQ(panel.bands[2].gain, 15.0f);
    panel.bands[3].q = std::numeric_limits<float>::quiet_NaN();  // written straight in
    panel.RecomputeBand(3);
    for (const QPointF& pt : panel.summed) EXPECT_TRUE(std::isfinite(pt.y()));
}

TEST_F(SmallEqTest, FlatBandsLieOnTheMiddleLine) {
    const double middle = plot().top() + plot().height() / 2.0;
    for (const QPointF& pt : panel.summed) EXPECT_DOUBLE_EQ(pt.y(), middle);
    EXPECT_DOUBLE_EQ(panel.summed[0].x(), 2.0);
    EXPECT_LT(panel.summed[55].x(), plot().right());
    EXPECT_EQ(CSmallEqPanel::PointFrequency(0, plot()), 10);
}

TEST_F(SmallEqTest, SumUsesLevelsRoundedToTenths) {
    const QRect p = plot();
    const double h = p.height();
    auto yFor = [&](double db) { return p.top() + h / 2.0 - db * h / 30.0; };
    EXPECT_NEAR(CSmallEqPanel::PointLevel(QPointF(0, yFor(1.26)), p), 1.3, 1e-9);
    EXPECT_NEAR(CSmallEqPanel::PointLevel(QPointF(0, yFor(-1.26)), p), -1.2, 1e-9);

    std::array<SmallEqBand, kSmallEqBands> bands{};
    for (SmallEqBand& b : bands)
        for (QPointF& pt : b.points) pt = QPointF(0, yFor(0.0));
    bands[0].points[10] = QPointF(0, yFor(1.26));
    bands[1].points[10] = QPointF(0, yFor(1.26));
    bands[2].points[20] = QPointF(0, yFor(-1.26));
    std::array<QPointF, kSmallEqPoints> sum{};
    CSmallEqPanel::ComputeSum(bands, p, sum);
    EXPECT_NEAR(CSmallEqPanel::SummedLevel(sum[10], p), 2.6, 1e-9);
    EXPECT_NEAR(CSmallEqPanel::SummedLevel(sum[20], p), -1.2, 1e-9);
}

TEST_F(SmallEqTest, BoostShowsAndResizeRecomputes) {
    panel.SetBandGain(6.0f, 5);  // 1000 Hz peak
    double best = -100.0;
    for (const QPointF& pt : panel.summed) best = std::max(best, CSmallEqPanel::SummedLevel(pt, plot()));
    EXPECT_GT(best, 5.0);
    EXPECT_LE(best, 6.05);
    // A band the preview cannot design (type 0) contributes nothing.
    panel.bands[5].type = 0;
    panel.RecomputeBand(5);
    for (const QPointF& pt : panel.summed) EXPECT_NEAR(CSmallEqPanel::SummedLevel(pt, plot()), 0.0, 1e-9);

    panel.resize(400, 200);
    Drain();
    EXPECT_DOUBLE_EQ(panel.bands[3].points[28].x(), 2.0 + 28.0 * 396.0 / 56.0);
    EXPECT_DOUBLE_EQ(panel.summed[28].x(), 2.0 + 28.0 * 396.0 / 56.0);
}

// ------------------------------------------------------------------ compressor

TEST(CompressorCurve, EndPoints) {
    const QSize c(236, 165);  // plot 176 x 120: 96 dB over 120 px
    using P = CCompressPanelPlus;
    // Threshold -20 dB, ratio 4: +6 dB input comes out at -13.5 dB.
    auto g = P::CurveGeometry(c, -20.0, -90.0, 0.25, 1.0);
    EXPECT_EQ(g.end.x(), 176 + 40);
    EXPECT_NEAR(g.end.y(), 20 + 19.5 * 120 / 96.0, 1.0);
    EXPECT_EQ(g.dot, QPoint(P::InputX(-20, c), P::OutputY(-20, c)));
    // The knee at -90 gives the lower segment no length; the shade runs from
    // the +6 dB output down to the bottom of the plot.
    EXPECT_EQ(g.lowerStart, g.knee);
    EXPECT_EQ(g.shade, QRect(40, g.end.y(), 176, P::OutputY(-90, c) - g.end.y()));

    // Ratio 1 continues the unity line to the top right corner.
    g = P::CurveGeometry(c, -20.0, -90.0, 1.0, 1.0);
    EXPECT_EQ(g.end, QPoint(216, 20));
    // Threshold 0 dB: the dot is on the unity line, 6 dB below the top.
    g = P::CurveGeometry(c, 0.0, -90.0, 0.5, 1.0);
    EXPECT_EQ(g.dot, QPoint(40 + 90 * 176 / 96, 20 + 6 * 120 / 96));
    // A value that is no number draws the unity line instead.
    g = P::CurveGeometry(c, std::nan(""), -90.0, 1.0, 1.0);
    EXPECT_EQ(g.end, QPoint(216, 20));
}

TEST(CompressorCurve, PaintsOnAndOffAndAfterResize) {
    CCompressPanelPlus panel;
    panel.resize(236, 165);
    panel.threshold = -20.0f;
    panel.lowerKnee = -90.0f;
    QImage off = panel.grab().toImage();
    panel.enabled = true;
    QImage on = panel.grab().toImage();
    EXPECT_NE(off, on);  // "OFF" drawn over the same curve
    panel.resize(300, 200);
    EXPECT_EQ(panel.grab().size(), QSize(300, 200));
}

// ------------------------------------------------------------------ report list

TEST(ReportList, RowsKeepSystemColoursUntilSet) {
    CReportCtrl list;
    list.InsertColumn(0, QStringLiteral("Name"), Qt::AlignLeft, 80);
    list.InsertColumn(1, QStringLiteral("Value"), Qt::AlignCenter, 40);
    for (int r = 0; r < 3; ++r) list.InsertItem(r, QStringLiteral("row %1").arg(r));
    const QColor sysText = list.palette().color(QPalette::Text);
    const QColor sysBack = list.palette().color(QPalette::Base);
    EXPECT_EQ(list.ItemTextColor(1, 1), sysText);
    EXPECT_EQ(list.ItemBkColor(1, 1), sysBack);

    list.SetItemTextColor(-1, 1, Qt::green);  // a whole column
    list.SetItemBkColor(2, -1, Qt::black);    // a whole row
    list.SetItemTextColor(0, 0, Qt::red);     // one cell
    EXPECT_EQ(list.ItemTextColor(0, 1), QColor(Qt::green));
    EXPECT_EQ(list.ItemTextColor(2, 1), QColor(Qt::green));
    EXPECT_EQ(list.ItemTextColor(1, 0), sysText);
    EXPECT_EQ(list.ItemTextColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(list.ItemBkColor(2, 0), QColor(Qt::black));
    EXPECT_EQ(list.ItemBkColor(1, 0), sysBack);
    EXPECT_EQ(list.item(2, 1)->background().color(), QColor(Qt::black));

    // A new column gives every row the system colours in its slot.
    list.InsertColumn(1, QStringLiteral("Mid"), Qt::AlignCenter, 30);
    EXPECT_EQ(list.ItemTextColor(0, 2), QColor(Qt::green));
    EXPECT_EQ(list.ItemTextColor(0, 1), sysText);
    EXPECT_TRUE(list.SetItemText(0, 1, QStringLiteral("m")));  // existing rows get the cell
    EXPECT_EQ(list.item(0, 1)->foreground().color(), sysText);
    EXPECT_TRUE(list.DeleteColumn(1));
    EXPECT_EQ(list.ItemTextColor(0, 1), QColor(Qt::green));

    EXPECT_TRUE(list.SetItemText(1, 1, QStringLiteral("42")));
    EXPECT_EQ(list.ItemText(1, 1), QStringLiteral("42"));
    EXPECT_FALSE(list.SetItemText(9, 1, QStringLiteral("x")));

    EXPECT_TRUE(Key(&list, Qt::Key_Down));  // every key stops here
    list.DeleteAllItems();
    list.DeleteAllItems();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_FALSE(list.ItemTextColor(0, 0).isValid());
}

TEST(ReportList, HeaderSortingMovesColoursWithRowsAndCanBeDisabled) {
    CReportCtrl list;
    list.InsertColumn(0, QStringLiteral("Name"), Qt::AlignLeft, 80);
    list.InsertItem(0, QStringLiteral("b"));
    list.InsertItem(1, QStringLiteral("a"));
    list.SetItemTextColor(0, 0, Qt::red);
    QSignalSpy sorted(&list, &CReportCtrl::HeaderSorted);
    emit list.horizontalHeader()->sectionClicked(0);
    ASSERT_EQ(sorted.count(), 1);
    EXPECT_EQ(list.ItemText(1, 0), QStringLiteral("b"));
    EXPECT_EQ(list.ItemTextColor(1, 0), QColor(Qt::red));
    list.DisableHeaderSorting();
    emit list.horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(sorted.count(), 1);
}

// ------------------------------------------------------------------ image button

TEST(ImageButton, LoadsPicturesAndReportsMissingOnes) {
    CGdipButton b;
    EXPECT_TRUE(b.LoadStdImage(QStringLiteral(":/images/page_mic_zh.png")));
    EXPECT_FALSE(b.LoadAltImage(QStringLiteral(":/images/no_such_picture.png")));
    EXPECT_FALSE(b.hasAltImage());
    EXPECT_TRUE(b.LoadAltImage(QStringLiteral(":/images/page_mic_zh_alt.png")));
    EXPECT_TRUE(b.hasAltImage());
    b.SetGrey(true);
    b.SetAlternate(true);
    EXPECT_FALSE(b.grey());  // SetAlternate clears the grey look
    EXPECT_TRUE(b.alternate());
}

TEST(ImageButton, LooksAndColourMatrices) {
    using B = CGdipButton;
    EXPECT_EQ(B::ChooseLook(true, true, true, true), B::LookGrey);
    EXPECT_EQ(B::ChooseLook(false, true, true, false), B::LookAltPressed);
    EXPECT_EQ(B::ChooseLook(false, true, false, true), B::LookAltHover);
    EXPECT_EQ(B::ChooseLook(false, false, false, false), B::LookStd);
    EXPECT_EQ(B::ChooseLook(false, false, true, true), B::LookStdPressed);
    EXPECT_EQ(B::HoverPixel(qRgba(100, 0, 250, 200)), qRgba(118, 13, 255, 200));
    EXPECT_EQ(B::GreyPixel(qRgba(100, 200, 50, 255)), qRgba(154, 154, 154, 255));

    QImage pic(10, 10, QImage::Format_ARGB32);
    pic.fill(qRgb(200, 20, 20));
    const QImage stdPressed = B::RenderLook(pic, QSize(10, 10), B::LookStdPressed);
    EXPECT_EQ(stdPressed, B::RenderLook(pic, QSize(10, 10), B::LookStd));
    const QImage altPressed = B::RenderLook(pic, QSize(10, 10), B::LookAltPressed);
    EXPECT_EQ(qAlpha(altPressed.pixel(0, 0)), 0);  // shifted one pixel right and down
    EXPECT_EQ(QColor(altPressed.pixel(5, 5)), QColor(200, 20, 20));
    const QImage grey = B::RenderLook(pic, QSize(20, 20), B::LookGrey);
    EXPECT_EQ(grey.size(), QSize(20, 20));
    const QColor g(grey.pixel(10, 10));
    EXPECT_EQ(g.red(), g.green());
}

TEST(ImageButton, DoubleClickCountsAsTwoClicks) {
    CGdipButton b;
    b.LoadStdImage(QStringLiteral(":/images/page_main_en.png"));
    b.resize(106, 31);
    QSignalSpy clicks(&b, &CGdipButton::clicked);
    const QPoint c(50, 15);
    Press(&b, c);
    Release(&b, c);
    Mouse(&b, QEvent::MouseButtonDblClick, c, Qt::LeftButton, Qt::LeftButton);
    Release(&b, c);
    EXPECT_EQ(clicks.count(), 2);

    b.SetToggle(true);
    Press(&b, c);
    Release(&b, c);
    EXPECT_TRUE(b.alternate());
    EXPECT_FALSE(b.isDown());
}

// ------------------------------------------------------------------ grid list

class GridListTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid.InsertColumn(0, QString(), 0);
        grid.InsertColumn(1, QString(), 30);
        grid.InsertColumn(2, QStringLiteral("Type"), 48, CGridListCtrlEx::EditorDropDown);
        grid.SetColumnEditor(2, CGridListCtrlEx::EditorDropDown,
                             {QStringLiteral("PEQ"), QStringLiteral("LP"), QStringLiteral("HP")});
        grid.InsertColumn(3, QStringLiteral("Gain"), 58, CGridListCtrlEx::EditorText);
        grid.setColumnHidden(0, true);
        for (int r = 0; r < 4; ++r) {
            grid.InsertItem(r, QString(), 100 + r);
            grid.SetItemText(r, 1, QString::number(r + 1));
            grid.SetItemText(r, 2, QStringLiteral("PEQ"));
            grid.SetItemText(r, 3, QStringLiteral("+0.0dB"));
        }
        grid.resize(300, 200);
        grid.show();
    }
    CGridListCtrlEx grid;
};

TEST_F(GridListTest, ItemsCarryDataAndColours) {
    EXPECT_EQ(grid.ItemData(2), 100 + 2);
    grid.SetDefaultColours(QColor(0xFF, 0xC8, 0x00), QColor(0x14, 0x14, 0x14));
    EXPECT_EQ(grid.RowTextColour(3), QColor(0xFF, 0xC8, 0x00));
    grid.SetRowTextColour(1, Qt::green);
    EXPECT_EQ(grid.RowTextColour(1), QColor(Qt::green));
    EXPECT_EQ(grid.item(1, 3)->foreground().color(), QColor(Qt::green));
    EXPECT_EQ(grid.RowTextColour(2), QColor(0xFF, 0xC8, 0x00));
    grid.SetRowBackColour(-1, Qt::blue);
    EXPECT_EQ(grid.RowBackColour(0), QColor(Qt::blue));
    EXPECT_EQ(grid.item(3, 1)->background().color(), QColor(Qt::blue));
    grid.SetSelectedRow(2);
    EXPECT_EQ(grid.SelectedRow(), 2);
    grid.SetSelectedRow(-1);
    EXPECT_EQ(grid.SelectedRow(), -1);
    grid.DeleteAllItems();
    grid.DeleteAllItems();
    EXPECT_EQ(grid.rowCount(), 0);
}

TEST_F(GridListTest, TextEditorReportsTheFinishedEdit) {
    QSignalSpy done(&grid, &CGridListCtrlEx::CellEditFinished);
    EXPECT_FALSE(grid.EditCell(1, 1));  // the number column has no editor
    ASSERT_TRUE(grid.EditCell(1, 3));
    auto* edit = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("50"));
    Key(edit, Qt::Key_Return);
    // The delegate commits on a later turn of the event loop, then the grid reports.
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.count() == 1; }, 1000));
    ASSERT_EQ(done.count(), 1);
    EXPECT_EQ(done[0][0].toInt(), 1);
    EXPECT_EQ(done[0][1].toInt(), 3);
    EXPECT_EQ(done[0][2].toString(), QStringLiteral("50"));
    EXPECT_EQ(grid.ItemText(1, 3), QStringLiteral("50"));
}

TEST_F(GridListTest, EndEditKeepsTheTypedTextAndRebuildingIsSafe) {
    QSignalSpy done(&grid, &CGridListCtrlEx::CellEditFinished);
    ASSERT_TRUE(grid.EditCell(2, 3));
    auto* edit = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("-3"));
    grid.EndEdit();
    EXPECT_FALSE(grid.isEditing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.count() == 1; }, 1000));
    EXPECT_EQ(grid.ItemText(2, 3), QStringLiteral("-3"));

    // A host that rebuilds the table while a cell is open loses nothing else.
    ASSERT_TRUE(grid.EditCell(1, 3));
    EXPECT_TRUE(grid.isEditing());
    grid.DeleteAllColumns();
    Drain();
    EXPECT_EQ(grid.rowCount(), 0);
    EXPECT_EQ(grid.columnCount(), 0);
}

TEST_F(GridListTest, DropDownEditorOffersTheColumnChoices) {
    QSignalSpy done(&grid, &CGridListCtrlEx::CellEditFinished);
    ASSERT_TRUE(grid.EditCell(0, 2));
    auto* combo = grid.viewport()->findChild<QComboBox*>();
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentText(), QStringLiteral("PEQ"));
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    Drain();
    ASSERT_EQ(done.count(), 1);
    EXPECT_EQ(done[0][2].toString(), QStringLiteral("LP"));
    EXPECT_EQ(grid.ItemText(0, 2), QStringLiteral("LP"));
}

}  // namespace
