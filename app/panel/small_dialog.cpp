#include "panel/small_dialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWheelEvent>

#include "control_images.h"
#include "panel/dialog_music.h"
#include "shell/lang.h"
#include "xbmp_slider.h"

namespace udare::panel {

namespace {
const QColor kBackground(0xF0, 0xFA, 0xFF);
}

void setDialogControlId(QWidget* w, int id) {
    if (w) w->setProperty("controlId", id);
}

SmallDialog::SmallDialog(int dialogNumber, ui::DialogSlot slot, RelabelFn relabel, QWidget* parent)
    : QDialog(parent), dialog_(dialogNumber), slot_(slot), relabel_(std::move(relabel)) {
    ui::UndoStack::addKeys(this, [this] { return undo_.data(); });
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);
    setAutoFillBackground(true);
    // The panel's template text size, so captions fit their boxes.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
}

controls::CXBmpSlider* SmallDialog::addSlider(int id, int x, int y, int w, int h) {
    namespace img = controls::images;
    auto* s = new controls::CXBmpSlider(id, this);
    s->SetChannelImage(img::kSliderHChannel);
    s->SetThumbImages(img::kSliderHThumb, img::kSliderHThumbFocus, img::kSliderHThumbDisabled);
    s->SetMargins(7, 3, 7, 2);
    s->SetBackgroundColour(kBackground);
    s->setGeometry(CDialogMusic::DluRect(x, y, w, h));
    setDialogControlId(s, id);
    s->installEventFilter(this);
    return s;
}

void SmallDialog::applyTable() {
    if (relabel_) relabel_(this, dialog_);
}

void SmallDialog::recordStep(const QString& key, int first, int second,
                             const std::function<void()>& edit) {
    auto name = [this](int language, int id) {
        const shell::LanguageTable& t = shell::embeddedTable(language);
        return id < 0 ? t.title(dialog_) : t.control(dialog_, id);
    };
    ui::StepPlace place;
    place.dialog = slot_;
    ui::recordEdit(undo_.data(), key,
                   {name(0, first) + QLatin1Char(' ') + name(0, second),
                    name(1, first) + QLatin1Char(' ') + name(1, second)},
                   place, edit);
}

void SmallDialog::centreOnParent() {
    QRect area;
    if (QWidget* p = parentWidget())
        area = p->window()->frameGeometry();
    else if (QScreen* sc = QGuiApplication::primaryScreen())
        area = sc->availableGeometry();
    if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}

void SmallDialog::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: e->accept(); return;  // no default command
        default: QDialog::keyPressEvent(e);
    }
}

// The slider with the focus takes the turn, wherever the cursor is.
bool SmallDialog::routeWheel(QWheelEvent* e) {
    auto* s = qobject_cast<controls::CXBmpSlider*>(focusWidget());
    if (!s) return false;
    const QPoint d = e->angleDelta();
    s->WheelStep(d.y() != 0 ? d.y() : d.x());
    e->accept();
    return true;
}

bool SmallDialog::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Wheel && routeWheel(static_cast<QWheelEvent*>(e))) return true;
    return QDialog::eventFilter(watched, e);
}

void SmallDialog::wheelEvent(QWheelEvent* e) {
    if (!routeWheel(e)) QDialog::wheelEvent(e);
}

}  // namespace udare::panel
