#include "ui/ui_api.h"

namespace udare::ui {

QWidget* DialogRegistry::obtain(DialogSlot slot, QWidget* parent) {
    if (QWidget* w = current(slot)) return w;
    const Factory& make = factories_[index(slot)];
    if (!make) return nullptr;
    QWidget* w = make(parent);
    setCurrent(slot, w);
    return w;
}

QWidget* DialogRegistry::show(DialogSlot slot, QWidget* parent) {
    QWidget* w = obtain(slot, parent);
    if (!w) return nullptr;
    if (auto* r = dynamic_cast<Reopenable*>(w)) r->opened();
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

void DialogRegistry::close(DialogSlot slot) {
    if (QWidget* w = current(slot)) {
        setCurrent(slot, nullptr);
        w->close();
        w->deleteLater();
    }
}

void DialogRegistry::refreshOpen() const {
    forEachOpen([](DialogSlot, QWidget* w) {
        if (auto* r = dynamic_cast<StateRefreshable*>(w)) r->refreshFromState();
    });
}

void DialogRegistry::forEachOpen(const std::function<void(DialogSlot, QWidget*)>& f) const {
    for (int i = 0; i < kDialogSlotCount; ++i)
        if (QWidget* w = open_[i].data()) f(static_cast<DialogSlot>(i), w);
}

}  // namespace udare::ui
