#include "dialog_support.h"

#include <QPalette>
#include <QWidget>

#include "control_images.h"
#include "control_support.h"
#include "gdip_button.h"
#include "shell/app.h"
#include "shell/lang.h"

namespace udare::dialogs {

void SetDialogBackground(QWidget* dialog) {
    // The panel's template text size, so captions fit their boxes.
    dialog->setFont(controls::PixelFont(QStringLiteral("宋体"), 11));
    dialog->setAutoFillBackground(true);
    QPalette pal = dialog->palette();
    pal.setColor(QPalette::Window, kDialogBackground);
    dialog->setPalette(pal);
}

controls::CGdipButton* MakeImageButton(QWidget* parent, int id, const QString& text, const QRect& rect,
                                       bool withAlternate) {
    auto* b = new controls::CGdipButton(parent);
    shell::setControlId(b, id);
    b->LoadStdImage(controls::images::kButton);
    if (withAlternate) b->LoadAltImage(controls::images::kButtonAlt);
    b->SetTextColour(Qt::white);
    b->setFont(controls::PixelFont(QStringLiteral("宋体"), 12));
    b->setText(text);
    b->setGeometry(rect);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

bool OpenUpgradeDialog(shell::CVovedo13App& app, ui::DialogSlot slot) {
    QWidget* w = app.dialogs().show(slot, app.mainWindow());
    if (!w) {
        app.showInfoBox(shell::T("此版本暂不提供升级功能", "The upgrade is not available in this version"),
                        kNoticeMs);
        return false;
    }
    return true;
}

}  // namespace udare::dialogs
