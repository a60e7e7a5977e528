#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/JetSql.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"
#include "support/WorkTime.h"

#include <QElapsedTimer>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>

// Queries of the Jet dialect run against a small in-memory call log, read through the read-only path that
// user and peer text takes.
class TestJetSql : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void translatesLiterals_data();
    void translatesLiterals();
    void rejectsMalformedText_data();
    void rejectsMalformedText();
    void conditionsSelectTheRightCalls_data();
    void conditionsSelectTheRightCalls();
    void functionsComputeJetResults_data();
    void functionsComputeJetResults();
    void globAnswersAsSQLitesOwn_data();
    void globAnswersAsSQLitesOwn();
    void failuresMapToTheProgramsResults_data();
    void failuresMapToTheProgramsResults();
    void untrustedTextCannotChangeTheLog_data();
    void untrustedTextCannotChangeTheLog();
    void likeOutsideSql();
    void compiledPatternsMatchAsTheFunction();

private:
    QList<qint64> ids(const QString& query);
    qint64 rowCount();

    std::unique_ptr<SqlDatabase> m_writer;
    std::unique_ptr<SqlDatabase> m_reader;
};

void TestJetSql::initTestCase()
{
    SqlDatabase::setDefaultQueryBudget(500);
    const QString path = SqlDatabase::memoryPath(QStringLiteral("jetsql_calls"));
    m_writer = std::make_unique<SqlDatabase>(path, SqlDatabase::Mode::ReadWriteCreate);
    m_writer->exec(QStringLiteral(
        "CREATE TABLE tblCID (ID INTEGER PRIMARY KEY AUTOINCREMENT, fldName TEXT COLLATE NOCASE, "
        "fldNumber TEXT COLLATE NOCASE, fldDate DATETIME, fldRings INTEGER, fldAnswered TEXT COLLATE NOCASE)"));
    struct Row {
        const char* name;
        const char* number;
        const char* date;
        int rings;
        const char* answered;
    };
    const Row rows[] = {
        {"JOHN SMITH", "555-1234", "2024-03-21 14:05:07", 3, "YES"},               // 1
        {"NOT RECEIVED", "NOT RECEIVED", "2024-03-21 14:05:08", 1, "N/A"},         // 2
        {"ÉLISE DURAND", "(555) 987-1234", "2024-06-02 00:00:00", 4, "NO"},        // 3
        {"PRIVATE NUMBER", "PRIVATE NUMBER", "2024-06-01 21:30:00", 2, "BLOCKED"}, // 4
        {"100% Pure_Water", "800-555-0000", "2024-06-02 00:59:00", 0, "N/A"},      // 5
        {"O'Brien", "555-1234 x2", "2024-06-02 01:30:00", 5, "NO"},                // 6
        {"Zoë Ångström", "12ab", "2024-06-03 09:30:00", 1, "YES"},                 // 7
        {"mary jones", "555-0000", "2024-06-03 11:15:00", 2, "N/A"},               // 8
        {"Straße", "A1B2", "2024-06-03 23:59:59", 6, "NO"},                        // 9
    };
    SqlStatement ins = m_writer->prepare(QStringLiteral(
        "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) VALUES (?, ?, ?, ?, ?)"));
    for (const Row& r : rows) {
        ins.bind(1, QString::fromUtf8(r.name));
        ins.bind(2, QString::fromUtf8(r.number));
        ins.bind(3, QString::fromUtf8(r.date));
        ins.bind(4, r.rings);
        ins.bind(5, QString::fromUtf8(r.answered));
        ins.exec();
        ins.reset();
    }
    m_reader = std::make_unique<SqlDatabase>(path, SqlDatabase::Mode::ReadOnly);
    Clock::setNow(QDateTime(QDate(2024, 6, 2), QTime(12, 0, 0), Qt::UTC));
}

void TestJetSql::cleanupTestCase()
{
    Clock::reset();
    m_reader.reset();
    m_writer.reset();
}

QList<qint64> TestJetSql::ids(const QString& query)
{
    SqlStatement st = m_reader->prepareUntrusted(query);
    QList<qint64> out;
    while (st.step())
        out << st.int64(0);
    std::sort(out.begin(), out.end());
    return out;
}

qint64 TestJetSql::rowCount()
{
    SqlStatement st = m_writer->prepare(QStringLiteral("SELECT count(*) FROM tblCID"));
    st.step();
    return st.int64(0);
}

