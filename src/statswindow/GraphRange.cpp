#include "statswindow/GraphRange.h"

#include "platform/DateText.h"
#include "statswindow/StatsPeriod.h"

GraphRange LocalGraphRange(int item, const QDateTime& now, const CustomRange& custom,
                           const std::function<QDateTime()>& firstCall)
{
    GraphRange range;
    range.end = now;
    if (item == StatsPeriod::AnyTime) {
        const QDateTime first = firstCall ? firstCall() : QDateTime();
        if (!first.isValid() || first.date() == DateText::zeroDate()) {
            range.noCalls = true;
            return range;
        }
        range.start = first.addSecs(-1);
    } else if (item == StatsPeriod::Custom) {
        range.start = custom.startInclusive ? custom.start.addSecs(-1) : custom.start;
        range.end = custom.endInclusive ? custom.end.addSecs(1) : custom.end;
    } else {
        range.start = now.addDays(-StatsPeriod::daysBack(item));
    }
    return range;
}

GraphRange ClientGraphRange(int item, const QDateTime& now, const CustomRange& custom)
{
    GraphRange range;
    range.start = QDateTime(DateText::zeroDate(), QTime(0, 0), Qt::UTC);
    range.end = now;
    if (item == StatsPeriod::Custom) {
        range.start = custom.start;
        range.end = custom.end;
    } else if (item != StatsPeriod::AnyTime) {
        range.start = now.addDays(-StatsPeriod::daysBack(item));
    }
    return range;
}

GraphGroups GraphGroupsOf(const QStringList& selected, const GroupCollection* groups)
{
    GraphGroups out;
    for (const QString& name : selected) {
        const auto group = GetGroup(name, groups);
        if (group->Description.isEmpty())
            continue;
        out.names << name;
        out.groups << *group;
    }
    return out;
}

QString GraphTooManyPointsEvent(const QString& frequencyText)
{
    return QStringLiteral("The graph was not drawn: too many ") + frequencyText.toLower() +
           QStringLiteral(" points for the period and groups chosen.");
}

QStringList GraphAxisLabels(const QStringList& labels, bool hourly)
{
    QStringList shown;
    shown.reserve(labels.size());
    for (const QString& label : labels) {
        const std::optional<QDateTime> at = DateText::parse(label);
        if (!at) {
            shown << label;
            continue;
        }
        QString text = DateText::shortDate(at->date());
        if (hourly) {
            const QTime t = at->time();
            const int hour = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
            text += QStringLiteral(" %1:%2 %3")
                        .arg(hour)
                        .arg(t.minute(), 2, 10, QLatin1Char('0'))
                        .arg(t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
        }
        shown << text;
    }
    return shown;
}
