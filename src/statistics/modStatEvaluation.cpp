#include "statistics/modStatEvaluation.h"

#include <algorithm>
#include <cmath>

#include <QDate>
#include <QRegularExpression>

#include "core/Globals.h"
#include "core/modCallerDB.h"
#include "core/modError.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "statistics/clsGroup.h"
#include "statistics/clsStatistic.h"

#include <sqlite3.h>

namespace {

const QString kSource = QStringLiteral("SQLite");

QString whereText(const QString& condition)
{
    return condition.isEmpty() ? QString() : QStringLiteral(" Where ") + condition;
}

// Naive wall-clock times as seconds since 1/1/1970 (their Qt::UTC reading): differences are wall-clock time.
const qint64 kJulianDayOf1970 = 2440588;

qint64 secondsOf(const QDateTime& value) { return value.toSecsSinceEpoch(); }

QDateTime dateOfSeconds(qint64 seconds) { return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC); }

// A stored fldDate as seconds; the ISO form is read by hand because a statistic may read every call.
bool storedSeconds(const unsigned char* text, int size, qint64& out)
{
    auto digits = [&](int at, int n, int& v) {
        v = 0;
        for (int k = 0; k < n; ++k) {
            const unsigned char c = text[at + k];
            if (c < '0' || c > '9')
                return false;
            v = v * 10 + (c - '0');
        }
        return true;
    };
    int y, mo, d, h, mi, s;
    if (size == 19 && text[4] == '-' && text[7] == '-' && text[10] == ' ' && text[13] == ':' && text[16] == ':' &&
        digits(0, 4, y) && digits(5, 2, mo) && digits(8, 2, d) && digits(11, 2, h) && digits(14, 2, mi) &&
        digits(17, 2, s)) {
        const QDate date(y, mo, d);
        if (date.isValid() && h < 24 && mi < 60 && s < 60) {
            out = (date.toJulianDay() - kJulianDayOf1970) * 86400 + h * 3600 + mi * 60 + s;
            return true;
        }
    }
    // Any other form a date may have been stored in.
    const QString other = QString::fromUtf8(reinterpret_cast<const char*>(text), size);
    auto date = DateText::fromIso(other);
    if (!date)
        date = DateText::parse(other);
    if (!date)
        return false;
    out = secondsOf(*date);
    return true;
}

double mostCalls(SqlDatabase& reader, const QString& condition, qint64 window, QString* note, QuerySource source)
{
    SqlStatement st = reader.prepareJet(QStringLiteral("Select fldDate From tblCID") + whereText(condition) +
                                            QStringLiteral(" Order By fldDate"),
                                        source);
    std::vector<qint64> times;
    while (st.step()) {
        sqlite3_stmt* h = st.handle();
        const unsigned char* text = sqlite3_column_text(h, 0);
        qint64 seconds = 0;
        // A call without a readable time cannot stand in any window.
        if (text && storedSeconds(text, sqlite3_column_bytes(h, 0), seconds))
            times.push_back(seconds);
    }
    // The stored order is the text order; a date stored in another form may stand out of place.
    if (!std::is_sorted(times.begin(), times.end()))
        std::sort(times.begin(), times.end());
    return double(MostCallsInPeriod(times, window, note));
}

int daysBetween(const QDateTime& from, const QDateTime& to, qint64 extraSeconds)
{
    const double days = double(from.secsTo(to) + extraSeconds) / 86400.0;
    return int(std::nearbyint(days));
}

} // namespace

int LastDaysOf(const QString& style)
{
    if (style == QLatin1String("CALLS IN THE LAST DAY"))
        return 1;
    if (style == QLatin1String("CALLS IN THE LAST WEEK"))
        return 7;
    if (style == QLatin1String("CALLS IN THE LAST MONTH"))
        return 30;
    if (style == QLatin1String("CALLS IN THE LAST YEAR"))
        return 365;
    return 0;
}

