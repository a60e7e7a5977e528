#include "popup/PopupLayout.h"

#include <QTest>

class TestPopupLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clampsTheSize_data();
    void clampsTheSize();
    void fontsScaleWithTheSize_data();
    void fontsScaleWithTheSize();
    void placesEveryControl();
    void screenAreaFollowsTheArrowSize();
};

void TestPopupLayout::clampsTheSize_data()
{
    QTest::addColumn<QSizeF>("in");
    QTest::addColumn<QSizeF>("out");
    QTest::newRow("too small") << QSizeF(3000, 1500) << QSizeF(3500, 1900);
    QTest::newRow("too high") << QSizeF(3600, 5000) << QSizeF(3600, 4500);
    QTest::newRow("very wide stays") << QSizeF(20000, 2000) << QSizeF(20000, 2000);
    QTest::newRow("limits themselves") << QSizeF(3500, 4500) << QSizeF(3500, 4500);
}

void TestPopupLayout::clampsTheSize()
{
    QFETCH(QSizeF, in);
    QFETCH(QSizeF, out);
    QCOMPARE(PopupLayout::clampSize(in), out);
}

void TestPopupLayout::fontsScaleWithTheSize_data()
{
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<double>("arrows");
    QTest::addColumn<double>("nameNumber");
    QTest::addColumn<double>("text");
    QTest::newRow("minimum") << QSizeF(3500, 1900) << 20.0 << 10.0 << 9.0;
    QTest::newRow("twice") << QSizeF(7000, 3800) << 26.0 << 24.0 << 12.0;
    // ws = 3, hs = 1: the width alone scales the name as much as the rest.
    QTest::newRow("wide") << QSizeF(10500, 1900) << 24.0 << 14.0 << 11.0;
}

void TestPopupLayout::fontsScaleWithTheSize()
{
    QFETCH(QSizeF, size);
    QFETCH(double, arrows);
    QFETCH(double, nameNumber);
    QFETCH(double, text);
    const PopupLayout::Fonts f = PopupLayout::fonts(size);
    QCOMPARE(f.navigate, arrows);
    QCOMPARE(f.nameNumber, nameNumber);
    QCOMPARE(f.text, text);
}

static PopupLayout::Measured measured()
{
    PopupLayout::Measured m;
    for (QSizeF& n : m.navigate)
        n = QSizeF(300, 400);
    m.time = {1500, 200};
    m.position = {300, 200};
    m.answered = {400, 200};
    m.rings = {600, 200};
    m.name = {1000, 300};
    m.number = {1200, 300};
    m.noPic = {900, 200};
    m.blockHeight = 250;
    m.picWindow = {225, 225};
    m.window1 = {225, 225};
    m.onTop = {900, 250};
    return m;
}

void TestPopupLayout::placesEveryControl()
{
    const QSizeF size(3500, 1900);
    const PopupLayout::Placement p = PopupLayout::place(size, size, measured());
    QCOMPARE(p.screen, QRectF(100, 100, 3000, 1300));
    QCOMPARE(p.time, QRectF(50, 0, 1500, 200));
    QCOMPARE(p.position, QRectF(2650, 0, 300, 200));
    QCOMPARE(p.answered, QRectF(2550, 1050, 400, 200));
    QCOMPARE(p.rings, QRectF(50, 1050, 600, 200));
    // The name ends 25 twips above the middle; the number starts a quarter of its height above 25 below it.
    QCOMPARE(p.name, QRectF(0, 325, 3000, 300));
    QCOMPARE(p.name.bottom(), 1300 / 2 - 25.0);
    QCOMPARE(p.number, QRectF(0, 600, 3000, 300));
    QCOMPARE(p.number.top(), 1300 / 2 + 25 - 300 / 4.0);
    QCOMPARE(p.callerInfo, QRectF(50, 0, 2910, 1280));
    QCOMPARE(p.otherInfo, p.callerInfo);
    QCOMPARE(p.image, QRectF(0, 0, 3000, 1300));
    QCOMPARE(p.noPic, QRectF(1050, 550, 900, 200));
    QCOMPARE(p.navigate[0], QRectF(1100, 1450, 300, 400));
    QCOMPARE(p.navigate[1], QRectF(1800, 1450, 300, 400));
    QCOMPARE(p.navigate[2].topLeft(), QPointF(3150, 100 + 1300 / 9.0));
    QCOMPARE(p.navigate[3].topLeft(), QPointF(3150, 100 + 1300 * 8 / 9.0 - 400));
    QCOMPARE(p.block, QRectF(3500 - 3500 / 3.0 - 100, 1525, 3500 / 3.0, 250));
    QCOMPARE(p.picWindow, QRectF(2475, 0, 225, 225));
    QCOMPARE(p.window1, QRectF(2725, 0, 225, 225));
    QCOMPARE(p.onTop, QRectF(100, 1525, 900, 250));
}

void TestPopupLayout::screenAreaFollowsTheArrowSize()
{
    // The client area, not the outer size, places the controls; bigger arrows leave a smaller screen.
    PopupLayout::Measured m = measured();
    m.navigate[2] = QSizeF(500, 700);
    const PopupLayout::Placement p = PopupLayout::place(QSizeF(7000, 3800), QSizeF(6900, 3500), m);
    QCOMPARE(p.screen, QRectF(100, 100, 6900 - 100 - 500 - 100, 3500 - 100 - 700 - 100));
    QCOMPARE(p.navigate[2].left(), 6900 - 500 - 50.0);
    QCOMPARE(p.navigate[0].top(), 3500 - 400 - 50.0);
}

QTEST_GUILESS_MAIN(TestPopupLayout)
#include "test_popuplayout.moc"
