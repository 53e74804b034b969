// Editable grid list: rows and columns of text where each column may carry
// an in-place editor (free text or a drop-down list), with row colouring.
// The band table of the EQ pages is built on it.
#pragma once

#include <QColor>
#include <QStringList>
#include <QTableWidget>
#include <vector>

namespace udare::controls {

class CGridListCtrlEx : public QTableWidget {
    Q_OBJECT
public:
    enum Editor { EditorNone, EditorText, EditorDropDown };

    explicit CGridListCtrlEx(QWidget* parent = nullptr);

    int InsertColumn(int index, const QString& title, int width, Editor editor = EditorNone,
                     Qt::Alignment alignment = Qt::AlignHCenter);
    void SetColumnEditor(int column, Editor editor, const QStringList& choices = {});
    Editor ColumnEditor(int column) const;
    QStringList ColumnChoices(int column) const;
    void DeleteAllColumns();
    void DeleteAllItems();
    // Closes an open cell editor, keeping what was typed.
    void EndEdit();
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }

    int InsertItem(int row, const QString& text, qint64 data = 0);
    bool SetItemText(int row, int column, const QString& text);
    QString ItemText(int row, int column) const;
    bool SetItemData(int row, qint64 data);
    qint64 ItemData(int row) const;

    // Colours for every cell (row -1: all rows); a row's own colour wins.
    void SetDefaultColours(const QColor& text, const QColor& background);
    void SetRowTextColour(int row, const QColor& c);
    void SetRowBackColour(int row, const QColor& c);
    QColor RowTextColour(int row) const;
    QColor RowBackColour(int row) const;

    void SetSelectedRow(int row);
    int SelectedRow() const;

    // Opens the editor of a cell (also reached by a click on a selected row).
    bool EditCell(int row, int column);
    // Writes an edit result as if the user had typed it and ends the edit.
    void FinishEdit(int row, int column, const QString& text);

signals:
    void CellEditFinished(int row, int column, const QString& text);
    void RowClicked(int row);

private:
    struct Column {
        Editor editor = EditorNone;
        QStringList choices;
        Qt::Alignment alignment = Qt::AlignHCenter;
    };
    struct RowColours {
        QColor text, background;
    };
    void applyRow(int row);
    friend class GridEditorDelegate;

    std::vector<Column> columns_;
    std::vector<RowColours> rows_;
    QColor defaultText_, defaultBack_;
};

}  // namespace udare::controls
