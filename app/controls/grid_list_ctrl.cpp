#include "grid_list_ctrl.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMetaObject>
#include <QStyledItemDelegate>
#include <algorithm>

namespace udare::controls {

class GridEditorDelegate : public QStyledItemDelegate {
public:
    explicit GridEditorDelegate(CGridListCtrlEx* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        const auto editor = grid_->ColumnEditor(index.column());
        if (editor == CGridListCtrlEx::EditorText) {
            auto* e = new QLineEdit(parent);
            e->setAlignment(Qt::AlignCenter);
            e->setFrame(false);
            return e;
        }
        if (editor == CGridListCtrlEx::EditorDropDown) {
            auto* c = new QComboBox(parent);
            c->addItems(grid_->ColumnChoices(index.column()));
            // A choice is an edit: commit it at once.
            connect(c, &QComboBox::activated, this, [this, c] {
                auto* self = const_cast<GridEditorDelegate*>(this);
                emit self->commitData(c);
                emit self->closeEditor(c);
            });
            return c;
        }
        return nullptr;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const QString text = index.data(Qt::DisplayRole).toString();
        if (auto* e = qobject_cast<QLineEdit*>(editor)) {
            e->setText(text);
            e->selectAll();
        } else if (auto* c = qobject_cast<QComboBox*>(editor)) {
            c->setCurrentIndex(c->findText(text));
        }
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        QString text;
        if (auto* e = qobject_cast<QLineEdit*>(editor))
            text = e->text();
        else if (auto* c = qobject_cast<QComboBox*>(editor))
            text = c->currentText();
        else
            return;
        // The host may rebuild the table in its handler: report once the
        // editor has gone.
        const int row = index.row(), column = index.column();
        QMetaObject::invokeMethod(
            grid_, [g = grid_, row, column, text] { g->FinishEdit(row, column, text); },
            Qt::QueuedConnection);
    }

private:
    CGridListCtrlEx* grid_;
};

CGridListCtrlEx::CGridListCtrlEx(QWidget* parent) : QTableWidget(parent) {
    setItemDelegate(new GridEditorDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(20);
    horizontalHeader()->setSectionsClickable(false);
    setWordWrap(false);
    defaultText_ = palette().color(QPalette::Text);
    defaultBack_ = palette().color(QPalette::Base);
    connect(this, &QTableWidget::cellPressed, this, [this](int row, int) { emit RowClicked(row); });
}

int CGridListCtrlEx::InsertColumn(int index, const QString& title, int width, Editor editor,
                                  Qt::Alignment alignment) {
    index = std::clamp(index, 0, columnCount());
    insertColumn(index);
    auto* head = new QTableWidgetItem(title);
    head->setTextAlignment(alignment | Qt::AlignVCenter);
    setHorizontalHeaderItem(index, head);
    setColumnWidth(index, width);
    columns_.insert(columns_.begin() + index, Column{editor, {}, alignment});
    for (int r = 0; r < rowCount(); ++r) {
        auto* it = new QTableWidgetItem();
        setItem(r, index, it);
    }
    for (int r = 0; r < rowCount(); ++r) applyRow(r);
    return index;
}

void CGridListCtrlEx::SetColumnEditor(int column, Editor editor, const QStringList& choices) {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return;
    columns_[static_cast<size_t>(column)].editor = editor;
    columns_[static_cast<size_t>(column)].choices = choices;
}

CGridListCtrlEx::Editor CGridListCtrlEx::ColumnEditor(int column) const {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return EditorNone;
    return columns_[static_cast<size_t>(column)].editor;
}

QStringList CGridListCtrlEx::ColumnChoices(int column) const {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return {};
    return columns_[static_cast<size_t>(column)].choices;
}

void CGridListCtrlEx::DeleteAllColumns() {
    DeleteAllItems();
    setColumnCount(0);
    columns_.clear();
}

void CGridListCtrlEx::EndEdit() {
    if (state() != QAbstractItemView::EditingState || selectionModel() == nullptr) return;
    // Moving the current index away commits and closes the open editor.
    const QModelIndex current = currentIndex();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
}

void CGridListCtrlEx::DeleteAllItems() {
    EndEdit();
    setRowCount(0);
    rows_.clear();
}

int CGridListCtrlEx::InsertItem(int row, const QString& text, qint64 data) {
    row = std::clamp(row, 0, rowCount());
    insertRow(row);
    rows_.insert(rows_.begin() + row, RowColours{});
    for (int c = 0; c < columnCount(); ++c) {
        auto* it = new QTableWidgetItem(c == 0 ? text : QString());
        setItem(row, c, it);
    }
    SetItemData(row, data);
    applyRow(row);
    return row;
}

bool CGridListCtrlEx::SetItemText(int row, int column, const QString& text) {
    QTableWidgetItem* it = item(row, column);
    if (it == nullptr) return false;
    it->setText(text);
    return true;
}

QString CGridListCtrlEx::ItemText(int row, int column) const {
    const QTableWidgetItem* it = item(row, column);
    return it ? it->text() : QString();
}

bool CGridListCtrlEx::SetItemData(int row, qint64 data) {
    QTableWidgetItem* it = item(row, 0);
    if (it == nullptr) return false;
    it->setData(Qt::UserRole, data);
    return true;
}

qint64 CGridListCtrlEx::ItemData(int row) const {
    const QTableWidgetItem* it = item(row, 0);
    return it ? it->data(Qt::UserRole).toLongLong() : 0;
}

void CGridListCtrlEx::applyRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    const RowColours& rc = rows_[static_cast<size_t>(row)];
    const QColor text = rc.text.isValid() ? rc.text : defaultText_;
    const QColor back = rc.background.isValid() ? rc.background : defaultBack_;
    for (int c = 0; c < columnCount(); ++c) {
        QTableWidgetItem* it = item(row, c);
        if (it == nullptr) continue;
        const Column& col = columns_[static_cast<size_t>(c)];
        it->setTextAlignment(col.alignment | Qt::AlignVCenter);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (col.editor != EditorNone) flags |= Qt::ItemIsEditable;
        it->setFlags(flags);
        it->setForeground(text);
        it->setBackground(back);
    }
}

void CGridListCtrlEx::SetDefaultColours(const QColor& text, const QColor& background) {
    defaultText_ = text;
    defaultBack_ = background;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, background);
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::Text, text);
    setPalette(pal);
    for (int r = 0; r < rowCount(); ++r) applyRow(r);
}

