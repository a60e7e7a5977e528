#include "mainwindow/ui/frmBaseMain.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTcpSocket>
#include <QTest>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
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
#include "support/ui/StandaloneSession.h"

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
    QVERIFY(w->Shell->Visible());
    QCOMPARE(w->Shell->ToolTipText(), QStringLiteral("Velquon"));
    // Five blank lines were there first; each event line takes the place of one.
    const QStringList lines = w->lstEvents.stringList();
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.last(), QStringLiteral("Logged off for 0 hours"));
    QCOMPARE(w->lstClients->count(), 5);
    QVERIFY(!w->lstEventsView->isVisible());
    QVERIFY(w->mnuViewTime[6]->isChecked());
    QVERIFY(w->mnuOptionsPopupScreen->isChecked() && w->mnuPopupMenuPopupScreen->isChecked());
    QVERIFY(!w->mnuOptionsAlways->isChecked());
}

void TestFrmBaseMain::startsMinimisedWhenAsked()
{
    ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SingleInstance::instance().release();
    SaveProperty(Section::frmConfiguration, Key::Minimized, QStringLiteral("True"));
    QVERIFY(Main());
    frmBaseMain* w = window();
    w->MSComm->PortOpenTimer.stop();
    QVERIFY(w->windowState() & Qt::WindowMinimized);
    // No tray here: the window waits in the task bar instead of vanishing.
    QVERIFY(w->isVisible());
    w->mnuPopupMenuRestore_Click();
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
    w->MSComm->PortOpenTimer.stop();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->width(), Twips::toPixels(11000));
    QCOMPARE(w->Grid->ColWidth(0), 3000);
    // Later resizes scale the columns with the window.
    w->resize(w->width() / 2 + 100, w->height());
    QCoreApplication::processEvents();
    QVERIFY(w->Grid->ColWidth(0) < 2000);
}

void TestFrmBaseMain::hintsFollowTheOption()
{
    frmBaseMain* w = window();
    QVERIFY(gToolTip);
    QVERIFY(
        gToolTip->toolText(w->Grid->hwnd()).startsWith(QLatin1String("This is where caller records are displayed.")));
    QVERIFY(gToolTip->toolText(w->lstEventsView).startsWith(QLatin1String("This displays recent events")));
    QVERIFY(
        gToolTip->toolText(w->lstClients).endsWith(QLatin1String("Double click this list to expand or contact it.")));
    // With hints off nothing is registered, and nothing is removed either.
    gToolTip->DelToolTip(w->lstClients);
    SaveProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("False"));
    w->AddHints();
    QVERIFY(!gToolTip->hasTool(w->lstClients));
    QVERIFY(gToolTip->hasTool(w->lstEventsView));
}

void TestFrmBaseMain::closeMinimisesAndKeepsTheProgram()
{
    QSignalSpy quit(qApp, &QCoreApplication::aboutToQuit);
    frmBaseMain* w = window();
    QVERIFY(!w->close());
    QVERIFY(w->windowState() & Qt::WindowMinimized);
    QCOMPARE(gMainForm, static_cast<MainWindow*>(w));
    QVERIFY(w->Shell->Visible());
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
    QPointer<ShellIcon> tray = w->Shell;
    w->mnuFileExit->trigger();
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

    w->BlinkTimer.start();
    w->setWindowState(Qt::WindowMinimized);
    QVERIFY(!contacts.isVisible());
    QVERIFY(frmBaseMain::hiddenByMinimise(&contacts));
    QVERIFY(!owned->isVisible());
    QVERIFY(popup.isVisible());
    QVERIFY(details.isVisible());
    QVERIFY(!frmBaseMain::hiddenByMinimise(&popup));
    QVERIFY(!w->BlinkTimer.isActive()); // minimising stops a blinking icon

    w->mnuPopupMenuRestore_Click();
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
    QCOMPARE(w->Panels[1]->text(), QStringLiteral("First"));
    QVERIFY(w->StatusTimer.isActive());
    for (int i = 0; i < 5; ++i)
        w->StatusTimer_Timer();
    AddEvent(QStringLiteral("Second")); // a new line restarts the ten seconds
    for (int i = 0; i < 9; ++i)
        w->StatusTimer_Timer();
    QCOMPARE(w->Panels[1]->text(), QStringLiteral("Second"));
    w->StatusTimer_Timer();
    QCOMPARE(w->Panels[1]->text(), QString());
    QVERIFY(!w->StatusTimer.isActive());
    QCOMPARE(w->intStatusTimer, 0);
    QCOMPARE(w->lstEvents.stringList().last(), QStringLiteral("Second"));
}

