#include "mainwindow/CallListModel.h"

#include <algorithm>

#include <QColor>
#include <QFont>
#include <QLocale>

#include "platform/Colour.h"

namespace {

const char* const kHeadings[CallListModel::ColumnCount] = {"Name", "Number", "Date/Time", "Rings", "Answered", "", ""};

// A cell read as a number the way the generic sort guesses it: the whole trimmed text must be one.
bool numericValue(const QString& text, double& value)
{
    bool ok = false;
    value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok;
}

} // namespace

CallListModel::CallListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CallListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_announced; }

int CallListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant CallListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_announced || index.column() >= ColumnCount)
        return {};
    const Row& r = m_rows[size_t(index.row())];
    const int c = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return c < ColFiller ? r.text[size_t(c)] : QString();
    case Qt::ForegroundRole:
        if (c < ColID)
            return QColor(Colour::fromBgr(r.colour[size_t(c)]));
        return {};
    case Qt::FontRole:
        if (c < ColID && (r.bold & (1u << c))) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::TextAlignmentRole:
        if (c < ColID)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant CallListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < ColumnCount) {
        if (role == Qt::DisplayRole)
            return QString::fromLatin1(kHeadings[section]);
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return {};
}

Qt::ItemFlags CallListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

qint64 CallListModel::idValue(const QString& text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (ok)
        return v;
    double d = 0;
    return numericValue(text, d) ? qint64(d) : 0;
}

QString CallListModel::textMatrix(int row, int col) const
{
    if (col < 0 || col >= ColumnCount)
        return {};
    if (row == 0)
        return QString::fromLatin1(kHeadings[col]);
    if (!validDataRow(row) || col == ColFiller)
        return {};
    return m_rows[size_t(row - 1)].text[size_t(col)];
}

void CallListModel::setTextMatrix(int row, int col, const QString& text)
{
    if (!validDataRow(row) || col < 0 || col >= ColFiller)
        return;
    Row& r = m_rows[size_t(row - 1)];
    r.text[size_t(col)] = text;
    if (col == ColID)
        r.id = idValue(text);
    if (row - 1 < m_announced) {
        const QModelIndex i = index(row - 1, col);
        Q_EMIT dataChanged(i, i, {Qt::DisplayRole});
    }
}

void CallListModel::flushPending()
{
    const int total = int(m_rows.size());
    if (m_announced >= total)
        return;
    beginInsertRows(QModelIndex(), m_announced, total - 1);
    m_announced = total;
    endInsertRows();
}

void CallListModel::beginBulkAppend() { ++m_bulkDepth; }

void CallListModel::endBulkAppend()
{
    if (m_bulkDepth > 0 && --m_bulkDepth == 0) {
        flushPending();
        Q_EMIT selectionChanged();
    }
}

void CallListModel::addItem(const QString& tabbedText, int index)
{
    Row r;
    const QStringList cells = tabbedText.split(QLatin1Char('\t'));
    for (int c = 0; c < ColFiller && c < cells.size(); ++c)
        r.text[size_t(c)] = cells[c];
    insertRow(std::move(r), index);
}

void CallListModel::addRow(const Cells& cells, int index)
{
    Row r;
    r.text = cells;
    insertRow(std::move(r), index);
}

void CallListModel::insertRow(Row&& r, int index)
{
    const int oldRow = m_row, oldRowSel = m_rowSel;
    r.id = idValue(r.text[ColID]);

    const bool append = index <= 0 || index >= rows();
    if (append && m_bulkDepth > 0) {
        m_rows.push_back(std::move(r));
    } else {
        flushPending();
        const int pos = append ? int(m_rows.size()) : index - 1;
        beginInsertRows(QModelIndex(), pos, pos);
        m_rows.insert(m_rows.begin() + pos, std::move(r));
        m_announced = int(m_rows.size());
        endInsertRows();
        // The ends keep pointing at the calls they held: a call inserted above them moves them down.
        if (!append) {
            if (m_row >= index)
                ++m_row;
            if (m_rowSel >= index)
                ++m_rowSel;
        }
    }
    // With data rows the heading row is no longer a place for the current row.
    if (m_row == 0 && rows() > 1)
        m_row = m_rowSel = 1;
    if (m_bulkDepth == 0 && (oldRow != m_row || oldRowSel != m_rowSel))
        Q_EMIT selectionChanged();
}

void CallListModel::removeItem(int row)
{
    if (!validDataRow(row))
        return;
    flushPending();
    beginRemoveRows(QModelIndex(), row - 1, row - 1);
    m_rows.erase(m_rows.begin() + (row - 1));
    m_announced = int(m_rows.size());
    endRemoveRows();
    // Rows below the removed one move up; an end on the removed row stays at its index (the next call).
    if (m_row > row)
        --m_row;
    if (m_rowSel > row)
        --m_rowSel;
    clampSelection();
    Q_EMIT selectionChanged();
}

