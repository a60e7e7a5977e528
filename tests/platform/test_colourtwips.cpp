#include "platform/Colour.h"
#include "platform/Twips.h"

#include <limits>

#include <QTest>

class TestColourTwips : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Twips::setLogicalDpi(0); }
    void bgrOrder();
    void parsesStoredText_data();
    void parsesStoredText();
    void twipsAtCommonDpis();
    void withoutAScreenAssumes96Dpi();
};

void TestColourTwips::bgrOrder()
{
    QCOMPARE(Colour::fromBgr(255), QColor(255, 0, 0));
    QCOMPARE(Colour::fromBgr(65280), QColor(0, 255, 0));
    QCOMPARE(Colour::fromBgr(16711680), QColor(0, 0, 255));
    QCOMPARE(Colour::toBgr(QColor(0x12, 0x34, 0x56)), quint32(0x563412));
    // The pop-up's default colours survive the trip through QColor.
    for (quint32 v : {14102841u, 8418617u, 4731686u, 2693142u, 15326429u, 0u, 0xFFFFFFu})
        QCOMPARE(Colour::toBgr(Colour::fromBgr(v)), v);
    // The high byte is not a colour.
    QCOMPARE(Colour::fromBgr(0xFF0000FFu), QColor(255, 0, 0));
}

void TestColourTwips::parsesStoredText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("bgr");
    QTest::newRow("decimal") << "16711680" << 16711680u;
    QTest::newRow("blanks") << " 65280 " << 65280u;
    QTest::newRow("not a number") << "blue" << 0u;
    QTest::newRow("empty") << "" << 0u;
    QTest::newRow("minus one") << "-1" << 0xFFFFFFFFu;
    QTest::newRow("fraction") << "255.0" << 255u;
    QTest::newRow("infinity") << "inf" << 0u;
    QTest::newRow("not a number word") << "nan" << 0u;
    QTest::newRow("beyond 64 bits") << "1e30" << 0u;
}

void TestColourTwips::parsesStoredText()
{
    QFETCH(QString, text);
    QFETCH(quint32, bgr);
    QCOMPARE(Colour::parseBgr(text), bgr);
}

void TestColourTwips::twipsAtCommonDpis()
{
    Twips::setLogicalDpi(96);
    QCOMPARE(Twips::perPixel(), 15.0);
    QCOMPARE(Twips::toPixels(8300), 553);
    QCOMPARE(Twips::toPixels(1500), 100);
    // Numbers no screen has stay ints of the right sign instead of wrapping round.
    QVERIFY(Twips::toPixels(1e12) > 1000000);
    QVERIFY(Twips::toPixels(-1e30) < -1000000);
    QCOMPARE(Twips::toPixels(std::numeric_limits<double>::quiet_NaN()), 0);
    QCOMPARE(Twips::fromPixels(1920), 28800.0);
    Twips::setLogicalDpi(120);
    QCOMPARE(Twips::perPixel(), 12.0);
    QCOMPARE(Twips::toPixels(1500), 125);
    QCOMPARE(Twips::fromPixels(125), 1500.0);
    Twips::setLogicalDpi(144);
    QCOMPARE(Twips::perPixel(), 10.0);
    QCOMPARE(Twips::toPixels(7267.5), 727); // halves round away from zero
}

void TestColourTwips::withoutAScreenAssumes96Dpi()
{
    Twips::setLogicalDpi(0);
    QCOMPARE(Twips::perPixel(), 15.0);
}

QTEST_GUILESS_MAIN(TestColourTwips)
#include "test_colourtwips.moc"
