// The curve control drawn into a PNG file.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "curve_image.h"
#include "protocol/eq_curve.h"

namespace {

using udare::Eq;

TEST(CurveImage, DrawsTheControlAtTheChosenSize) {
    udare::DeviceState st;  // the start-up Sub: a 100 Hz low-pass on the fifth band
    udare::dsp::EqModel m;
    udare::LoadCurveModel(st, Eq::Sub, m);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("sub.png")).toStdString();
    std::string error;
    ASSERT_TRUE(udare::controls::WriteCurvePng(m, 1, 640, 300, path, error)) << error;
    QImage img;
    ASSERT_TRUE(img.load(QString::fromStdString(path), "PNG"));
    EXPECT_EQ(img.size(), QSize(640, 300));
    EXPECT_EQ(QColor(img.pixel(2, 298)), QColor(20, 20, 20));  // the dark fill
    int yellow = 0, curve = 0;  // the title, top right; the summed curve's colour
    for (int y = 0; y < 18; ++y)
        for (int x = 500; x < 640; ++x)
            if (QColor(img.pixel(x, y)) == QColor(255, 255, 0)) ++yellow;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 640; ++x) {
            const QColor c(img.pixel(x, y));
            if (c.blue() > 200 && c.red() < 60 && c.green() > 150) ++curve;
        }
    EXPECT_GT(yellow, 10);
    EXPECT_GT(curve, 100);
}

TEST(CurveImage, UnwritablePathReportsAndLeavesNothing) {
    udare::DeviceState st;
    udare::dsp::EqModel m;
    udare::LoadCurveModel(st, Eq::Main, m);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("no/such/dir/main.png")).toStdString();
    std::string error;
    EXPECT_FALSE(udare::controls::WriteCurvePng(m, 0, 640, 300, path, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

}  // namespace
