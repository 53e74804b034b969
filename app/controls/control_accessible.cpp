#include "control_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>

#include "accessible_item.h"
#include "control_support.h"
#include "eq_panel.h"
#include "peak_meter.h"
#include "small_eq_panel.h"
#include "xbmp_slider.h"

namespace udare::controls {

QString AccessibleBandName(int index, int language) {
    return (language == 1 ? QStringLiteral("Band %1") : QString::fromUtf8("频段 %1")).arg(index + 1);
}

QString AccessibleBandDescription(const dsp::EqBand& b, int language) {
    QString type;
    if (b.type == dsp::FT_OFF)
        type = language == 1 ? QStringLiteral("OFF") : QString::fromUtf8("关闭");
    else if (b.type >= dsp::FT_PEQ && b.type <= dsp::FT_HS)
        type = CEqPanel::MenuText(CEqPanel::kMenuPeq + b.type - 1, language);
    else  // crossover sections: even codes low-pass, odd codes high-pass
        type = CEqPanel::MenuText(CEqPanel::kMenuPeq + (b.type % 2 == 0 ? 1 : 2), language);
    return type + Format(" %.0fHz %+.1fdB Q%.2f", static_cast<double>(b.frequency), static_cast<double>(b.gain),
                         static_cast<double>(b.q));
}

namespace {

// Bands with a handle on the curve.
std::vector<int> visibleBands(const CEqPanel* c) {
    std::vector<int> out;
    const int n = c->model().handleCount();
    for (int i = 0; i < n; ++i)
        if (c->model().bands[static_cast<size_t>(i)].type != dsp::FT_OFF) out.push_back(i);
    return out;
}

class EqBandAccessible final : public AccessibleItem {
public:
    EqBandAccessible(CEqPanel* curve, int band) : curve_(curve), band_(band) {}

    bool isValid() const override { return curve_ && curve_->model().valid(band_); }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) return AccessibleBandName(band_, curve_->language());
        if (t == QAccessible::Description || t == QAccessible::Value)
            return AccessibleBandDescription(curve_->band(band_), curve_->language());
        return {};
    }
    QRect rect() const override {
        if (!isValid()) return {};
        const dsp::EqBand& b = curve_->band(band_);
        const QPoint centre = curve_->plotRect().topLeft() + QPoint(static_cast<int>(b.x), static_cast<int>(b.y));
        return QRect(curve_->mapToGlobal(centre) - QPoint(8, 8), QSize(17, 17));
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

private:
    QWidget* owner() const override { return curve_.data(); }
    bool isSelected() const override { return curve_->selected() == band_; }
    void press() override { curve_->ClickBand(band_); }

    QPointer<CEqPanel> curve_;
    int band_;
};

class EqPanelAccessible final : public QAccessibleWidget {
public:
    explicit EqPanelAccessible(CEqPanel* curve) : QAccessibleWidget(curve, QAccessible::Chart), curve_(curve) {}
    ~EqPanelAccessible() override {
        for (QAccessible::Id id : std::as_const(ids_)) QAccessible::deleteAccessibleInterface(id);
    }
    QString text(QAccessible::Text t) const override {
        if (curve_ && t == QAccessible::Name && curve_->accessibleName().isEmpty())
            return CEqPanel::Title(curve_->kind(), curve_->language());
        if (curve_ && t == QAccessible::Description) return CEqPanel::Title(curve_->kind(), curve_->language());
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return curve_ ? static_cast<int>(visibleBands(curve_).size()) : 0; }
    QAccessibleInterface* child(int index) const override {
        if (!curve_) return nullptr;
        const std::vector<int> bands = visibleBands(curve_);
        if (index < 0 || index >= static_cast<int>(bands.size())) return nullptr;
        const int band = bands[static_cast<size_t>(index)];
        auto it = ids_.find(band);
        if (it == ids_.end()) it = ids_.insert(band, QAccessible::registerAccessibleInterface(new EqBandAccessible(curve_, band)));
        return QAccessible::accessibleInterface(*it);
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        if (!curve_) return -1;
        const std::vector<int> bands = visibleBands(curve_);
        for (int i = 0; i < static_cast<int>(bands.size()); ++i) {
            auto it = ids_.find(bands[static_cast<size_t>(i)]);
            if (it != ids_.end() && QAccessible::accessibleInterface(*it) == c) return i;
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i)
            if (QAccessibleInterface* c = child(i); c && c->rect().contains(x, y)) return c;
        return nullptr;
    }

private:
    QPointer<CEqPanel> curve_;
    mutable QHash<int, QAccessible::Id> ids_;
};

class SliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(CXBmpSlider* s)
        : QAccessibleWidget(s, QAccessible::Slider), slider_(s) {
        addControllingSignal(QStringLiteral("SliderPositionChanged(int,int)"));
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value && slider_) return QString::number(slider_->position());
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (slider_ && !slider_->isSliderEnabled()) s.disabled = true;
        return s;
    }
    QVariant currentValue() const override { return slider_ ? slider_->position() : 0; }
    // A value set from outside moves the slider as the user would.
    void setCurrentValue(const QVariant& v) override {
        if (slider_) slider_->MoveByUser(v.toInt());
    }
    QVariant maximumValue() const override { return slider_ ? std::max(slider_->minimum(), slider_->maximum()) : 0; }
    QVariant minimumValue() const override { return slider_ ? std::min(slider_->minimum(), slider_->maximum()) : 0; }
    QVariant minimumStepSize() const override { return 1; }
    QStringList actionNames() const override {
        return {increaseAction(), decreaseAction()};
    }
    void doAction(const QString& name) override {
        if (!slider_) return;
        if (name == increaseAction())
            slider_->MoveByUser(slider_->position() + 1);
        else if (name == decreaseAction())
            slider_->MoveByUser(slider_->position() - 1);
    }

