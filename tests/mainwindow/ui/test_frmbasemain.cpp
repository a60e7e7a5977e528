#include "mainwindow/ui/frmBaseMain.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/ProgramIcons.h"
#include "mainwindow/ui/ShellIcon.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/SingleInstance.h"
#include "platform/Twips.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

namespace {

QListView* events(const QWidget* w) { return ui::findByName<QListView>(w, QStringLiteral("lstEvents")); }
QListWidget* clients(const QWidget* w) { return ui::findByName<QListWidget>(w, QStringLiteral("lstClients")); }

} // namespace

class TestFrmBaseMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void startsAsTheStandaloneWindow();
    void startsMinimisedWhenAsked();
    void hintsFollowTheOption();
    void theFirstResizeKeepsTheStoredWidths();
    void closeMinimisesAndKeepsTheProgram();
    void closeWithoutCloseMinimizeExits();
    void fileExitEndsWithLogOffTime();
    void minimiseHidesOtherWindowsButThePopupFamily();
    void statusTextAgesOut();
    void statusPanelsPerMode();
    void foldOutListsFollowTheStatusBar();
    void statusBarTips();
    void blinkingWhileMinimised();
    void trayMenuAndDoubleClick();
    void optionTogglesKeepBothMenusInStep();
    void resetColumns();
    void resizeKeepsMinimumAndScalesColumns();
    void windowMenuFollowsThePopup();
    void serverListsItsClients();
    void setFocusReturnsToTheCallList();
    void everyControlCarriesItsName();
    void commandsAreReachableWithCallsListed();
    void destroyedWithTheFocusInsideAndItsTimersRunning();

private:
    frmBaseMain* window() const { return StandaloneSession::window(); }
    StandaloneSession m_session;
};

void TestFrmBaseMain::init()
{
    QVERIFY(m_session.start());
    QVERIFY(QTest::qWaitForWindowExposed(window()));
}

void TestFrmBaseMain::cleanup() { m_session.stop(); }

void TestFrmBaseMain::startsAsTheStandaloneWindow()
{
    frmBaseMain* w = window();
    QCOMPARE(w->windowTitle(), QStringLiteral("Velquon"));
    QVERIFY(S::shell()->Visible());
    QCOMPARE(S::shell()->ToolTipText(), QStringLiteral("Velquon"));
    // Five blank lines were there first; each event line takes the place of one.
    const QStringList lines = w->lstEvents.stringList();
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.last(), QStringLiteral("Logged off for 0 hours"));
    QCOMPARE(clients(w)->count(), 5);
    QVERIFY(!events(w)->isVisible());
    QVERIFY(S::action("mnuViewTime(6)")->isChecked());
    QVERIFY(S::action("mnuOptionsPopupScreen")->isChecked() && S::action("mnuPopupMenuPopupScreen")->isChecked());
    QVERIFY(!S::action("mnuOptionsAlways")->isChecked());
}

void TestFrmBaseMain::startsMinimisedWhenAsked()
{
    ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SingleInstance::instance().release();
    SaveProperty(Section::frmConfiguration, Key::Minimized, QStringLiteral("True"));
    QVERIFY(Main());
    frmBaseMain* w = window();
    S::port()->PortOpenTimer.stop();
    QVERIFY(w->windowState() & Qt::WindowMinimized);
    // No tray here: the window waits in the task bar instead of vanishing.
    QVERIFY(w->isVisible());
    TRIGGER(w, "mnuPopupMenuRestore");
    QVERIFY(!(w->windowState() & Qt::WindowMinimized));
    QVERIFY(w->isVisible());
}

void TestFrmBaseMain::theFirstResizeKeepsTheStoredWidths()
{
    ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SingleInstance::instance().release();
    SaveProperty(Section::frmMain, Key::Col0, QStringLiteral("3000"));
    SaveProperty(Section::frmMain, Key::Width, QStringLiteral("11000"));
    SaveProperty(Section::frmMain, Key::Height, QStringLiteral("6000"));
    QVERIFY(Main());
    frmBaseMain* w = window();
    S::port()->PortOpenTimer.stop();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->width(), Twips::toPixels(11000));
    QCOMPARE(S::grid()->ColWidth(0), 3000);
    // Later resizes scale the columns with the window.
    w->resize(w->width() / 2 + 100, w->height());
    QCoreApplication::processEvents();
    QVERIFY(S::grid()->ColWidth(0) < 2000);
}

