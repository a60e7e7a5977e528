#include <QTest>

#include <random>

#include "core/Globals.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"
#include "support/TempHome.h"

namespace {

QDateTime at(const QString& iso) { return *DateText::fromIso(iso); }

void addCall(const QString& name, const QString& number, const QString& iso, int rings, const QString& answered)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(at(iso));
    c.Rings = rings;
    c.Answered = answered;
    AddCaller(c);
    QVERIFY(c.ID > 0);
}

clsStatistic statistic(const QString& condition, const QString& style = QStringLiteral("NONE"))
{
    clsStatistic s;
    s.Description = QStringLiteral("Test");
    s.Statistic = condition;
    s.Style = style;
    return s;
}

clsGroup group(const QString& condition)
{
    clsGroup g;
    g.Description = QStringLiteral("Test");
    g.Group = condition;
    return g;
}

const clsGroup& allCallers() { return *gGroups->item(QStringLiteral("All Callers")); }

double builtIn(const QString& description, const clsGroup& g, int days = 0, const QString& period = QString(),
               QString* note = nullptr)
{
    return ExecuteStat(*gStatistics->item(description), g, days, period, note);
}

qint64 count() { return CountCallers(QStringLiteral("Select * From tblCID")); }

} // namespace

class TestStatEvaluation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void everyBuiltInOverTheWholeLog();
    void averagesFollowTheDayCount();
    void lastDaysIgnoreTheStatisticAndThePeriod();
    void groupsPickTheirCalls();
    void periodClausesJoinWithAnd();
    void conditionsKeepTheirOwnPrecedence();
    void emptyAndSingleCallResults();
    void failuresGiveMinusOneAndMinusTwo();
    void conditionsCannotChangeTheLog();
    void busiestWindowEdges();
    void busiestWindowMatchesAPlainSearch();
    void roundingTiesToEven();
    void periodDays();
    void clientModeComputesNothing();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestStatEvaluation::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(at("2024-03-20 12:00:00"));
    QVERIFY(CreateCallerDB(m_home->file("dbCID.mdb")));
    addCall("John Smith", "555-1234", "2024-03-20 10:00:00", 3, "YES");
    addCall("John Smith", "555-1234", "2024-03-20 10:20:00", 5, "NO");
    addCall("Jane Doe", "(555) 987-6543", "2024-03-20 10:50:00", 2, "YES");
    addCall("PRIVATE NUMBER", "PRIVATE NUMBER", "2024-03-19 21:30:00", 1, "NO");
    addCall("UNKNOWN NUMBER", "UNKNOWN NUMBER", "2024-03-18 23:59:59", 4, "BLOCKED");
    addCall("Jane Doe", "(555) 987-6543", "2024-03-15 00:30:00", 0, "NO");
    addCall("John Smith", "555-1234", "2024-03-01 01:15:00", 2, "YES");
    addCall("NOT RECEIVED", "NOT RECEIVED", "2024-02-10 11:05:00", 6, "N/A");
    addCall("Bob", "555-1234 ext 2", "2023-03-01 09:00:00", 3, "YES");
    CreateDefaultStatistics();
    SaveError(0, QString());
}

void TestStatEvaluation::cleanup() { m_home.reset(); }

void TestStatEvaluation::everyBuiltInOverTheWholeLog()
{
    const clsGroup& all = allCallers();
    QCOMPARE(builtIn("Total Calls", all), 9.0);
    QCOMPARE(builtIn("Total Calls Answered", all), 4.0);
    QCOMPARE(builtIn("Total Calls Not Answered", all), 3.0);
    // 9:30 PM, 11:59:59 PM, 12:30 AM and 1:15 AM; neither 9:00 AM nor 11:05 AM.
    QCOMPARE(builtIn("Calls Between 9pm and 1am", all), 4.0);
    QCOMPARE(builtIn("Blocked Calls", all), 1.0);
    QCOMPARE(builtIn("Most Rings", all), 6.0);
    QCOMPARE(builtIn("Average Rings", all), 2.89); // 26 / 9

    QString note;
    QCOMPARE(builtIn("Most Calls in a Hour", all, 0, QString(), &note), 3.0);
    QCOMPARE(note, QStringLiteral(" (3/20/2024 10:00:00 AM to 3/20/2024 10:50:00 AM)"));
    QCOMPARE(builtIn("Most Calls in 2 Hours", all), 3.0);
    QCOMPARE(builtIn("Most Calls in 3 Hours", all), 3.0);
    QCOMPARE(builtIn("Most Calls in 6 Hours", all), 3.0);
    // 9:30 PM the day before lies 12.5 hours before 10:00 AM.
    QCOMPARE(builtIn("Most Calls in 12 Hours", all), 3.0);
    note.clear();
    QCOMPARE(builtIn("Most Calls in a Day", all, 0, QString(), &note), 4.0);
    QCOMPARE(note, QStringLiteral(" (3/19/2024 9:30:00 PM to 3/20/2024 10:50:00 AM)"));
    QCOMPARE(builtIn("Most Calls in a Week", all), 6.0);
    QCOMPARE(builtIn("Most Calls in a Month", all), 7.0);
    // 3/1/2023 to 3/1/2024 is 366 days: the oldest call never shares a year with the March calls.
    QCOMPARE(builtIn("Most Calls in a Year", all), 8.0);

    QCOMPARE(builtIn("Calls in the Last Day", all), 4.0);
    QCOMPARE(builtIn("Calls in the Last Week", all), 6.0);
    QCOMPARE(builtIn("Calls in the Last Month", all), 7.0);
    QCOMPARE(builtIn("Calls in the Last Year", all), 8.0);
    QCOMPARE(gErrNumber, 0);
}

