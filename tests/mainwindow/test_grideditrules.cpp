#include "mainwindow/GridEditRules.h"

#include <QTest>

#include "mainwindow/CallListModel.h"

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
    QTest::newRow("name plain") << int(CallListModel::ColName) << "JOHN SMITH" << true << "JOHN SMITH";
    QTest::newRow("name single slash") << int(CallListModel::ColName) << "A/B" << true << "A/B";
    QTest::newRow("name double slash") << int(CallListModel::ColName) << "A//B" << false << "";
    QTest::newRow("name semicolon") << int(CallListModel::ColName) << "a;b" << false << "";
    QTest::newRow("name bar") << int(CallListModel::ColName) << "a|b" << false << "";
    QTest::newRow("name quote") << int(CallListModel::ColName) << "O'Neil" << false << "";
    QTest::newRow("name empty") << int(CallListModel::ColName) << "" << false << "";
    QTest::newRow("name of blanks") << int(CallListModel::ColName) << "   " << false << "";
    QTest::newRow("name as long as a modem line")
        << int(CallListModel::ColName) << QString(4096, QLatin1Char('N')) << true << QString(4096, QLatin1Char('N'));
    QTest::newRow("name longer than a modem line")
        << int(CallListModel::ColName) << QString(4097, QLatin1Char('N')) << false << "";
    QTest::newRow("seven digits") << int(CallListModel::ColNumber) << "5551234" << true << "555-1234";
    QTest::newRow("ten digits with brackets")
        << int(CallListModel::ColNumber) << "(555) 123 4567" << true << "(555) 123-4567";
    QTest::newRow("private number any case")
        << int(CallListModel::ColNumber) << "private number" << true << "PRIVATE NUMBER";
    QTest::newRow("unknown number") << int(CallListModel::ColNumber) << "UNKNOWN NUMBER" << true << "UNKNOWN NUMBER";
    QTest::newRow("not received") << int(CallListModel::ColNumber) << "Not Received" << true << "NOT RECEIVED";
    QTest::newRow("eleven digits") << int(CallListModel::ColNumber) << "15551234567" << false << "";
    QTest::newRow("eight digits") << int(CallListModel::ColNumber) << "55512345" << false << "";
    QTest::newRow("no digits") << int(CallListModel::ColNumber) << "abc" << false << "";
    QTest::newRow("date") << int(CallListModel::ColDate) << "3/21/2024 2:05:07 PM" << true << "3/21/2024 2:05:07 PM";
    QTest::newRow("iso date") << int(CallListModel::ColDate) << "2024-03-21 14:05:07" << true << "2024-03-21 14:05:07";
    QTest::newRow("not a date") << int(CallListModel::ColDate) << "yesterday" << false << "";
    QTest::newRow("rings 4") << int(CallListModel::ColRings) << "4" << true << "4";
    QTest::newRow("rings abc") << int(CallListModel::ColRings) << "abc" << false << "";
    QTest::newRow("rings empty") << int(CallListModel::ColRings) << "" << false << "";
    QTest::newRow("rings with blanks") << int(CallListModel::ColRings) << " 12 " << true << "12";
    QTest::newRow("rings negative") << int(CallListModel::ColRings) << "-3" << false << "";
    QTest::newRow("rings fraction") << int(CallListModel::ColRings) << "4.5" << false << "";
    QTest::newRow("rings exponent") << int(CallListModel::ColRings) << "1e6" << false << "";
    QTest::newRow("rings hex") << int(CallListModel::ColRings) << "&H10" << false << "";
    QTest::newRow("rings past 32 bits") << int(CallListModel::ColRings) << "2147483648" << false << "";
    QTest::newRow("rings at 32 bits") << int(CallListModel::ColRings) << "2147483647" << true << "2147483647";
    QTest::newRow("answered yes") << int(CallListModel::ColAnswered) << "yes" << true << "YES";
    QTest::newRow("answered n/a") << int(CallListModel::ColAnswered) << "n/a" << true << "N/A";
    QTest::newRow("answered blocked") << int(CallListModel::ColAnswered) << "Blocked" << true << "BLOCKED";
    QTest::newRow("answered other") << int(CallListModel::ColAnswered) << "maybe" << false << "";
    QTest::newRow("hidden id column") << int(CallListModel::ColID) << "12" << false << "";
    QTest::newRow("filler column") << int(CallListModel::ColFiller) << "" << false << "";
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