void TestJetSql::translatesLiterals_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("sqlite");
    QTest::newRow("date and time") << "fldDate > #3/21/2024 2:05:07 PM#"
                                   << "fldDate > '2024-03-21 14:05:07'";
    QTest::newRow("date alone is midnight") << "fldDate < #6/2/2024#"
                                            << "fldDate < '2024-06-02 00:00:00'";
    QTest::newRow("iso date") << "#2024-06-02 07:08:09#"
                              << "'2024-06-02 07:08:09'";
    QTest::newRow("double-quoted text") << "fldName = \"it's\""
                                        << "fldName = 'it''s'";
    QTest::newRow("doubled double quote") << "\"say \"\"hi\"\"\""
                                          << "'say \"hi\"'";
    QTest::newRow("# inside text is a pattern") << "fldNumber Like '#1#'"
                                                << "fldNumber Like '#1#'";
    QTest::newRow("quote doubled in text") << "fldName = 'O''Brien' and x = #1/2/2024#"
                                           << "fldName = 'O''Brien' and x = '2024-01-02 00:00:00'";
    QTest::newRow("bracketed name untouched") << "[odd#name] = True"
                                              << "[odd#name] = 1";
    QTest::newRow("true false words only") << "fldTrue = False or 'True' = TRUE"
                                           << "fldTrue = 0 or 'True' = 1";
    QTest::newRow("delete star from") << "Delete * From tblCID Where ID = 5"
                                      << "DELETE FROM tblCID Where ID = 5";
    QTest::newRow("delete from kept") << "delete  from tblCID"
                                      << "delete  from tblCID";
    QTest::newRow("left and right calls") << "Left(a, 1) = Right (b, 2)"
                                          << "\"Left\"(a, 1) = \"Right\" (b, 2)";
    QTest::newRow("left join kept") << "a Left Join b"
                                    << "a Left Join b";
    QTest::newRow("non-ascii kept") << "fldName Like \"Zoë*\""
                                    << "fldName Like 'Zoë*'";
}

void TestJetSql::translatesLiterals()
{
    QFETCH(QString, jet);
    QFETCH(QString, sqlite);
    QCOMPARE(JetSql::translate(jet), sqlite);
}

void TestJetSql::rejectsMalformedText_data()
{
    QTest::addColumn<QString>("jet");
    QTest::newRow("unclosed quote") << "fldName = 'abc";
    QTest::newRow("unclosed double quote") << "fldName = \"abc";
    QTest::newRow("unclosed date") << "fldDate > #3/21/2024";
    QTest::newRow("not a date") << "fldDate > #13/45/2024#";
    QTest::newRow("unclosed bracket name") << "[fldName = 'x'";
}

void TestJetSql::rejectsMalformedText()
{
    QFETCH(QString, jet);
    try {
        JetSql::translate(jet);
        QFAIL("malformed text must be refused");
    } catch (const SqlError& e) {
        QCOMPARE(e.resultText(), QStringLiteral("Bad SQL"));
        QVERIFY(!e.message().isEmpty());
    }
}

using Ids = QList<qint64>;