void TestStatEvaluation::averagesFollowTheDayCount()
{
    const clsGroup& all = allCallers();
    QCOMPARE(builtIn("Average Calls Per Hour", all, 14), 0.03); // 9 / 336
    QCOMPARE(builtIn("Average Calls Per Day", all, 14), 0.64);  // 9 / 14
    QCOMPARE(builtIn("Average Calls Per Week", all, 14), 4.5);
    QCOMPARE(builtIn("Average Calls Per Month", all, 14), 19.29);
    QCOMPARE(builtIn("Average Calls Per Year", all, 14), 234.64);
    for (const char* s : {"Average Calls Per Hour", "Average Calls Per Day", "Average Calls Per Week",
                          "Average Calls Per Month", "Average Calls Per Year"})
        QCOMPARE(builtIn(s, all, 0), 0.0);
    // A period of many years: no counter runs over.
    QCOMPARE(builtIn("Average Calls Per Hour", all, 40000), 0.0);
    QCOMPARE(builtIn("Average Calls Per Year", all, 40000), 0.08);
    // A style the program does not know gives 0.
    QCOMPARE(ExecuteStat(statistic(QString(), "SOMETHING ELSE"), all, 14, QString()), 0.0);
    // Styles compare without regard to case; the empty style counts.
    QCOMPARE(ExecuteStat(statistic(QString(), "average calls per week"), all, 14, QString()), 4.5);
    QCOMPARE(ExecuteStat(statistic("fldRings > 2", QString()), all, 0, QString()), 5.0);
}

void TestStatEvaluation::lastDaysIgnoreTheStatisticAndThePeriod()
{
    clsStatistic week = *gStatistics->item("Calls in the Last Week");
    week.Statistic = QStringLiteral("fldRings > 100");
    QCOMPARE(ExecuteStat(week, allCallers(), 1, QStringLiteral("and fldDate > #3/20/2024 11:00:00 AM#")), 6.0);
    QCOMPARE(ExecuteStat(week, group("fldAnswered Like 'YES' or fldAnswered Like 'NO'"), 0, QString()), 5.0);
    // Now is a wall-clock time: a day back is the same time of day, whatever the clock changes did.
    Clock::setNow(at("2024-03-21 10:19:59"));
    QCOMPARE(builtIn("Calls in the Last Day", allCallers()), 2.0);
}

void TestStatEvaluation::groupsPickTheirCalls()
{
    QCOMPARE(builtIn("Total Calls", *gGroups->item("PRIVATE NUMBER")), 1.0);
    QCOMPARE(builtIn("Total Calls", *gGroups->item("UNKNOWN NUMBER")), 1.0);
    QCOMPARE(builtIn("Most Rings", *gGroups->item("NOT RECEIVED")), 6.0);

    auto john = std::make_shared<clsContact>();
    john->Name = "John Smith";
    john->AddNumber(std::make_shared<clsNumber>("555-1234", QString()));
    auto jane = std::make_shared<clsContact>();
    jane->Name = "Jane Doe";
    jane->AddNumber(std::make_shared<clsNumber>("(555) 987-6543", QString()));
    jane->AddNumber(std::make_shared<clsNumber>("O'Hara*", QString()));
    gContacts.add(john->Name, john);
    gContacts.add(jane->Name, jane);
    UpdateContactGroups();
    // Bob's "555-1234 ext 2" holds John's number.
    QCOMPARE(builtIn("Total Calls", *gGroups->item("John Smith")), 4.0);
    QCOMPARE(builtIn("Total Calls Answered", *gGroups->item("John Smith")), 3.0);
    QCOMPARE(builtIn("Total Calls", *gGroups->item("Jane Doe")), 2.0);
    QCOMPARE(builtIn("Most Calls in a Hour", *gGroups->item("Jane Doe")), 1.0);

    // A number with a quote and a star matches itself only, not every call.
    addCall("Pat", "O'Hara*", "2024-03-20 11:00:00", 1, "YES");
    addCall("Pat", "O'Haraxx", "2024-03-20 11:01:00", 1, "YES");
    QCOMPARE(builtIn("Total Calls", *gGroups->item("Jane Doe")), 3.0);
    QCOMPARE(gErrNumber, 0);
}

