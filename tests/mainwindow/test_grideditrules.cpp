#include "mainwindow/GridEditRules.h"

#include <QTest>

class TestGridEditRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rules_data();
    void rules();
};

void TestGridEditRules::rules_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("passed");
    QTest::newRow("name plain") << 0 << "JOHN SMITH" << true << "JOHN SMITH";
    QTest::newRow("name single slash") << 0 << "A/B" << true << "A/B";
    QTest::newRow("name double slash") << 0 << "A//B" << false << "";
    QTest::newRow("name semicolon") << 0 << "a;b" << false << "";
    QTest::newRow("name bar") << 0 << "a|b" << false << "";
    QTest::newRow("name quote") << 0 << "O'Neil" << false << "";
    QTest::newRow("name empty") << 0 << "" << false << "";
    QTest::newRow("name of blanks") << 0 << "   " << false << "";
    QTest::newRow("seven digits") << 1 << "5551234" << true << "555-1234";
    QTest::newRow("ten digits with brackets") << 1 << "(555) 123 4567" << true << "(555) 123-4567";
    QTest::newRow("private number any case") << 1 << "private number" << true << "PRIVATE NUMBER";
    QTest::newRow("unknown number") << 1 << "UNKNOWN NUMBER" << true << "UNKNOWN NUMBER";
    QTest::newRow("not received") << 1 << "Not Received" << true << "NOT RECEIVED";
    QTest::newRow("eleven digits") << 1 << "15551234567" << false << "";
    QTest::newRow("eight digits") << 1 << "55512345" << false << "";
    QTest::newRow("no digits") << 1 << "abc" << false << "";
    QTest::newRow("date") << 2 << "3/21/2024 2:05:07 PM" << true << "3/21/2024 2:05:07 PM";
    QTest::newRow("iso date") << 2 << "2024-03-21 14:05:07" << true << "2024-03-21 14:05:07";
    QTest::newRow("not a date") << 2 << "yesterday" << false << "";
    QTest::newRow("rings 4") << 3 << "4" << true << "4";
    QTest::newRow("rings abc") << 3 << "abc" << false << "";
    QTest::newRow("rings empty") << 3 << "" << false << "";
    QTest::newRow("rings with blanks") << 3 << " 12 " << true << "12";
    QTest::newRow("rings negative") << 3 << "-3" << false << "";
    QTest::newRow("rings fraction") << 3 << "4.5" << false << "";
    QTest::newRow("rings exponent") << 3 << "1e6" << false << "";
    QTest::newRow("rings hex") << 3 << "&H10" << false << "";
    QTest::newRow("rings past 32 bits") << 3 << "2147483648" << false << "";
    QTest::newRow("rings at 32 bits") << 3 << "2147483647" << true << "2147483647";
    QTest::newRow("answered yes") << 4 << "yes" << true << "YES";
    QTest::newRow("answered n/a") << 4 << "n/a" << true << "N/A";
    QTest::newRow("answered blocked") << 4 << "Blocked" << true << "BLOCKED";
    QTest::newRow("answered other") << 4 << "maybe" << false << "";
    QTest::newRow("hidden id column") << 5 << "12" << false << "";
    QTest::newRow("filler column") << 6 << "" << false << "";
}

void TestGridEditRules::rules()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, passed);
    const auto got = GridEditRules::accept(column, text);
    QCOMPARE(got.has_value(), valid);
    if (valid)
        QCOMPARE(*got, passed);
}

QTEST_GUILESS_MAIN(TestGridEditRules)
#include "test_grideditrules.moc"
