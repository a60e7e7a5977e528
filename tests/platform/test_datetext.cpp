#include "platform/DateText.h"

#include <QLocale>
#include <QTest>

class TestDateText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formatsTheGeneralForms_data();
    void formatsTheGeneralForms();
    void parsesEveryFormItProduces();
    void parsesOtherAcceptedForms_data();
    void parsesOtherAcceptedForms();
    void rejectsNonsense();
    void isoRoundTrip();
    void storedDatesConvertLikeTheGeneralForm();
};

static QDateTime dt(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

void TestDateText::formatsTheGeneralForms_data()
{
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("afternoon") << dt(2024, 3, 21, 14, 5, 7) << "3/21/2024 2:05:07 PM";
    QTest::newRow("midnight is the date alone") << dt(2024, 6, 2) << "6/2/2024";
    QTest::newRow("one second past midnight") << dt(2024, 6, 2, 0, 0, 1) << "6/2/2024 12:00:01 AM";
    QTest::newRow("noon") << dt(2024, 12, 31, 12, 0, 0) << "12/31/2024 12:00:00 PM";
    QTest::newRow("zero date is the time alone") << dt(1899, 12, 30, 0, 0, 0) << "12:00:00 AM";
    QTest::newRow("zero date with time") << dt(1899, 12, 30, 21, 30, 0) << "9:30:00 PM";
}

void TestDateText::formatsTheGeneralForms()
{
    QFETCH(QDateTime, value);
    QFETCH(QString, text);
    QCOMPARE(DateText::format(value), text);
}

void TestDateText::parsesEveryFormItProduces()
{
    // Every second of a day on two dates, plus both special forms, must survive format -> parse.
    const QList<QDate> days = {QDate(2024, 3, 21), QDate(1999, 1, 1), QDate(1899, 12, 30)};
    for (const QDate& day : days) {
        for (int sec = 0; sec < 86400; sec += 37) {
            const QDateTime v(day, QTime(0, 0).addSecs(sec), Qt::UTC);
            const auto back = DateText::parse(DateText::format(v));
            QVERIFY2(back.has_value(), qPrintable(DateText::format(v)));
            QCOMPARE(*back, v);
            QCOMPARE(*DateText::parse(DateText::formatFull(v)), v);
        }
    }
}

void TestDateText::parsesOtherAcceptedForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("value");
    QTest::newRow("iso blank") << "2024-03-21 14:05:07" << dt(2024, 3, 21, 14, 5, 7);
    QTest::newRow("iso T") << "2024-03-21T14:05:07" << dt(2024, 3, 21, 14, 5, 7);
    QTest::newRow("iso date") << "2024-03-21" << dt(2024, 3, 21);
    QTest::newRow("lower pm, no seconds") << "3/21/2024 2:05 pm" << dt(2024, 3, 21, 14, 5, 0);
    QTest::newRow("24 hour") << "3/21/2024 14:05:07" << dt(2024, 3, 21, 14, 5, 7);
    QTest::newRow("12 AM") << "1/1/2024 12:30:00 AM" << dt(2024, 1, 1, 0, 30, 0);
    QTest::newRow("blanks") << "  6/2/2024  " << dt(2024, 6, 2);
}

void TestDateText::parsesOtherAcceptedForms()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, value);
    const auto r = DateText::parse(text);
    QVERIFY(r.has_value());
    QCOMPARE(*r, value);
}

void TestDateText::rejectsNonsense()
{
    for (const QString& t : {QString(), QStringLiteral("tomorrow"), QStringLiteral("13/1/2024"),
                             QStringLiteral("2/30/2024"), QStringLiteral("3/21/2024 25:00:00"),
                             QStringLiteral("3/21/2024 13:00 PM"), QStringLiteral("21.03.2024 14:05")})
        QVERIFY2(!DateText::parse(t).has_value(), qPrintable(t));
}

void TestDateText::isoRoundTrip()
{
    const QDateTime v = dt(2024, 3, 21, 9, 5, 7);
    QCOMPARE(DateText::toIso(v), QStringLiteral("2024-03-21 09:05:07"));
    QCOMPARE(*DateText::fromIso(DateText::toIso(v)), v);
    // Whatever the user's locale, the texts stay the same.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(DateText::format(v), QStringLiteral("3/21/2024 9:05:07 AM"));
    QCOMPARE(DateText::toIso(v), QStringLiteral("2024-03-21 09:05:07"));
    QLocale::setDefault(QLocale::system());
}

void TestDateText::storedDatesConvertLikeTheGeneralForm()
{
    // The quick conversion of a stored date gives exactly what formatting the parsed date gives.
    QDateTime t(QDate(2023, 12, 31), QTime(0, 0, 0), Qt::UTC);
    char16_t out[DateText::StoredToGeneralMax];
    for (int i = 0; i < 2000; ++i, t = t.addSecs(7 * 3607 + 13)) {
        const QString stored = DateText::toIso(t);
        const int n = DateText::storedToGeneral(stored, out);
        QVERIFY(n > 0 && n <= DateText::StoredToGeneralMax);
        QCOMPARE(QString(reinterpret_cast<const QChar*>(out), n), DateText::format(t));
    }
    for (const char* edge :
         {"2024-06-02 00:00:00", "2024-06-02 12:00:00", "2024-06-02 00:00:01", "0999-01-01 23:59:59"}) {
        const auto parsed = DateText::fromIso(QLatin1String(edge));
        QVERIFY2(parsed, edge);
        const int n = DateText::storedToGeneral(QString::fromLatin1(edge), out);
        QCOMPARE(QString(reinterpret_cast<const QChar*>(out), n), DateText::format(*parsed));
    }
    // Anything else is left to the full reader: other forms, impossible fields, the zero date.
    for (const char* other : {"2024-06-02T10:00:00", "2024-6-2 10:00:00", "2024-13-02 10:00:00", "2024-06-02 24:00:00",
                              "1899-12-30 10:00:00", "", "garbage"})
        QCOMPARE(DateText::storedToGeneral(QString::fromLatin1(other), out), -1);
}

QTEST_GUILESS_MAIN(TestDateText)
#include "test_datetext.moc"