void CallListModel::clearRows()
{
    if (m_rows.empty() && m_announced == 0)
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_announced = 0;
    endResetModel();
    clampSelection();
    Q_EMIT selectionChanged();
}

void CallListModel::clampSelection()
{
    const int last = rows() - 1;
    m_row = std::clamp(m_row, 0, last);
    m_rowSel = std::clamp(m_rowSel, 0, last);
}

int CallListModel::findRowById(qint64 id) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].id == id && !m_rows[i].text[ColID].trimmed().isEmpty())
            return int(i) + 1;
    return 0;
}

quint32 CallListModel::cellForeColour(int row, int col) const
{
    if (!validDataRow(row) || col < 0 || col >= ColID)
        return 0;
    return m_rows[size_t(row - 1)].colour[size_t(col)];
}

void CallListModel::setCellForeColour(int row, int col, quint32 bgr)
{
    if (!validDataRow(row) || col < 0 || col >= ColID)
        return;
    m_rows[size_t(row - 1)].colour[size_t(col)] = bgr;
    if (row - 1 < m_announced) {
        const QModelIndex i = index(row - 1, col);
        Q_EMIT dataChanged(i, i, {Qt::ForegroundRole});
    }
}

bool CallListModel::cellBold(int row, int col) const
{
    if (!validDataRow(row) || col < 0 || col >= ColID)
        return false;
    return m_rows[size_t(row - 1)].bold & (1u << col);
}

void CallListModel::setCellBold(int row, int col, bool bold)
{
    if (!validDataRow(row) || col < 0 || col >= ColID)
        return;
    quint8& b = m_rows[size_t(row - 1)].bold;
    b = bold ? quint8(b | (1u << col)) : quint8(b & ~(1u << col));
    if (row - 1 < m_announced) {
        const QModelIndex i = index(row - 1, col);
        Q_EMIT dataChanged(i, i, {Qt::FontRole});
    }
}

void CallListModel::sortRows(int column, int setting)
{
    if (column < 0 || column >= ColFiller || setting < GenericAscending || setting > StringNoCaseDescending)
        return;
    flushPending();
    const size_t n = m_rows.size();
    if (n < 2)
        return;

    // Keys are computed once per row; the comparison then only touches numbers or folded text.
    struct Key {
        bool isNumber = false;
        double number = 0;
        QString text;
    };
    std::vector<Key> keys(n);
    for (size_t i = 0; i < n; ++i) {
        const QString& cell = m_rows[i].text[size_t(column)];
        Key& k = keys[i];
        switch (setting) {
        case NumericAscending:
        case NumericDescending:
            k.isNumber = true;
            if (column == ColID)
                k.number = double(m_rows[i].id);
            else if (!numericValue(cell, k.number))
                k.number = 0;
            break;
        case GenericAscending:
        case GenericDescending:
            k.isNumber = numericValue(cell, k.number);
            if (!k.isNumber)
                k.text = cell.toCaseFolded();
            break;
        default:
            k.text = cell.toCaseFolded();
            break;
        }
    }
    auto less = [&keys](quint32 a, quint32 b) {
        const Key& x = keys[a];
        const Key& y = keys[b];
        if (x.isNumber != y.isNumber)
            return x.isNumber; // numbers before text
        if (x.isNumber)
            return x.number < y.number;
        return QString::compare(x.text, y.text, Qt::CaseSensitive) < 0;
    };
    const bool descending =
        setting == GenericDescending || setting == NumericDescending || setting == StringNoCaseDescending;

    std::vector<quint32> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = quint32(i);
    if (descending)
        std::stable_sort(order.begin(), order.end(), [&less](quint32 a, quint32 b) { return less(b, a); });
    else
        std::stable_sort(order.begin(), order.end(), less);

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPos(n);
    for (size_t i = 0; i < n; ++i)
        newPos[order[i]] = int(i);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.append(index(newPos[size_t(i.row())], i.column()));
    changePersistentIndexList(before, after);

    std::vector<Row> sorted;
    sorted.reserve(n);
    for (size_t i = 0; i < n; ++i)
        sorted.push_back(std::move(m_rows[order[i]]));
    m_rows.swap(sorted);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CallListModel::setRow(int row) { select(row, row, m_col, m_col); }

void CallListModel::setRowSel(int row) { select(m_row, row, m_col, m_colSel); }

void CallListModel::setCol(int col) { select(m_row, m_row, col, col); }

void CallListModel::setColSel(int col) { select(m_row, m_rowSel, m_col, col); }

void CallListModel::select(int row, int rowSel, int col, int colSel)
{
    const int last = rows() - 1;
    row = std::clamp(row, 0, last);
    rowSel = std::clamp(rowSel, 0, last);
    col = std::clamp(col, 0, ColumnCount - 1);
    colSel = std::clamp(colSel, 0, ColumnCount - 1);
    if (row == m_row && rowSel == m_rowSel && col == m_col && colSel == m_colSel)
        return;
    m_row = row;
    m_rowSel = rowSel;
    m_col = col;
    m_colSel = colSel;
    Q_EMIT selectionChanged();
}
