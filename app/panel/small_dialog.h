// What the noise-gate and subwoofer-ducking dialogs share: a modeless,
// single-instance window on the panel background that ignores Enter, is
// destroyed by Escape or its close box, and sends the mouse wheel to the
// slider holding the keyboard focus.
#pragma once

#include <QDialog>
#include <functional>

namespace udare::controls {
class CXBmpSlider;
}

namespace udare::panel {

// Applies a dialog's captions from the language table (dialog number).
using RelabelFn = std::function<void(QWidget* dialog, int dialogNumber)>;

class SmallDialog : public QDialog {
    Q_OBJECT
public:
    SmallDialog(int dialogNumber, RelabelFn relabel, QWidget* parent);

    int dialogNumber() const { return dialog_; }
    // Centres the window on its parent (on the screen without one).
    void centreOnParent();

protected:
    // A horizontal slider in the panel's skin, at a rectangle in dialog units.
    controls::CXBmpSlider* addSlider(int id, int x, int y, int w, int h);
    // Captions from the language table.
    void applyTable();

    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    bool routeWheel(QWheelEvent* e);

    int dialog_;
    RelabelFn relabel_;
};

// The control identifier the caption table addresses a child by.
void setDialogControlId(QWidget* w, int id);

}  // namespace udare::panel
