#pragma once

#include "platform/QuerySource.h"
#include <QDateTime>
#include <QString>

#include <vector>

class clsGroup;
class clsStatistic;

// The value of one statistic for one group of callers over one time period, computed on the call log.
//
// A time period clause is the text the statistics window keeps: empty (any time), "and fldDate > #date#" (the
// last n days) or "and fldDate > #start# and fldDate < #end#" (a custom range). Conditions and clauses are
// text of the program's query dialect written by users or sent by clients: they run only read-only.

// The two failures a statistic can give instead of a value; the grid shows them as "Too Complex" and "Bad SQL".
inline constexpr double kStatTooComplex = -1;
inline constexpr double kStatBadSql = -2;

// The value, rounded to 2 decimals (ties to even); kStatTooComplex when the database gives up on the query as
// too complex or too slow, kStatBadSql for any other failure (kept with SaveError, "frmStatistics_ExecuteStat").
// days is the length of the period (for the per-hour ... per-year averages; 0 makes them 0). The "most calls
// in" styles write the dates of the busiest window to note, " (start to end)", when it holds two calls or
// more, and leave it alone otherwise; the caller clears it first. Client mode, or no open call log: 0.
// A peer's statistic (source) runs within the untrusted bounds.
double ExecuteStat(const clsStatistic& statistic, const clsGroup& group, int days, const QString& timePeriod,
                   QString* note = nullptr, QuerySource source = QuerySource::User);

// The condition ExecuteStat selects the calls with (for every style but "calls in the last"): the statistic's
// and the group's conditions, each in parentheses, joined by " and ", then the period clause; a clause without
// conditions loses its leading "and ". Empty when nothing restricts the calls.
QString StatisticCondition(const clsStatistic& statistic, const clsGroup& group, const QString& timePeriod);

// The largest number of calls whose first and last times lie less than windowSeconds apart. times are
// naive wall-clock times as seconds since 1/1/1970 (QDateTime::toSecsSinceEpoch of the Qt::UTC value), in ascending
// order. With two calls or more in the best window, note becomes
// " (first to last)" naming the earliest such window.
qint64 MostCallsInPeriod(const std::vector<qint64>& times, qint64 windowSeconds, QString* note = nullptr);

// The pieces of a statistic's computation that every way of evaluating it shares (styles upper-cased).
// The "calls in the last" styles: 1, 7, 30 or 365 days back from now, whatever the period; 0 for the others.
int LastDaysOf(const QString& style);
// The time those styles count from: now less the days, to the whole second as it is written into a query.
QDateTime LastDaysSince(int days);
// The "most calls in" styles: the window in seconds; 0 for the others.
qint64 MostCallsWindow(const QString& style);
// "AVERAGE RINGS" and "MOST RINGS".
bool StyleReadsRings(const QString& style);
// The value of every other style from the matching calls' count, the sum and the largest of their rings and
// the period's day count (unrounded); an unknown style gives 0.
double StyleValue(const QString& style, qint64 count, double ringSum, double mostRings, int days);

// Rounds to 2 decimals, a tie going to the even digit (0.125 -> 0.12, 0.375 -> 0.38).
double RoundStatistic(double value);

// The length in days of a period of the statistics window's Time Period menu: item 0 any time (from the first
// call to now), 2 to 6 a day, week, month, 6 months and year, 8 the custom range; 0 for any other item, for an
// empty log and in client mode.
int PeriodDays(int menuItem, const QDateTime& customStart = QDateTime(), const QDateTime& customEnd = QDateTime());
// The length in days of a period a client sent as a clause, counted as the window's own use counts it: a
// last-n-days clause ("and fldDate > #d#") from its date to now, a range ("... > #s# and fldDate < #e#") from
// start to end, any other clause (the empty one included) from its first matching call to now. 0 when no
// call matches, the clause fails, or in client mode; never below 0.
int PeriodDaysFromClause(const QString& timePeriod, QuerySource source = QuerySource::Peer);
