#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/Colour.h"

class TestToolTip : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        gToolTip = std::make_unique<cToolTip>();
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        button = new QPushButton(QStringLiteral("OK"), window.get());
        button->setGeometry(10, 10, 100, 30);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup()
    {
        window.reset();
        ReleaseToolTip();
    }
    void freshObjectDefaults();
    void hintShowsAfterTheDelayForTheVisibleTime();
    void rectangleHintsAndTheirMove();
    void deletingHints();
    void styleAndLook();

private:
    std::unique_ptr<QWidget> window;
    QPushButton* button = nullptr;
};

void TestToolTip::freshObjectDefaults()
{
    cToolTip& t = *gToolTip;
    QCOMPARE(t.Style(), 1);
    QCOMPARE(t.TipWidth(), 300);
    QCOMPARE(t.BkColor(), 15663103u);
    QCOMPARE(t.TxtColor(), 0u);
    QCOMPARE(t.DelayTime(), 500);
    QCOMPARE(t.VisibleTime(), 2000);
    QCOMPARE(t.DelayTimer.interval(), 500);
    QCOMPARE(t.VisibleTimer.interval(), 2000);
    QCOMPARE(t.tipWindow()->maximumWidth(), 300);
    // Pale yellow: red 255, green 255, blue 238.
    QCOMPARE(t.tipWindow()->palette().color(QPalette::Window), QColor(255, 255, 238));
    QCOMPARE(t.tipWindow()->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    QVERIFY(!t.tipWindow()->styleSheet().contains(QStringLiteral("border-radius: 8px")));
    QVERIFY(!t.hasFont());
    // What start-up then sets.
    t.setVisibleTime(30000);
    QCOMPARE(t.VisibleTimer.interval(), 30000);
}

void TestToolTip::hintShowsAfterTheDelayForTheVisibleTime()
{
    cToolTip& t = *gToolTip;
    t.SetToolTipObj(button, QStringLiteral("Accept the changes"), false);
    QCOMPARE(t.toolFlags(button), 17);
    t.SetToolTipObj(window.get(), QStringLiteral("The window"), true);
    QCOMPARE(t.toolFlags(window.get()), 19);

    // The mouse comes to rest on the button: nothing yet, the delay runs.
    QTest::mouseMove(button, QPoint(20, 10));
    t.mouseAt(button, QPoint(20, 10));
    QVERIFY(t.DelayTimer.isActive());
    QVERIFY(!t.isTipShown());
    t.DelayTimer_Timer();
    QVERIFY(t.isTipShown());
    QCOMPARE(t.shownText(), QStringLiteral("Accept the changes"));
    QVERIFY(t.VisibleTimer.isActive());
    // Moving within the same tool keeps the tip.
    t.mouseAt(button, QPoint(30, 12));
    QVERIFY(t.isTipShown());
    t.VisibleTimer_Timer();
    QVERIFY(!t.isTipShown());

    // Leaving before the delay ends shows nothing.
    t.mouseAt(button, QPoint(20, 10));
    QVERIFY(t.DelayTimer.isActive());
    t.mouseLeft(button);
    QVERIFY(!t.DelayTimer.isActive());

    // A centred tip sits centred under its widget.
    t.mouseAt(window.get(), QPoint(200, 150));
    t.DelayTimer_Timer();
    QCOMPARE(t.shownText(), QStringLiteral("The window"));
    const QPoint centre = window->mapToGlobal(QPoint(window->rect().center().x(), 0));
    QVERIFY(qAbs(t.tipWindow()->geometry().center().x() - centre.x()) <= 1 ||
            !window->screen()->availableGeometry().contains(t.tipWindow()->geometry()));
    QVERIFY(t.tipWindow()->y() > window->mapToGlobal(QPoint(0, window->height() - 1)).y() ||
            t.tipWindow()->geometry().bottom() >= window->screen()->availableGeometry().bottom() - 1);

    // Long text wraps within the tip width.
    t.SetToolTipObj(button, QString(400, QLatin1Char('x')).replace(10, 1, QLatin1Char(' ')), false);
    t.VisibleTimer_Timer();
    t.mouseAt(button, QPoint(5, 5));
    t.DelayTimer_Timer();
    QVERIFY(t.tipWindow()->width() <= 300);
}

void TestToolTip::rectangleHintsAndTheirMove()
{
    cToolTip& t = *gToolTip;
    t.SetToolTipObj(window.get(), QStringLiteral("Whole window"), false);
    t.SetToolTipItem(window.get(), 3, 150, 100, 200, 150, QStringLiteral("Panel 3"), true);
    QCOMPARE(t.toolFlags(window.get(), 3), 18);
    t.SetToolTipItem(window.get(), 4, 0, 150, 50, 200, QStringLiteral("Panel 4"), false);
    QCOMPARE(t.toolFlags(window.get(), 4), 16);
    QVERIFY(window->hasMouseTracking());

    t.mouseAt(window.get(), QPoint(160, 110));
    t.DelayTimer_Timer();
    QCOMPARE(t.shownText(), QStringLiteral("Panel 3"));
    // Moving to another tool of the same window starts over with that one.
    t.mouseAt(window.get(), QPoint(10, 160));
    QVERIFY(!t.isTipShown());
    t.DelayTimer_Timer();
    QCOMPARE(t.shownText(), QStringLiteral("Panel 4"));
    t.mouseAt(window.get(), QPoint(100, 20));
    t.DelayTimer_Timer();
    QCOMPARE(t.shownText(), QStringLiteral("Whole window"));

    // The status bar panels moved: the rectangle follows.
    t.AjustItemRect(window.get(), 3, 0, 0, 40, 40);
    QCOMPARE(t.toolRect(window.get(), 3), QRect(0, 0, 40, 40));
    t.mouseAt(window.get(), QPoint(5, 5));
    t.DelayTimer_Timer();
    QCOMPARE(t.shownText(), QStringLiteral("Panel 3"));
}

void TestToolTip::deletingHints()
{
    cToolTip& t = *gToolTip;
    t.SetToolTipObj(button, QStringLiteral("OK"), false);
    t.SetToolTipItem(button, 0, 0, 0, 10, 10, QStringLiteral("Corner"), false);
    t.DelToolTip(button, -5);
    QVERIFY(!t.hasTool(button));
    QVERIFY(t.hasTool(button, 0));
    t.DelToolTip(button, 0);
    QVERIFY(!t.hasTool(button, 0));
    t.mouseAt(button, QPoint(5, 5));
    QVERIFY(!t.DelayTimer.isActive());

    // A shown tip goes with its hint, and Qt's own tooltip event is swallowed for registered widgets.
    t.SetToolTipObj(button, QStringLiteral("OK"), false);
    t.mouseAt(button, QPoint(5, 5));
    t.DelayTimer_Timer();
    QVERIFY(t.isTipShown());
    t.DelToolTip(button, -1);
    QVERIFY(!t.isTipShown());

    // A destroyed widget leaves nothing behind.
    auto* temp = new QWidget(window.get());
    t.SetToolTipObj(temp, QStringLiteral("temp"), false);
    delete temp;
    QVERIFY(!t.hasTool(temp));
}

void TestToolTip::styleAndLook()
{
    cToolTip& t = *gToolTip;
    t.setStyle(2);
    QCOMPARE(t.Style(), 2);
    QVERIFY(t.tipWindow()->styleSheet().contains(QStringLiteral("border-radius: 8px")));
    t.setStyle(1);
    QVERIFY(t.tipWindow()->styleSheet().contains(QStringLiteral("border-radius: 0px")));
    t.setStyle(1);
    QVERIFY(t.tipWindow()->styleSheet().contains(QStringLiteral("border-radius: 0px")));

    t.setBkColor(Colour::toBgr(QColor(10, 20, 30)));
    t.setTxtColor(255); // red
    QCOMPARE(t.tipWindow()->palette().color(QPalette::Window), QColor(10, 20, 30));
    QCOMPARE(t.tipWindow()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    t.setTipWidth(120);
    QCOMPARE(t.TipWidth(), 120);
    QCOMPARE(t.tipWindow()->maximumWidth(), 120);
    t.setDelayTime(50);
    QCOMPARE(t.DelayTimer.interval(), 50);

    QFont f(QStringLiteral("Liberation Sans"), 14, QFont::Bold, true);
    t.setFont(f);
    QVERIFY(t.hasFont());
    QCOMPARE(t.Font().pointSize(), 14);
    QCOMPARE(t.tipWindow()->font().bold(), true);
    QCOMPARE(t.tipWindow()->font().italic(), true);
}

QTEST_MAIN(TestToolTip)
#include "test_tooltip.moc"