void CGridListCtrlEx::SetRowTextColour(int row, const QColor& c) {
    for (int r = 0; r < rowCount(); ++r) {
        if (row >= 0 && r != row) continue;
        rows_[static_cast<size_t>(r)].text = c;
        applyRow(r);
    }
}

void CGridListCtrlEx::SetRowBackColour(int row, const QColor& c) {
    for (int r = 0; r < rowCount(); ++r) {
        if (row >= 0 && r != row) continue;
        rows_[static_cast<size_t>(r)].background = c;
        applyRow(r);
    }
}

QColor CGridListCtrlEx::RowTextColour(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    const QColor& c = rows_[static_cast<size_t>(row)].text;
    return c.isValid() ? c : defaultText_;
}

QColor CGridListCtrlEx::RowBackColour(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    const QColor& c = rows_[static_cast<size_t>(row)].background;
    return c.isValid() ? c : defaultBack_;
}

void CGridListCtrlEx::SetSelectedRow(int row) {
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        setCurrentItem(nullptr);
        return;
    }
    selectRow(row);
}

int CGridListCtrlEx::SelectedRow() const {
    const auto rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList{};
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool CGridListCtrlEx::EditCell(int row, int column) {
    QTableWidgetItem* it = item(row, column);
    if (it == nullptr || ColumnEditor(column) == EditorNone) return false;
    setCurrentItem(it);
    editItem(it);
    return true;
}

void CGridListCtrlEx::FinishEdit(int row, int column, const QString& text) {
    QTableWidgetItem* it = item(row, column);
    if (it == nullptr) return;
    it->setText(text);
    emit CellEditFinished(row, column, text);
}

}  // namespace udare::controls
