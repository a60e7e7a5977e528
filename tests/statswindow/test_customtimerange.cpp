#include <QTest>

#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "statswindow/CustomTimeRange.h"
#include "support/TempHome.h"

// The custom period's texts, lists, histories and range over a real call log.

namespace {

QDateTime at(const char* text) { return *DateText::parse(QString::fromLatin1(text)); }

void addCall(const char* when, const QString& name = QStringLiteral("JOHN SMITH"))
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = QStringLiteral("(555) 123-4567");
    c.CallerDate = DateText::format(at(when));
    c.Rings = 1;
    c.Answered = QStringLiteral("N/A");
    AddCaller(c);
}

QStringList datesOf(const QString& query)
{
    QStringList out;
    for (const clsCaller& c : SelectCallers(query + QStringLiteral(" Order By fldDate")))
        out << c.CallerDate;
    return out;
}

QString history(const char* key) { return GetProperty(Section::frmFind, key, QString()); }

} // namespace

class TestCustomTimeRange : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void whatCountsAsAStartOrAnEnd_data();
    void whatCountsAsAStartOrAnEnd();
    void refusalMessages();
    void listsOfferTheFixedWordsThenTheHistory();
    void typedDatesEnterTheHistoriesOnce();
    void recordBoundsIncludeTheFirstAndLastCall();
    void typedBoundsAreExclusive();
    void anEmptyLogHasNoRange();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestCustomTimeRange::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(at("12/31/2005 11:00:00 PM"));
    QVERIFY(CreateCallerDB(m_home->file(QStringLiteral("dbCID.mdb"))));
}

void TestCustomTimeRange::cleanup() { m_home.reset(); }

void TestCustomTimeRange::whatCountsAsAStartOrAnEnd_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("client");
    QTest::addColumn<bool>("start");
    QTest::addColumn<bool>("end");
    QTest::newRow("date and time") << "6/1/2005 10:00:00 AM" << false << true << true;
    QTest::newRow("date alone") << "6/2/2005" << false << true << true;
    QTest::newRow("ISO") << "2005-06-02 08:30:00" << false << true << true;
    QTest::newRow("time alone") << "10:00:00 AM" << false << false << false;
    QTest::newRow("a day of 1899") << "12/30/1899 10:00:00 AM" << false << false << false;
    QTest::newRow("not a date") << "yesterday" << false << false << false;
    QTest::newRow("empty") << "" << false << false << false;
    QTest::newRow("beginning, any case") << "beginning OF records" << false << true << false;
    QTest::newRow("beginning, client") << "Beginning of Records" << true << false << false;
    QTest::newRow("present, lower case") << "present" << false << false << true;
    QTest::newRow("present, client") << "PRESENT" << true << false << true;
    QTest::newRow("end of records, lower case") << "end of records" << false << false << true;
    QTest::newRow("end of records, client") << "End of Records" << true << false << false;
    QTest::newRow("a semicolon") << "6/1/2005;6/2/2005" << false << false << false;
}

void TestCustomTimeRange::whatCountsAsAStartOrAnEnd()
{
    QFETCH(QString, text);
    QFETCH(bool, client);
    QFETCH(bool, start);
    QFETCH(bool, end);
    QCOMPARE(CustomTime::ValidateStartDate(text, client), start);
    QCOMPARE(CustomTime::ValidateEndDate(text, client), end);
}

void TestCustomTimeRange::refusalMessages()
{
    QCOMPARE(CustomTime::RefusalMessage(false, false),
             QStringLiteral("Starting date and ending date must both be dates."));
    QCOMPARE(CustomTime::RefusalMessage(false, true), QStringLiteral("Starting date must be a date."));
    QCOMPARE(CustomTime::RefusalMessage(true, false), QStringLiteral("Ending date must be a date."));
    QCOMPARE(CustomTime::RefusalMessage(true, true), QString());
}

void TestCustomTimeRange::listsOfferTheFixedWordsThenTheHistory()
{
    SaveProperty(Section::frmFind, Key::CustomStartDate, QStringLiteral(";6/1/2005;5/1/2005;"));
    SaveProperty(Section::frmFind, Key::CustomEndDate, QStringLiteral(";7/1/2005"));
    QCOMPARE(CustomTime::StartListEntries(false), QStringList({"Beginning of Records", "6/1/2005", "5/1/2005"}));
    QCOMPARE(CustomTime::EndListEntries(false), QStringList({"Present", "End of Records", "7/1/2005"}));
    // A client has no call log: no record-bound words.
    QCOMPARE(CustomTime::StartListEntries(true), QStringList({"6/1/2005", "5/1/2005"}));
    QCOMPARE(CustomTime::EndListEntries(true), QStringList({"Present", "7/1/2005"}));
}

