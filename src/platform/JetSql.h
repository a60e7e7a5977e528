#pragma once

#include <QString>

#include <memory>
#include <vector>

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
//   any form DateText::parse accepts; Now and Date return the ISO form, so they compare with fldDate. Besides,
//   SQLite's own glob, ltrim/rtrim/trim with a set and replace, with SQLite's answers: like InStr and Like
//   they compare every character of one value with every one of another, and so look at the running query
//   every few thousand comparisons (SqlDatabase::keepWorking) where SQLite's would work on inside one call.
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

// The characters Like matches a value against, as the SQL function sees a stored value: its UTF-8 text folded
// for the case-blind comparison, a stored ISO date rendered in the general date form first.
void likeSubject(const char* utf8, int bytes, std::vector<char32_t>& out);

// One Like pattern compiled once and matched against many subjects: the matcher the SQL function uses, for
// code that evaluates a condition on rows it has read itself and must answer exactly as the query would.
class LikePattern {
public:
    // Throws SqlError (Bad SQL, or Too Complex for a pattern too long to match cheaply).
    explicit LikePattern(const QString& pattern);
    ~LikePattern();
    LikePattern(LikePattern&&) noexcept;
    LikePattern& operator=(LikePattern&&) noexcept;
    // Throws SqlError (Too Complex) when the value is too long for the pattern.
    bool matches(const std::vector<char32_t>& subject) const;

private:
    struct Compiled;
    std::unique_ptr<Compiled> m_compiled;
};

} // namespace JetSql