void TestStatEvaluation::periodClausesJoinWithAnd()
{
    const QString lastWeek = QStringLiteral("and fldDate > #3/13/2024 12:00:00 PM#");
    const clsStatistic total = *gStatistics->item("Total Calls");
    QCOMPARE(StatisticCondition(total, allCallers(), lastWeek), QStringLiteral("fldDate > #3/13/2024 12:00:00 PM#"));
    QCOMPARE(StatisticCondition(total, allCallers(), QString()), QString());
    QCOMPARE(StatisticCondition(statistic("fldRings > 2"), group("fldName Like 'J*'"), lastWeek),
             QStringLiteral("(fldRings > 2) and (fldName Like 'J*') and fldDate > #3/13/2024 12:00:00 PM#"));

    QCOMPARE(ExecuteStat(total, allCallers(), 7, lastWeek), 6.0);
    QCOMPARE(builtIn("Total Calls Answered", allCallers(), 7, lastWeek), 2.0);
    // A condition ending in a number or a field name still reads with the clause after it.
    QCOMPARE(ExecuteStat(statistic("fldRings > 2"), allCallers(), 7, lastWeek), 3.0);
    QCOMPARE(ExecuteStat(statistic("fldRings"), allCallers(), 7, lastWeek), 5.0);
    const QString range = QStringLiteral("and fldDate > #3/1/2024# and fldDate < #3/19/2024#");
    QCOMPARE(ExecuteStat(total, allCallers(), 18, range), 3.0);
    QCOMPARE(builtIn("Average Calls Per Day", allCallers(), 18, range), 0.17);
    QCOMPARE(builtIn("Most Calls in a Month", allCallers(), 18, range), 3.0);
    // Dates written in the stored form are read too.
    QCOMPARE(ExecuteStat(total, allCallers(), 0, QStringLiteral("and fldDate > #2024-03-13 12:00:00#")), 6.0);
}

void TestStatEvaluation::conditionsKeepTheirOwnPrecedence()
{
    const clsStatistic answeredOrNot = statistic("fldAnswered Like 'YES' or fldAnswered Like 'NO'");
    QCOMPARE(ExecuteStat(answeredOrNot, allCallers(), 0, QString()), 7.0);
    QCOMPARE(ExecuteStat(answeredOrNot, *gGroups->item("PRIVATE NUMBER"), 0, QString()), 1.0);
    QCOMPARE(ExecuteStat(answeredOrNot, allCallers(), 0, QStringLiteral("and fldDate > #3/20/2024#")), 3.0);
}

void TestStatEvaluation::emptyAndSingleCallResults()
{
    const clsGroup none = group("fldName Like 'Nobody'");
    for (const auto& e : *gStatistics) {
        QString note;
        QCOMPARE(ExecuteStat(*e.item, none, 14, QString(), &note), 0.0);
        QVERIFY(note.isEmpty());
    }
    const clsGroup one = group("fldName Like 'Bob'");
    for (const char* s : {"Most Calls in a Hour", "Most Calls in a Day", "Most Calls in a Year"}) {
        QString note;
        QCOMPARE(builtIn(s, one, 0, QString(), &note), 1.0);
        QVERIFY(note.isEmpty());
    }
    QCOMPARE(builtIn("Average Rings", one), 3.0);
}

