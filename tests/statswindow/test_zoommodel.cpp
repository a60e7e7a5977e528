#include <QTest>

#include "statswindow/ZoomModel.h"

class TestZoomModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void zoomInStepsAndLimit();
    void zoomOutBackToThePage();
    void scrollPositionIsKept();
    void theScrollBar();
    void resizingThePage();
};

namespace {
constexpr double kPage = 7880;

ZoomModel unzoomed()
{
    ZoomModel z;
    z.pageResized(0, kPage);
    return z;
}
} // namespace

void TestZoomModel::zoomInStepsAndLimit()
{
    ZoomModel z = unzoomed();
    QCOMPARE(z.label(kPage), QStringLiteral("Zoom: 100%"));
    QStringList labels;
    for (int i = 0; i < 5; ++i) {
        z.zoomIn(kPage);
        labels << z.label(kPage);
    }
    // 337.5 % goes to the even 338; the fourth step stops at the limit, the fifth changes nothing.
    QCOMPARE(labels, QStringList({"Zoom: 150%", "Zoom: 225%", "Zoom: 338%", "Zoom: 406%", "Zoom: 406%"}));
    QCOMPARE(z.width(), 32000.0);

    // At or above 32000 / 1.5 (as the controls hold it) a step goes straight to the limit.
    z.setWidth(21333.334);
    z.zoomIn(kPage);
    QCOMPARE(z.width(), 32000.0);
    z.setWidth(21333.3);
    z.zoomIn(kPage);
    QVERIFY(qAbs(z.width() - 31999.95) < 0.001);
}

void TestZoomModel::zoomOutBackToThePage()
{
    ZoomModel z = unzoomed();
    for (int i = 0; i < 4; ++i)
        z.zoomIn(kPage);
    z.zoomOut(kPage);
    QVERIFY(qAbs(z.width() - 21333.33) < 0.01);
    QCOMPARE(z.label(kPage), QStringLiteral("Zoom: 271%"));

    // Between one and one and a half pages wide: straight back to the page.
    z.setWidth(1.2 * kPage);
    z.setUpScrollBar(kPage);
    z.zoomOut(kPage);
    QCOMPARE(z.width(), kPage);
    QCOMPARE(z.label(kPage), QStringLiteral("Zoom: 100%"));
    QCOMPARE(z.maximum(), 0);
    QCOMPARE(z.value(), 0);
    QCOMPARE(z.left(), 0.0);
    // An unzoomed chart stays as it is.
    z.zoomOut(kPage);
    QCOMPARE(z.width(), kPage);
}

void TestZoomModel::scrollPositionIsKept()
{
    ZoomModel z = unzoomed();
    z.zoomIn(kPage);
    z.zoomIn(kPage);
    // Scrolled to the right end, the chart stays at the right end through a zoom either way.
    z.setValue(z.maximum());
    z.zoomIn(kPage);
    QCOMPARE(z.value(), z.maximum());
    QCOMPARE(z.left(), 10.0 * z.maximum());
    z.zoomOut(kPage);
    QCOMPARE(z.value(), z.maximum());

    // Halfway along, then back to the page: the next Zoom In goes to the same fraction as before.
    z.setValue(z.maximum() / 2);
    z.zoomOut(kPage);
    z.zoomOut(kPage);
    z.zoomOut(kPage);
    QCOMPARE(z.maximum(), 0);
    const double ratio = z.ratio();
    QVERIFY(ratio > 0.45 && ratio < 0.55);
    z.zoomIn(kPage);
    QCOMPARE(z.value(), int(std::nearbyint(z.maximum() * ratio)));
}

void TestZoomModel::theScrollBar()
{
    ZoomModel z = unzoomed();
    z.zoomIn(kPage); // 11820 wide
    QCOMPARE(z.maximum(), -394);
    QCOMPARE(z.smallChange(), 39);
    QCOMPARE(z.largeChange(), 79);
    z.setValue(-100);
    QCOMPARE(z.left(), -1000.0);
    z.setValue(10);
    QCOMPARE(z.value(), 0);
    z.setValue(-1000);
    QCOMPARE(z.value(), -394);
    // At the page width the bar has no range and steps by 1.
    const ZoomModel page = unzoomed();
    QCOMPARE(page.maximum(), 0);
    QCOMPARE(page.smallChange(), 1);
    QCOMPARE(page.largeChange(), 1);
}

void TestZoomModel::resizingThePage()
{
    ZoomModel z = unzoomed();
    z.pageResized(kPage, 9000);
    QCOMPARE(z.width(), 9000.0);
    // A widened chart keeps its width when the page grows less than it.
    z.zoomIn(9000);
    z.pageResized(9000, 10000);
    QCOMPARE(z.width(), 13500.0);
    QCOMPARE(z.maximum(), -350);
    // A page that grows past the chart takes it along.
    z.pageResized(10000, 14000);
    QCOMPARE(z.width(), 14000.0);
    QCOMPARE(z.maximum(), 0);
}

QTEST_APPLESS_MAIN(TestZoomModel)
#include "test_zoommodel.moc"
