#include "report_ctrl.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

namespace udare::controls {

CReportCtrl::CReportCtrl(QWidget* parent) : QTableWidget(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(18);
    horizontalHeader()->setHighlightSections(false);
    setWordWrap(false);
    setTabKeyNavigation(false);  // Tab moves the focus on, as in a dialog
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CReportCtrl::onHeaderClicked);
    connect(this, &QTableWidget::cellPressed, this,
            [this](int row, int) {
                const Qt::MouseButtons held = QGuiApplication::mouseButtons();
                emit RowClicked(row, held & Qt::RightButton ? Qt::RightButton : Qt::LeftButton);
            });
}

QColor CReportCtrl::systemText() const {
    return systemText_.isValid() ? systemText_ : palette().color(QPalette::Text);
}
QColor CReportCtrl::systemBack() const {
    return systemBack_.isValid() ? systemBack_ : palette().color(QPalette::Base);
}

void CReportCtrl::DeleteAllItems() {
    EndEdit();
    setUpdatesEnabled(false);
    setRowCount(0);
    colours_.clear();
    setUpdatesEnabled(true);
}

int CReportCtrl::InsertColumn(int index, const QString& title, Qt::Alignment alignment, int width) {
    index = std::clamp(index, 0, columnCount());
    insertColumn(index);
    auto* head = new QTableWidgetItem(title);
    head->setTextAlignment(alignment | Qt::AlignVCenter);
    setHorizontalHeaderItem(index, head);
    setColumnWidth(index, width);
    alignments_.insert(alignments_.begin() + index, alignment);
    for (ReportRowColours& r : colours_) {
        r.text.insert(r.text.begin() + index, systemText());
        r.background.insert(r.background.begin() + index, systemBack());
    }
    // Rows that already exist get a cell in the new column, so that its text
    // can be set like any other.
    for (int row = 0; row < rowCount(); ++row) {
        auto* cell = new QTableWidgetItem;
        cell->setTextAlignment(alignment | Qt::AlignVCenter);
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(row, index, cell);
        applyColours(row, index);
    }
    return index;
}

bool CReportCtrl::DeleteColumn(int index) {
    if (index < 0 || index >= columnCount()) return false;
    removeColumn(index);
    alignments_.erase(alignments_.begin() + index);
    for (ReportRowColours& r : colours_) {
        r.text.erase(r.text.begin() + index);
        r.background.erase(r.background.begin() + index);
    }
    return true;
}

int CReportCtrl::InsertItem(int row, const QString& text) {
    row = std::clamp(row, 0, rowCount());
    insertRow(row);
    const size_t n = static_cast<size_t>(columnCount());
    colours_.insert(colours_.begin() + row,
                    ReportRowColours{std::vector<QColor>(n, systemText()),
                                     std::vector<QColor>(n, systemBack())});
    for (int c = 0; c < columnCount(); ++c) {
        auto* item = new QTableWidgetItem(c == 0 ? text : QString());
        item->setTextAlignment(alignments_[static_cast<size_t>(c)] | Qt::AlignVCenter);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(row, c, item);
        applyColours(row, c);
    }
    return row;
}

bool CReportCtrl::SetItemText(int row, int column, const QString& text) {
    QTableWidgetItem* it = item(row, column);
    if (it == nullptr) return false;
    EndEdit();
    sortColumn_ = -1;
    ascending_ = true;
    it->setText(text);
    return true;
}

QString CReportCtrl::ItemText(int row, int column) const {
    const QTableWidgetItem* it = item(row, column);
    return it ? it->text() : QString();
}

void CReportCtrl::applyColours(int row, int column) {
    QTableWidgetItem* it = item(row, column);
    if (it == nullptr) return;
    const ReportRowColours& r = colours_[static_cast<size_t>(row)];
    it->setForeground(r.text[static_cast<size_t>(column)]);
    it->setBackground(r.background[static_cast<size_t>(column)]);
}

namespace {

template <typename F>
void ForCells(int row, int column, int rows, int columns, F f) {
    const int r0 = row < 0 ? 0 : row, r1 = row < 0 ? rows : std::min(row + 1, rows);
    const int c0 = column < 0 ? 0 : column, c1 = column < 0 ? columns : std::min(column + 1, columns);
    for (int r = r0; r < r1; ++r)
        for (int c = c0; c < c1; ++c) f(r, c);
}

}  // namespace

void CReportCtrl::SetItemTextColor(int row, int column, const QColor& col) {
    ForCells(row, column, rowCount(), columnCount(), [&](int r, int c) {
        colours_[static_cast<size_t>(r)].text[static_cast<size_t>(c)] = col;
        applyColours(r, c);
    });
}

void CReportCtrl::SetItemBkColor(int row, int column, const QColor& col) {
    ForCells(row, column, rowCount(), columnCount(), [&](int r, int c) {
        colours_[static_cast<size_t>(r)].background[static_cast<size_t>(c)] = col;
        applyColours(r, c);
    });
}

QColor CReportCtrl::ItemTextColor(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
    return colours_[static_cast<size_t>(row)].text[static_cast<size_t>(column)];
}

QColor CReportCtrl::ItemBkColor(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
    return colours_[static_cast<size_t>(row)].background[static_cast<size_t>(column)];
}

void CReportCtrl::SetBackgroundColour(const QColor& c) {
    // Rows created later keep the system colours they were created with.
    const QColor text = systemText(), back = systemBack();
    QPalette pal = palette();
    pal.setColor(QPalette::Base, c);
    setPalette(pal);
    systemText_ = text;
    systemBack_ = back;
}

void CReportCtrl::DisableHeaderSorting() {
    headerSorting_ = false;
    horizontalHeader()->setSectionsClickable(false);
}

void CReportCtrl::EndEdit() {
    if (state() != QAbstractItemView::EditingState || selectionModel() == nullptr) return;
    // Moving the current index away commits and closes the open editor.
    const QModelIndex current = currentIndex();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
}

void CReportCtrl::onHeaderClicked(int column) {
    if (!headerSorting_) return;
    ascending_ = column == sortColumn_ ? !ascending_ : true;
    sortColumn_ = column;
    // Rows keep their colour records, so sort rows and records together.
    std::vector<int> order(static_cast<size_t>(rowCount()));
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const QString ta = ItemText(a, column), tb = ItemText(b, column);
        return ascending_ ? ta.localeAwareCompare(tb) < 0 : tb.localeAwareCompare(ta) < 0;
    });
    std::vector<std::vector<QString>> texts;
    std::vector<ReportRowColours> cols;
    for (int r : order) {
        std::vector<QString> row;
        for (int c = 0; c < columnCount(); ++c) row.push_back(ItemText(r, c));
        texts.push_back(std::move(row));
        cols.push_back(colours_[static_cast<size_t>(r)]);
    }
    colours_ = std::move(cols);
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c) {
            item(r, c)->setText(texts[static_cast<size_t>(r)][static_cast<size_t>(c)]);
            applyColours(r, c);
        }
    emit HeaderSorted(column, ascending_);
}

void CReportCtrl::keyPressEvent(QKeyEvent* e) {
    // Keys stop here; Tab focus moves are handled before this point.
    e->accept();
}

}  // namespace udare::controls
