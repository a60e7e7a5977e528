#include <QTest>

#include "core/PhoneNumber.h"

// The one rule for numbers users type, shared by the call list's editor and the contact dialogs.
class TestPhoneNumber : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void normalise_data();
    void normalise();
    void message();
};

void TestPhoneNumber::normalise_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // empty: refused
    QTest::newRow("dots") << "555.123.4567"
                          << "(555) 123-4567";
    QTest::newRow("brackets without blank") << "(555)123-4567"
                                            << "(555) 123-4567";
    QTest::newRow("trailing letter") << "5551234567x"
                                     << "(555) 123-4567";
    QTest::newRow("blanks") << "555 123 4567"
                            << "(555) 123-4567";
    QTest::newRow("seven with blank") << "555 1234"
                                      << "555-1234";
    QTest::newRow("seven formatted") << "555-1234"
                                     << "555-1234";
    QTest::newRow("eleven digits") << "1-555-123-4567"
                                   << "";
    QTest::newRow("eleven with brackets") << "1 (555) 123-4567"
                                          << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("eight") << "5551-2345"
                           << "";
    QTest::newRow("private any case") << "pRiVaTe NuMbEr"
                                      << "PRIVATE NUMBER";
    QTest::newRow("unknown") << "unknown number"
                             << "UNKNOWN NUMBER";
    QTest::newRow("not received") << "Not Received"
                                  << "NOT RECEIVED";
    // Nothing is trimmed: the words after a blank are no number word, and hold no digits.
    QTest::newRow("private after blank") << " private number"
                                         << "";
    QTest::newRow("words with digits") << "private 5551234"
                                       << "555-1234";
    // Only the ASCII digits count.
    QTest::newRow("arabic-indic digits") << QString::fromUtf8("٥٥٥١٢٣٤") << "";
}

void TestPhoneNumber::normalise()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    const auto got = FormatPhoneNumber(typed);
    if (stored.isEmpty())
        QVERIFY2(!got, qPrintable(got.value_or(QString())));
    else
        QCOMPARE(got.value_or(QStringLiteral("(refused)")), stored);
}

void TestPhoneNumber::message()
{
    QCOMPARE(numberLengthMessage(), QStringLiteral("The number must be 7 or 10 digits long."));
}

QTEST_GUILESS_MAIN(TestPhoneNumber)
#include "test_phonenumber.moc"
