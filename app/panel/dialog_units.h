// Dialog units to pixels: the template font's averages (6 x 13 pixels per
// 4 x 8 units), so a unit is 1.5 pixels across and 1.625 down.
#pragma once

#include <QRect>

namespace udare::panel {

constexpr int dluX(int x) { return x * 3 / 2; }
constexpr int dluY(int y) { return y * 13 / 8; }
inline QRect dluRect(int x, int y, int w, int h) {
    return QRect(dluX(x), dluY(y), dluX(x + w) - dluX(x), dluY(y + h) - dluY(y));
}

}  // namespace udare::panel
