#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

#include "statistics/StatisticsProtocol.h"

// The statistics grid's cells, addressed as the rest of the window talks about them: row 0 is the heading row
// ("Groups" in its first cell, then one statistic per column), column 0 the group names, then one column per
// statistic and a last, empty filler column. As a Qt model it shows rows 1.. as its rows and row 0 as the
// horizontal header.
class StatsGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StatsGridModel(QObject* parent = nullptr);

    static constexpr int HeadingRow = 0;
    static constexpr int GroupColumn = 0;

    // The grid's shape for S statistics and G groups: S + 2 columns, G + 1 rows, every cell empty but the
    // headings.
    void setUp(const QStringList& statistics, const QStringList& groups);
    int Rows() const { return int(m_cells.size()); }
    int Cols() const { return m_cols; }
    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);

    // Sorts rows 1.. by a column, the heading row staying in place. A cell that begins with a number counts as
    // that number ("5 (6/1/2005 ...)" as 5) and comes before every text ("Bad SQL", an empty cell); texts
    // compare without regard to case; rows that compare equal keep their order.
    void sortByColumn(int col, bool ascending);
    // Rows from first to last (1-based grid rows), cells 0..lastCol joined by TAB, rows by CR LF.
    QString rowsText(int first, int last, int lastCol) const;

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<QStringList> m_cells;
    int m_cols = 2;
};

// The caller graph's data as the Caller Graph menu copies it "in Excel format": a first line of a TAB and each
// series' label, then per row its label and values joined by TAB; rows joined by CR LF, none after the last.
QString GraphCopyText(const QStringList& seriesLabels, const GraphTable& table);
