#pragma once

#include <QDateTime>
#include <QString>

// The statistics window's time periods: the items of its Time Period menu, what each stores in the setting
// TimePeriod, the caption text it gives the window and the clause it gives the statistics. Clauses write their
// dates in the general date text, the form the query dialect and the clients read.
namespace StatsPeriod {

// The menu's items by index; 1 and 7 are separators.
enum Item { AnyTime = 0, LastDay = 2, LastWeek = 3, LastMonth = 4, LastSixMonths = 5, LastYear = 6, Custom = 8 };
inline constexpr int ItemCount = 9;

// "Any Time Period", "" (separator), "Last Day", "Last Week (7 days)", ... "Custom...".
QString menuCaption(int item);
bool isSeparator(int item);
// "ANYTIME", "DAY", "WEEK", "MONTH", "6MONTHS", "YEAR"; empty for the others.
QString settingWord(int item);
// The item of a stored word (case ignored), or -1 for any other text (a custom range).
int itemOfWord(const QString& word);
// "(Any Time Period)", "(Last Day)", "(Last Week)", "(Last Month)", "(Last 6 Months)", "(Last Year)".
QString captionText(int item);
// 1, 7, 30, 182, 365 for the last-n-days items, 0 for the others.
int daysBack(int item);
// The item's clause at now: empty for any time, "and fldDate > #now less n days#" for the last n days.
QString clause(int item, const QDateTime& now);

// A custom range: its clause "and fldDate > #start# and fldDate < #end#" (">=" and "<=" for a bound that
// includes its moment: the first or the last call), its caption "(start to end)" in short dates, and its stored
// form "start;end". The stored form keeps exclusive bounds only, so an inclusive one is stored a second further
// out: read back, the range holds the same calls (their dates are whole seconds).
QString customClause(const QDateTime& start, const QDateTime& end, bool startInclusive = false,
                     bool endInclusive = false);
QString customCaption(const QDateTime& start, const QDateTime& end);
QString customSetting(const QDateTime& start, const QDateTime& end, bool startInclusive = false,
                      bool endInclusive = false);
// Reads a stored range; false (dates untouched) unless it holds two dates.
bool parseCustomSetting(const QString& text, QDateTime& start, QDateTime& end);

} // namespace StatsPeriod