void TestFrmBaseMain::hintsFollowTheOption()
{
    frmBaseMain* w = window();
    QVERIFY(gToolTip);
    QVERIFY(
        gToolTip->toolText(S::grid()->hwnd()).startsWith(QLatin1String("This is where caller records are displayed.")));
    QVERIFY(gToolTip->toolText(events(w)).startsWith(QLatin1String("This displays recent events")));
    QVERIFY(gToolTip->toolText(clients(w)).endsWith(QLatin1String("Double click this list to expand or contact it.")));
    // With hints off nothing is registered, and nothing is removed either.
    gToolTip->DelToolTip(clients(w));
    SaveProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("False"));
    w->AddHints();
    QVERIFY(!gToolTip->hasTool(clients(w)));
    QVERIFY(gToolTip->hasTool(events(w)));
}

void TestFrmBaseMain::closeMinimisesAndKeepsTheProgram()
{
    QSignalSpy quit(qApp, &QCoreApplication::aboutToQuit);
    frmBaseMain* w = window();
    QVERIFY(!w->close());
    QVERIFY(w->windowState() & Qt::WindowMinimized);
    QCOMPARE(gMainForm, static_cast<MainWindow*>(w));
    QVERIFY(S::shell()->Visible());
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::LogOffTime, QStringLiteral("none")), QStringLiteral("none"));
    QCOMPARE(quit.count(), 0);
    // Without a tray (as here) the window stays in the task bar rather than vanishing.
    QVERIFY(!ShellIcon::trayAvailable());
    QVERIFY(w->isVisible());
}

void TestFrmBaseMain::closeWithoutCloseMinimizeExits()
{
    SaveProperty(Section::frmConfiguration, Key::CloseMinimize, QStringLiteral("False"));
    Clock::advance(90);
    QPointer<QWidget> w = window();
    QVERIFY(w->close());
    QVERIFY(!gMainForm);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::LogOffTime, QString()), DateText::format(Clock::now()));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w);
}

void TestFrmBaseMain::fileExitEndsWithLogOffTime()
{
    frmBaseMain* w = window();
    w->resize(700, 450);
    QCoreApplication::processEvents();
    Clock::advance(3600);
    QPointer<ShellIcon> tray = S::shell();
    TRIGGER(w, "mnuFileExit");
    QVERIFY(!gMainForm);
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::LogOffTime, QString()), DateText::format(Clock::now()));
    QCOMPARE(GetProperty(Section::frmMain, Key::Width, QString()).toInt(), int(Twips::fromPixels(700)));
    QCOMPARE(GetProperty(Section::frmMain, Key::WindowState, QString()), QStringLiteral("0"));
    QVERIFY(!tray || !tray->Visible());
}

void TestFrmBaseMain::minimiseHidesOtherWindowsButThePopupFamily()
{
    frmBaseMain* w = window();
    QWidget contacts;
    contacts.setObjectName(QStringLiteral("frmContacts"));
    contacts.show();
    QWidget popup;
    popup.setObjectName(QStringLiteral("frmMiniDisplay"));
    popup.show();
    QWidget details;
    details.setObjectName(QStringLiteral("frmCallerInfo"));
    details.show();
    auto* owned = new QWidget(w, Qt::Window); // a window owned by the main window (statistics, search ...)
    owned->setObjectName(QStringLiteral("frmFind"));
    owned->show();
    QWidget closedBefore; // not visible: not touched, not brought back
    closedBefore.setObjectName(QStringLiteral("frmStatistics"));

    S::timer("BlinkTimer")->start();
    w->setWindowState(Qt::WindowMinimized);
    QVERIFY(!contacts.isVisible());
    QVERIFY(frmBaseMain::hiddenByMinimise(&contacts));
    QVERIFY(!owned->isVisible());
    QVERIFY(popup.isVisible());
    QVERIFY(details.isVisible());
    QVERIFY(!frmBaseMain::hiddenByMinimise(&popup));
    QVERIFY(!S::timer("BlinkTimer")->isActive()); // minimising stops a blinking icon

    TRIGGER(w, "mnuPopupMenuRestore");
    QVERIFY(!(w->windowState() & Qt::WindowMinimized));
    QVERIFY(contacts.isVisible());
    QVERIFY(owned->isVisible());
    QVERIFY(!frmBaseMain::hiddenByMinimise(&contacts));
    QVERIFY(!closedBefore.isVisible());
    QVERIFY(popup.isVisible());
    // A window that uses its Tag for its own purposes keeps it.
    QCOMPARE(contacts.property("Tag"), QVariant());
}

