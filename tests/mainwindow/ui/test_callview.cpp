#include "mainwindow/ui/frmBaseMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <functional>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/frmProcessing.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/ProgramIcons.h"
#include "mainwindow/ui/ShellIcon.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/SingleInstance.h"
#include "platform/SqlDatabase.h"
#include "platform/Twips.h"
#include "support/FakeModem.h"
#include "support/SignalTexts.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/Screenshot.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

class TestCallView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void eachPeriodShowsItsCount_data();
    void eachPeriodShowsItsCount();
    void emptyViewDisablesTheRecordCommands();
    void smallRefillShowsNoProgress();
    void refillWithProgressAndACallArriving();
    void badTableKeepsTheLogAndTheLastView();
    void stopKeepsAPartialSortedList();
    void refreshAskedDuringARefillFillsOnce();
    void rightClickSelectsTheRowAndOpensTheMenu();
    void aCallThroughTheModemReachesTheList();
    void cellEditsAreStored();
    void screenshot();

private:
    frmBaseMain* window() const { return dynamic_cast<frmBaseMain*>(gMainForm); }
    void storeCalls(int count, int minutesApart = 1);
    static clsCaller call(const QString& name, const QString& number, const QDateTime& when);
    static QList<QWidget*> progressWindows();
    std::unique_ptr<TempHome> m_home;
};

void TestCallView::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
    QVERIFY(Main());
    QVERIFY(window());
    // No modem here unless a test brings its own.
    S::port()->PortOpenTimer.stop();
    // Start-up made both databases in the empty program folder and said so.
    QVERIFY(gCallerDB);
    QCOMPARE(gCallerDB->path(), m_home->file(QStringLiteral("dbCID.mdb")));
    Prompt::clearHistory();
    QVERIFY(QTest::qWaitForWindowExposed(window()));
}

void TestCallView::cleanup()
{
    if (gMainForm)
        ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_home.reset();
}

clsCaller TestCallView::call(const QString& name, const QString& number, const QDateTime& when)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(when);
    c.Rings = 2;
    c.Answered = QStringLiteral("NO");
    return c;
}

void TestCallView::storeCalls(int count, int minutesApart)
{
    for (int i = 0; i < count; ++i) {
        clsCaller c = call(QStringLiteral("CALLER %1").arg(i), QStringLiteral("555-%1").arg(1000 + i),
                           Clock::now().addSecs(-60LL * minutesApart * (count - i)));
        AddCaller(c);
        QVERIFY(c.ID > 0);
    }
}

QList<QWidget*> TestCallView::progressWindows()
{
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<frmProcessing*>(w) && w->isVisible())
            out << w;
    return out;
}

void TestCallView::eachPeriodShowsItsCount_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("status");
    QTest::newRow("15 minutes") << 0 << "1 Record Displayed";
    QTest::newRow("1 hour") << 2 << "1 Record Displayed";
    QTest::newRow("3 hours") << 3 << "2 Records Displayed";
    QTest::newRow("12 hours") << 4 << "3 Records Displayed";
    QTest::newRow("1 day") << 6 << "4 Records Displayed";
    QTest::newRow("3 days") << 7 << "5 Records Displayed";
    QTest::newRow("1 week") << 9 << "6 Records Displayed";
    QTest::newRow("3 weeks") << 10 << "7 Records Displayed";
    QTest::newRow("All") << 12 << "8 Records Displayed";
}

void TestCallView::eachPeriodShowsItsCount()
{
    QFETCH(int, index);
    QFETCH(QString, status);
    const QDateTime now = Clock::now();
    // Oldest first, so the IDs grow with time as they do in a real log.
    const qint64 minutes[] = {30 * 1440, 10 * 1440, 5 * 1440, 2 * 1440, 20 * 60, 5 * 60, 2 * 60, 10};
    for (qint64 m : minutes) {
        clsCaller c = call(QStringLiteral("AGO %1").arg(m), QStringLiteral("555-0000"), now.addSecs(-60 * m));
        AddCaller(c);
    }
    frmBaseMain* w = window();
    QVERIFY(ui::tryTrigger(w, QStringLiteral("mnuViewTime(%1)").arg(index)).isEmpty());
    QCOMPARE(S::panel(2)->text(), status);
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, QString()), QString::number(index));
    for (int i = 0; i <= ViewTime::Custom; ++i)
        QCOMPARE(S::action(QStringLiteral("mnuViewTime(%1)").arg(i))->isChecked(), i == index);
    // The newest call is on top, and the record commands are on.
    QCOMPARE(S::grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("AGO 10"));
    QVERIFY(ui::isReachable(w, QStringLiteral("mnuEditDelete")));
    QVERIFY(ui::isReachable(w, QStringLiteral("Toolbar1.Buttons(4)")));
    QCOMPARE(w->strSQL.startsWith(QLatin1String("Select * From tblCID")), true);
    QVERIFY(S::grid()->gridVisible());
}

