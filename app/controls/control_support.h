// Shared pieces of the custom controls: fonts, resources and the curve palette.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

namespace udare::controls {

// Registers fallbacks for the Windows font names the controls ask for
// ("宋体", "黑体", "Arial") so that a Linux desktop picks a CJK-capable font.
// Safe to call repeatedly.
void InstallFontSubstitutions();

// Makes the compiled-in pictures (":/images/...") available. Safe to call repeatedly.
void InitControlResources();

// A font by family name at a pixel height.
// A compiled-in picture; on a high-resolution screen its name@2x.png twin,
// carrying its pixel ratio, so that it paints at the same logical size.
QImage LoadPicture(const QString& resource);

QFont PixelFont(const QString& family, int pixelHeight, int weight = QFont::Normal);
// A font by family name at a point size (fractional sizes allowed).
QFont PointFont(const QString& family, double pointSize, int weight = QFont::Normal);

// printf-style text, following the C library's rules (a negative zero keeps
// its sign, halves round to even): the value formats shown to the user.
QString Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

inline constexpr int kCurveColourCount = 33;
// Handle and area colours of the EQ curve editor, indexed by kind or band.
QColor CurveColour(int index);

}  // namespace udare::controls
