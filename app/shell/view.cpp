#include "shell/view.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "protocol/device_state.h"
#include "shell/app.h"
#include "shell/lang.h"
#include "shell/session.h"

namespace udare::shell {

namespace {
constexpr int kPanelDialog = 313;
constexpr int kPanelMinWidth = 950;
constexpr int kPanelMinHeight = 520;
constexpr int kConnectDelayMs = 250;

// Takes the tuning panel's place until the panel is built.
QWidget* makePanelStandIn(QWidget* parent) {
    auto* w = new QWidget(parent);
    w->setObjectName(QStringLiteral("tuningPanel"));
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, QColor(240, 250, 255));
    w->setPalette(pal);
    return w;
}
}  // namespace

CVovedo13View::CVovedo13View(CVovedo13App& app, QWidget* parent) : QWidget(parent), app_(app) {
    app_.setView(this);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(240, 250, 255));
    setPalette(pal);

    resetDeviceState(app_.session().state());
    setUiLanguage(CVovedo13App::readLanguageSetting());

    panel_ = makePanelStandIn(this);
    panel_->show();
    panelRect_ = QRect(0, 0, kPanelMinWidth, kPanelMinHeight);
    panel_->setGeometry(panelRect_);

    app_.loadLanguage();

    connectTimer_.setSingleShot(true);
    connectTimer_.setInterval(kConnectDelayMs);
    connect(&connectTimer_, &QTimer::timeout, this, &CVovedo13View::onConnectTimer);
    connectTimer_.start();
}

CVovedo13View::~CVovedo13View() {
    if (app_.view() == this) app_.setView(nullptr);
}

void CVovedo13View::applyLanguage() {
    if (panel_) app_.relabel(panel_, kPanelDialog);
}

void CVovedo13View::onCategoryChanged(int) {}

void CVovedo13View::onRibbonCommand(int) {}

void CVovedo13View::onSliderMoved(int, int) {}

void CVovedo13View::onCheckToggled(int, bool) {}

bool CVovedo13View::eqBypassChecked() const { return false; }

void CVovedo13View::toggleEqBypass() {}

void CVovedo13View::resetEq() {}

void CVovedo13View::refreshAll() {}

void CVovedo13View::openModeFile(const QString&) {}

void CVovedo13View::saveModeFileCommand() {}

void CVovedo13View::onConnectTimer() {}

void CVovedo13View::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    panelRect_ = QRect(0, 0, std::max(width(), kPanelMinWidth), std::max(height(), kPanelMinHeight));
    if (panel_) panel_->setGeometry(panelRect_);
}

void CVovedo13View::contextMenuEvent(QContextMenuEvent* e) { e->accept(); }

}  // namespace udare::shell