void TestCallView::emptyViewDisablesTheRecordCommands()
{
    frmBaseMain* w = window();
    TRIGGER(w, "mnuViewTime(0)");
    QCOMPARE(S::grid()->Rows(), 1);
    QCOMPARE(S::panel(2)->text(), QStringLiteral("0 Records Displayed"));
    QList<QAction*> commands;
    for (const char* name : {"mnuEditCopyAll", "mnuEditCopy", "mnuEditDelete", "mnuEditClear", "mnuEditOriginal",
                             "mnuToolbarPopupCreateNew", "mnuToolbarPopupAddToCurrent", "Toolbar1.Buttons(3)",
                             "Toolbar1.Buttons(4)", "Toolbar1.Buttons(11)"})
        commands << S::action(QLatin1String(name));
    commands << S::menu(QStringLiteral("mnuEditAdd"))->menuAction()
             << S::menu(QStringLiteral("mnuGridOptionsAdd"))->menuAction();
    for (QAction* a : std::as_const(commands))
        QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
    QVERIFY(ui::isReachable(w, QStringLiteral("Toolbar1.Buttons(1)"))); // printing is not touched
    QVERIFY(ui::isReachable(w, QStringLiteral("mnuEditReset")));
    QCOMPARE(S::grid()->Col(), 5);
    QVERIFY(Prompt::history().isEmpty());
}

void TestCallView::smallRefillShowsNoProgress()
{
    storeCalls(15);
    frmBaseMain* w = window();
    w->strSQL = QStringLiteral("Select * From tblCID");
    bool shown = false;
    QTimer::singleShot(0, this, [&] { shown = !progressWindows().isEmpty(); });
    w->RefreshGrid();
    QCoreApplication::processEvents();
    QVERIFY(!shown);
    QCOMPARE(S::panel(2)->text(), QStringLiteral("15 Records Displayed"));
}

void TestCallView::refillWithProgressAndACallArriving()
{
    storeCalls(500);
    frmBaseMain* w = window();
    w->strSQL = QStringLiteral("Select * From tblCID");
    QString caption;
    bool gridHidden = false;
    // While the refill yields, a call comes in: stored, and its row put on top by the call road.
    QTimer::singleShot(0, this, [&] {
        const QList<QWidget*> p = progressWindows();
        caption = p.isEmpty() ? QString() : p.first()->windowTitle();
        gridHidden = !S::grid()->gridVisible();
        clsCaller c = call(QStringLiteral("NEW CALLER"), QStringLiteral("555-7777"), Clock::now());
        AddCaller(c);
        S::grid()->AddItem(c, true);
    });
    w->RefreshGrid();
    QCOMPARE(caption, QStringLiteral("Processing Grid Data..."));
    QVERIFY(gridHidden);
    QVERIFY(S::grid()->gridVisible());
    QCOMPARE(S::grid()->Rows(), 502);
    QCOMPARE(S::grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("NEW CALLER"));
    QCOMPARE(S::grid()->TextMatrix(2, CallListModel::ColName), QStringLiteral("CALLER 499"));
    QCOMPARE(S::grid()->TextMatrix(501, CallListModel::ColName), QStringLiteral("CALLER 0"));
    // Each ID once.
    QSet<QString> ids;
    for (int r = 1; r < S::grid()->Rows(); ++r)
        ids.insert(S::grid()->TextMatrix(r, CallListModel::ColID));
    QCOMPARE(ids.size(), 501);
    QCOMPARE(S::panel(2)->text(), QStringLiteral("501 Records Displayed"));
    QTRY_VERIFY(progressWindows().isEmpty());
}

