#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// What the custom period dialog makes of its two texts: which texts it accepts, the lists it offers, the range
// they stand for and the query and clause that range becomes. No widgets.
//
// A typed date is read once, by the program's date parser: that reading both decides whether the text is a
// date and gives the moment written into the query, so what is checked is exactly what is run. The fixed words
// "Beginning of Records" and "End of Records" stand for the first and the last call; they bound the range
// inclusively, so those calls themselves are part of it (a typed moment is an exclusive bound).
namespace CustomTime {

inline constexpr char kBeginningOfRecords[] = "Beginning of Records";
inline constexpr char kPresent[] = "Present";
inline constexpr char kEndOfRecords[] = "End of Records";

// The fixed words, recognised in any case.
bool isBeginningOfRecords(const QString& text);
bool isPresent(const QString& text);
bool isEndOfRecords(const QString& text);

// A typed moment: a text the date parser reads whose year is not 1899 (a time alone stands on the zero
// date and is no date).
std::optional<QDateTime> typedMoment(const QString& text);

// Whether the dialog accepts the text as a start or an end. The record-bound words need a call log, so a
// client refuses them.
bool ValidateStartDate(const QString& text, bool clientMode);
bool ValidateEndDate(const QString& text, bool clientMode);

// The refusal for the two results ("Starting date and ending date must both be dates.", ...); empty when
// both are valid.
QString RefusalMessage(bool startValid, bool endValid);

// The entries the two lists offer: the fixed words the mode allows, then the history (newest first).
QStringList StartListEntries(bool clientMode);
QStringList EndListEntries(bool clientMode);

// A range between two moments; an inclusive end comes from a record-bound word.
struct Range {
    QDateTime start;
    QDateTime end;
    bool startInclusive = false;
    bool endInclusive = false;
};

// The range of two accepted texts. Typed texts go into the histories (CustomStartDate, CustomEndDate of
// "frmFind"), the fixed words never do; "Present" is now. Nothing (no range to apply) when a record-bound
// word meets an empty call log. Throws what reading the call log throws.
std::optional<Range> Resolve(const QString& startText, const QString& endText);

// "fldDate > #start# and fldDate < #end#" with ">=" / "<=" for the inclusive bounds, dates in the general
// date text.
QString DateCondition(const Range& range);
// The main window's view of the range: "Select * From tblCID Where " and the condition.
QString ViewQuery(const Range& range);

// The tips of the dialog and its two boxes.
extern const char* const kFormHint;
extern const char* const kStartHint;
extern const char* const kEndHint;

} // namespace CustomTime
