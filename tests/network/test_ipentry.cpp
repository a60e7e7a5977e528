#include "network/IPEntry.h"

#include <QTest>

class TestIPEntry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entries_data();
    void entries();
};

void TestIPEntry::entries_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("restricted");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("entry");
    QTest::newRow("restricted") << "192.168.1.20" << true << true << "192.168.1.20 R";
    QTest::newRow("blocked") << "10.1.1.255" << false << true << "10.1.1.255 B";
    // Home networks number their machines 192.168.0.x: a 0 part is an address like any other.
    QTest::newRow("zero part") << "192.168.0.7" << false << true << "192.168.0.7 B";
    // Stored as peers are named, or it would never match one.
    QTest::newRow("leading zeros") << "192.168.001.007" << true << true << "192.168.1.7 R";
    QTest::newRow("all zeros") << "000.0.00.0" << false << true << "0.0.0.0 B";
    QTest::newRow("empty adds nothing") << "" << true << true << "";
    QTest::newRow("three parts") << "192.168.1" << true << false << "";
    QTest::newRow("five parts") << "1.2.3.4.5" << true << false << "";
    QTest::newRow("above 255") << "1.2.3.256" << true << false << "";
    QTest::newRow("not a number") << "1.2.x.4" << true << false << "";
    QTest::newRow("sign") << "1.2.-3.4" << true << false << "";
    QTest::newRow("blank part") << "1..3.4" << true << false << "";
    QTest::newRow("blanks around") << " 1.2.3.4" << true << false << "";
    QTest::newRow("host name") << "server.local" << true << false << "";
    QTest::newRow("four digits") << "1.2.3.0004" << true << false << "";
    QTest::newRow("exponent") << "1e2.2.3.4" << true << false << "";
}

void TestIPEntry::entries()
{
    QFETCH(QString, typed);
    QFETCH(bool, restricted);
    QFETCH(bool, valid);
    QFETCH(QString, entry);
    bool ok = !valid;
    QCOMPARE(IPEntry(typed, restricted, ok), entry);
    QCOMPARE(ok, valid);
}

QTEST_GUILESS_MAIN(TestIPEntry)
#include "test_ipentry.moc"
