#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include "app/StartupWindows.h"
#include "contacts/ui/frmContacts.h"
#include "core/Globals.h"
#include "core/modCallerDB.h"
#include "core/ui/frmProcessing.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "platform/DateText.h"
#include "support/ManyCalls.h"
#include "support/ui/RealBoxes.h"
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
    void aRunningTasksStopComesBackAboveTheMainWindow();
    void theBookComesBackWithTheMainWindowAtOneClick();
    void aQuestionWaitsThroughATripToTheTray();

private:
    // Hides the main window with owned, a window it owns, by a click on the close box or minimise button of
    // clicked, and brings it back with a double click on the icon: true when both are back, owned above the main
    // window and with the keyboard, and stay so once the window manager has done all it was asked.
    bool hideAndBringBack(void (*hide)(const QWidget*), const QWidget* owned, const QWidget* clicked) const
    {
        const QWidget* w = StandaloneSession::window();
        const auto back = [&] {
            return restored(w) && restored(owned) && QApplication::activeWindow() == owned &&
                   X11Desktop::inputFocus() == owned->winId() &&
                   X11Desktop::stackPlace(owned) > X11Desktop::stackPlace(w) && X11Desktop::stackPlace(w) >= 0;
        };
        hide(clicked);
        return QTest::qWaitFor([&] { return inTray(w) && !owned->isVisible(); }, X11Desktop::kPatience) &&
               X11Desktop::click(m_icon->winId(), 2) && QTest::qWaitFor(back, X11Desktop::kPatience) &&
               X11Desktop::windowManagerCaughtUp() && back();
    }
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

// A Delete under way, the close box, a double click on the icon: the progress window comes back above the main
// window, and its Stop stops the Delete; so again after the minimise button. Before, the windows came back in no
// particular order: shown before the main window, the progress window was covered by it.
void TestTray::aRunningTasksStopComesBackAboveTheMainWindow()
{
    QWidget* w = StandaloneSession::window();
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    for (const char* name : {"ANN", "BOB", "CAROL"}) {
        clsCaller c;
        c.Name = QLatin1String(name);
        c.CallerDate = DateText::format(Clock::now());
        AddCaller(c);
    }
    StandaloneSession::window()->RefreshGrid();
    StandaloneSession::grid()->setRow(1);
    StandaloneSession::grid()->setRowSel(3);
    // Runs within the Delete's first step, which waits for it however fast the machine is.
    bool stopped = false;
    QTimer::singleShot(0, this, [&] {
        auto* progress = qobject_cast<frmProcessing*>(FindForm(QStringLiteral("frmProcessing")));
        QVERIFY(progress && QTest::qWaitForWindowExposed(progress));
        QVERIFY2(hideAndBringBack(X11Desktop::closeBox, progress, w), qPrintable(state(progress)));
        QVERIFY2(hideAndBringBack(X11Desktop::minimise, progress, w), qPrintable(state(progress)));
        auto* stop = ui::findByName<QPushButton>(progress, QStringLiteral("cmdStop"));
        QVERIFY(X11Desktop::clickAt(stop, stop->rect().center()));
        QTRY_VERIFY(stopped = progress->StopProcessing());
    });
    TRIGGER(w, "mnuEditDelete");
    QVERIFY(stopped);
    QCOMPARE(StandaloneSession::grid()->Rows() - 1, 2);
}

// The contact book minimised, which the window manager does to the main window it belongs to as well: both go to
// the tray and come back together, in their places, at one double click on the icon, time after time. Before, the
// book came back as an icon, and took the main window back to the tray with it.
void TestTray::theBookComesBackWithTheMainWindowAtOneClick()
{
    TRIGGER(StandaloneSession::window(), "mnuWindow(2)");
    frmContacts* book = frmContacts::instance(false);
    QVERIFY(book && QTest::qWaitForWindowExposed(book));
    QTRY_VERIFY(!X11Desktop::frameOnScreen(book->winId()).isEmpty());
    const QRect place = X11Desktop::frameOnScreen(book->winId());
    for (int cycle = 0; cycle < 3; ++cycle) {
        QVERIFY2(hideAndBringBack(X11Desktop::minimise, book, book), qPrintable(state(book)));
        QCOMPARE(X11Desktop::frameOnScreen(book->winId()), place);
    }
}

// The Delete's question minimised, which takes the program to the tray: it comes back with the main window at one
// double click on the icon, still waiting, and its Yes deletes. Before, it was gone, answered No.
void TestTray::aQuestionWaitsThroughATripToTheTray()
{
    const RealBoxes boxes;
    storeManyCalls(2);
    StandaloneSession::window()->RefreshGrid();
    StandaloneSession::grid()->setRow(1);
    QTimer::singleShot(0, this, [this] {
        QMessageBox* box = RealBoxes::shown(QString());
        QVERIFY(box);
        const bool back = X11Desktop::shown(box) && hideAndBringBack(X11Desktop::minimise, box, box);
        // Yes at a later turn of the event loop, as the user's click comes.
        QTimer::singleShot(0, box, [box] { box->button(QMessageBox::Yes)->click(); });
        QVERIFY(back);
    });
    TRIGGER(StandaloneSession::window(), "mnuEditDelete");
    QCOMPARE(StandaloneSession::grid()->Rows() - 1, 1);
}

QTEST_MAIN(TestTray)
#include "test_tray.moc"