void TestStatEvaluation::failuresGiveMinusOneAndMinusTwo()
{
    const clsStatistic total = *gStatistics->item("Total Calls");
    QCOMPARE(ExecuteStat(total, group("fldNmae Like '*x*'"), 0, QString()), kStatBadSql);
    QCOMPARE(lastReportedTag(), QStringLiteral("frmStatistics_ExecuteStat"));
    QCOMPARE(ExecuteStat(statistic("fldRings >"), allCallers(), 0, QString()), kStatBadSql);
    QCOMPARE(ExecuteStat(statistic("fldName Like 'abc"), allCallers(), 0, QString()), kStatBadSql);
    QCOMPARE(builtIn("Most Calls in a Day", group("nosuchfield = 1")), kStatBadSql);
    QCOMPARE(builtIn("Calls in the Last Week", group("nosuchfield = 1")), kStatBadSql);
    QCOMPARE(ExecuteStat(total, allCallers(), 0, QStringLiteral("and fldDate > #not a date#")), kStatBadSql);

    const QString deep =
        QString(1200, QLatin1Char('(')) + QStringLiteral("fldRings = 1") + QString(1200, QLatin1Char(')'));
    QCOMPARE(ExecuteStat(statistic(deep), allCallers(), 0, QString()), kStatTooComplex);
    QStringList terms;
    for (int i = 0; i < 3000; ++i)
        terms << QStringLiteral("fldRings = %1").arg(i);
    QCOMPARE(ExecuteStat(statistic(terms.join(" or ")), allCallers(), 0, QString()), kStatTooComplex);
    // The log still answers afterwards.
    QCOMPARE(ExecuteStat(total, allCallers(), 0, QString()), 9.0);
}

void TestStatEvaluation::conditionsCannotChangeTheLog()
{
    const clsStatistic total = *gStatistics->item("Total Calls");
    QCOMPARE(ExecuteStat(total, group("1=1; Delete * From tblCID"), 0, QString()), kStatBadSql);
    QCOMPARE(ExecuteStat(statistic("1=1); Delete * From tblCID Where (1=1"), allCallers(), 0, QString()), kStatBadSql);
    QCOMPARE(ExecuteStat(total, allCallers(), 0, QStringLiteral("and 1=1; Drop Table tblCID")), kStatBadSql);
    QCOMPARE(count(), 9);
}

void TestStatEvaluation::busiestWindowEdges()
{
    auto seconds = [](const char* iso) { return at(QString::fromLatin1(iso)).toSecsSinceEpoch(); };
    QString note;
    QCOMPARE(MostCallsInPeriod(
                 {seconds("2024-01-01 10:00:00"), seconds("2024-01-01 10:20:00"), seconds("2024-01-01 10:50:00")}, 3600,
                 &note),
             3);
    note.clear();
    QCOMPARE(MostCallsInPeriod(
                 {seconds("2024-01-01 10:00:00"), seconds("2024-01-01 10:30:00"), seconds("2024-01-01 11:05:00")}, 3600,
                 &note),
             2);
    QCOMPARE(note, QStringLiteral(" (1/1/2024 10:00:00 AM to 1/1/2024 10:30:00 AM)"));
    // A span of exactly the window does not count; the same second counts twice.
    QCOMPARE(MostCallsInPeriod({seconds("2024-01-01 10:00:00"), seconds("2024-01-01 11:00:00")}, 3600), 1);
    QCOMPARE(MostCallsInPeriod({seconds("2024-01-01 10:00:00"), seconds("2024-01-01 10:59:59")}, 3600), 2);
    QCOMPARE(MostCallsInPeriod({seconds("2024-01-01 10:00:00"), seconds("2024-01-01 10:00:00")}, 3600), 2);
    QCOMPARE(MostCallsInPeriod({}, 3600), 0);

    // Through the log, two calls at the same moment.
    addCall("Twin", "555-0001", "2024-01-05 08:00:00", 1, "YES");
    addCall("Twin", "555-0001", "2024-01-05 08:00:00", 1, "YES");
    note.clear();
    QCOMPARE(builtIn("Most Calls in a Hour", group("fldName Like 'Twin'"), 0, QString(), &note), 2.0);
    QCOMPARE(note, QStringLiteral(" (1/5/2024 8:00:00 AM to 1/5/2024 8:00:00 AM)"));

    // The night the clocks go forward: 1:30 and 3:10 by the wall clock are 1 h 40 min apart, as shown.
    addCall("Night", "555-0002", "2024-03-10 01:30:00", 1, "YES");
    addCall("Night", "555-0002", "2024-03-10 03:10:00", 1, "YES");
    QCOMPARE(builtIn("Most Calls in a Hour", group("fldName Like 'Night'")), 1.0);
    QCOMPARE(builtIn("Most Calls in 2 Hours", group("fldName Like 'Night'")), 2.0);
}

