// Pieces the auxiliary dialogs share: dialog-unit geometry, the background,
// the picture buttons, and opening what another part of the program made.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QWidget;

namespace udare::controls {
class CGdipButton;
}

#include "panel/dialog_music.h"
#include "ui/ui_api.h"

namespace udare::shell {
class CVovedo13App;
}

namespace udare::dialogs {

inline const QColor kDialogBackground(240, 250, 255);

// How long the dialogs' short notices stay up.
inline constexpr int kNoticeMs = 1100;

// Dialog units of the layouts to pixels: the tuning panel's one mapping.
inline QRect Du(int l, int t, int w, int h) { return panel::CDialogMusic::DluRect(l, t, w, h); }
inline int DuX(int x) { return Du(x, 0, 0, 0).left(); }
inline int DuY(int y) { return Du(0, y, 0, 0).top(); }

// The dialog's own background colour, painted behind every child.
void SetDialogBackground(QWidget* dialog);

// A picture button with white 12-pixel text (the standard surface, and the
// alternate one when alternate is set).
controls::CGdipButton* MakeImageButton(QWidget* parent, int id, const QString& text, const QRect& rect,
                                       bool withAlternate = false);

// Shows the upgrade dialog registered for a slot (made on first use), or
// tells the user that the upgrade is not available. True when shown.
bool OpenUpgradeDialog(shell::CVovedo13App& app, ui::DialogSlot slot);

}  // namespace udare::dialogs
