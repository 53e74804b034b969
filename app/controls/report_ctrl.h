// Report-style list (rows and columns of text) with a text and background
// colour per cell, used for the effect parameter table.
#pragma once

#include <QColor>
#include <QTableWidget>
#include <vector>

namespace udare::controls {

struct ReportRowColours {
    std::vector<QColor> text;
    std::vector<QColor> background;
};

class CReportCtrl : public QTableWidget {
    Q_OBJECT
public:
    explicit CReportCtrl(QWidget* parent = nullptr);

    void DeleteAllItems();
    int InsertColumn(int index, const QString& title, Qt::Alignment alignment, int width);
    bool DeleteColumn(int index);
    // Inserts a row with the system colours in every column; returns its index.
    int InsertItem(int row, const QString& text);
    bool SetItemText(int row, int column, const QString& text);
    QString ItemText(int row, int column) const;
    // Row or column -1 means every row or every column.
    void SetItemTextColor(int row, int column, const QColor& c);
    void SetItemBkColor(int row, int column, const QColor& c);
    QColor ItemTextColor(int row, int column) const;
    QColor ItemBkColor(int row, int column) const;
    // Colour of the list area outside the cells.
    void SetBackgroundColour(const QColor& c);
    void DisableHeaderSorting();
    void EndEdit();
    int sortColumn() const { return sortColumn_; }

signals:
    void RowClicked(int row, Qt::MouseButton button);
    void HeaderSorted(int column, bool ascending);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void applyColours(int row, int column);
    void onHeaderClicked(int column);
    QColor systemText() const;
    QColor systemBack() const;

    std::vector<ReportRowColours> colours_;
    QColor systemText_, systemBack_;  // the window colours new rows start with
    std::vector<Qt::Alignment> alignments_;
    int sortColumn_ = -1;
    bool ascending_ = true;
    bool headerSorting_ = true;
};

}  // namespace udare::controls
