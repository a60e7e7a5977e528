#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

// The one text form of dates and times that users and peers see, independent of the user's locale:
// "M/d/yyyy h:mm:ss AP", the date alone at exactly midnight, the time alone on the zero date 12/30/1899.
// Stored dates (fldDate) use ISO "yyyy-MM-dd HH:mm:ss". All QDateTime values in the program are naive local
// wall-clock times carried with the Qt::UTC spec (see Clock::now()), so arithmetic never shifts across DST.
namespace DateText {

// The zero date of the date-time model; a time of day without a date stands on it.
QDate zeroDate();

// General date text form ("3/21/2024 2:05:07 PM", "6/2/2024", "12:00:00 AM").
QString format(const QDateTime& value);
// Always with the time ("6/2/2024 12:00:00 AM"): used where a pattern must see a time part.
QString formatFull(const QDateTime& value);
// Short date "M/d/yyyy".
QString shortDate(const QDate& date);
// "h:mm:ss AP".
QString timeText(const QTime& time);

// Accepts every form format() produces, the same with "AM"/"PM" in any case or without seconds, 24-hour
// times, a date alone, a time alone (on the zero date) and ISO ("yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss",
// "yyyy-MM-dd"). Leading and trailing blanks are ignored. Anything else gives nothing.
std::optional<QDateTime> parse(const QString& text);

// Stored form of fldDate.
QString toIso(const QDateTime& value);
std::optional<QDateTime> fromIso(const QString& text);

// The general date text of a stored date in exactly the form "yyyy-MM-dd HH:mm:ss", written to out without
// building a QDateTime (views of many calls convert every row); returns its length (at most
// StoredToGeneralMax), or -1 when the text is not in that form or is the zero date (use fromIso and format).
inline constexpr int StoredToGeneralMax = 24;
int storedToGeneral(QStringView stored, char16_t* out);

} // namespace DateText
