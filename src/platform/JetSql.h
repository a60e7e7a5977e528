#pragma once

#include <QString>

struct sqlite3;

// The query language users see, type, store and exchange (view queries, free search, statistics and group
// conditions) is the Jet dialect; this makes it run on SQLite in two halves.
//
// translate(): a tokenizer that leaves quoted text, [bracketed] names and comments alone and rewrites
//   #date#        (any form DateText::parse accepts)  ->  'yyyy-MM-dd HH:mm:ss', the stored form of fldDate
//   "text"        ->  'text' (a ' inside doubled, "" inside read as ")
//   Delete * From ->  DELETE FROM
//   True, False   ->  1, 0
//   Left(, Right( ->  "Left"(, "Right"(   (join words in SQLite, functions in Jet)
//
// registerFunctions(): on a connection, like(pattern, value) with Jet semantics (SQLite then uses it for the
//   LIKE operator) and the Jet functions Now, Date, Year, Month, Day, Hour, Minute, Second, Weekday (Sunday
//   = 1), UCase, LCase, Len, Left, Right, Mid, InStr, Trim, IIf. Dates are read from the stored ISO form or
//   any form DateText::parse accepts; Now and Date return the ISO form, so they compare with fldDate.
//
// Jet Like: * any run, ? one character, # one digit, [abc], [a-z], [!abc]; % and _ are plain characters;
// case is ignored beyond ASCII. A value in the stored ISO date form is matched in the general date form with
// the time always shown ("3/21/2024 2:05:07 PM"), the form date patterns such as '*/*/*9:*:*PM' are written
// for. A malformed pattern is "Bad SQL"; one too long to match cheaply is "Too Complex".
namespace JetSql {

// Throws SqlError (Bad SQL) for an unterminated quote, bracket or date, or a date it cannot read.
QString translate(const QString& jetText);

void registerFunctions(sqlite3* db);

// Jet Like outside SQL (the same matcher, the same date rendering). Throws SqlError for a bad or too complex
// pattern.
bool like(const QString& value, const QString& pattern);

} // namespace JetSql