void TestFrmBaseMain::statusPanelsPerMode()
{
    frmBaseMain* w = window();
    QCOMPARE(w->Panels.size(), 4); // standalone: status, records, clock
    QVERIFY(w->Panels[2]->width() >= Twips::toPixels(1850));
    QVERIFY(w->Panels[3]->width() >= Twips::toPixels(1000));
    QVERIFY(w->Panels[3]->text().endsWith(QLatin1String("PM")));
    gNetworkMode = Server;
    w->BuildStatusPanels();
    QCOMPARE(w->Panels.size(), 5);
    QCOMPARE(w->Panels[3]->text(), QStringLiteral("0 Clients Connected"));
    QVERIFY(w->Panels[3]->width() >= Twips::toPixels(1700));
    QCOMPARE(w->Panels[4]->text(), QStringLiteral("2:00 PM"));
}

void TestFrmBaseMain::foldOutListsFollowTheStatusBar()
{
    frmBaseMain* w = window();
    w->StatusBar1_PanelDblClick(1);
    QVERIFY(w->lstEventsView->isVisible());
    const QRect bar = w->statusBar()->geometry();
    QCOMPARE(w->lstEventsView->geometry().bottom(), bar.bottom());
    QCOMPARE(w->lstEventsView->width(), w->Panels[1]->width());
    w->resize(w->width() + 120, w->height() + 60);
    QCoreApplication::processEvents();
    w->RefreshTimer_Timer();
    QCOMPARE(w->lstEventsView->geometry().bottom(), w->statusBar()->geometry().bottom());
    QCOMPARE(w->lstEventsView->width(), w->Panels[1]->width());
    // Double click on the list folds it away again.
    QTest::mouseDClick(w->lstEventsView->viewport(), Qt::LeftButton);
    QVERIFY(!w->lstEventsView->isVisible());
    // The clock panel of standalone mode opens nothing; the client list exists only for a server.
    w->StatusBar1_PanelDblClick(3);
    QVERIFY(!w->lstClients->isVisible());
    gNetworkMode = Server;
    w->BuildStatusPanels();
    w->StatusBar1_PanelDblClick(3);
    QVERIFY(w->lstClients->isVisible());
    QCOMPARE(w->lstClients->x(), w->Panels[3]->mapTo(w, QPoint(0, 0)).x());
}

void TestFrmBaseMain::statusBarTips()
{
    frmBaseMain* w = window();
    auto width = [w](int p) { return Twips::fromPixels(w->Panels[p]->width()); };
    w->StatusBar1_MouseMove(10);
    QCOMPARE(w->statusBarToolTip(), QStringLiteral("Events (double click to expand)"));
    w->StatusBar1_MouseMove(width(1) + 10);
    QCOMPARE(w->statusBarToolTip(), QStringLiteral("Records Displayed"));
    w->StatusBar1_MouseMove(width(1) + width(2) + 10);
    QCOMPARE(w->statusBarToolTip(), QStringLiteral("Current Time"));
    w->StatusBar1_MouseMove(width(1)); // exactly on a boundary
    QCOMPARE(w->statusBarToolTip(), QString());
    gNetworkMode = Server;
    w->BuildStatusPanels();
    w->StatusBar1_MouseMove(width(1) + width(2) + 10);
    QCOMPARE(w->statusBarToolTip(), QStringLiteral("Clients (double click to expand)"));
    w->StatusBar1_MouseMove(width(1) + width(2) + width(3) + 10);
    QCOMPARE(w->statusBarToolTip(), QStringLiteral("Current Time"));
}

