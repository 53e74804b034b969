// What the noise-gate and subwoofer-ducking dialogs share: a modeless,
// single-instance window on the panel background that ignores Enter, is
// destroyed by Escape or its close box, and sends the mouse wheel to the
// slider holding the keyboard focus.
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>

#include "ui/undo.h"

namespace udare::controls {
class CXBmpSlider;
}

namespace udare::panel {

// Applies a dialog's captions from the language table (dialog number).
using RelabelFn = std::function<void(QWidget* dialog, int dialogNumber)>;

class SmallDialog : public QDialog {
    Q_OBJECT
public:
    SmallDialog(int dialogNumber, ui::DialogSlot slot, RelabelFn relabel, QWidget* parent);

    int dialogNumber() const { return dialog_; }
    // The stack the dialog records its edits on (none: edits are not recorded).
    void setUndoStack(ui::UndoStack* stack) { undo_ = stack; }
    ui::UndoStack* undoStack() const { return undo_.data(); }
    // Centres the window on its parent (on the screen without one).
    void centreOnParent();

protected:
    // A horizontal slider in the panel's skin, at a rectangle in dialog units.
    controls::CXBmpSlider* addSlider(int id, int x, int y, int w, int h);
    // Captions from the language table.
    void applyTable();
    // edit as one undo step of this dialog, named "<caption of first>
    // <caption of second>" in both languages (captions of the embedded tables).
    void recordStep(const QString& key, int first, int second, const std::function<void()>& edit);

    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    bool routeWheel(QWheelEvent* e);

    int dialog_;
    ui::DialogSlot slot_;
    RelabelFn relabel_;
    QPointer<ui::UndoStack> undo_;
};

// The control identifier the caption table addresses a child by.
void setDialogControlId(QWidget* w, int id);

}  // namespace udare::panel
