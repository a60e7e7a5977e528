#include "statswindow/CustomTimeRange.h"

#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "statswindow/StatsPeriod.h"

namespace CustomTime {

namespace {

bool sameWord(const QString& text, const char* word) { return text.toUpper() == QString::fromLatin1(word).toUpper(); }

// A record-bound date of an empty log: the zero date at midnight.
bool isZeroMoment(const QDateTime& moment)
{
    return moment.date() == DateText::zeroDate() && moment.time() == QTime(0, 0);
}

QStringList history(const char* key)
{
    return GetProperty(Section::frmFind, key, QString()).split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

} // namespace

const char* const kFormHint = "This form is used to display records between specified dates.";
const char* const kStartHint =
    "Only records having dates after the date entered here will be displayed. Selecting Beginning Of Records will "
    "enter the date of the first record in the database.";
const char* const kEndHint =
    "Only records having dates before the date entered here will be displayed. Selecting Present will enter the "
    "current date and time into this textbox. Selecting the End Of Records will enter the date of the most current "
    "record found in the database.";

bool isBeginningOfRecords(const QString& text) { return sameWord(text, kBeginningOfRecords); }
bool isPresent(const QString& text) { return sameWord(text, kPresent); }
bool isEndOfRecords(const QString& text) { return sameWord(text, kEndOfRecords); }

std::optional<QDateTime> typedMoment(const QString& text)
{
    const auto moment = DateText::parse(text);
    if (!moment || moment->date().year() == 1899)
        return std::nullopt;
    return moment;
}

bool ValidateStartDate(const QString& text, bool clientMode)
{
    if (isBeginningOfRecords(text))
        return !clientMode;
    return typedMoment(text).has_value();
}

bool ValidateEndDate(const QString& text, bool clientMode)
{
    if (isPresent(text))
        return true;
    if (isEndOfRecords(text))
        return !clientMode;
    return typedMoment(text).has_value();
}

QString RefusalMessage(bool startValid, bool endValid)
{
    if (!startValid && !endValid)
        return QStringLiteral("Starting date and ending date must both be dates.");
    if (!startValid)
        return QStringLiteral("Starting date must be a date.");
    if (!endValid)
        return QStringLiteral("Ending date must be a date.");
    return QString();
}

QStringList StartListEntries(bool clientMode)
{
    QStringList entries;
    if (!clientMode)
        entries << QString::fromLatin1(kBeginningOfRecords);
    return entries + history(Key::CustomStartDate);
}

QStringList EndListEntries(bool clientMode)
{
    QStringList entries{QString::fromLatin1(kPresent)};
    if (!clientMode)
        entries << QString::fromLatin1(kEndOfRecords);
    return entries + history(Key::CustomEndDate);
}

std::optional<Range> Resolve(const QString& startText, const QString& endText)
{
    Range range;
    if (isBeginningOfRecords(startText)) {
        range.start = GetFirstCallDate();
        range.startInclusive = true;
    } else {
        AddRecentItem(QString::fromLatin1(Section::frmFind), QString::fromLatin1(Key::CustomStartDate), startText);
        range.start = typedMoment(startText).value_or(QDateTime());
    }
    if (isPresent(endText)) {
        range.end = Clock::now();
    } else if (isEndOfRecords(endText)) {
        range.end = GetLastCallDate();
        range.endInclusive = true;
    } else {
        AddRecentItem(QString::fromLatin1(Section::frmFind), QString::fromLatin1(Key::CustomEndDate), endText);
        range.end = typedMoment(endText).value_or(QDateTime());
    }
    // An empty log has no first or last call: there is no range.
    if (!range.start.isValid() || !range.end.isValid() || isZeroMoment(range.end) || isZeroMoment(range.start))
        return std::nullopt;
    return range;
}

QString DateCondition(const Range& range)
{
    // The statistics period's clause without its leading "and ".
    return StatsPeriod::customClause(range.start, range.end, range.startInclusive, range.endInclusive).mid(4);
}

QString ViewQuery(const Range& range) { return QStringLiteral("Select * From tblCID Where ") + DateCondition(range); }

} // namespace CustomTime