void TestFrmBaseMain::blinkingWhileMinimised()
{
    frmBaseMain* w = window();
    const qint64 green = ProgramIcons::icon(QStringLiteral("gicon")).cacheKey();
    const qint64 red = ProgramIcons::icon(QStringLiteral("ricon")).cacheKey();
    w->setWindowState(Qt::WindowMinimized);
    w->BlinkTimer.start();
    w->BlinkTimer_Timer();
    QCOMPARE(w->Shell->Icon().cacheKey(), green); // the first tick shows the green picture
    w->BlinkTimer_Timer();
    QCOMPARE(w->Shell->Icon().cacheKey(), red);
    w->BlinkTimer_Timer();
    QCOMPARE(w->Shell->Icon().cacheKey(), green);
    // A pop-up window touched by the user stops it; the icon goes back to the window's own.
    gMainForm->StopBlinking();
    QVERIFY(!w->BlinkTimer.isActive());
    QCOMPARE(w->Shell->Icon().cacheKey(), w->windowIcon().cacheKey());
    // With BlinkingIcon off the first tick stops it.
    SaveProperty(Section::frmConfiguration, Key::BlinkingIcon, QStringLiteral("False"));
    w->BlinkTimer.start();
    w->BlinkTimer_Timer();
    QVERIFY(!w->BlinkTimer.isActive());
    // Not minimised: the first tick stops it too.
    SaveProperty(Section::frmConfiguration, Key::BlinkingIcon, QStringLiteral("True"));
    w->mnuPopupMenuRestore_Click();
    w->BlinkTimer.start();
    w->BlinkTimer_Timer();
    QVERIFY(!w->BlinkTimer.isActive());
}

void TestFrmBaseMain::trayMenuAndDoubleClick()
{
    frmBaseMain* w = window();
    // A right click opens the tray menu; "Restore" is greyed while the window is not minimised.
    w->Shell->dispatch(ShellIcon::RightDown);
    QVERIFY(!w->mnuPopupMenu->isVisible());
    w->Shell->dispatch(ShellIcon::RightUp);
    QTRY_VERIFY(w->mnuPopupMenu->isVisible());
    QVERIFY(!w->mnuPopupMenuRestore->isEnabled());
    w->mnuPopupMenu->hide();
    w->setWindowState(Qt::WindowMinimized);
    w->Shell->dispatch(ShellIcon::RightUp);
    QVERIFY(w->mnuPopupMenuRestore->isEnabled());
    w->mnuPopupMenu->hide();
    // A single left click does nothing visible; a left double click restores.
    w->Shell->dispatch(ShellIcon::LeftDown);
    w->Shell->dispatch(ShellIcon::LeftUp);
    QVERIFY(w->windowState() & Qt::WindowMinimized);
    w->Shell->dispatch(ShellIcon::LeftDoubleClick);
    QVERIFY(!(w->windowState() & Qt::WindowMinimized));
    QVERIFY(w->isVisible());
    // The tray menu's Close is the exit.
    w->mnuPopupMenuClose->trigger();
    QVERIFY(!gMainForm);
}

void TestFrmBaseMain::optionTogglesKeepBothMenusInStep()
{
    frmBaseMain* w = window();
    w->mnuOptionsAlways->trigger();
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::OnTop, QString()), QStringLiteral("True"));
    QVERIFY(w->mnuOptionsAlways->isChecked() && w->mnuPopupMenuAlways->isChecked());
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    w->mnuPopupMenuAlways->trigger();
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::OnTop, QString()), QStringLiteral("False"));
    QVERIFY(!w->mnuOptionsAlways->isChecked() && !w->mnuPopupMenuAlways->isChecked());
    QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
    w->mnuPopupMenuSound->trigger();
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::Sound, QString()), QStringLiteral("False"));
    QVERIFY(!w->mnuOptionsSound->isChecked() && !w->mnuPopupMenuSound->isChecked());
    w->mnuOptionsPopupScreen->trigger();
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::PopupScreen, QString()), QStringLiteral("False"));
    QVERIFY(!w->mnuOptionsPopupScreen->isChecked() && !w->mnuPopupMenuPopupScreen->isChecked());
}