void TestFrmBaseMain::statusTextAgesOut()
{
    frmBaseMain* w = window();
    AddEvent(QStringLiteral("First"));
    QCOMPARE(S::panel(1)->text(), QStringLiteral("First"));
    QVERIFY(S::timer("StatusTimer")->isActive());
    for (int i = 0; i < 5; ++i)
        w->StatusTimer_Timer();
    AddEvent(QStringLiteral("Second")); // a new line restarts the ten seconds
    for (int i = 0; i < 9; ++i)
        w->StatusTimer_Timer();
    QCOMPARE(S::panel(1)->text(), QStringLiteral("Second"));
    w->StatusTimer_Timer();
    QCOMPARE(S::panel(1)->text(), QString());
    QVERIFY(!S::timer("StatusTimer")->isActive());
    QCOMPARE(w->intStatusTimer, 0);
    QCOMPARE(w->lstEvents.stringList().last(), QStringLiteral("Second"));
}

void TestFrmBaseMain::statusPanelsPerMode()
{
    frmBaseMain* w = window();
    // Standalone: status, records, clock.
    QCOMPARE(w->statusBar()->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^StatusBar1\\.Panels"))).size(),
             3);
    QVERIFY(S::panel(2)->width() >= Twips::toPixels(1850));
    QVERIFY(S::panel(3)->width() >= Twips::toPixels(1000));
    QVERIFY(S::panel(3)->text().endsWith(QLatin1String("PM")));
    gNetworkMode = Server;
    w->BuildStatusPanels();
    QCOMPARE(w->statusBar()->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^StatusBar1\\.Panels"))).size(),
             4);
    QCOMPARE(S::panel(3)->text(), QStringLiteral("0 Clients Connected"));
    QVERIFY(S::panel(3)->width() >= Twips::toPixels(1700));
    QCOMPARE(S::panel(4)->text(), QStringLiteral("2:00 PM"));
}

void TestFrmBaseMain::foldOutListsFollowTheStatusBar()
{
    frmBaseMain* w = window();
    QListView* list = events(w);
    QTest::mouseDClick(S::panel(1), Qt::LeftButton);
    QVERIFY(list->isVisible());
    const QRect bar = w->statusBar()->geometry();
    QCOMPARE(list->geometry().bottom(), bar.bottom());
    QCOMPARE(list->width(), S::panel(1)->width());
    w->resize(w->width() + 120, w->height() + 60);
    QCoreApplication::processEvents();
    w->RefreshTimer_Timer();
    QCOMPARE(list->geometry().bottom(), w->statusBar()->geometry().bottom());
    QCOMPARE(list->width(), S::panel(1)->width());
    // Double click on the list folds it away again.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton);
    QVERIFY(!list->isVisible());
    // The records panel and the clock panel of standalone mode open nothing; the client list exists only
    // for a server.
    QTest::mouseDClick(S::panel(2), Qt::LeftButton);
    QTest::mouseDClick(S::panel(3), Qt::LeftButton);
    QVERIFY(!list->isVisible());
    QVERIFY(!clients(w)->isVisible());
    gNetworkMode = Server;
    w->BuildStatusPanels();
    QTest::mouseDClick(S::panel(3), Qt::LeftButton);
    QVERIFY(clients(w)->isVisible());
    QCOMPARE(clients(w)->x(), S::panel(3)->mapTo(w, QPoint(0, 0)).x());
}