void TestCallView::badTableKeepsTheLogAndTheLastView()
{
    storeCalls(3);
    frmBaseMain* w = window();
    w->strSQL = QStringLiteral("Select * From tblCID");
    w->RefreshGrid();
    QCOMPARE(S::grid()->Rows(), 4);
    w->strSQL = QStringLiteral("Select * From tblNoSuchTable");
    w->RefreshGrid();
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY(Prompt::texts().first().contains(QLatin1String("Bad SQL")));
    QVERIFY(gCallerDB);
    QCOMPARE(w->strSQL, QStringLiteral("Select * From tblCID"));
    QCOMPARE(S::grid()->Rows(), 4);
    QCOMPARE(S::panel(2)->text(), QStringLiteral("3 Records Displayed"));
    QVERIFY(S::grid()->gridVisible());
    // The log keeps working: a new call is read by the next refill.
    clsCaller c = call(QStringLiteral("LATER"), QStringLiteral("555-1111"), Clock::now());
    AddCaller(c);
    w->RefreshGrid();
    QCOMPARE(S::grid()->Rows(), 5);
    QCOMPARE(Prompt::history().size(), 1);
}

void TestCallView::stopKeepsAPartialSortedList()
{
    storeCalls(200);
    frmBaseMain* w = window();
    w->strSQL = QStringLiteral("Select * From tblCID");
    int polls = 0;
    // Stop pressed once about fifty records are in.
    std::function<void()> poll = [&] {
        const QList<QWidget*> p = progressWindows();
        if (!p.isEmpty() && qobject_cast<frmProcessing*>(p.first())->value() >= 50) {
            qobject_cast<frmProcessing*>(p.first())->cmdStop->click();
            return;
        }
        if (++polls < 10000)
            QTimer::singleShot(0, this, poll);
    };
    QTimer::singleShot(0, this, poll);
    w->RefreshGrid();
    const int rows = S::grid()->Rows() - 1;
    QVERIFY2(rows >= 50 && rows < 200, qPrintable(QString::number(rows)));
    QCOMPARE(S::panel(2)->text(), QString::number(rows) + QStringLiteral(" Records Displayed"));
    // Sorted: the newest of those read on top.
    for (int r = 2; r <= rows; ++r)
        QVERIFY(S::grid()->TextMatrix(r - 1, CallListModel::ColID).toInt() >
                S::grid()->TextMatrix(r, CallListModel::ColID).toInt());
    QVERIFY(S::grid()->gridVisible());
}

void TestCallView::refreshAskedDuringARefillFillsOnce()
{
    storeCalls(300);
    frmBaseMain* w = window();
    w->strSQL = QStringLiteral("Select * From tblCID");
    int nested = 0;
    QTimer::singleShot(0, this, [&] {
        ++nested;
        w->RefreshGrid(); // for instance a contact saved meanwhile
    });
    w->RefreshGrid();
    QCOMPARE(nested, 1);
    QCOMPARE(S::grid()->Rows(), 301);
    QSet<QString> ids;
    for (int r = 1; r < S::grid()->Rows(); ++r)
        ids.insert(S::grid()->TextMatrix(r, CallListModel::ColID));
    QCOMPARE(ids.size(), 300);
    QCOMPARE(S::panel(2)->text(), QStringLiteral("300 Records Displayed"));
}

void TestCallView::rightClickSelectsTheRowAndOpensTheMenu()
{
    storeCalls(5);
    frmBaseMain* w = window();
    w->strSQL = QStringLiteral("Select * From tblCID");
    w->RefreshGrid();
    CallListView* v = S::grid()->innerGrid();
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, QPoint(10, v->rowViewportPosition(0) + 3));
    QCOMPARE(S::grid()->Row(), 1);
    // On the headings: nothing.
    QWidget* header = v->horizontalHeader()->viewport();
    QTest::mouseClick(header, Qt::RightButton, {}, QPoint(10, 5));
    QTimer* menuTimer = S::timer(QStringLiteral("GridMouseUpTimer"));
    QVERIFY(!menuTimer->isActive());
    // Below the last row: nothing.
    QTest::mouseClick(v->viewport(), Qt::RightButton, {}, QPoint(10, v->viewport()->height() - 3));
    QVERIFY(!menuTimer->isActive());
    QCOMPARE(S::grid()->Row(), 1);
    // On row 3, column 1: the row is selected first, then the menu opens.
    const QPoint at(v->columnViewportPosition(1) + 5, v->rowViewportPosition(2) + 3);
    QTest::mouseClick(v->viewport(), Qt::RightButton, {}, at);
    QCOMPARE(S::grid()->Row(), 3);
    QCOMPARE(S::grid()->RowSel(), 3);
    QVERIFY(menuTimer->isActive());
    w->GridMouseUpTimer_Timer();
    QVERIFY(!menuTimer->isActive());
    QTRY_VERIFY(S::menu(QStringLiteral("mnuGridOptions"))->isVisible());
    // Its Edit opens the editor on the clicked cell (column 1) of the selected row.
    TRIGGER(w, "mnuGridOptionsEdit");
    S::menu(QStringLiteral("mnuGridOptions"))->hide();
    QVERIFY(S::grid()->isEditing());
    QCOMPARE(S::grid()->editor()->text(), S::grid()->TextMatrix(3, CallListModel::ColNumber));
}