void TestJetSql::conditionsSelectTheRightCalls_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<Ids>("expected");
    auto row = [](const char* name, const QString& where, Ids expected) { QTest::newRow(name) << where << expected; };
    row("Like ignores case", "fldAnswered Like 'yes'", {1, 7});
    row("NO does not match N/A", "fldAnswered Like 'NO'", {3, 6, 9});
    row("? is one character", "fldAnswered Like 'N?A'", {2, 5, 8});
    row("number contains", "fldNumber Like '*555-1234*'", {1, 6});
    row("# matches digits only", "fldNumber Like '###-####'", {1, 8});
    row("# refuses letters", "fldNumber Like '#1#2'", {});
    row("? takes letters", "fldNumber Like '?1?2'", {9});
    row("digits then letters", "fldNumber Like '##[A-Z][a-z]'", {7});
    row("negated class", "fldName Like '[!a-m]*'", {2, 3, 4, 5, 6, 7, 9});
    row("class list", "fldName Like '[jmz]*'", {1, 7, 8});
    row("literal percent", "fldName Like '100%*'", {5});
    row("percent anywhere", "fldName Like '*%*'", {5});
    row("literal underscore", "fldName Like '*_*'", {5});
    row("underscore is not one character", "fldName Like '1_0*'", {});
    row("quote inside single quotes", "fldName = 'O''Brien'", {6});
    row("quote inside double quotes", "fldName Like \"O'Brien\"", {6});
    row("equal at the second", "fldDate = #3/21/2024 2:05:07 PM#", {1});
    row("after at the second", "fldDate > #3/21/2024 2:05:07 PM#", {2, 3, 4, 5, 6, 7, 8, 9});
    row("one-second range", "fldDate >= #3/21/2024 2:05:08 PM# and fldDate < #3/21/2024 2:05:09 PM#", {2});
    row("date alone is midnight", "fldDate = #6/2/2024#", {3});
    row("before midnight", "fldDate < #6/2/2024#", {1, 2, 4});
    row("between", "fldDate Between #6/2/2024# And #6/2/2024 1:30:00 AM#", {3, 5, 6});
    row("calls between 9pm and 1am",
        "(fldDate Like '*/*/*9:*:*PM' or fldDate Like '*/*/*10:*:*PM' "
        "or fldDate Like '*/*/*11:*:*PM' or fldDate Like '*/*/*12:*:*AM' or fldDate Like '*/*/* 1:*:*AM')",
        {3, 4, 5, 6, 9});
    row("date pattern on the day", "fldDate Like '6/2/2024*'", {3, 5, 6});
    row("midnight shows its time", "fldDate Like '*12:00:00 AM'", {3});
    row("non-ascii case", "fldName Like 'zoë ÅNGSTRÖM'", {7});
    row("non-ascii capital", "fldName Like 'élise*'", {3});
    row("capital sharp s", "fldName Like 'STRAẞE'", {9});
    row("not like", "Not fldName Like '*e*'", {1, 7});
    row("contact group", "(fldNumber like '*555-1234*' or fldNumber like '*(555) 987-1234*')", {1, 3, 6});
    row("special group", "(fldName Like '*NOT RECEIVED*' or fldNumber Like '*NOT RECEIVED*')", {2});
    row("true", "(fldRings > 2) = True", {1, 3, 6, 9});
    row("false", "(fldRings > 2) = False", {2, 4, 5, 7, 8});
    row("clause glued to a quote", "fldAnswered Like 'YES'and fldDate > #6/1/2024#", {7});
    row("year and month", "Year(fldDate) = 2024 and Month(fldDate) = 3", {1, 2});
    row("day", "Day(fldDate) = 3", {7, 8, 9});
    row("hour", "Hour(fldDate) = 21", {4});
    row("minute", "Minute(fldDate) = 59", {5, 9});
    row("second", "Second(fldDate) = 7", {1});
    row("weekday sunday is 1", "Weekday(fldDate) = 1", {3, 5, 6});
    row("ucase", "UCase(fldName) = 'ZOË ÅNGSTRÖM'", {7});
    row("lcase", "LCase(fldName) = 'john smith'", {1});
    row("len", "Len(fldName) = 10", {1, 8});
    row("left", "Left(fldNumber, 3) = '555'", {1, 6, 8});
    row("right", "Right(fldNumber, 2) = 'x2'", {6});
    row("mid with length", "Mid(fldName, 2, 3) = 'OHN'", {1});
    row("instr ignores case", "InStr(fldName, 'smith') = 6", {1});
    row("instr from a start", "InStr(3, fldNumber, '5') = 3", {1, 3, 6, 8});
    row("iif", "IIf(fldRings > 4, 'many', 'few') = 'many'", {6, 9});
    row("after now", "fldDate > Now()", {7, 8, 9});
    row("from today", "fldDate >= Date()", {3, 5, 6, 7, 8, 9});
}

void TestJetSql::conditionsSelectTheRightCalls()
{
    QFETCH(QString, where);
    QFETCH(Ids, expected);
    try {
        QCOMPARE(ids(QStringLiteral("Select ID From tblCID Where ") + where), expected);
    } catch (const SqlError& e) {
        QFAIL(qPrintable(e.message()));
    }
}

