#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <vector>

#include "mainwindow/CallRows.h"

// The rows of the call list, addressed the way the call-list grid is: row 0 is the heading row, data rows
// are 1 .. rows() - 1, and the seven columns are fixed (Name, Number, Date/Time, Rings, Answered, the
// hidden record ID, an empty filler). Besides the cells it keeps each cell's fore colour and bold flag and
// the selection as two row ends and two column ends: Row/Col are the anchor (where the selection started),
// RowSel/ColSel the moving end. Views show data rows only; the heading row is their header. Rows are kept
// compact (CallRows.h): the six texts of a row lie side by side in shared text blocks.
class CallListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColName = 0, ColNumber, ColDate, ColRings, ColAnswered, ColID, ColFiller, ColumnCount };
    // The sort settings of the grid's Sort property.
    enum SortSetting {
        GenericAscending = 1,
        GenericDescending = 2,
        NumericAscending = 3,
        NumericDescending = 4,
        StringNoCaseAscending = 5,
        StringNoCaseDescending = 6
    };

    explicit CallListModel(QObject* parent = nullptr);

    // --- item model (data rows only) ---
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // --- grid rows, heading row included ---
    int rows() const { return int(m_rows.size()) + 1; }
    QString textMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    // Cells separated by TAB; index 0 or beyond the end appends, otherwise inserts before that row.
    void addItem(const QString& tabbedText, int index = 0);
    // The same with the six cells given apart, so a TAB inside a name cannot shift the ID column.
    using Cells = std::array<QString, 6>;
    void addRow(const Cells& cells, int index = 0);
    // Appends rows first .. last - 1 of a refill's batch without copying their texts.
    void appendRows(const CallRowBatch& batch, size_t first, size_t last);
    void removeItem(int row);
    // Removes every data row whose ID cell reads as one of the IDs; returns how many went. The selection ends
    // move with the rows they point at; an end on a removed row goes to the first row after the removed ones.
    int removeRowsById(const std::vector<qint64>& ids);
    // Only the heading row remains.
    void clearRows();
    // The first data row whose ID cell reads as that number; 0 when none does.
    int findRowById(qint64 id) const;

    quint32 cellForeColour(int row, int col) const;
    void setCellForeColour(int row, int col, quint32 bgr);
    bool cellBold(int row, int col) const;
    void setCellBold(int row, int col, bool bold);

    // Sorts the data rows by one column with one of the settings above; equal keys keep their order.
    void sortRows(int column, int setting);

    // --- selection ---
    int row() const { return m_row; }
    int rowSel() const { return m_rowSel; }
    int col() const { return m_col; }
    int colSel() const { return m_colSel; }
    // Setting Row or Col makes the current cell the whole selection again (RowSel = Row, ColSel = Col).
    void setRow(int row);
    void setRowSel(int row);
    void setCol(int col);
    void setColSel(int col);
    // Sets all four ends at once and reports one change.
    void select(int row, int rowSel, int col, int colSel);

    // While a bulk fill runs, appended rows are announced to views together at its end (or before any
    // other change), so a refill of many rows does not pay the views' per-row bookkeeping.
    void beginBulkAppend();
    void endBulkAppend();

Q_SIGNALS:
    void selectionChanged();

private:
    using Row = CallRow;
    static qint64 idValue(QStringView text);
    bool validDataRow(int row) const { return row >= 1 && row < rows(); }
    void flushPending();
    void insertRow(Row r, int index);
    void clampSelection();
    // Texts of removed or rewritten rows stay in the blocks until there is more of them than of live text.
    void dropText(const Row& r);
    void compactText();

    std::vector<Row> m_rows;
    TextArena m_text;
    qsizetype m_deadText = 0; // characters no row points at any more
    int m_announced = 0;      // rows the views know of
    int m_bulkDepth = 0;
    int m_row = 0, m_rowSel = 0, m_col = ColID, m_colSel = ColID;
};
