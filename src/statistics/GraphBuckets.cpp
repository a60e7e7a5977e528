#include "statistics/GraphBuckets.h"

#include "platform/DateText.h"

namespace {

QDateTime wholeSecond(const QDateTime& value)
{
    const QTime t = value.time();
    return QDateTime(value.date(), QTime(t.hour(), t.minute(), t.second()), Qt::UTC);
}

QDateTime midnight(const QDate& date) { return QDateTime(date, QTime(0, 0), Qt::UTC); }

QDateTime firstBoundary(const QDateTime& start, GraphUnit unit)
{
    switch (unit) {
    case GraphUnit::Hour:
        return QDateTime(start.date(), QTime(start.time().hour(), 0), Qt::UTC).addSecs(3600);
    case GraphUnit::Day:
        return midnight(start.date().addDays(1));
    case GraphUnit::Week: {
        // A week later, then back to the Sunday: the first Sunday midnight after the start.
        QDate d = start.date().addDays(7);
        while (d.dayOfWeek() != Qt::Sunday)
            d = d.addDays(-1);
        return midnight(d);
    }
    case GraphUnit::Month:
        return midnight(QDate(start.date().year(), start.date().month(), 1).addMonths(1));
    }
    return start;
}

QDateTime nextBoundary(const QDateTime& boundary, GraphUnit unit)
{
    switch (unit) {
    case GraphUnit::Hour:
        return boundary.addSecs(3600);
    case GraphUnit::Day:
        return boundary.addDays(1);
    case GraphUnit::Week:
        return boundary.addDays(7);
    case GraphUnit::Month:
        return boundary.addMonths(1);
    }
    return boundary;
}

} // namespace

QString GraphUnitCode(int frequencyIndex)
{
    switch (frequencyIndex) {
    case 0:
        return QStringLiteral("h");
    case 1:
        return QStringLiteral("y");
    case 2:
        return QStringLiteral("ww");
    default:
        return QStringLiteral("m");
    }
}

bool GraphUnitFromCode(const QString& code, GraphUnit& unit)
{
    const QString c = code.trimmed().toLower();
    if (c == QLatin1String("h"))
        unit = GraphUnit::Hour;
    else if (c == QLatin1String("y") || c == QLatin1String("d"))
        unit = GraphUnit::Day;
    else if (c == QLatin1String("ww"))
        unit = GraphUnit::Week;
    else if (c == QLatin1String("m"))
        unit = GraphUnit::Month;
    else
        return false;
    return true;
}

QList<GraphBucket> GraphBuckets(const QDateTime& startValue, const QDateTime& endValue, GraphUnit unit,
                                qint64 maxBuckets)
{
    const QDateTime start = wholeSecond(startValue);
    const QDateTime end = wholeSecond(endValue);
    QList<GraphBucket> buckets;
    QDateTime from = start;
    QDateTime to = firstBoundary(start, unit);
    while (true) {
        if (qint64(buckets.size()) >= maxBuckets)
            return {};
        if (to >= end) {
            buckets.append({from, end});
            return buckets;
        }
        buckets.append({from, to});
        from = to;
        to = nextBoundary(to, unit);
    }
}

QString GraphBucketClause(const GraphBucket& bucket, bool first)
{
    return (first ? QStringLiteral("and fldDate > #") : QStringLiteral("and fldDate >= #")) +
           DateText::format(bucket.start) + QStringLiteral("# and fldDate < #") + DateText::format(bucket.end) +
           QLatin1Char('#');
}