void TestCustomTimeRange::typedDatesEnterTheHistoriesOnce()
{
    addCall("6/1/2005 1:15:00 AM");
    QVERIFY(CustomTime::Resolve(QStringLiteral("6/1/2005 10:00:00 am"), QStringLiteral("Present")));
    // The first entry of an empty list keeps its final ";"; the fixed words never enter.
    QCOMPARE(history(Key::CustomStartDate), QStringLiteral(";6/1/2005 10:00:00 am;"));
    QCOMPARE(history(Key::CustomEndDate), QString());
    QVERIFY(CustomTime::Resolve(QStringLiteral("Beginning of Records"), QStringLiteral("6/2/2005")));
    QCOMPARE(history(Key::CustomStartDate), QStringLiteral(";6/1/2005 10:00:00 am;"));
    QCOMPARE(history(Key::CustomEndDate), QStringLiteral(";6/2/2005;"));
    // The same date in another case is one entry, the newer text first.
    QVERIFY(CustomTime::Resolve(QStringLiteral("6/1/2005 10:00:00 AM"), QStringLiteral("end of records")));
    QCOMPARE(history(Key::CustomStartDate), QStringLiteral(";6/1/2005 10:00:00 AM"));
    QCOMPARE(CustomTime::StartListEntries(false), QStringList({"Beginning of Records", "6/1/2005 10:00:00 AM"}));
    // Eleven more dates keep ten, newest first.
    for (int d = 1; d <= 11; ++d)
        CustomTime::Resolve(QStringLiteral("7/%1/2005").arg(d), QStringLiteral("Present"));
    const QStringList starts = CustomTime::StartListEntries(true);
    QCOMPARE(starts.size(), 10);
    QCOMPARE(starts.first(), QStringLiteral("7/11/2005"));
    QCOMPARE(starts.last(), QStringLiteral("7/2/2005"));
}

void TestCustomTimeRange::recordBoundsIncludeTheFirstAndLastCall()
{
    for (const char* when : {"6/1/2005 1:15:00 AM", "6/1/2005 11:15:00 AM", "6/2/2005", "12/31/2005 10:00:00 AM"})
        addCall(when);
    const auto range = CustomTime::Resolve(QStringLiteral("BEGINNING OF RECORDS"), QStringLiteral("End Of Records"));
    QVERIFY(range);
    QCOMPARE(range->start, at("6/1/2005 1:15:00 AM"));
    QCOMPARE(range->end, at("12/31/2005 10:00:00 AM"));
    QCOMPARE(CustomTime::ViewQuery(*range), QStringLiteral("Select * From tblCID Where fldDate >= #6/1/2005 1:15:00 "
                                                           "AM# and fldDate <= #12/31/2005 10:00:00 AM#"));
    QCOMPARE(datesOf(CustomTime::ViewQuery(*range)),
             QStringList({"6/1/2005 1:15:00 AM", "6/1/2005 11:15:00 AM", "6/2/2005", "12/31/2005 10:00:00 AM"}));
    // "Present" is now, an exclusive bound like a typed one.
    const auto present = CustomTime::Resolve(QStringLiteral("Beginning of Records"), QStringLiteral("present"));
    QVERIFY(present);
    QCOMPARE(present->end, Clock::now());
    QVERIFY(!present->endInclusive);
    QCOMPARE(datesOf(CustomTime::ViewQuery(*present)).size(), 4);
}

void TestCustomTimeRange::typedBoundsAreExclusive()
{
    for (const char* when : {"6/1/2005 1:15:00 AM", "6/1/2005 10:00:00 AM", "6/1/2005 11:15:00 AM",
                             "6/1/2005 9:30:00 PM", "6/2/2005", "6/2/2005 12:30:00 AM", "12/31/2005 10:00:00 AM"})
        addCall(when);
    // The query's literals are what the parser read, in the program's date text, whatever was typed.
    const auto range = CustomTime::Resolve(QStringLiteral(" 6/1/2005 10:00 am "), QStringLiteral("2005-06-02"));
    QVERIFY(range);
    QVERIFY(!range->startInclusive && !range->endInclusive);
    QCOMPARE(CustomTime::ViewQuery(*range),
             QStringLiteral("Select * From tblCID Where fldDate > #6/1/2005 10:00:00 AM# and fldDate < #6/2/2005#"));
    // A call at exactly either bound is not in the range, exact midnight included.
    QCOMPARE(datesOf(CustomTime::ViewQuery(*range)), QStringList({"6/1/2005 11:15:00 AM", "6/1/2005 9:30:00 PM"}));
    // A start after the end is accepted and holds nothing.
    const auto backwards = CustomTime::Resolve(QStringLiteral("6/3/2005"), QStringLiteral("6/1/2005"));
    QVERIFY(backwards);
    QVERIFY(datesOf(CustomTime::ViewQuery(*backwards)).isEmpty());
}

void TestCustomTimeRange::anEmptyLogHasNoRange()
{
    QVERIFY(!CustomTime::Resolve(QStringLiteral("Beginning of Records"), QStringLiteral("Present")));
    QVERIFY(!CustomTime::Resolve(QStringLiteral("6/1/2005"), QStringLiteral("End of Records")));
    QVERIFY(CustomTime::Resolve(QStringLiteral("6/1/2005"), QStringLiteral("Present")));
}

QTEST_GUILESS_MAIN(TestCustomTimeRange)
#include "test_customtimerange.moc"
