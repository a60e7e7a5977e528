#include "mainwindow/CallListModel.h"

#include <algorithm>

#include <QColor>
#include <QFont>
#include <QLocale>

#include "platform/Colour.h"

namespace {

const char* const kHeadings[CallListModel::ColumnCount] = {"Name", "Number", "Date/Time", "Rings", "Answered", "", ""};

// A cell read as a number the way the generic sort guesses it: the whole trimmed text must be one.
bool numericValue(QStringView text, double& value)
{
    bool ok = false;
    value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok;
}

// A whole number written in plain digits (an optional sign, blanks around): the common case of an ID cell,
// read without the locale's general number parser.
bool plainInteger(QStringView text, qint64& value)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 18)
        return false;
    qsizetype i = 0;
    const bool negative = text[0] == QLatin1Char('-');
    if (negative || text[0] == QLatin1Char('+'))
        ++i;
    if (i == text.size())
        return false;
    qint64 v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
    }
    value = negative ? -v : v;
    return true;
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
        return c < ColFiller ? r.cell(c).toString() : QString();
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

qint64 CallListModel::idValue(QStringView text)
{
    qint64 v = 0;
    if (plainInteger(text, v))
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
    return m_rows[size_t(row - 1)].cell(col).toString();
}

void CallListModel::setTextMatrix(int row, int col, const QString& text)
{
    if (!validDataRow(row) || col < 0 || col >= ColFiller)
        return;
    Row& r = m_rows[size_t(row - 1)];
    std::array<QStringView, CallRowTexts> texts;
    for (int c = 0; c < CallRowTexts; ++c)
        texts[size_t(c)] = c == col ? QStringView(text) : r.cell(c);
    dropText(r);
    storeCallRowTexts(m_text, r, texts);
    if (col == ColID)
        r.id = idValue(text);
    compactText();
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
    const QStringList cells = tabbedText.split(QLatin1Char('\t'));
    Cells texts;
    for (int c = 0; c < ColFiller && c < cells.size(); ++c)
        texts[size_t(c)] = cells[c];
    addRow(texts, index);
}

void CallListModel::addRow(const Cells& cells, int index)
{
    Row r;
    std::array<QStringView, CallRowTexts> texts;
    for (int c = 0; c < CallRowTexts; ++c)
        texts[size_t(c)] = cells[size_t(c)];
    storeCallRowTexts(m_text, r, texts);
    r.id = idValue(cells[ColID]);
    insertRow(r, index);
}

void CallListModel::appendRows(const CallRowBatch& batch, size_t first, size_t last)
{
    last = std::min(last, batch.rows.size());
    if (first >= last)
        return;
    const int oldRow = m_row, oldRowSel = m_rowSel;
    m_text.share(batch.text);
    if (m_rows.capacity() < m_rows.size() + (batch.rows.size() - first))
        m_rows.reserve(m_rows.size() + (batch.rows.size() - first));
    m_rows.insert(m_rows.end(), batch.rows.begin() + qsizetype(first), batch.rows.begin() + qsizetype(last));
    if (m_bulkDepth == 0)
        flushPending();
    if (m_row == 0 && rows() > 1)
        m_row = m_rowSel = 1;
    if (m_bulkDepth == 0 && (oldRow != m_row || oldRowSel != m_rowSel))
        Q_EMIT selectionChanged();
}