void TestFrmBaseMain::statusBarTips()
{
    frmBaseMain* w = window();
    // The pointer is a pixel inside a panel, or exactly on the edge between two (measured in twips from the
    // first panel's left edge).
    auto width = [](int p) { return S::panel(p)->width(); };
    auto tipAt = [w](int pixels) {
        QStatusBar* bar = w->statusBar();
        const QPoint at(S::panel(1)->mapTo(bar, QPoint(0, 0)).x() + pixels, bar->height() / 2);
        QMouseEvent move(QEvent::MouseMove, at, bar->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        return bar->toolTip();
    };
    QCOMPARE(tipAt(1), QStringLiteral("Events (double click to expand)"));
    QCOMPARE(tipAt(width(1) + 1), QStringLiteral("Records Displayed"));
    QCOMPARE(tipAt(width(1) + width(2) + 1), QStringLiteral("Current Time"));
    QCOMPARE(tipAt(width(1)), QString()); // exactly on a boundary
    gNetworkMode = Server;
    w->BuildStatusPanels();
    QCOMPARE(tipAt(width(1) + width(2) + 1), QStringLiteral("Clients (double click to expand)"));
    QCOMPARE(tipAt(width(1) + width(2) + width(3) + 1), QStringLiteral("Current Time"));
}

void TestFrmBaseMain::blinkingWhileMinimised()
{
    frmBaseMain* w = window();
    const qint64 green = ProgramIcons::icon(QStringLiteral("gicon")).cacheKey();
    const qint64 red = ProgramIcons::icon(QStringLiteral("ricon")).cacheKey();
    QTimer* blink = S::timer("BlinkTimer");
    w->setWindowState(Qt::WindowMinimized);
    blink->start();
    w->BlinkTimer_Timer();
    QCOMPARE(S::shell()->Icon().cacheKey(), green); // the first tick shows the green picture
    w->BlinkTimer_Timer();
    QCOMPARE(S::shell()->Icon().cacheKey(), red);
    w->BlinkTimer_Timer();
    QCOMPARE(S::shell()->Icon().cacheKey(), green);
    // A pop-up window touched by the user stops it; the icon goes back to the window's own.
    gMainForm->StopBlinking();
    QVERIFY(!blink->isActive());
    QCOMPARE(S::shell()->Icon().cacheKey(), w->windowIcon().cacheKey());
    // With BlinkingIcon off the first tick stops it.
    SaveProperty(Section::frmConfiguration, Key::BlinkingIcon, QStringLiteral("False"));
    blink->start();
    w->BlinkTimer_Timer();
    QVERIFY(!blink->isActive());
    // Not minimised: the first tick stops it too.
    SaveProperty(Section::frmConfiguration, Key::BlinkingIcon, QStringLiteral("True"));
    TRIGGER(w, "mnuPopupMenuRestore");
    blink->start();
    w->BlinkTimer_Timer();
    QVERIFY(!blink->isActive());
}

void TestFrmBaseMain::trayMenuAndDoubleClick()
{
    frmBaseMain* w = window();
    ShellIcon* tray = S::shell();
    QMenu* menu = S::menu("mnuPopupMenu");
    // A right click opens the tray menu; "Restore" is greyed while the window is not minimised.
    tray->dispatch(ShellIcon::RightDown);
    QVERIFY(!menu->isVisible());
    tray->dispatch(ShellIcon::RightUp);
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(!S::action("mnuPopupMenuRestore")->isEnabled());
    menu->hide();
    w->setWindowState(Qt::WindowMinimized);
    tray->dispatch(ShellIcon::RightUp);
    QVERIFY(S::action("mnuPopupMenuRestore")->isEnabled());
    menu->hide();
    // A single left click does nothing visible; a left double click restores.
    tray->dispatch(ShellIcon::LeftDown);
    tray->dispatch(ShellIcon::LeftUp);
    QVERIFY(w->windowState() & Qt::WindowMinimized);
    tray->dispatch(ShellIcon::LeftDoubleClick);
    QVERIFY(!(w->windowState() & Qt::WindowMinimized));
    QVERIFY(w->isVisible());
    // The tray menu's Close is the exit.
    TRIGGER(w, "mnuPopupMenuClose");
    QVERIFY(!gMainForm);
}

void TestFrmBaseMain::optionTogglesKeepBothMenusInStep()
{
    frmBaseMain* w = window();
    auto checked = [](const char* name) { return S::action(QLatin1String(name))->isChecked(); };
    TRIGGER(w, "mnuOptionsAlways");
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::OnTop, QString()), QStringLiteral("True"));
    QVERIFY(checked("mnuOptionsAlways") && checked("mnuPopupMenuAlways"));
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    TRIGGER(w, "mnuPopupMenuAlways");
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::OnTop, QString()), QStringLiteral("False"));
    QVERIFY(!checked("mnuOptionsAlways") && !checked("mnuPopupMenuAlways"));
    QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
    TRIGGER(w, "mnuPopupMenuSound");
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::Sound, QString()), QStringLiteral("False"));
    QVERIFY(!checked("mnuOptionsSound") && !checked("mnuPopupMenuSound"));
    TRIGGER(w, "mnuOptionsPopupScreen");
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::PopupScreen, QString()), QStringLiteral("False"));
    QVERIFY(!checked("mnuOptionsPopupScreen") && !checked("mnuPopupMenuPopupScreen"));
}