void TestCallView::aCallThroughTheModemReachesTheList()
{
    FakeModem modem;
    SaveProperty(Section::frmConfiguration, Key::CommPort, modem.slavePath());
    SaveProperty(Section::frmConfiguration, Key::ImmediateSound, QString());
    SaveProperty(Section::frmConfiguration, Key::RingSound, QString());
    SaveProperty(Section::frmConfiguration, Key::DefaultSound, QString());
    storeCalls(2);
    frmBaseMain* w = window();
    TRIGGER(w, "mnuViewTime(12)");
    S::calls()->RingTimer.setInterval(3600 * 1000);
    S::calls()->AnswerTimer.setInterval(3600 * 1000);
    QCOMPARE(S::action(QStringLiteral("mnuOptionsRelease"))->text(), QStringLiteral("&Open Port"));
    TRIGGER(w, "mnuPopupMenuRelease");
    QTRY_VERIFY(S::port()->ModemConnected);
    QCOMPARE(S::action(QStringLiteral("mnuOptionsRelease"))->text(), QStringLiteral("&Release Port"));
    QCOMPARE(S::action(QStringLiteral("mnuPopupMenuRelease"))->text(), QStringLiteral("&Release Port"));
    QCOMPARE(w->windowIcon().cacheKey(), ProgramIcons::icon(QStringLiteral("gicon")).cacheKey());
    QCOMPARE(S::shell()->Icon().cacheKey(), w->windowIcon().cacheKey());
    QVERIFY(w->ModemConnected);

    // A call while the window is minimised: a row on top at the first ring, the tray icon blinks.
    w->setWindowState(Qt::WindowMinimized);
    modem.injectLine(QStringLiteral("RING"));
    QTRY_COMPARE(S::grid()->Rows(), 4);
    QCOMPARE(S::grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("NOT RECEIVED"));
    QVERIFY(S::timer(QStringLiteral("BlinkTimer"))->isActive());
    for (const QString& line : FakeModem::callLines(QStringLiteral("5551234567"), QStringLiteral("JOHN DOE")))
        modem.injectLine(line);
    QTRY_COMPARE(S::grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("JOHN DOE"));
    QCOMPARE(S::grid()->TextMatrix(1, CallListModel::ColNumber), QStringLiteral("(555) 123-4567"));
    QCOMPARE(S::panel(2)->text(), QStringLiteral("3 Records Displayed"));
    // Restoring stops the blinking; the tray shows the port state again.
    TRIGGER(w, "mnuPopupMenuRestore");
    QVERIFY(!S::timer(QStringLiteral("BlinkTimer"))->isActive());
    QCOMPARE(S::shell()->Icon().cacheKey(), ProgramIcons::icon(QStringLiteral("gicon")).cacheKey());

    TRIGGER(w, "mnuOptionsRelease");
    QTRY_VERIFY(!S::port()->ModemConnected);
    QCOMPARE(S::action(QStringLiteral("mnuOptionsRelease"))->text(), QStringLiteral("&Open Port"));
    QCOMPARE(w->windowIcon().cacheKey(), ProgramIcons::icon(QStringLiteral("ricon")).cacheKey());
}