void CallListModel::insertRow(Row r, int index)
{
    const int oldRow = m_row, oldRowSel = m_rowSel;

    const bool append = index <= 0 || index >= rows();
    if (append && m_bulkDepth > 0) {
        m_rows.push_back(r);
    } else {
        flushPending();
        const int pos = append ? int(m_rows.size()) : index - 1;
        beginInsertRows(QModelIndex(), pos, pos);
        m_rows.insert(m_rows.begin() + pos, r);
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
    dropText(m_rows[size_t(row - 1)]);
    m_rows.erase(m_rows.begin() + (row - 1));
    m_announced = int(m_rows.size());
    endRemoveRows();
    // Rows below the removed one move up; an end on the removed row stays at its index (the next call).
    if (m_row > row)
        --m_row;
    if (m_rowSel > row)
        --m_rowSel;
    clampSelection();
    if (m_rows.empty()) {
        m_text.clear();
        m_deadText = 0;
    }
    compactText();
    Q_EMIT selectionChanged();
}

int CallListModel::removeRowsById(const std::vector<qint64>& ids)
{
    if (ids.empty() || m_rows.empty())
        return 0;
    std::vector<qint64> wanted = ids;
    std::sort(wanted.begin(), wanted.end());
    auto doomed = [&](const Row& r) {
        return std::binary_search(wanted.cbegin(), wanted.cend(), r.id) && !r.cell(ColID).trimmed().isEmpty();
    };
    flushPending();
    int removed = 0;
    // Runs of doomed rows go in one removal each, from the bottom up so the indices above stay valid.
    int end = int(m_rows.size());
    while (end > 0) {
        if (!doomed(m_rows[size_t(end - 1)])) {
            --end;
            continue;
        }
        int begin = end - 1;
        while (begin > 0 && doomed(m_rows[size_t(begin - 1)]))
            --begin;
        beginRemoveRows(QModelIndex(), begin, end - 1);
        for (int i = begin; i < end; ++i)
            dropText(m_rows[size_t(i)]);
        m_rows.erase(m_rows.begin() + begin, m_rows.begin() + end);
        m_announced = int(m_rows.size());
        endRemoveRows();
        // Grid rows are model rows + 1: ends below the run move up by its length, ends inside it go to the
        // row that now stands where the run began.
        const int firstGone = begin + 1, count = end - begin;
        for (int* e : {&m_row, &m_rowSel}) {
            if (*e >= firstGone + count)
                *e -= count;
            else if (*e >= firstGone)
                *e = firstGone;
        }
        removed += count;
        end = begin;
    }
    if (removed == 0)
        return 0;
    clampSelection();
    if (m_rows.empty()) {
        m_text.clear();
        m_deadText = 0;
    }
    compactText();
    Q_EMIT selectionChanged();
    return removed;
}

void CallListModel::dropText(const Row& r) { m_deadText += r.totalLength(); }

void CallListModel::compactText()
{
    // Rewritten cells leave their old text behind; once that is most of what the blocks hold (and not
    // little), the live rows move into fresh blocks and the old ones go.
    qsizetype live = 0;
    if (m_deadText < 256 * 1024)
        return;
    for (const Row& r : m_rows)
        live += r.totalLength();
    if (m_deadText < live)
        return;
    TextArena fresh;
    for (Row& r : m_rows) {
        std::array<QStringView, CallRowTexts> texts;
        for (int c = 0; c < CallRowTexts; ++c)
            texts[size_t(c)] = r.cell(c);
        storeCallRowTexts(fresh, r, texts);
    }
    m_text = std::move(fresh);
    m_deadText = 0;
}

void CallListModel::clearRows()
{
    if (m_rows.empty() && m_announced == 0) {
        // Rows removed one by one leave their text behind.
        m_text.clear();
        m_deadText = 0;
        return;
    }
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_text.clear();
    m_deadText = 0;
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
        if (m_rows[i].id == id && !m_rows[i].cell(ColID).trimmed().isEmpty())
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

    const bool descending =
        setting == GenericDescending || setting == NumericDescending || setting == StringNoCaseDescending;
    std::vector<quint32> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = quint32(i);
    auto sortBy = [&order, descending](auto less) {
        if (descending)
            std::stable_sort(order.begin(), order.end(), [&less](quint32 a, quint32 b) { return less(b, a); });
        else
            std::stable_sort(order.begin(), order.end(), less);
    };

    if (setting == NumericAscending || setting == NumericDescending) {
        // Numbers only: the ID column sorts on the IDs the rows keep, others on their cells read once.
        if (column == ColID) {
            sortBy([this](quint32 a, quint32 b) { return m_rows[a].id < m_rows[b].id; });
        } else {
            std::vector<double> numbers(n, 0.0);
            for (size_t i = 0; i < n; ++i)
                if (!numericValue(m_rows[i].cell(column), numbers[i]))
                    numbers[i] = 0;
            sortBy([&numbers](quint32 a, quint32 b) { return numbers[a] < numbers[b]; });
        }
    } else {
        // Keys are computed once per row; the comparison then only touches numbers or folded text.
        struct Key {
            bool isNumber = false;
            double number = 0;
            QString text;
        };
        std::vector<Key> keys(n);
        for (size_t i = 0; i < n; ++i) {
            const QStringView cell = m_rows[i].cell(column);
            Key& k = keys[i];
            if (setting == GenericAscending || setting == GenericDescending)
                k.isNumber = numericValue(cell, k.number);
            if (!k.isNumber)
                k.text = cell.toString().toCaseFolded();
        }
        sortBy([&keys](quint32 a, quint32 b) {
            const Key& x = keys[a];
            const Key& y = keys[b];
            if (x.isNumber != y.isNumber)
                return x.isNumber; // numbers before text
            if (x.isNumber)
                return x.number < y.number;
            return QString::compare(x.text, y.text, Qt::CaseSensitive) < 0;
        });
    }

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    if (!before.isEmpty()) {
        std::vector<int> newPos(n);
        for (size_t i = 0; i < n; ++i)
            newPos[order[i]] = int(i);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& i : before)
            after.append(index(newPos[size_t(i.row())], i.column()));
        changePersistentIndexList(before, after);
    }
    // The rows move into their new places in place, one cycle of the permutation at a time: position i
    // takes the row that stood at order[i].
    std::vector<bool> placed(n, false);
    for (size_t start = 0; start < n; ++start) {
        if (placed[start] || order[start] == start)
            continue;
        const Row first = m_rows[start];
        size_t at = start;
        while (order[at] != start) {
            m_rows[at] = m_rows[order[at]];
            placed[at] = true;
            at = order[at];
        }
        m_rows[at] = first;
        placed[at] = true;
    }
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
