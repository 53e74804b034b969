// A compact ribbon bar: an application button with its menu, category tabs
// with buttons beside them, and per category a row of captioned panels that
// hold small and large buttons, labels, sliders and checks. Every element
// carries its command identifier and is found by it.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QIcon>
#include <QList>
#include <QMenu>
#include <QSlider>
#include <QToolButton>
#include <QWidget>

class QStackedWidget;
class QHBoxLayout;

namespace udare::shell {

class RibbonPanel : public QWidget {
    Q_OBJECT
public:
    explicit RibbonPanel(const QString& caption, QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);

    // Small elements stack three to a column; a large one takes a whole column.
    void addSmall(QWidget* w);
    void addLarge(QWidget* w);
    QList<QWidget*> elements() const { return elements_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void relayout();
    struct Column {
        QList<QWidget*> items;
        bool large = false;
    };
    QString caption_;
    QList<Column> columns_;
    QList<QWidget*> elements_;
};

class RibbonCategory : public QWidget {
    Q_OBJECT
public:
    explicit RibbonCategory(const QString& name, QWidget* parent = nullptr);
    QString name() const { return name_; }
    void setName(const QString& name) {
        name_ = name;
        setAccessibleName(name);
    }
    RibbonPanel* addPanel(const QString& caption);
    RibbonPanel* panel(int index) const { return panels_.value(index); }
    int panelCount() const { return static_cast<int>(panels_.size()); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString name_;
    QList<RibbonPanel*> panels_;
    QHBoxLayout* layout_;
};

class RibbonTabs;

class Ribbon : public QWidget {
    Q_OBJECT
public:
    explicit Ribbon(QWidget* parent = nullptr);

    // Application button and its menu.
    QToolButton* applicationButton() const { return appButton_; }
    QMenu* applicationMenu() const { return appMenu_; }

    RibbonCategory* addCategory(const QString& name);
    RibbonCategory* category(int index) const { return categories_.value(index); }
    int categoryCount() const { return static_cast<int>(categories_.size()); }
    int activeCategoryIndex() const { return active_; }
    RibbonCategory* activeCategory() const { return category(active_); }
    // Selecting the active category again changes nothing and emits nothing.
    void setActiveCategory(int index);

    // Elements, built into a panel of a category; each carries its id.
    QToolButton* addLabel(RibbonPanel* p, int id, const QString& text);
    QSlider* addSlider(RibbonPanel* p, int id, int min, int max, int value = 0);
    QCheckBox* addCheck(RibbonPanel* p, int id, const QString& text);
    QToolButton* addSmallButton(RibbonPanel* p, int id, const QString& text);
    QToolButton* addLargeButton(RibbonPanel* p, int id, const QString& text, const QIcon& icon);
    QToolButton* addTabRowButton(int id, const QString& text, const QIcon& icon = {});
    // An empty cell that keeps the three-row grid (not a control).
    void addSpacer(RibbonPanel* p);

    // Lookup by command id. The mode buttons exist once per category, so
    // the plain lookups prefer the active category's element.
    QList<QWidget*> elements(int id) const;
    QWidget* element(int id) const;
    QSlider* slider(int id) const { return qobject_cast<QSlider*>(element(id)); }
    QCheckBox* check(int id) const { return qobject_cast<QCheckBox*>(element(id)); }
    QAbstractButton* button(int id) const { return qobject_cast<QAbstractButton*>(element(id)); }
    // The panel holding an element.
    RibbonPanel* panelOf(int id) const;

    // Set without emitting the user-change signals; false when id is unknown.
    bool setSliderValue(int id, int value);
    bool setChecked(int id, bool checked);
    bool setElementText(int id, const QString& text);  // every element with the id
    // What screen readers and UI automation call every element with the id.
    void setElementAccessibleName(int id, const QString& name, const QString& description = {});

    // Geometry in global coordinates, for the wheel rules of the view.
    QRect globalRect(const QWidget* w) const;

    // Re-measure the panels after captions changed, and repaint.
    void recalcLayout();

    // The ribbon never collapses; kept so callers can restore it regardless.
    bool isMinimized() const { return false; }

signals:
    void categoryChanged(int index);
    void commandTriggered(int id);           // buttons and labels
    void sliderMoved(int id, int position);  // user changes only
    void checkToggled(int id, bool checked); // user changes only

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void adopt(QWidget* element, int id);
    void placeAppButton();

    QToolButton* appButton_;
    QMenu* appMenu_;
    RibbonTabs* tabs_;
    QHBoxLayout* tabRow_;
    QStackedWidget* stack_;
    QList<RibbonCategory*> categories_;
    QList<QWidget*> all_;
    int active_ = -1;
};

// The frame's ribbon bar: never scrolls on the wheel, no context menu.
using CMyMFCRibbonBar = Ribbon;

}  // namespace udare::shell