void TestJetSql::functionsComputeJetResults_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("result");
    QTest::newRow("trim blanks only") << "Trim('  a b  ')"
                                      << "a b";
    QTest::newRow("trim keeps tab") << "Len(Trim(char(9) || 'a '))"
                                    << "2";
    QTest::newRow("mid to the end") << "Mid('JOHN SMITH', 6)"
                                    << "SMITH";
    QTest::newRow("mid past the end") << "Mid('abc', 5, 2)"
                                      << "";
    QTest::newRow("left longer than text") << "Left('ab', 5)"
                                           << "ab";
    QTest::newRow("right counts characters") << "Right('Zoë😀', 2)"
                                             << "ë😀";
    QTest::newRow("len counts characters") << "Len('Zoë😀')"
                                           << "4";
    QTest::newRow("instr not found") << "InStr('abc', 'x')"
                                     << "0";
    QTest::newRow("instr empty needle") << "InStr(2, 'abc', '')"
                                        << "2";
    QTest::newRow("instr non-ascii case") << "InStr('straße ÉTÉ', 'été')"
                                          << "8";
    QTest::newRow("ucase non-ascii") << "UCase('élise')"
                                     << "ÉLISE";
    QTest::newRow("null passes") << "coalesce(UCase(NULL), 'null')"
                                 << "null";
    QTest::newRow("iif false branch") << "IIf(0, 'a', 'b')"
                                      << "b";
    QTest::newRow("iif null is false") << "IIf(NULL, 'a', 'b')"
                                       << "b";
    QTest::newRow("now is the clock") << "Now()"
                                      << "2024-06-02 12:00:00";
    QTest::newRow("date is today") << "Date()"
                                   << "2024-06-02 00:00:00";
    QTest::newRow("year of a literal") << "Year(#12/31/1999 11:59:59 PM#)"
                                       << "1999";
    QTest::newRow("serial date") << "Year(45000.75) || ' ' || Hour(45000.75)"
                                 << "2023 18";
    QTest::newRow("last serial date") << "Year(2958465)"
                                      << "9999";
    QTest::newRow("hour of general text") << "Hour('3/21/2024 2:05:07 PM')"
                                          << "14";
    QTest::newRow("weekday saturday") << "Weekday(#6/1/2024#)"
                                      << "7";
    QTest::newRow("weekday from monday") << "Weekday(#6/3/2024#, 2)"
                                         << "1";
    QTest::newRow("like on bytes that are not utf-8") << "CAST(x'636166e9' AS TEXT) Like 'CAFÉ'"
                                                      << "1";
    QTest::newRow("like on utf-8") << "'Ça' Like 'çA'"
                                   << "1";
    QTest::newRow("sqlite date kept") << "date('2024-06-02 13:00:00')"
                                      << "2024-06-02";
    // SQLite's own that are ours now, so that they look at the query inside one call: SQLite's answers.
    QTest::newRow("glob") << "('b1x' Glob '[a-c][0-9]*') || ('B1x' Glob '[a-c]*') || ('x]' Glob 'x[]]') || ('xz' "
                             "Glob 'x[^a-c]') || ('a[' Glob 'a[') || ('a-' Glob 'a[a-]') || ('ab' Glob '*?b')"
                          << "1011011";
    QTest::newRow("glob dash after a range or a first bracket")
        << "('d' Glob '[a-c-e]') || ('-' Glob '[a-c-e]') || ('-' Glob '[]-a]') || ('_' Glob '[]-a]')"
        << "0110";
    // The linked SQLite matches no BLOB, whatever stands on the other side, and before it weighs the pattern.
    QTest::newRow("glob with a blob") << "(X'61' Glob 'a') || (CAST('a' AS BLOB) Glob 'a') || glob(NULL, X'61') || "
                                         "('a' Glob CAST('" +
                                             QString(300, QLatin1Char('a')) + "' AS BLOB))"
                                      << "0000";
    QTest::newRow("trims with a set") << "ltrim('xxaxx', 'x') || '|' || rtrim('xxaxx', 'x') || '|' || trim('yxaxy', "
                                         "'xy') || '|' || trim('ééaé', 'é')"
                                      << "axx|xxa|a|a";
    QTest::newRow("replace") << "replace('aaa', 'aa', 'b') || '|' || replace('abc', '', 'x') || '|' || "
                                "coalesce(replace('abc', 'b', NULL), 'null') || '|' || replace('Zoë', 'ë', 'e')"
                             << "ba|abc|null|Zoe";
}

void TestJetSql::functionsComputeJetResults()
{
    QFETCH(QString, expression);
    QFETCH(QString, result);
    try {
        SqlStatement st = m_reader->prepareUntrusted(QStringLiteral("Select ") + expression);
        QVERIFY(st.step());
        QCOMPARE(st.text(0), result);
    } catch (const SqlError& e) {
        QFAIL(qPrintable(e.message()));
    }
}

namespace {

// Characters given as one text, separated by blanks (a character may be several bytes, or bytes that are no
// UTF-8 at all).
template <size_t N>
QByteArrayList chars(const char (&text)[N])
{
    return QByteArray(text, N - 1).split(' ');
}

} // namespace

