// A painted part of a widget (a ribbon tab, a curve handle) as an accessible
// object of its own: selectable, and pressed as a click would. Subclasses say
// what it is and where; the rest is the same for every such part.
#pragma once

#include <QAccessible>
#include <QWidget>

namespace udare::controls {

class AccessibleItem : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        QWidget* w = owner();
        return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.selected = isSelected();
        s.invisible = !owner()->isVisible();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                 : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (isValid() && name == pressAction()) press();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

protected:
    // The widget that paints the part; null once it is gone.
    virtual QWidget* owner() const = 0;
    virtual bool isSelected() const = 0;
    virtual void press() = 0;
};

}  // namespace udare::controls