void TestFrmBaseMain::resetColumns()
{
    frmBaseMain* w = window();
    S::grid()->resize(Twips::toPixels(8300), S::grid()->height());
    const int width = int(Twips::fromPixels(S::grid()->width()));
    S::grid()->setColWidth(0, 100);
    S::grid()->setColWidth(5, 700);
    TRIGGER(w, "mnuEditReset");
    const int big = int(std::lround(width * 0.26)), small = int(std::lround(width * 0.11));
    QCOMPARE(S::grid()->ColWidth(0), big);
    QCOMPARE(S::grid()->ColWidth(1), big);
    QCOMPARE(S::grid()->ColWidth(2), big);
    QCOMPARE(S::grid()->ColWidth(3), small);
    QCOMPARE(S::grid()->ColWidth(4), small);
    QCOMPARE(S::grid()->ColWidth(5), 0);
    QCOMPARE(S::grid()->ColWidth(6), width);
}

void TestFrmBaseMain::resizeKeepsMinimumAndScalesColumns()
{
    frmBaseMain* w = window();
    w->resize(100, 80);
    QCOMPARE(w->width(), Twips::toPixels(6000));
    QCOMPARE(w->height(), Twips::toPixels(3000));
    w->resize(800, 500);
    QCoreApplication::processEvents();
    const double before = S::grid()->ColWidth(0);
    const double gridBefore = S::grid()->width();
    w->resize(1000, 500);
    QCoreApplication::processEvents();
    QCOMPARE(S::grid()->width(), w->centralWidget()->width());
    // The columns keep their share of the width (to within rounding of the pixel grid).
    const double expected = before / gridBefore * S::grid()->width();
    QVERIFY2(std::abs(S::grid()->ColWidth(0) - expected) <= 15, qPrintable(QString::number(S::grid()->ColWidth(0))));
    // The placement of the normal window was stored.
    QCOMPARE(GetProperty(Section::frmMain, Key::Width, QString()).toInt(), int(Twips::fromPixels(1000)));
}

QTEST_MAIN(TestFrmBaseMain)
#include "test_frmbasemain.moc"

void TestFrmBaseMain::windowMenuFollowsThePopup()
{
    frmBaseMain* w = window();
    QAction* item = S::action("mnuWindow(6)");
    QVERIFY(item);
    QVERIFY(!item->isChecked());
    // A call that brings up the pop-up checks its item ...
    QVERIFY(miniDisplay().PopupScreen());
    QVERIFY(item->isChecked());
    QPointer<frmMiniDisplay> popup = frmMiniDisplay::instance(false);
    QVERIFY(popup && popup->isVisible());
    // ... unchecking the item unloads the pop-up ...
    TRIGGER(w, "mnuWindow(6)");
    QVERIFY(!item->isChecked());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!popup || !popup->isVisible());
    // ... checking it shows the pop-up again, and closing the pop-up clears the mark.
    TRIGGER(w, "mnuWindow(6)");
    QVERIFY(item->isChecked());
    popup = frmMiniDisplay::instance(false);
    QVERIFY(popup && popup->isVisible());
    popup->close();
    QVERIFY(!item->isChecked());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The toolbar's button only ever shows the pop-up, also when it is open already.
    for (int i = 0; i < 2; ++i) {
        TRIGGER(w, "Toolbar1.Buttons(14)");
        QVERIFY(item->isChecked());
        popup = frmMiniDisplay::instance(false);
        QVERIFY(popup && popup->isVisible());
    }
}