qint64 MostCallsWindow(const QString& style)
{
    static const struct {
        const char* style;
        qint64 seconds;
    } kWindows[] = {
        {"MOST CALLS IN A HOUR", 3600},        {"MOST CALLS IN 2 HOURS", 2 * 3600},
        {"MOST CALLS IN 3 HOURS", 3 * 3600},   {"MOST CALLS IN 6 HOURS", 6 * 3600},
        {"MOST CALLS IN 12 HOURS", 12 * 3600}, {"MOST CALLS IN A DAY", 86400},
        {"MOST CALLS IN A WEEK", 7 * 86400},   {"MOST CALLS IN A MONTH", 30 * 86400},
        {"MOST CALLS IN A YEAR", 365 * 86400},
    };
    for (const auto& w : kWindows) {
        if (style == QLatin1String(w.style))
            return w.seconds;
    }
    return 0;
}

QDateTime LastDaysSince(int days)
{
    const QDateTime since = Clock::now().addDays(-days);
    const QTime t = since.time();
    return QDateTime(since.date(), QTime(t.hour(), t.minute(), t.second()), Qt::UTC);
}

bool StyleReadsRings(const QString& style)
{
    return style == QLatin1String("AVERAGE RINGS") || style == QLatin1String("MOST RINGS");
}

double StyleValue(const QString& style, qint64 count, double ringSum, double mostRings, int days)
{
    const double calls = double(count);
    if (style.isEmpty() || style == QLatin1String("NONE"))
        return calls;
    if (style == QLatin1String("AVERAGE RINGS"))
        return count > 0 ? ringSum / calls : 0;
    if (style == QLatin1String("MOST RINGS"))
        return std::max(0.0, mostRings);
    if (style == QLatin1String("AVERAGE CALLS PER HOUR"))
        return days != 0 ? calls / (double(days) * 24.0) : 0;
    if (style == QLatin1String("AVERAGE CALLS PER DAY"))
        return days != 0 ? calls / double(days) : 0;
    if (style == QLatin1String("AVERAGE CALLS PER WEEK"))
        return days != 0 ? calls / (double(days) / 7.0) : 0;
    if (style == QLatin1String("AVERAGE CALLS PER MONTH"))
        return days != 0 ? calls / (double(days) / 30.0) : 0;
    if (style == QLatin1String("AVERAGE CALLS PER YEAR"))
        return days != 0 ? calls / (double(days) / 365.0) : 0;
    return 0;
}

double RoundStatistic(double value) { return std::nearbyint(value * 100.0) / 100.0; }

QString StatisticCondition(const clsStatistic& statistic, const clsGroup& group, const QString& timePeriod)
{
    QStringList parts;
    if (!statistic.Statistic.isEmpty())
        parts << QLatin1Char('(') + statistic.Statistic + QLatin1Char(')');
    if (!group.Group.isEmpty())
        parts << QLatin1Char('(') + group.Group + QLatin1Char(')');
    QString condition = parts.join(QLatin1String(" and "));
    const QString clause = timePeriod.trimmed();
    if (condition.isEmpty()) {
        if (clause.size() >= 4)
            condition = clause.mid(4).trimmed();
    } else if (!clause.isEmpty()) {
        condition += QLatin1Char(' ') + clause;
    }
    return condition;
}

qint64 MostCallsInPeriod(const std::vector<qint64>& times, qint64 windowSeconds, QString* note)
{
    const qint64 n = qint64(times.size());
    if (n < 2)
        return n;
    qint64 best = 1;
    size_t first = 0, bestFirst = 0, bestLast = 0;
    for (size_t last = 1; last < times.size(); ++last) {
        while (times[last] - times[first] >= windowSeconds)
            ++first;
        const qint64 calls = qint64(last - first + 1);
        // An equal count keeps the earlier window.
        if (calls > best) {
            best = calls;
            bestFirst = first;
            bestLast = last;
        }
    }
    if (note && best >= 2) {
        *note = QStringLiteral(" (") + DateText::format(dateOfSeconds(times[bestFirst])) + QStringLiteral(" to ") +
                DateText::format(dateOfSeconds(times[bestLast])) + QLatin1Char(')');
    }
    return best;
}