void TestJetSql::globAnswersAsSQLitesOwn_data()
{
    // Patterns of stars, question marks, plain characters and sets drawn at random from each row's
    // characters, against values drawn from its text; each row's fixed start makes every run draw the same pairs.
    QTest::addColumn<QByteArrayList>("plain");
    QTest::addColumn<QByteArrayList>("inSet");
    QTest::addColumn<QByteArrayList>("text");
    QTest::addColumn<int>("unclosedPercent");
    QTest::addColumn<int>("nullPercent");
    QTest::addColumn<int>("blobPercent");
    QTest::addColumn<uint>("start");
    QTest::newRow("ranges, a dash after them")
        << chars("a c e -") << chars("a b c e - - -") << chars("a b c d e f -") << 0 << 0 << 0 << 1u;
    QTest::newRow("a dash first and last")
        << chars("a -") << chars("- a c - ^") << chars("- a b c ^ _") << 0 << 0 << 0 << 2u;
    QTest::newRow("a first close bracket")
        << chars("] a") << chars("] ] - a ^ _") << chars("] - a ^ _ `") << 0 << 0 << 0 << 3u;
    QTest::newRow("a caret") << chars("^ a b") << chars("^ ^ a - c") << chars("^ a b c -") << 0 << 0 << 0 << 4u;
    QTest::newRow("unclosed sets") << chars("a [ ]") << chars("a - ] [") << chars("a b [ ] -") << 40 << 0 << 0 << 5u;
    QTest::newRow("stars and question marks")
        << chars("* * ? ? a b") << chars("a b") << chars("a b c") << 0 << 0 << 0 << 6u;
    QTest::newRow("multibyte") << chars("é 中 😀 a") << chars("é - ë 中 😀 ü a") << chars("é ë 中 丁 😀 😁 ü a -") << 0 << 0
                               << 0 << 7u;
    QTest::newRow("null") << chars("a *") << chars("a - c") << chars("a b c") << 0 << 20 << 0 << 8u;
    QTest::newRow("a nul, bytes that are no utf-8")
        << chars("a \x80 \xe9 -") << chars("\x80 - \xff a \xc3 \xe9")
        << chars("a \x00 \x80 \xc3 \xe9 \xff \xed\xa0\x80 \xc0\x80 \xef\xbf\xbe -") << 0 << 0 << 0 << 9u;
    QTest::newRow("blobs") << chars("a *") << chars("a - c") << chars("a b c") << 0 << 20 << 30 << 10u;
}

