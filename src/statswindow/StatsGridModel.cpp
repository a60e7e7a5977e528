#include "statswindow/StatsGridModel.h"

#include <algorithm>
#include <numeric>

StatsGridModel::StatsGridModel(QObject* parent) : QAbstractTableModel(parent) { setUp({}, {}); }

void StatsGridModel::setUp(const QStringList& statistics, const QStringList& groups)
{
    beginResetModel();
    m_cols = int(statistics.size()) + 2;
    m_cells.clear();
    QStringList heading(m_cols);
    heading[0] = QStringLiteral("Groups");
    for (int s = 0; s < statistics.size(); ++s)
        heading[s + 1] = statistics[s];
    m_cells.append(heading);
    for (const QString& g : groups) {
        QStringList row(m_cols);
        row[0] = g;
        m_cells.append(row);
    }
    endResetModel();
}

QString StatsGridModel::TextMatrix(int row, int col) const
{
    if (row < 0 || row >= m_cells.size() || col < 0 || col >= m_cols)
        return QString();
    return m_cells[row][col];
}

void StatsGridModel::setTextMatrix(int row, int col, const QString& text)
{
    if (row < 0 || row >= m_cells.size() || col < 0 || col >= m_cols)
        return;
    m_cells[row][col] = text;
    if (row == 0) {
        Q_EMIT headerDataChanged(Qt::Horizontal, col, col);
    } else {
        const QModelIndex i = index(row - 1, col);
        Q_EMIT dataChanged(i, i);
    }
}

namespace {

struct SortKey {
    bool isNumber = false;
    double number = 0;
    QString folded;
};

SortKey keyOf(const QString& text)
{
    SortKey k;
    const QString t = text.trimmed();
    if (!t.isEmpty() && (t[0].isDigit() || ((t[0] == QLatin1Char('-') || t[0] == QLatin1Char('.')) && t.size() > 1 &&
                                            (t[1].isDigit() || t[1] == QLatin1Char('.'))))) {
        k.isNumber = true;
        k.number = StatisticCellNumber(t);
    }
    k.folded = text.toCaseFolded();
    return k;
}

int compareKeys(const SortKey& a, const SortKey& b)
{
    if (a.isNumber != b.isNumber)
        return a.isNumber ? -1 : 1;
    if (a.isNumber)
        return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    return a.folded.compare(b.folded);
}

} // namespace

void StatsGridModel::sortByColumn(int col, bool ascending)
{
    if (m_cells.size() <= 2 || col < 0 || col >= m_cols)
        return;
    Q_EMIT layoutAboutToBeChanged();
    std::vector<SortKey> keys;
    std::vector<int> order(size_t(m_cells.size() - 1));
    std::iota(order.begin(), order.end(), 1);
    keys.reserve(order.size());
    for (int r : order)
        keys.push_back(keyOf(m_cells[r][col]));
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = compareKeys(keys[size_t(a - 1)], keys[size_t(b - 1)]);
        return ascending ? c < 0 : c > 0;
    });
    QList<QStringList> sorted;
    sorted.reserve(m_cells.size());
    sorted.append(m_cells[0]);
    for (int r : order)
        sorted.append(m_cells[r]);
    m_cells = std::move(sorted);
    Q_EMIT layoutChanged();
}

QString StatsGridModel::rowsText(int first, int last, int lastCol) const
{
    QStringList lines;
    for (int r = std::max(1, first); r <= last && r < m_cells.size(); ++r)
        lines << QStringList(m_cells[r].mid(0, lastCol + 1)).join(QLatin1Char('\t'));
    return lines.join(QStringLiteral("\r\n"));
}

int StatsGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_cells.size()) - 1; }

int StatsGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_cols; }

QVariant StatsGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return TextMatrix(index.row() + 1, index.column());
}

QVariant StatsGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return TextMatrix(0, section);
    return {};
}

QString GraphCopyText(const QStringList& seriesLabels, const GraphTable& table)
{
    QString text;
    for (const QString& label : seriesLabels)
        text += QLatin1Char('\t') + label;
    text += QStringLiteral("\r\n");
    // The empty graph is one cell holding 0.
    if (table.isEmpty())
        return text + QStringLiteral("0");
    QStringList lines;
    for (qsizetype r = 0; r < table.labels.size(); ++r) {
        QStringList cells{table.labels[r]};
        for (double v : table.values.value(r))
            cells << StatisticNumberText(v);
        lines << cells.join(QLatin1Char('\t'));
    }
    return text + lines.join(QStringLiteral("\r\n"));
}