void TestStatEvaluation::busiestWindowMatchesAPlainSearch()
{
    // Against the plainest search there is: for each call, look from the oldest call for the first one less
    // than the window before it; a strictly larger count replaces the best, so the earliest window stays.
    std::mt19937 random(7);
    const qint64 base = at("2024-01-01 00:00:00").toSecsSinceEpoch();
    for (int log = 0; log < 1000; ++log) {
        std::vector<qint64> times(size_t(random() % 40));
        qint64 t = base;
        for (qint64& x : times) {
            t += qint64(random() % 4 == 0 ? 0 : random() % 5000);
            x = t;
        }
        for (qint64 window : {qint64(3600), qint64(7200), qint64(86400)}) {
            qint64 best = qint64(times.size() < 2 ? times.size() : 1);
            QString expectedNote;
            if (times.size() >= 2) {
                for (size_t j = 1; j < times.size(); ++j) {
                    size_t i = 0;
                    while (times[j] - times[i] >= window)
                        ++i;
                    const qint64 calls = qint64(j - i + 1);
                    if (calls > best) {
                        best = calls;
                        expectedNote = QStringLiteral(" (%1 to %2)")
                                           .arg(DateText::format(QDateTime::fromSecsSinceEpoch(times[i], Qt::UTC)),
                                                DateText::format(QDateTime::fromSecsSinceEpoch(times[j], Qt::UTC)));
                    }
                }
            }
            QString note;
            QCOMPARE(MostCallsInPeriod(times, window, &note), best);
            QCOMPARE(note, expectedNote);
        }
    }
}

void TestStatEvaluation::roundingTiesToEven()
{
    QCOMPARE(RoundStatistic(2.0 / 3.0), 0.67);
    QCOMPARE(RoundStatistic(0.125), 0.12);
    QCOMPARE(RoundStatistic(0.375), 0.38);
    QCOMPARE(RoundStatistic(7.0), 7.0);
}

void TestStatEvaluation::periodDays()
{
    // First call 3/1/2023 9:00 AM, now 3/20/2024 noon: 385 days and 3 hours.
    QCOMPARE(PeriodDays(0), 385);
    QCOMPARE(PeriodDays(2), 1);
    QCOMPARE(PeriodDays(3), 7);
    QCOMPARE(PeriodDays(4), 30);
    QCOMPARE(PeriodDays(5), 182);
    QCOMPARE(PeriodDays(6), 365);
    QCOMPARE(PeriodDays(1), 0);
    QCOMPARE(PeriodDays(8, at("2024-03-01 00:00:00"), at("2024-03-15 00:00:00")), 14);
    QCOMPARE(PeriodDays(8, at("2024-03-01 00:00:00"), at("2024-03-15 12:00:00")), 14); // a tie goes to even
    QCOMPARE(PeriodDays(8, at("2024-03-01 00:00:00"), at("2024-03-16 12:00:00")), 16);
    QCOMPARE(PeriodDays(8), 0);

    // A client's period clause counts as the window's own use counts it: from its date to now, or from start
    // to end, not from the first matching call (which would make the averages differ on a client).
    QCOMPARE(PeriodDaysFromClause(QStringLiteral("and fldDate > #3/13/2024 12:00:00 PM#")), 7);
    QCOMPARE(PeriodDaysFromClause(QStringLiteral("AND fldDate > #3/1/2024# and fldDate < #3/15/2024#")), 14);
    // Any other clause still counts from its first matching call: 2/10 11:05 AM (6 rings) to 3/20 noon.
    QCOMPARE(PeriodDaysFromClause(QStringLiteral("and fldRings > 4")), 39);
    QCOMPARE(PeriodDaysFromClause(QString()), 385);
    QCOMPARE(PeriodDaysFromClause(QStringLiteral("and fldDate > #1/1/2030#")), 0);
    QCOMPARE(PeriodDaysFromClause(QStringLiteral("and fldDate >")), 0);
    QCOMPARE(PeriodDaysFromClause(QStringLiteral("and 1=1; Delete * From tblCID")), 0);
    QCOMPARE(count(), 9);

    // An empty log.
    QCOMPARE(DeleteCallers({1, 2, 3, 4, 5, 6, 7, 8, 9}), 9);
    QCOMPARE(PeriodDays(0), 0);
    QCOMPARE(PeriodDaysFromClause(QString()), 0);
    QCOMPARE(builtIn("Average Calls Per Day", allCallers(), PeriodDays(0)), 0.0);
}

void TestStatEvaluation::clientModeComputesNothing()
{
    gNetworkMode = Client;
    QCOMPARE(builtIn("Total Calls", allCallers()), 0.0);
    QCOMPARE(builtIn("Calls in the Last Year", allCallers()), 0.0);
    QCOMPARE(PeriodDays(0), 0);
    QCOMPARE(PeriodDays(3), 0);
    QCOMPARE(PeriodDaysFromClause(QString()), 0);
}

QTEST_GUILESS_MAIN(TestStatEvaluation)
#include "test_statevaluation.moc"