void TestJetSql::globAnswersAsSQLitesOwn()
{
    QFETCH(QByteArrayList, plain);
    QFETCH(QByteArrayList, inSet);
    QFETCH(QByteArrayList, text);
    QFETCH(int, unclosedPercent);
    QFETCH(int, nullPercent);
    QFETCH(int, blobPercent);
    QFETCH(uint, start);

    // SQLite's own glob, on a connection that never had ours.
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> closer(raw, sqlite3_close);
    sqlite3_stmt* oracleStmt = nullptr;
    QCOMPARE(sqlite3_prepare_v2(raw, "SELECT glob(?1, ?2)", -1, &oracleStmt, nullptr), SQLITE_OK);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> finalizer(oracleStmt, sqlite3_finalize);
    SqlStatement ours = m_writer->prepare(QStringLiteral("SELECT glob(?1, ?2)"));

    std::mt19937 rng(start);
    const auto draw = [&](int below) { return int(rng() % std::mt19937::result_type(below)); };
    const auto pick = [&](const QByteArrayList& from) { return from.at(draw(int(from.size()))); };
    const auto bind = [](sqlite3_stmt* st, int at, const std::optional<QByteArray>& value, bool blob) {
        if (!value)
            sqlite3_bind_null(st, at);
        else if (blob)
            sqlite3_bind_blob(st, at, value->constData(), int(value->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_text(st, at, value->constData(), int(value->size()), SQLITE_TRANSIENT);
    };
    // 1 or 0, or -1 for NULL
    const auto answer = [](sqlite3_stmt* st) {
        return sqlite3_column_type(st, 0) == SQLITE_NULL ? -1 : sqlite3_column_int(st, 0);
    };
    const auto shown = [](const std::optional<QByteArray>& v, bool blob) {
        return !v     ? QStringLiteral("NULL")
               : blob ? QStringLiteral("X'") + QString::fromLatin1(v->toHex()) + QLatin1Char('\'')
                      : QLatin1Char('\'') + QString::fromLatin1(v->toPercentEncoding("[]^-*?")) + QLatin1Char('\'');
    };
    int counts[3] = {}; // NULL, no match, match
    QStringList differ;
    for (int n = 0; n < 2000; ++n) {
        std::optional<QByteArray> pattern = QByteArray();
        for (int piece = draw(7); piece > 0; --piece) {
            const int kind = draw(10);
            if (kind < 2) {
                *pattern += '*';
            } else if (kind == 2) {
                *pattern += '?';
            } else if (kind < 6) {
                *pattern += draw(3) == 0 ? "[^" : "[";
                for (int k = draw(5); k > 0; --k)
                    *pattern += pick(inSet);
                if (draw(100) >= unclosedPercent)
                    *pattern += ']';
            } else {
                *pattern += pick(plain);
            }
        }
        std::optional<QByteArray> value = QByteArray();
        for (int k = draw(7); k > 0; --k)
            *value += pick(text);
        if (draw(100) < nullPercent)
            pattern.reset();
        if (draw(100) < nullPercent)
            value.reset();
        const bool patternBlob = blobPercent > 0 && draw(100) < blobPercent;
        const bool valueBlob = blobPercent > 0 && draw(100) < blobPercent;

        bind(oracleStmt, 1, pattern, patternBlob);
        bind(oracleStmt, 2, value, valueBlob);
        QCOMPARE(sqlite3_step(oracleStmt), SQLITE_ROW);
        const int expected = answer(oracleStmt);
        sqlite3_reset(oracleStmt);
        bind(ours.handle(), 1, pattern, patternBlob);
        bind(ours.handle(), 2, value, valueBlob);
        QVERIFY(ours.step());
        const int got = answer(ours.handle());
        ours.reset();

        ++counts[expected + 1];
        if (got != expected && differ.size() < 10)
            differ << shown(value, valueBlob) + QStringLiteral(" GLOB ") + shown(pattern, patternBlob) +
                          QStringLiteral(": SQLite ") + QString::number(expected) + QStringLiteral(", ours ") +
                          QString::number(got);
    }
    QVERIFY2(differ.isEmpty(), qPrintable(differ.join(QLatin1Char('\n'))));
    // The pairs reach both answers (and NULL where the row asks for it), so that agreeing says something.
    QVERIFY2(counts[1] > 100 && counts[2] > 100,
             qPrintable(QStringLiteral("%1 no, %2 yes").arg(counts[1]).arg(counts[2])));
    QCOMPARE(counts[0] > 0, nullPercent > 0);
}

void TestJetSql::failuresMapToTheProgramsResults_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("result");
    QTest::newRow("misspelt field") << "Select * From tblCID Where fldNam Like 'x'"
                                    << "Bad SQL";
    QTest::newRow("syntax") << "Select * From tblCID Where fldName Like"
                            << "Bad SQL";
    QTest::newRow("unclosed class") << "Select * From tblCID Where fldName Like '[abc'"
                                    << "Bad SQL";
    QTest::newRow("reversed range") << "Select * From tblCID Where fldName Like '[z-a]*'"
                                    << "Bad SQL";
    QTest::newRow("bad date literal") << "Select * From tblCID Where fldDate > #2/30/2024#"
                                      << "Bad SQL";
    QTest::newRow("date of a name") << "Select * From tblCID Where Year(fldName) = 1"
                                    << "Bad SQL";
    QTest::newRow("left negative") << "Select Left('abc', -1)"
                                   << "Bad SQL";
    QTest::newRow("count beyond 64 bits") << "Select Left('abc', 1e300)"
                                          << "Bad SQL";
    QTest::newRow("start beyond 64 bits") << "Select Mid('abc', 2, -1e19)"
                                          << "Bad SQL";
    QTest::newRow("serial date beyond 9999") << "Select Year(1e300)"
                                             << "Bad SQL";
    QTest::newRow("serial date before 100") << "Select Hour(-9e18)"
                                            << "Bad SQL";
    QTest::newRow("escape clause") << "Select * From tblCID Where fldName Like 'a' Escape '!'"
                                   << "Bad SQL";
    QTest::newRow("long pattern") << "Select * From tblCID Where fldName Like '" + QString(1200, QLatin1Char('*')) +
                                         "x'"
                                  << "Too Complex";
    QTest::newRow("deep expression") << "Select " + QString(1500, QLatin1Char('(')) + "1" +
                                            QString(1500, QLatin1Char(')'))
                                     << "Too Complex";
    QTest::newRow("huge value") << "Select length(randomblob(100000000))"
                                << "Too Complex";
    QTest::newRow("long search") << "Select InStr('" + QString(40000, QLatin1Char('a')) + "', '" +
                                        QString(20000, QLatin1Char('a')) + "b')"
                                 << "Too Complex";
    QTest::newRow("replaced past a value's bound") << "Select replace(hex(zeroblob(30000)), '0', 'aa')"
                                                   << "Too Complex";
    QTest::newRow("a function no bound was looked at") << "Select json_patch('{}', '{}')"
                                                       << "Bad SQL";
    QTest::newRow("long chain") << "Select * From tblCID Where " +
                                       QStringList(1200, QStringLiteral("fldRings = 1")).join(QStringLiteral(" or "))
                                << "Too Complex";
}

void TestJetSql::failuresMapToTheProgramsResults()
{
    QFETCH(QString, query);
    QFETCH(QString, result);
    try {
        SqlStatement st = m_reader->prepareUntrusted(query);
        while (st.step()) {
        }
        QFAIL("the query must fail");
    } catch (const SqlError& e) {
        QCOMPARE(e.resultText(), result);
    }
}

void TestJetSql::untrustedTextCannotChangeTheLog_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("says");
    QTest::newRow("delete") << "Delete From tblCID"
                            << "would change";
    QTest::newRow("jet delete") << "Delete * From tblCID Where ID = 1"
                                << "would change";
    QTest::newRow("drop") << "Drop Table tblCID"
                          << "would change";
    QTest::newRow("update") << "Update tblCID Set fldName = 'x'"
                            << "would change";
    QTest::newRow("insert") << "Insert Into tblCID (fldName) Values ('x')"
                            << "would change";
    QTest::newRow("second statement") << "Select 1; Delete From tblCID"
                                      << "one statement";
    QTest::newRow("second select") << "Select 1; Select 2"
                                   << "one statement";
    QTest::newRow("pragma") << "PRAGMA case_sensitive_like = 1"
                            << "reads";
    QTest::newRow("attach") << "ATTACH 'file:/other?vfs=memdb' AS o"
                            << "reads";
    QTest::newRow("endless recursion") << "With Recursive c(x) As (Select 1 Union All Select x + 1 From c) "
                                          "Select count(*) From c"
                                       << "too long";
}

