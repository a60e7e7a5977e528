#include "statistics/StatisticsProtocol.h"

#include <QLocale>

#include "platform/DateText.h"
#include "statistics/modStatEvaluation.h"

namespace {

const QString kBar = QStringLiteral("|");

} // namespace

QString StatisticNumberText(double value)
{
    // A negative zero (0 divided by a negative day count) reads as 0.
    if (value == 0)
        value = 0;
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString StatisticCellText(double value, const QString& note)
{
    if (value == kStatTooComplex)
        return QStringLiteral("Too Complex");
    if (value == kStatBadSql)
        return QStringLiteral("Bad SQL");
    return StatisticNumberText(value) + note;
}

QString StoppedCellText() { return QStringLiteral("Stopped"); }

double StatisticCellNumber(const QString& cellText)
{
    // The longest prefix that reads as a number: sign, digits, one decimal point, an exponent.
    const QString t = cellText.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        ++i;
    bool digits = false, point = false;
    while (i < t.size()) {
        if (t[i].isDigit() && t[i].unicode() < 128) {
            digits = true;
        } else if (t[i] == QLatin1Char('.') && !point) {
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!digits)
        return 0;
    qsizetype end = i;
    if (i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < t.size() && (t[j] == QLatin1Char('-') || t[j] == QLatin1Char('+')))
            ++j;
        const qsizetype firstDigit = j;
        while (j < t.size() && t[j].isDigit() && t[j].unicode() < 128)
            ++j;
        if (j > firstDigit)
            end = j;
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(t.left(end), &ok);
    return ok ? v : 0;
}

QString EncodeStatisticRequest(const QString& timePeriod, const QList<const clsGroup*>& groups,
                               const QList<const clsStatistic*>& statistics)
{
    QString field = QStringLiteral("|TIMEPERIOD|") + timePeriod;
    for (const clsGroup* g : groups)
        field += QStringLiteral("|GROUP|") + g->Group;
    field += kBar;
    for (const clsStatistic* s : statistics)
        field += QStringLiteral("|STAT|") + s->Statistic + kBar + s->Style;
    field += kBar;
    return field;
}

StatisticRequest DecodeStatisticRequest(const QString& field)
{
    StatisticRequest request;
    const QStringList pieces = field.split(kBar, Qt::KeepEmptyParts);
    auto piece = [&](qsizetype i) { return i < pieces.size() ? pieces[i] : QString(); };
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QString& tag = pieces[i];
        if (tag == QLatin1String("STAT")) {
            clsStatistic s;
            s.Statistic = piece(i + 1);
            s.Style = piece(i + 2);
            request.statistics.append(s);
            i += 2;
        } else if (tag == QLatin1String("GROUP")) {
            clsGroup g;
            g.Group = piece(i + 1);
            request.groups.append(g);
            i += 1;
        } else if (tag == QLatin1String("TIMEPERIOD")) {
            request.timePeriod = piece(i + 1);
            i += 1;
        }
    }
    return request;
}

bool FitsStatisticField(const QString& text)
{
    return !text.contains(QLatin1Char('|')) && !text.contains(QLatin1Char(';'));
}

QString EncodeStatisticReply(const QStringList& cells)
{
    QString field;
    for (const QString& c : cells)
        field += kBar + c + kBar;
    return field;
}

QStringList DecodeStatisticReply(const QString& field) { return field.split(kBar, Qt::SkipEmptyParts); }

QString EncodeGraphRequest(const QString& statistic, const QString& increment, const QDateTime& start,
                           const QDateTime& end, const QStringList& groups)
{
    QString field = QStringLiteral("|STATISTIC|") + statistic + QStringLiteral("|INCREMENT|") + increment +
                    QStringLiteral("|STARTDATE|") + DateText::format(start) + QStringLiteral("|ENDDATE|") +
                    DateText::format(end);
    for (const QString& g : groups)
        field += QStringLiteral("|GROUP|") + g;
    field += kBar;
    return field;
}

GraphRequest DecodeGraphRequest(const QString& field)
{
    GraphRequest request;
    const QStringList pieces = field.split(kBar, Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QString& tag = pieces[i];
        const bool hasNext = i + 1 < pieces.size();
        const QString next = hasNext ? pieces[i + 1] : QString();
        if (tag == QLatin1String("INCREMENT")) {
            request.increment = next;
        } else if (tag == QLatin1String("STARTDATE")) {
            request.startText = next;
            request.hasStart = hasNext;
        } else if (tag == QLatin1String("ENDDATE")) {
            request.endText = next;
            request.hasEnd = hasNext;
        } else if (tag == QLatin1String("STATISTIC")) {
            request.statistic = next;
        } else if (tag == QLatin1String("GROUP")) {
            if (hasNext)
                request.groups.append(next);
        } else {
            continue;
        }
        ++i;
    }
    return request;
}

QString EncodeGraphReply(const GraphTable& table)
{
    QString field;
    for (qsizetype r = 0; r < table.labels.size(); ++r) {
        field += QStringLiteral("|LINE|") + table.labels[r] + kBar;
        for (double v : table.values.value(r))
            field += StatisticNumberText(v) + kBar;
    }
    return field;
}

GraphTable DecodeGraphReply(const QString& field)
{
    const QStringList pieces = field.split(kBar, Qt::SkipEmptyParts);
    // First pass: how many rows, and how many values follow the last row's label.
    int rows = -1, columns = 0;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (pieces[i] == QLatin1String("PARTIAL"))
            return {};
        if (pieces[i] == QLatin1String("LINE")) {
            ++i;
            ++rows;
            columns = 0;
        } else {
            ++columns;
        }
    }
    if (columns <= 0 || rows < 0)
        return {};
    GraphTable table;
    for (int r = 0; r <= rows; ++r) {
        table.labels.append(QString());
        table.values.append(QList<double>(columns, 0.0));
    }
    int row = -1, column = 0;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QString& p = pieces[i];
        if (p.toUpper() == QLatin1String("PARTIAL"))
            return {};
        if (p.compare(QLatin1String("LINE"), Qt::CaseInsensitive) == 0) {
            ++row;
            column = 0;
            if (i + 1 < pieces.size() && row <= rows)
                table.labels[row] = pieces[++i];
            continue;
        }
        // Values before the first row, or beyond the width the last row gave, have no cell to go to.
        if (row < 0 || row > rows || column >= columns)
            continue;
        bool ok = false;
        const double v = QLocale::c().toDouble(p.trimmed(), &ok);
        table.values[row][column++] = ok ? v : 0;
    }
    return table;
}

QString ErrorReply(int number, const QString& description)
{
    QString text = description;
    text.replace(QLatin1Char(';'), QLatin1Char(','));
    return QStringLiteral(";ERROR;") + QString::number(number) + QLatin1Char(';') + text + QLatin1Char(';');
}