void TestCallView::cellEditsAreStored()
{
    storeCalls(3);
    frmBaseMain* w = window();
    TRIGGER(w, "mnuViewTime(12)");
    const qint32 id = S::grid()->TextMatrix(2, CallListModel::ColID).toInt();
    QSignalSpy sent(gServer.get(), &clsServer::dataSent);
    auto stored = [id] { return SelectCallers(QStringLiteral("Select * From tblCID Where ID = %1").arg(id)).value(0); };
    // Typed in the cell editor: stored in its normal form, the row rewritten from the log.
    S::grid()->ShowEdit(2, 1);
    S::grid()->editor()->selectAll();
    QTest::keyClicks(S::grid()->editor(), QStringLiteral("(555) 123 4567"));
    QTest::keyClick(S::grid()->editor(), Qt::Key_Return);
    QCOMPARE(stored().Number.Number, QStringLiteral("(555) 123-4567"));
    QCOMPARE(S::grid()->TextMatrix(2, CallListModel::ColNumber), QStringLiteral("(555) 123-4567"));
    S::grid()->ShowEdit(2, 4);
    S::grid()->editor()->selectAll();
    QTest::keyClicks(S::grid()->editor(), QStringLiteral("yes"));
    QTest::keyClick(S::grid()->editor(), Qt::Key_Return);
    QCOMPARE(stored().Answered, QStringLiteral("YES"));
    QVERIFY(Prompt::history().isEmpty()); // an explicit ID asks nothing
    QVERIFY(sent.isEmpty());              // standalone: nothing sent

    // A value the log cannot hold changes nothing and says nothing.
    w->EditGrid(3, QStringLiteral("abc"), id);
    QCOMPARE(stored().Rings, 2);
    QVERIFY(Prompt::history().isEmpty());

    // The selected row's record (ID -1): asked first; No keeps it.
    S::grid()->setRow(2);
    Prompt::queueAnswer(Prompt::No);
    w->EditGrid(0, QStringLiteral("SOMEONE ELSE"), -1);
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral(
                                  "Are you sure you want to permanently edit the original caller id information?")});
    QVERIFY(stored().Name != QStringLiteral("SOMEONE ELSE"));
    Prompt::queueAnswer(Prompt::Yes);
    gNetworkMode = Server;
    w->EditGrid(0, QStringLiteral("SOMEONE ELSE"), -1);
    QCOMPARE(stored().Name, QStringLiteral("SOMEONE ELSE"));
    QCOMPARE(S::grid()->TextMatrix(2, CallListModel::ColName), QStringLiteral("SOMEONE ELSE"));
    QCOMPARE(sent.size(), 1);
    QVERIFY(texts(sent).first().startsWith(QStringLiteral(";EDIT CALLER;|%1|SOMEONE ELSE|").arg(id)));
    // An ID that is in no record changes nothing.
    w->EditGrid(0, QStringLiteral("NOBODY"), 99999);
    QCOMPARE(sent.size(), 1);
}

void TestCallView::screenshot()
{
    const char* names[] = {"JOHN SMITH", "PRIVATE", "MARY JONES", "O BRIEN PAT", "UNKNOWN NAME", "ACME CORP"};
    const char* answered[] = {"YES", "NO", "N/A", "BLOCKED"};
    for (int i = 0; i < 40; ++i) {
        clsCaller c =
            call(QString::fromLatin1(names[i % 6]), QStringLiteral("(555) 01%1-%2").arg(i % 10).arg(1000 + i * 7),
                 Clock::now().addSecs(-1800LL * (40 - i)));
        c.Rings = i % 7;
        c.Answered = QString::fromLatin1(answered[i % 4]);
        AddCaller(c);
    }
    frmBaseMain* w = window();
    w->resize(900, 560);
    TRIGGER(w, "mnuViewTime(12)");
    AddEvent(QStringLiteral("Incoming Call From:  JOHN SMITH"));
    S::grid()->setRow(3);
    QWidget* grid = S::grid();
    auto* toolbar = ui::findByName<QWidget>(w, QStringLiteral("Toolbar1"));
    auto* events = ui::findByName<QWidget>(w, QStringLiteral("lstEvents"));
    QVERIFY(grid && toolbar && events);
    QTRY_VERIFY(grid->isVisible());
    // The call list and the tool bar are drawn; the event list is not shown yet.
    QVERIFY(!events->isVisible());
    QCOMPARE(Screenshot::save(w, QStringLiteral("mainwindow.png"), {grid, toolbar}), QString());
    QTest::mouseDClick(S::panel(1), Qt::LeftButton);
    QTRY_VERIFY(events->isVisible());
    QCOMPARE(Screenshot::save(w, QStringLiteral("mainwindow-events.png"), {grid, events}), QString());
}

QTEST_MAIN(TestCallView)
#include "test_callview.moc"