void TestJetSql::untrustedTextCannotChangeTheLog()
{
    QFETCH(QString, query);
    QFETCH(QString, says);
    QElapsedTimer timer;
    timer.start();
    try {
        SqlStatement st = m_reader->prepareUntrusted(query);
        while (st.step()) {
        }
        QFAIL("the text must be refused");
    } catch (const SqlError& e) {
        QVERIFY2(e.message().contains(says, Qt::CaseInsensitive), qPrintable(e.message()));
    }
    // Within the configured budget (500 ms here), not the default three seconds.
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(rowCount(), 9);
    // Like keeps its Jet meaning afterwards ('yes' still matches 'YES').
    QCOMPARE(ids(QStringLiteral("Select ID From tblCID Where fldAnswered Like 'yes'")), Ids({1, 7}));
    // A trailing semicolon alone is still one statement.
    QCOMPARE(ids(QStringLiteral("Select ID From tblCID Where ID = 2;  ")), Ids({2}));
}

void TestJetSql::likeOutsideSql()
{
    QVERIFY(JetSql::like(QStringLiteral("2024-06-01 21:30:00"), QStringLiteral("*/*/*9:*:*PM")));
    QVERIFY(!JetSql::like(QStringLiteral("2024-06-03 09:30:00"), QStringLiteral("*/*/*9:*:*PM")));
    QVERIFY(JetSql::like(QStringLiteral("a]b"), QStringLiteral("a]b")));
    QVERIFY(JetSql::like(QStringLiteral("a*b"), QStringLiteral("a[*]b")));
    QVERIFY(!JetSql::like(QStringLiteral("axb"), QStringLiteral("a[*]b")));
    QVERIFY(JetSql::like(QStringLiteral("a-b"), QStringLiteral("a[-x]b")));
    QVERIFY(JetSql::like(QStringLiteral("ab"), QStringLiteral("a[]b")));
    QVERIFY(JetSql::like(QString(), QStringLiteral("*")));
    QVERIFY(!JetSql::like(QString(), QStringLiteral("?")));
    // A stored date is matched in the general form with the time, whatever the hour.
    for (int minutes = 0; minutes < 2 * 24 * 60; minutes += 7) {
        const QDateTime d = QDateTime(QDate(2024, 12, 31), QTime(0, 0), Qt::UTC).addSecs(minutes * 60 + minutes % 60);
        QVERIFY2(JetSql::like(DateText::toIso(d), DateText::formatFull(d)), qPrintable(DateText::toIso(d)));
    }
    QVERIFY(JetSql::like(QStringLiteral("0999-01-02 03:04:05"), QStringLiteral("1/2/0999 3:04:05 am")));
    // Not a date: matched as it is.
    QVERIFY(JetSql::like(QStringLiteral("2024-13-02 03:04:05"), QStringLiteral("2024-13-*")));
    QVERIFY(JetSql::like(QStringLiteral("2024-06-02T03:04:05"), QStringLiteral("2024-06-02T*")));
    // Many stars against a long text that almost matches stays quick: no exponential backtracking.
    const WorkTimer work;
    QVERIFY(!JetSql::like(QString(5000, QLatin1Char('a')), QStringLiteral("*a*a*a*a*a*a*a*a*a*a*b")));
    QVERIFY2(work.elapsedMs() < 1000 * kWorkTimeScale, qPrintable(QString::number(work.elapsedMs())));
}