double ExecuteStat(const clsStatistic& statistic, const clsGroup& group, int days, const QString& timePeriod,
                   QString* note, QuerySource source)
{
    const QString style = statistic.Style.toUpper();
    try {
        SqlDatabase* reader = CallerDBReader();
        if (!reader)
            return 0; // a client asks its server; without a log there is nothing to count
        double value = 0;
        if (const int back = LastDaysOf(style)) {
            QString condition =
                QStringLiteral("fldDate > #") + DateText::format(LastDaysSince(back)) + QLatin1Char('#');
            if (!group.Group.isEmpty())
                condition += QStringLiteral(" and (") + group.Group + QLatin1Char(')');
            SqlStatement st =
                reader->prepareJet(QStringLiteral("Select Count(*) From tblCID") + whereText(condition), source);
            value = st.step() ? double(st.int64(0)) : 0;
        } else if (const qint64 window = MostCallsWindow(style)) {
            value = mostCalls(*reader, StatisticCondition(statistic, group, timePeriod), window, note, source);
        } else {
            // Only the rings styles read the rows; a count alone is answered from the date index.
            const bool rings = StyleReadsRings(style);
            SqlStatement st = reader->prepareJet(
                (rings ? QStringLiteral("Select Count(*), Total(fldRings), Max(fldRings) From tblCID")
                       : QStringLiteral("Select Count(*) From tblCID")) +
                    whereText(StatisticCondition(statistic, group, timePeriod)),
                source);
            qint64 count = 0;
            double ringSum = 0, mostRings = 0;
            if (st.step()) {
                count = st.int64(0);
                if (rings) {
                    ringSum = st.real(1);
                    mostRings = st.isNull(2) ? 0 : st.real(2);
                }
            }
            value = StyleValue(style, count, ringSum, mostRings, days);
        }
        return RoundStatistic(value);
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), kSource);
        ReportError(QStringLiteral("frmStatistics_ExecuteStat"));
        return e.isTooComplex() ? kStatTooComplex : kStatBadSql;
    }
}

int PeriodDays(int menuItem, const QDateTime& customStart, const QDateTime& customEnd)
{
    if (isClientMode())
        return 0;
    switch (menuItem) {
    case 0: {
        const QDateTime first = GetFirstCallDate();
        if (!first.isValid() || first.date() == DateText::zeroDate())
            return 0; // an empty log
        return daysBetween(first, Clock::now(), -1);
    }
    case 2:
        return 1;
    case 3:
        return 7;
    case 4:
        return 30;
    case 5:
        return 182;
    case 6:
        return 365;
    case 8:
        if (!customStart.isValid() || !customEnd.isValid())
            return 0;
        return daysBetween(customStart, customEnd, 0);
    default:
        return 0;
    }
}

int PeriodDaysFromClause(const QString& timePeriod, QuerySource source)
{
    const QString clause = timePeriod.trimmed();
    // The clauses the Time Period menu writes say their own length, as the window's own use counts it.
    static const QRegularExpression lastDays(QStringLiteral("^and\\s+fldDate\\s*>\\s*#([^#]+)#$"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression range(
        QStringLiteral("^and\\s+fldDate\\s*>\\s*#([^#]+)#\\s+and\\s+fldDate\\s*<\\s*#([^#]+)#$"),
        QRegularExpression::CaseInsensitiveOption);
    if (isClientMode())
        return 0;
    if (const auto m = range.match(clause); m.hasMatch()) {
        const auto start = DateText::parse(m.captured(1));
        const auto end = DateText::parse(m.captured(2));
        if (start && end)
            return std::max(0, daysBetween(*start, *end, 0));
    } else if (const auto m2 = lastDays.match(clause); m2.hasMatch()) {
        if (const auto since = DateText::parse(m2.captured(1)))
            return std::max(0, daysBetween(*since, Clock::now(), 0));
    }
    // Any other clause: from its first matching call to now.
    try {
        SqlDatabase* reader = CallerDBReader();
        if (!reader)
            return 0;
        SqlStatement st =
            reader->prepareJet(QStringLiteral("Select Min(fldDate) From tblCID") +
                                   (clause.size() >= 4 ? QStringLiteral(" Where ") + clause.mid(4) : QString()),
                               source);
        if (!st.step() || st.isNull(0))
            return 0;
        const QByteArray text = st.text(0).toUtf8();
        qint64 seconds = 0;
        if (!storedSeconds(reinterpret_cast<const unsigned char*>(text.constData()), int(text.size()), seconds))
            return 0;
        return daysBetween(dateOfSeconds(seconds), Clock::now(), 1);
    } catch (const SqlError& e) {
        SaveError(e.code(), e.message(), kSource);
        ReportError(QStringLiteral("frmStatistics_GetTimePeriod"));
        return 0;
    }
}
