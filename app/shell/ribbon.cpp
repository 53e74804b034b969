#include "shell/app.h"
#include "shell/ribbon.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "controls/accessible_item.h"
#include "shell/commands.h"
#include "shell/lang.h"

namespace udare::shell {

namespace cmd {
namespace {
constexpr int kTwins[][2] = {
    {ID_LABEL_MICVOL, ID_LABEL_MICVOL_OUT},     {ID_SLIDER_MICVOL, ID_SLIDER_MICVOL_OUT},
    {ID_CHK_MUTE1, ID_CHK_MUTE1_OUT},           {ID_LABEL_EFXVOL, ID_LABEL_EFXVOL_OUT},
    {ID_SLIDER_EFXVOL, ID_SLIDER_EFXVOL_OUT},   {ID_LABEL_MUSICVOL, ID_LABEL_MUSICVOL_OUT},
    {ID_SLIDER_MUSICVOL, ID_SLIDER_MUSICVOL_OUT}, {ID_CHK_MUTE4, ID_CHK_MUTE4_OUT},
    {ID_LABEL_NOISEGATE, ID_LABEL_NOISEGATE_OUT}, {ID_SLIDER_NOISEGATE, ID_SLIDER_NOISEGATE_OUT},
    {ID_SLIDER_FBC, ID_SLIDER_FBC_OUT},         {ID_LABEL_MUSICNG, ID_LABEL_MUSICNG_OUT},
    {ID_SLIDER_MUSICNG, ID_SLIDER_MUSICNG_OUT}, {ID_SLIDER_PITCH, ID_SLIDER_PITCH_OUT},
    {IDC_FILE_OPEN, IDC_FILE_OPEN_OUT},         {IDC_FILE_SAVE, IDC_FILE_SAVE_OUT},
};
}  // namespace
int outputTwin(int inputId) {
    for (const auto& t : kTwins)
        if (t[0] == inputId) return t[1];
    return inputId;
}
int inputTwin(int outputId) {
    for (const auto& t : kTwins)
        if (t[1] == outputId) return t[0];
    return outputId;
}
}  // namespace cmd

namespace {

// Office-2007-like blue palette.
const QColor kText(0x15, 0x42, 0x8B);
const QColor kBorder(0x8D, 0xB2, 0xE3);
const QColor kBodyTop(0xDB, 0xE7, 0xF6);
const QColor kBodyBottom(0xC4, 0xD8, 0xF0);
const QColor kPanelTop(0xF4, 0xF8, 0xFD);
const QColor kPanelBottom(0xDD, 0xE9, 0xF7);
const QColor kCaptionTop(0xC5, 0xD9, 0xF1);
const QColor kCaptionBottom(0xB4, 0xCD, 0xEC);
const QColor kTabRowTop(0xBF, 0xDB, 0xFF);
const QColor kTabRowBottom(0xAC, 0xCC, 0xF5);
constexpr int kCaptionStrip = 22;  // title strip above the tabs
constexpr int kTabHeight = 26;
constexpr int kPanelCaption = 17;
constexpr int kRowHeight = 24;
constexpr int kRows = 3;
constexpr int kSliderWidth = 100;
constexpr int kPanelMargin = 5;
constexpr int kColumnGap = 3;

const char* kElementStyle =
    "QToolButton { color: #15428B; border: 1px solid transparent; border-radius: 3px;"
    " padding: 1px 3px; background: transparent; }"
    "QToolButton:hover { border-color: #FFBD69; background: qlineargradient(x1:0,y1:0,x2:0,y2:1,"
    " stop:0 #FFF5CC, stop:1 #FFDB75); }"
    "QToolButton:pressed { border-color: #C28A30; background: qlineargradient(x1:0,y1:0,x2:0,y2:1,"
    " stop:0 #FDC78B, stop:1 #F8A04D); }"
    "QToolButton[ribbonLabel=\"true\"]:hover, QToolButton[ribbonLabel=\"true\"]:pressed {"
    " border-color: transparent; background: transparent; }"
    "QCheckBox { color: #15428B; spacing: 4px; }"
    "QSlider::groove:horizontal { height: 3px; background: #9EBBE0; border-radius: 1px; }"
    "QSlider::handle:horizontal { width: 9px; margin: -6px 0; border: 1px solid #5C80B5;"
    " border-radius: 2px; background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #FFFFFF,"
    " stop:1 #C9DBF2); }"
    "QSlider::handle:horizontal:hover { border-color: #C28A30; background: #FFE38F; }";

// What an element needs across: fixed-width sliders report a smaller hint.
int itemWidth(const QWidget* w) { return std::max(w->sizeHint().width(), w->minimumWidth()); }
}  // namespace

// The category tabs: click selects; double-clicks and the wheel do nothing.

class RibbonTabs : public QWidget {
public:
    explicit RibbonTabs(Ribbon* ribbon) : QWidget(ribbon), ribbon_(ribbon) {
        setMouseTracking(true);
        setFixedHeight(kTabHeight);
    }
    QSize sizeHint() const override {
        int w = 0;
        for (int i = 0; i < ribbon_->categoryCount(); ++i) w += tabWidth(i);
        return {w + 4, kTabHeight};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
    int tabWidth(int i) const {
        return fontMetrics().horizontalAdvance(ribbon_->category(i)->name()) + 28;
    }
    QRect tabRect(int index) const {
        int x = 2;
        for (int i = 0; i < index; ++i) x += tabWidth(i);
        return {x, 3, tabWidth(index) - 3, height() - 3};
    }
    Ribbon* ribbon() const { return ribbon_; }
    int tabAt(QPoint p) const {
        int x = 2;
        for (int i = 0; i < ribbon_->categoryCount(); ++i) {
            const int w = tabWidth(i);
            if (p.x() >= x && p.x() < x + w) return i;
            x += w;
        }
        return -1;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        int x = 2;
        for (int i = 0; i < ribbon_->categoryCount(); ++i) {
            const int w = tabWidth(i);
            QRectF r(x + 0.5, 3.5, w - 3, height() - 3);
            const bool active = i == ribbon_->activeCategoryIndex();
            if (active || i == hover_) {
                QPainterPath path;
                path.moveTo(r.bottomLeft());
                path.lineTo(r.left(), r.top() + 3);
                path.quadTo(r.topLeft(), QPointF(r.left() + 3, r.top()));
                path.lineTo(r.right() - 3, r.top());
                path.quadTo(r.topRight(), QPointF(r.right(), r.top() + 3));
                path.lineTo(r.bottomRight());
                QLinearGradient g(r.topLeft(), r.bottomLeft());
                if (active) {
                    g.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
                    g.setColorAt(1, kBodyTop);
                } else {
                    g.setColorAt(0, QColor(0xE4, 0xEF, 0xFD));
                    g.setColorAt(1, QColor(0xCF, 0xE1, 0xF9));
                }
                p.fillPath(path, g);
                p.setPen(kBorder);
                p.drawPath(path);
            }
            p.setPen(kText);
            p.drawText(QRect(x, 3, w - 3, height() - 3), Qt::AlignCenter,
                       ribbon_->category(i)->name());
            x += w;
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        const int i = tabAt(e->position().toPoint());
        if (i >= 0) ribbon_->setActiveCategory(i);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }
    void mouseMoveEvent(QMouseEvent* e) override {
        const int i = tabAt(e->position().toPoint());
        if (i != hover_) {
            hover_ = i;
            update();
        }
    }
    void leaveEvent(QEvent*) override {
        hover_ = -1;
        update();
    }
    void wheelEvent(QWheelEvent* e) override { e->accept(); }

private:
    Ribbon* ribbon_;
    int hover_ = -1;
};

// ---- accessibility ----
// The tabs are painted, not widgets: screen readers and UI automation see
// them as a page-tab list with one selectable tab per category, whose press
// action selects it as a click does.

namespace {

class RibbonTabAccessible final : public controls::AccessibleItem {
public:
    RibbonTabAccessible(RibbonTabs* tabs, int index) : tabs_(tabs), index_(index) {}

    bool isValid() const override {
        return tabs_ && index_ < tabs_->ribbon()->categoryCount();
    }
    QString text(QAccessible::Text t) const override {
        if (!isValid() || t != QAccessible::Name) return {};
        return tabs_->ribbon()->category(index_)->name();
    }
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = tabs_->tabRect(index_);
        return {tabs_->mapToGlobal(r.topLeft()), r.size()};
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }

private:
    QWidget* owner() const override { return tabs_.data(); }
    bool isSelected() const override { return tabs_->ribbon()->activeCategoryIndex() == index_; }
    void press() override { tabs_->ribbon()->setActiveCategory(index_); }

    QPointer<RibbonTabs> tabs_;
    int index_;
};

class RibbonTabsAccessible final : public QAccessibleWidget {
public:
    explicit RibbonTabsAccessible(RibbonTabs* tabs)
        : QAccessibleWidget(tabs, QAccessible::PageTabList), tabs_(tabs) {}
    ~RibbonTabsAccessible() override {
        for (QAccessible::Id id : std::as_const(ids_)) QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return tabs_ ? tabs_->ribbon()->categoryCount() : 0; }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        while (ids_.size() <= index) {
            auto* tab = new RibbonTabAccessible(tabs_, static_cast<int>(ids_.size()));
            ids_.append(QAccessible::registerAccessibleInterface(tab));
        }
        return QAccessible::accessibleInterface(ids_.at(index));
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        for (int i = 0; i < ids_.size(); ++i)
            if (QAccessible::accessibleInterface(ids_.at(i)) == c) return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        if (!tabs_) return nullptr;
        const int i = tabs_->tabAt(tabs_->mapFromGlobal(QPoint(x, y)));
        return i >= 0 ? child(i) : nullptr;
    }

private:
    QPointer<RibbonTabs> tabs_;
    mutable QList<QAccessible::Id> ids_;
};

QAccessibleInterface* ribbonAccessibleFactory(const QString&, QObject* object) {
    if (auto* tabs = dynamic_cast<RibbonTabs*>(object)) return new RibbonTabsAccessible(tabs);
    if (auto* panel = qobject_cast<RibbonPanel*>(object))
        return new QAccessibleWidget(panel, QAccessible::Grouping);
    return nullptr;
}

}  // namespace

// ---- panel ----

RibbonPanel::RibbonPanel(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAccessibleName(caption);
}

void RibbonPanel::setCaption(const QString& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    setAccessibleName(caption);
    updateGeometry();
    relayout();
    update();
}

void RibbonPanel::addSmall(QWidget* w) {
    w->setParent(this);
    if (columns_.isEmpty() || columns_.last().large || columns_.last().items.size() >= kRows)
        columns_.append(Column{});
    columns_.last().items.append(w);
    elements_.append(w);
    updateGeometry();
    relayout();
}

void RibbonPanel::addLarge(QWidget* w) {
    w->setParent(this);
    Column c;
    c.large = true;
    c.items.append(w);
    columns_.append(c);
    elements_.append(w);
    updateGeometry();
    relayout();
}

QSize RibbonPanel::sizeHint() const {
    int w = 2 * kPanelMargin;
    for (const Column& c : columns_) {
        int cw = 0;
        for (QWidget* item : c.items) cw = std::max(cw, itemWidth(item));
        w += cw + kColumnGap;
    }
    w = std::max(w - kColumnGap, fontMetrics().horizontalAdvance(caption_) + 12);
    return {w, kRows * kRowHeight + kPanelCaption + 8};
}

void RibbonPanel::resizeEvent(QResizeEvent*) { relayout(); }

void RibbonPanel::relayout() {
    int x = kPanelMargin;
    const int contentH = kRows * kRowHeight;
    // Centre the columns when the caption is wider than the content.
    int used = 0;
    for (const Column& c : columns_) {
        int cw = 0;
        for (QWidget* item : c.items) cw = std::max(cw, itemWidth(item));
        used += cw + kColumnGap;
    }
    used -= kColumnGap;
    x = std::max(kPanelMargin, (width() - used) / 2);
    for (const Column& c : columns_) {
        int cw = 0;
        for (QWidget* item : c.items) cw = std::max(cw, itemWidth(item));
        if (c.large) {
            c.items.first()->setGeometry(x, 4, cw, contentH);
        } else {
            int y = 4;
            for (QWidget* item : c.items) {
                const int h = std::min(kRowHeight - 2, std::max(item->sizeHint().height(), 18));
                const bool isSlider = qobject_cast<QSlider*>(item) != nullptr;
                item->setGeometry(x, y + (kRowHeight - h) / 2, isSlider ? kSliderWidth : cw, h);
                y += kRowHeight;
            }
        }
        x += cw + kColumnGap;
    }
}

void RibbonPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, kPanelTop);
    g.setColorAt(1, kPanelBottom);
    QPainterPath body;
    body.addRoundedRect(r, 3, 3);
    p.fillPath(body, g);
    // Caption strip underneath.
    const QRectF cap(r.left(), r.bottom() - kPanelCaption, r.width(), kPanelCaption);
    QPainterPath capPath;
    capPath.addRoundedRect(cap, 3, 3);
    QLinearGradient cg(cap.topLeft(), cap.bottomLeft());
    cg.setColorAt(0, kCaptionTop);
    cg.setColorAt(1, kCaptionBottom);
    p.fillPath(capPath.intersected(body), cg);
    p.setPen(QPen(kBorder, 1));
    p.drawPath(body);
    p.setPen(QColor(255, 255, 255, 170));
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 2, 2);
    p.setPen(kText);
    p.drawText(cap.toRect(), Qt::AlignCenter, caption_);
}