namespace {

// A plain recursive Jet Like over the folded characters, to check the matcher's quick paths against.
bool referenceLike(const std::vector<char32_t>& p, size_t i, const std::vector<char32_t>& v, size_t j)
{
    if (i == p.size())
        return j == v.size();
    if (p[i] == U'*') {
        for (size_t k = j; k <= v.size(); ++k) {
            if (referenceLike(p, i + 1, v, k))
                return true;
        }
        return false;
    }
    if (j == v.size())
        return false;
    if (p[i] == U'[') {
        size_t close = i + 1;
        while (p[close] != U']')
            ++close;
        bool negated = p[i + 1] == U'!';
        bool in = false;
        for (size_t k = i + 1 + (negated ? 1 : 0); k < close; ++k) {
            if (k + 2 < close && p[k + 1] == U'-') {
                in = in || (v[j] >= p[k] && v[j] <= p[k + 2]);
                k += 2;
            } else {
                in = in || v[j] == p[k];
            }
        }
        return in != negated && referenceLike(p, close + 1, v, j + 1);
    }
    const bool one = p[i] == U'?' || (p[i] == U'#' ? v[j] >= U'0' && v[j] <= U'9' : p[i] == v[j]);
    return one && referenceLike(p, i + 1, v, j + 1);
}

} // namespace

void TestJetSql::compiledPatternsMatchAsTheFunction()
{
    // The quick paths of a compiled pattern (its fixed start and end, a plain "*text*") answer as a plain
    // matcher does: every pattern against every value.
    const QStringList patterns = {"*555-1234*",    "*(555) 1*", "*a*", "a*",      "*a",     "a*b",
                                  "a?*",           "*?b",       "#*#", "*[0-9]*", "[!a]*a", "*É*",
                                  "*12*12*",       "**x**",     "*",   "*a*b*",   "ab*ab",  "*/*/*9:*:*PM",
                                  "*/*/* 1:*:*AM", "a",         ""};
    const QStringList values = {"555-1234",
                                "(555) 555-1234 x2",
                                "555-123",
                                "",
                                "a",
                                "ab",
                                "aab",
                                "ba",
                                "1a2",
                                "éclair",
                                "ÉCLAIR",
                                "1212",
                                "121",
                                "xx",
                                "2024-06-01 21:30:00",
                                "2024-06-01 01:15:00",
                                "2024-06-01 11:15:00",
                                "abab"};
    std::vector<char32_t> subject;
    for (const QString& p : patterns) {
        const JetSql::LikePattern compiled(p);
        std::vector<char32_t> folded;
        for (char32_t c : p.toCaseFolded().toUcs4())
            folded.push_back(c);
        for (const QString& v : values) {
            const QByteArray utf8 = v.toUtf8();
            JetSql::likeSubject(utf8.constData(), int(utf8.size()), subject);
            QVERIFY2(compiled.matches(subject) == referenceLike(folded, 0, subject, 0),
                     qPrintable(p + QStringLiteral(" / ") + v));
            QCOMPARE(JetSql::like(v, p), compiled.matches(subject));
        }
    }
}

QTEST_GUILESS_MAIN(TestJetSql)
#include "test_jetsql.moc"