void TestFrmBaseMain::serverListsItsClients()
{
    // Start again as a server on a port the system chooses.
    ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SingleInstance::instance().release();
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    QVERIFY(Main());
    frmBaseMain* w = window();
    S::port()->PortOpenTimer.stop();
    QVERIFY(gServer && gServer->isListening());
    QCOMPARE(S::panel(3)->text(), QStringLiteral("0 Clients Connected"));

    QTcpSocket peer;
    peer.connectToHost(QStringLiteral("127.0.0.1"), gServer->LocalPort());
    QVERIFY(peer.waitForConnected(5000));
    QTRY_COMPARE_WITH_TIMEOUT(S::panel(3)->text(), QStringLiteral("1 Clients Connected"), 10000);
    QVERIFY(clients(w)->count() >= 1);
    QCOMPARE(clients(w)->item(0)->text(), gServer->ClientRows().value(0));
    QVERIFY(clients(w)->item(0)->text().contains(QLatin1String("127.0.0.1")));

    peer.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(S::panel(3)->text(), QStringLiteral("0 Clients Connected"), 10000);
    QVERIFY(!clients(w)->item(0)->text().contains(QLatin1String("127.0.0.1")));
}

void TestFrmBaseMain::setFocusReturnsToTheCallList()
{
    frmBaseMain* w = window();
    QWidget other;
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.activateWindow();
    other.setFocus();
    QTRY_VERIFY(other.hasFocus());
    w->SetFocus();
    QTRY_VERIFY(QApplication::focusWidget() &&
                (QApplication::focusWidget() == S::grid() || S::grid()->isAncestorOf(QApplication::focusWidget())));
}

void TestFrmBaseMain::everyControlCarriesItsName()
{
    frmBaseMain* w = window();
    QStringList actions = {"mnuFileNewDB",
                           "mnuFileChangeDB",
                           "mnuFileHyphen1",
                           "mnuFilePrint",
                           "mnuFileHyphen2",
                           "mnuFileExit",
                           "mnuEditCopyAll",
                           "mnuEditCopy",
                           "mnuEditReset",
                           "mnuEditHyphen1",
                           "mnuEditDelete",
                           "mnuEditClear",
                           "mnuEditHyphen2",
                           "mnuEditOriginal",
                           "mnuEditHyphen3",
                           "mnuEditCreateNew",
                           "mnuEditAddToCurrent",
                           "mnuOptionsConfiguration",
                           "mnuOptionsHyphen1",
                           "mnuOptionsPopupScreen",
                           "mnuOptionsAlways",
                           "mnuOptionsSound",
                           "mnuOptionsHyphen2",
                           "mnuOptionsRelease",
                           "mnuHelpContents",
                           "mnuHelpHyphen1",
                           "mnuHelpAbout",
                           "mnuPopupMenuRestore",
                           "mnuPopupMenuHyphen1",
                           "mnuPopupMenuPopupScreen",
                           "mnuPopupMenuAlways",
                           "mnuPopupMenuSound",
                           "mnuPopupMenuHyphen2",
                           "mnuPopupMenuRelease",
                           "mnuPopupMenuClose",
                           "mnuGridOptionsCopyAll",
                           "mnuGridOptionsCopy",
                           "mnuGridOptionsHyphen1",
                           "mnuGridOptionsCreateNew",
                           "mnuGridOptionsAddToCurrent",
                           "mnuGridOptionsHyphen2",
                           "mnuGridOptionsSearchName",
                           "mnuGridOptionsSearchNumber",
                           "mnuGridOptionsSearchContact",
                           "mnuGridOptionsStatistics",
                           "mnuGridOptionsViewOriginal",
                           "mnuGridOptionsHyphen3",
                           "mnuGridOptionsEdit",
                           "mnuGridOptionsDelete",
                           "mnuToolbarPopupCreateNew",
                           "mnuToolbarPopupAddToCurrent"};
    for (int i = 0; i <= 14; ++i)
        actions << QStringLiteral("mnuViewTime(%1)").arg(i);
    for (int i = 0; i <= 6; ++i)
        actions << QStringLiteral("mnuWindow(%1)").arg(i);
    for (int i = 1; i <= 14; ++i)
        actions << QStringLiteral("Toolbar1.Buttons(%1)").arg(i);
    for (const QString& name : std::as_const(actions))
        QVERIFY2(ui::findByName<QAction>(w, name), qPrintable(name));
    for (const char* name :
         {"mnuFile", "mnuEdit", "mnuEditAdd", "mnuView", "mnuOptions", "mnuWindows", "mnuHelp", "mnuPopupMenu",
          "mnuGridOptions", "mnuGridOptionsAdd", "mnuGridOptionsSearch", "mnuToolbarPopup"})
        QVERIFY2(S::menu(QLatin1String(name)), name);
    for (const char* name :
         {"StatusTimer", "RefreshTimer", "BlinkTimer", "GridMouseUpTimer", "ConfigTimer", "ClockTimer"})
        QVERIFY2(S::timer(QLatin1String(name)), name);
    QVERIFY(S::grid() && S::shell() && S::port() && S::calls());
    QVERIFY(ui::findByName<QToolBar>(w, QStringLiteral("Toolbar1")));
    QVERIFY(ui::findByName<QStatusBar>(w, QStringLiteral("StatusBar1")));
    QVERIFY(events(w) && clients(w));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(S::panel(i));
}