// ---- category ----

RibbonCategory::RibbonCategory(const QString& name, QWidget* parent)
    : QWidget(parent), name_(name), layout_(new QHBoxLayout(this)) {
    setAccessibleName(name);
    layout_->setContentsMargins(3, 3, 3, 3);
    layout_->setSpacing(2);
    layout_->addStretch(1);
}

RibbonPanel* RibbonCategory::addPanel(const QString& caption) {
    auto* p = new RibbonPanel(caption, this);
    layout_->insertWidget(layout_->count() - 1, p);
    panels_.append(p);
    return p;
}

void RibbonCategory::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, kBodyTop);
    g.setColorAt(1, kBodyBottom);
    p.fillRect(rect(), g);
    p.setPen(kBorder);
    p.drawLine(0, 0, width(), 0);
    p.drawLine(0, height() - 1, width(), height() - 1);
}

// ---- ribbon ----

Ribbon::Ribbon(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(ribbonAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setContextMenuPolicy(Qt::PreventContextMenu);
    setStyleSheet(QString::fromLatin1(kElementStyle));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, kCaptionStrip, 0, 0);
    outer->setSpacing(0);
    auto* row = new QWidget(this);
    row->setFixedHeight(kTabHeight);
    tabRow_ = new QHBoxLayout(row);
    tabRow_->setContentsMargins(56, 0, 6, 0);
    tabRow_->setSpacing(2);
    tabs_ = new RibbonTabs(this);
    tabRow_->addWidget(tabs_);
    tabRow_->addStretch(1);
    outer->addWidget(row);
    stack_ = new QStackedWidget(this);
    stack_->setFixedHeight(kRows * kRowHeight + kPanelCaption + 8 + 6);
    outer->addWidget(stack_);

    appMenu_ = new QMenu(this);
    appMenu_->setStyleSheet(QStringLiteral(
        "QMenu { background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 #FAFCFF, stop:1 #E4EDF9);"
        " border: 1px solid #8DB2E3; padding: 4px; color: #15428B; }"
        "QMenu::item { padding: 5px 24px 5px 28px; border: 1px solid transparent; border-radius: 2px; }"
        "QMenu::item:selected { border-color: #FFBD69; background: qlineargradient(x1:0,y1:0,x2:0,y2:1,"
        " stop:0 #FFF5CC, stop:1 #FFDB75); }"
        "QMenu::separator { height: 1px; background: #B9CDEA; margin: 4px 6px; }"
        "QMenu::icon { padding-left: 6px; }"));
    appButton_ = new QToolButton(this);
    appButton_->setObjectName(QStringLiteral("ribbonApplicationButton"));
    appButton_->setFixedSize(45, 45);
    appButton_->setIconSize(QSize(34, 34));
    appButton_->setIcon(appIcon());
    appButton_->setPopupMode(QToolButton::InstantPopup);
    appButton_->setMenu(appMenu_);
    appButton_->setStyleSheet(QStringLiteral(
        "QToolButton#ribbonApplicationButton { border: 1px solid #6A8CC0; border-radius: 22px;"
        " background: qradialgradient(cx:0.5, cy:0.35, radius:0.7, fx:0.5, fy:0.25,"
        " stop:0 #FFFFFF, stop:0.5 #BCD3F2, stop:1 #5D86C6); }"
        "QToolButton#ribbonApplicationButton:hover { background: qradialgradient(cx:0.5, cy:0.35,"
        " radius:0.7, fx:0.5, fy:0.25, stop:0 #FFFFFF, stop:0.5 #FFE3A0, stop:1 #E8A53A); }"
        "QToolButton#ribbonApplicationButton::menu-indicator { image: none; }"));
    appButton_->installEventFilter(this);
    placeAppButton();

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void Ribbon::placeAppButton() {
    appButton_->move(5, 2);
    appButton_->raise();
}

RibbonCategory* Ribbon::addCategory(const QString& name) {
    auto* c = new RibbonCategory(name, stack_);
    stack_->addWidget(c);
    categories_.append(c);
    if (active_ < 0) {
        active_ = 0;
        stack_->setCurrentIndex(0);
    }
    tabs_->updateGeometry();
    tabs_->update();
    return c;
}

void Ribbon::setActiveCategory(int index) {
    if (index < 0 || index >= categoryCount() || index == active_) return;
    active_ = index;
    stack_->setCurrentIndex(index);
    tabs_->update();
    emit categoryChanged(index);
}

void Ribbon::adopt(QWidget* w, int id) {
    setControlId(w, id);
    w->installEventFilter(this);
    w->setContextMenuPolicy(Qt::PreventContextMenu);
    w->setFocusPolicy(Qt::NoFocus);
    all_.append(w);
}

QToolButton* Ribbon::addLabel(RibbonPanel* p, int id, const QString& text) {
    auto* b = new QToolButton(p);
    b->setProperty("ribbonLabel", true);
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    adopt(b, id);
    p->addSmall(b);
    connect(b, &QToolButton::clicked, this, [this, id] { emit commandTriggered(id); });
    return b;
}

QSlider* Ribbon::addSlider(RibbonPanel* p, int id, int min, int max, int value) {
    auto* s = new QSlider(Qt::Horizontal, p);
    s->setRange(min, max);
    s->setValue(value);
    s->setFixedWidth(kSliderWidth);
    s->setPageStep(1);
    adopt(s, id);
    p->addSmall(s);
    connect(s, &QSlider::valueChanged, this, [this, id](int v) { emit sliderMoved(id, v); });
    return s;
}

QCheckBox* Ribbon::addCheck(RibbonPanel* p, int id, const QString& text) {
    auto* c = new QCheckBox(text, p);
    adopt(c, id);
    p->addSmall(c);
    // toggled, not clicked: an accessible Toggle action changes the box
    // without a click. Programmatic changes go through setChecked, which blocks it.
    connect(c, &QCheckBox::toggled, this, [this, id](bool on) { emit checkToggled(id, on); });
    return c;
}

QToolButton* Ribbon::addSmallButton(RibbonPanel* p, int id, const QString& text) {
    auto* b = new QToolButton(p);
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    adopt(b, id);
    p->addSmall(b);
    connect(b, &QToolButton::clicked, this, [this, id] { emit commandTriggered(id); });
    return b;
}

QToolButton* Ribbon::addLargeButton(RibbonPanel* p, int id, const QString& text,
                                    const QIcon& icon) {
    auto* b = new QToolButton(p);
    b->setText(text);
    b->setIcon(icon);
    b->setIconSize(QSize(32, 32));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setMinimumWidth(40);
    adopt(b, id);
    p->addLarge(b);
    connect(b, &QToolButton::clicked, this, [this, id] { emit commandTriggered(id); });
    return b;
}

QToolButton* Ribbon::addTabRowButton(int id, const QString& text, const QIcon& icon) {
    auto* b = new QToolButton(this);
    b->setText(text);
    if (!icon.isNull()) b->setIcon(icon);
    b->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    b->setFixedHeight(kTabHeight - 4);
    adopt(b, id);
    tabRow_->addWidget(b);
    connect(b, &QToolButton::clicked, this, [this, id] { emit commandTriggered(id); });
    return b;
}

QList<QWidget*> Ribbon::elements(int id) const {
    QList<QWidget*> out;
    for (QWidget* w : all_)
        if (controlId(w) == id) out.append(w);
    return out;
}

QWidget* Ribbon::element(int id) const {
    QWidget* first = nullptr;
    RibbonCategory* active = activeCategory();
    for (QWidget* w : all_) {
        if (controlId(w) != id) continue;
        if (active && active->isAncestorOf(w)) return w;
        if (!first) first = w;
    }
    return first;
}

RibbonPanel* Ribbon::panelOf(int id) const {
    QWidget* w = element(id);
    return w ? qobject_cast<RibbonPanel*>(w->parentWidget()) : nullptr;
}

bool Ribbon::setSliderValue(int id, int value) {
    bool any = false;
    for (QWidget* w : elements(id)) {
        if (auto* s = qobject_cast<QSlider*>(w)) {
            const QSignalBlocker block(s);
            s->setValue(value);
            any = true;
        }
    }
    return any;
}

bool Ribbon::setChecked(int id, bool checked) {
    bool any = false;
    for (QWidget* w : elements(id)) {
        if (auto* c = qobject_cast<QCheckBox*>(w)) {
            const QSignalBlocker block(c);
            c->setChecked(checked);
            any = true;
        }
    }
    return any;
}

void Ribbon::addSpacer(RibbonPanel* p) {
    auto* w = new QWidget(p);
    w->setFocusPolicy(Qt::NoFocus);
    p->addSmall(w);
}

void Ribbon::setElementAccessibleName(int id, const QString& name, const QString& description) {
    for (QWidget* w : elements(id)) {
        w->setAccessibleName(name);
        w->setAccessibleDescription(description);
    }
}

bool Ribbon::setElementText(int id, const QString& text) {
    bool any = false;
    for (QWidget* w : elements(id)) any = setWidgetText(w, text) || any;
    return any;
}

QRect Ribbon::globalRect(const QWidget* w) const {
    if (!w) return {};
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

void Ribbon::recalcLayout() {
    for (RibbonCategory* c : categories_) {
        for (int i = 0; i < c->panelCount(); ++i) {
            for (QWidget* e : c->panel(i)->elements()) e->updateGeometry();
            c->panel(i)->updateGeometry();
        }
        if (c->layout()) c->layout()->invalidate();
    }
    tabs_->updateGeometry();
    update();
    tabs_->update();
}

bool Ribbon::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Wheel:
        // The ribbon never scrolls or switches on the wheel.
        return true;
    case QEvent::ContextMenu:
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) return true;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void Ribbon::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, kCaptionStrip + kTabHeight);
    g.setColorAt(0, QColor(0xD7, 0xE6, 0xFA));
    g.setColorAt(0.45, kTabRowTop);
    g.setColorAt(1, kTabRowBottom);
    p.fillRect(QRect(0, 0, width(), kCaptionStrip + kTabHeight), g);
    p.setPen(kText);
    const QWidget* top = window();
    p.drawText(QRect(0, 0, width(), kCaptionStrip), Qt::AlignCenter,
               top ? top->windowTitle() : QString());
}

void Ribbon::resizeEvent(QResizeEvent*) { placeAppButton(); }

void Ribbon::contextMenuEvent(QContextMenuEvent* e) { e->accept(); }

void Ribbon::wheelEvent(QWheelEvent* e) { e->accept(); }

}  // namespace udare::shell
