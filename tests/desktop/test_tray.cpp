#include <QApplication>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTest>

#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "support/ui/StandaloneSession.h"
#include "support/ui/X11Desktop.h"

// On a real display with a window manager and an XEmbed tray: the program's icon stays in the tray whatever
// the main window does, and it is the way back to the window when that is hidden.
class TestTray : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void theIconStaysThroughMinimiseAndComesBackOnAClick();
    void theIconStaysWhenTheCloseBoxHidesTheWindow();

private:
    // The tray's icon window: there, embedded and shown.
    bool iconShown() const { return m_icon && X11Desktop::viewable(m_icon->winId()); }
    // The main window is down in the tray: hidden, and the window manager shows it no more and has let go of it.
    static bool inTray(const QWidget* w)
    {
        return !w->isVisible() && !X11Desktop::viewable(w->winId()) && X11Desktop::withdrawn(w->winId());
    }
    static QString state(const QWidget* w)
    {
        return QStringLiteral("visible %1, minimised %2, viewable %3, withdrawn %4")
            .arg(w->isVisible())
            .arg(w->isMinimized())
            .arg(X11Desktop::viewable(w->winId()))
            .arg(X11Desktop::withdrawn(w->winId()));
    }
    static bool restored(const QWidget* w)
    {
        return w->isVisible() && !w->isMinimized() && X11Desktop::viewable(w->winId());
    }

    StandaloneSession m_session;
    QPointer<QWidget> m_icon;
};

void TestTray::initTestCase()
{
    registerStartupWindows();
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // The tray takes its selection a moment after it starts.
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
}

void TestTray::init()
{
    QVERIFY(m_session.start());
    QWidget* w = StandaloneSession::window();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QVERIFY(StandaloneSession::shell()->added());
    QTRY_VERIFY(m_icon = X11Desktop::trayIconWindow());
    QTRY_VERIFY_WITH_TIMEOUT(iconShown(), 10000);
}

void TestTray::cleanup() { m_session.stop(); }

void TestTray::theIconStaysThroughMinimiseAndComesBackOnAClick()
{
    QWidget* w = StandaloneSession::window();
    X11Desktop::minimise(w);
    QTRY_VERIFY2_WITH_TIMEOUT(inTray(w), qPrintable(state(w)), 10000);
    QVERIFY(iconShown());

    // A double click on the icon, as the user makes it, brings the window back and leaves the icon where it is.
    QVERIFY(X11Desktop::click(m_icon->winId(), 2));
    QTRY_VERIFY2_WITH_TIMEOUT(restored(w), qPrintable(state(w)), 10000);
    QVERIFY(iconShown());

    // And so a second time: a restore never takes the icon along either.
    QVERIFY(QTest::qWaitForWindowActive(w));
    X11Desktop::minimise(w);
    QTRY_VERIFY2_WITH_TIMEOUT(inTray(w), qPrintable(state(w)), 10000);
    QVERIFY(iconShown());
    QVERIFY(X11Desktop::click(m_icon->winId(), 2));
    QTRY_VERIFY2_WITH_TIMEOUT(restored(w), qPrintable(state(w)), 10000);
    QVERIFY(iconShown());
}

void TestTray::theIconStaysWhenTheCloseBoxHidesTheWindow()
{
    QWidget* w = StandaloneSession::window();
    // Another window of the program goes to the tray with the main window and comes back with it.
    QWidget other;
    other.setObjectName(QStringLiteral("frmFind"));
    other.resize(200, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));

    X11Desktop::closeBox(w);
    QTRY_VERIFY2_WITH_TIMEOUT(inTray(w), qPrintable(state(w)), 10000);
    QVERIFY(gMainForm); // closed to the tray, not ended
    QVERIFY(!other.isVisible());
    QVERIFY(iconShown());

    QVERIFY(X11Desktop::click(m_icon->winId(), 2));
    QTRY_VERIFY2_WITH_TIMEOUT(restored(w), qPrintable(state(w)), 10000);
    QTRY_VERIFY(other.isVisible());
    QVERIFY(iconShown());
}

QTEST_MAIN(TestTray)
#include "test_tray.moc"