void TestFrmBaseMain::commandsAreReachableWithCallsListed()
{
    frmBaseMain* w = window();
    for (int i = 0; i < 2; ++i) {
        clsCaller c;
        c.Name = QStringLiteral("CALLER %1").arg(i);
        c.Number.Number = QStringLiteral("555-010%1").arg(i);
        c.CallerDate = DateText::format(Clock::now().addSecs(-60 * (i + 1)));
        c.Answered = QStringLiteral("N/A");
        AddCaller(c);
    }
    TRIGGER(w, "mnuViewTime(12)");
    QCOMPARE(S::grid()->Rows(), 3);
    // With calls listed every record command is on.
    for (const char* name : {"mnuEditDelete",
                             "mnuEditClear",
                             "mnuEditCopy",
                             "Toolbar1.Buttons(3)",
                             "Toolbar1.Buttons(4)",
                             "mnuWindow(4)",
                             "mnuWindow(6)",
                             "Toolbar1.Buttons(9)",
                             "Toolbar1.Buttons(14)",
                             "mnuGridOptionsEdit",
                             "mnuGridOptionsStatistics",
                             "mnuEditCreateNew",
                             "mnuEditAddToCurrent",
                             "mnuGridOptionsCreateNew",
                             "mnuGridOptionsAddToCurrent",
                             "mnuToolbarPopupCreateNew",
                             "mnuToolbarPopupAddToCurrent",
                             "mnuWindow(2)",
                             "Toolbar1.Buttons(11)",
                             "Toolbar1.Buttons(12)",
                             "mnuOptionsConfiguration",
                             "mnuEditOriginal",
                             "mnuWindow(0)",
                             "mnuWindow(3)",
                             "mnuHelpContents",
                             "mnuHelpAbout",
                             "Toolbar1.Buttons(8)",
                             "mnuGridOptionsSearchName",
                             "mnuGridOptionsViewOriginal",
                             "mnuGridOptionsDelete"})
        QVERIFY2(ui::isReachable(w, QLatin1String(name)), name);
    // Every menu holds something built now.
    for (const char* name : {"mnuEditAdd", "mnuGridOptionsAdd", "mnuHelp", "mnuOptions"})
        QVERIFY2(S::menu(QLatin1String(name))->menuAction()->isEnabled(), name);
    QVERIFY(S::menu(QStringLiteral("mnuWindows"))->menuAction()->isEnabled());
}

void TestFrmBaseMain::destroyedWithTheFocusInsideAndItsTimersRunning()
{
    // The window goes while the call list has the focus (its column-width watch runs) and every timer of
    // the window runs: nothing that reacts to the focus leaving or a child going may reach a part of the
    // window that is already gone (the sanitizer build checks this).
    frmBaseMain* w = window();
    CallerIDGrid* grid = S::grid();
    w->activateWindow();
    grid->innerGrid()->setFocus();
    QTRY_VERIFY(grid->innerGrid()->hasFocus());
    QVERIFY(grid->widthWatchRunning());
    QTest::mouseDClick(S::panel(1), Qt::LeftButton);
    QVERIFY(events(w)->isVisible());
    for (const char* name :
         {"StatusTimer", "RefreshTimer", "BlinkTimer", "GridMouseUpTimer", "ConfigTimer", "ClockTimer"})
        S::timer(QLatin1String(name))->start();
    QPointer<frmBaseMain> guard = w;
    QPointer<CallerIDGrid> gridGuard = grid;
    delete w;
    QVERIFY(!guard && !gridGuard);
    QVERIFY(!gMainForm);
    // The focus went with the window.
    QVERIFY(!QApplication::focusWidget());
    ShutDown();
}