void TestFrmBaseMain::resetColumns()
{
    frmBaseMain* w = window();
    w->Grid->resize(Twips::toPixels(8300), w->Grid->height());
    const int width = int(Twips::fromPixels(w->Grid->width()));
    w->Grid->setColWidth(0, 100);
    w->Grid->setColWidth(5, 700);
    w->mnuEditReset->trigger();
    const int big = int(std::lround(width * 0.26)), small = int(std::lround(width * 0.11));
    QCOMPARE(w->Grid->ColWidth(0), big);
    QCOMPARE(w->Grid->ColWidth(1), big);
    QCOMPARE(w->Grid->ColWidth(2), big);
    QCOMPARE(w->Grid->ColWidth(3), small);
    QCOMPARE(w->Grid->ColWidth(4), small);
    QCOMPARE(w->Grid->ColWidth(5), 0);
    QCOMPARE(w->Grid->ColWidth(6), width);
}

void TestFrmBaseMain::resizeKeepsMinimumAndScalesColumns()
{
    frmBaseMain* w = window();
    w->resize(100, 80);
    QCOMPARE(w->width(), Twips::toPixels(6000));
    QCOMPARE(w->height(), Twips::toPixels(3000));
    w->resize(800, 500);
    QCoreApplication::processEvents();
    const double before = w->Grid->ColWidth(0);
    const double gridBefore = w->Grid->width();
    w->resize(1000, 500);
    QCoreApplication::processEvents();
    QCOMPARE(w->Grid->width(), w->centralWidget()->width());
    // The columns keep their share of the width (to within rounding of the pixel grid).
    const double expected = before / gridBefore * w->Grid->width();
    QVERIFY2(std::abs(w->Grid->ColWidth(0) - expected) <= 15, qPrintable(QString::number(w->Grid->ColWidth(0))));
    // The placement of the normal window was stored.
    QCOMPARE(GetProperty(Section::frmMain, Key::Width, QString()).toInt(), int(Twips::fromPixels(1000)));
}

QTEST_MAIN(TestFrmBaseMain)
#include "test_frmbasemain.moc"

void TestFrmBaseMain::windowMenuFollowsThePopup()
{
    frmBaseMain* w = window();
    QAction* item = w->findChild<QAction*>(QStringLiteral("mnuWindow6"));
    QVERIFY(item);
    QVERIFY(!item->isChecked());
    // A call that brings up the pop-up checks its item ...
    QVERIFY(miniDisplay().PopupScreen());
    QVERIFY(item->isChecked());
    QPointer<frmMiniDisplay> popup = frmMiniDisplay::instance(false);
    QVERIFY(popup && popup->isVisible());
    // ... unchecking the item unloads the pop-up ...
    item->trigger();
    QVERIFY(!item->isChecked());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!popup || !popup->isVisible());
    // ... checking it shows the pop-up again, and closing the pop-up clears the mark.
    item->trigger();
    QVERIFY(item->isChecked());
    popup = frmMiniDisplay::instance(false);
    QVERIFY(popup && popup->isVisible());
    popup->close();
    QVERIFY(!item->isChecked());
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
    w->MSComm->PortOpenTimer.stop();
    QVERIFY(gServer && gServer->isListening());
    QCOMPARE(w->Panels[3]->text(), QStringLiteral("0 Clients Connected"));

    QTcpSocket peer;
    peer.connectToHost(QStringLiteral("127.0.0.1"), gServer->LocalPort());
    QVERIFY(peer.waitForConnected(5000));
    QTRY_COMPARE_WITH_TIMEOUT(w->Panels[3]->text(), QStringLiteral("1 Clients Connected"), 10000);
    QVERIFY(w->lstClients->count() >= 1);
    QCOMPARE(w->lstClients->item(0)->text(), gServer->ClientRows().value(0));
    QVERIFY(w->lstClients->item(0)->text().contains(QLatin1String("127.0.0.1")));

    peer.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(w->Panels[3]->text(), QStringLiteral("0 Clients Connected"), 10000);
    QVERIFY(!w->lstClients->item(0)->text().contains(QLatin1String("127.0.0.1")));
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
                (QApplication::focusWidget() == w->Grid || w->Grid->isAncestorOf(QApplication::focusWidget())));
}