private:
    QPointer<CXBmpSlider> slider_;
};

class MeterAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit MeterAccessible(CPeakMeterCtrl* m) : QAccessibleWidget(m, QAccessible::ProgressBar), meter_(m) {}
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return currentValue().toString();
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override {
        return meter_ && !meter_->channels().empty() ? meter_->channels().front().level : 0;
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return meter_ ? meter_->maximum : 0; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    QPointer<CPeakMeterCtrl> meter_;
};

// The small EQ display is clicked to open its page: a button to a screen reader.
class SmallEqAccessible final : public QAccessibleWidget {
public:
    explicit SmallEqAccessible(CSmallEqPanel* p) : QAccessibleWidget(p, QAccessible::Button), panel_(p) {}
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (!panel_ || name != pressAction()) return;
        // Exactly what a click does, through the same mouse handling.
        const QPointF c(panel_->width() / 2.0, panel_->height() / 2.0);
        const QPointF g = panel_->mapToGlobal(c);
        QMouseEvent press(QEvent::MouseButtonPress, c, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel_, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, c, g, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(panel_, &release);
    }

private:
    QPointer<CSmallEqPanel> panel_;
};

QAccessibleInterface* controlsFactory(const QString&, QObject* object) {
    if (auto* c = qobject_cast<CEqPanel*>(object)) return new EqPanelAccessible(c);
    if (auto* s = qobject_cast<CXBmpSlider*>(object)) return new SliderAccessible(s);
    if (auto* m = qobject_cast<CPeakMeterCtrl*>(object)) return new MeterAccessible(m);
    if (auto* p = qobject_cast<CSmallEqPanel*>(object)) return new SmallEqAccessible(p);
    return nullptr;
}

}  // namespace

void NotifyBandChanged(CEqPanel* curve, int i) {
    if (!QAccessible::isActive()) return;
    const std::vector<int> bands = visibleBands(curve);
    const auto it = std::find(bands.begin(), bands.end(), i);
    if (it == bands.end()) return;
    QAccessibleEvent e(curve, QAccessible::DescriptionChanged);
    e.setChild(static_cast<int>(it - bands.begin()));
    QAccessible::updateAccessibility(&e);
}

void InstallAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(controlsFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace udare::controls
