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
    window()->MSComm->PortOpenTimer.stop();
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
    w->mnuViewTime[index]->trigger();
    QCOMPARE(w->Panels[2]->text(), status);
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, QString()), QString::number(index));
    for (int i = 0; i < w->mnuViewTime.size(); ++i)
        QCOMPARE(w->mnuViewTime[i]->isChecked(), i == index);
    // The newest call is on top, and the record commands are on.
    QCOMPARE(w->Grid->TextMatrix(1, 0), QStringLiteral("AGO 10"));
    QVERIFY(w->mnuEditDelete->isEnabled());
    QVERIFY(w->ToolbarButtons[11]->isEnabled());
    QCOMPARE(w->strSQL.startsWith(QLatin1String("Select * From tblCID")), true);
    QVERIFY(w->Grid->gridVisible());
}

void TestCallView::emptyViewDisablesTheRecordCommands()
{
    frmBaseMain* w = window();
    w->mnuViewTime[0]->trigger();
    QCOMPARE(w->Grid->Rows(), 1);
    QCOMPARE(w->Panels[2]->text(), QStringLiteral("0 Records Displayed"));
    for (QAction* a :
         {w->mnuEditCopyAll, w->mnuEditCopy, w->mnuEditDelete, w->mnuEditClear, w->mnuEditOriginal,
          w->mnuEditAdd->menuAction(), w->mnuGridOptionsAdd->menuAction(), w->mnuToolbarPopupCreateNew,
          w->mnuToolbarPopupAddToCurrent, w->ToolbarButtons[3], w->ToolbarButtons[4], w->ToolbarButtons[11]})
        QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
    QVERIFY(w->ToolbarButtons[1]->isEnabled()); // printing is not touched
    QVERIFY(w->mnuEditReset->isEnabled());
    QCOMPARE(w->Grid->Col(), 5);
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
    QCOMPARE(w->Panels[2]->text(), QStringLiteral("15 Records Displayed"));
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
        gridHidden = !w->Grid->gridVisible();
        clsCaller c = call(QStringLiteral("NEW CALLER"), QStringLiteral("555-7777"), Clock::now());
        AddCaller(c);
        w->Grid->AddItem(c, true);
    });
    w->RefreshGrid();
    QCOMPARE(caption, QStringLiteral("Processing Grid Data..."));
    QVERIFY(gridHidden);
    QVERIFY(w->Grid->gridVisible());
    QCOMPARE(w->Grid->Rows(), 502);
    QCOMPARE(w->Grid->TextMatrix(1, 0), QStringLiteral("NEW CALLER"));
    QCOMPARE(w->Grid->TextMatrix(2, 0), QStringLiteral("CALLER 499"));
    QCOMPARE(w->Grid->TextMatrix(501, 0), QStringLiteral("CALLER 0"));
    // Each ID once.
    QSet<QString> ids;
    for (int r = 1; r < w->Grid->Rows(); ++r)
        ids.insert(w->Grid->TextMatrix(r, 5));
    QCOMPARE(ids.size(), 501);
    QCOMPARE(w->Panels[2]->text(), QStringLiteral("501 Records Displayed"));
    QTRY_VERIFY(progressWindows().isEmpty());
}

void TestCallView::badTableKeepsTheLogAndTheLastView()
{
    storeCalls(3);
    frmBaseMain* w = window();
    w->strSQL = QStringLiteral("Select * From tblCID");
    w->RefreshGrid();
    QCOMPARE(w->Grid->Rows(), 4);
    w->strSQL = QStringLiteral("Select * From tblNoSuchTable");
    w->RefreshGrid();
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY(Prompt::texts().first().contains(QLatin1String("Bad SQL")));
    QVERIFY(gCallerDB);
    QCOMPARE(w->strSQL, QStringLiteral("Select * From tblCID"));
    QCOMPARE(w->Grid->Rows(), 4);
    QCOMPARE(w->Panels[2]->text(), QStringLiteral("3 Records Displayed"));
    QVERIFY(w->Grid->gridVisible());
    // The log keeps working: a new call is read by the next refill.
    clsCaller c = call(QStringLiteral("LATER"), QStringLiteral("555-1111"), Clock::now());
    AddCaller(c);
    w->RefreshGrid();
    QCOMPARE(w->Grid->Rows(), 5);
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
    const int rows = w->Grid->Rows() - 1;
    QVERIFY2(rows >= 50 && rows < 200, qPrintable(QString::number(rows)));
    QCOMPARE(w->Panels[2]->text(), QString::number(rows) + QStringLiteral(" Records Displayed"));
    // Sorted: the newest of those read on top.
    for (int r = 2; r <= rows; ++r)
        QVERIFY(w->Grid->TextMatrix(r - 1, 5).toInt() > w->Grid->TextMatrix(r, 5).toInt());
    QVERIFY(w->Grid->gridVisible());
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
    QCOMPARE(w->Grid->Rows(), 301);
    QSet<QString> ids;
    for (int r = 1; r < w->Grid->Rows(); ++r)
        ids.insert(w->Grid->TextMatrix(r, 5));
    QCOMPARE(ids.size(), 300);
    QCOMPARE(w->Panels[2]->text(), QStringLiteral("300 Records Displayed"));
}

void TestCallView::rightClickSelectsTheRowAndOpensTheMenu()
{
    storeCalls(5);
    frmBaseMain* w = window();
    w->strSQL = QStringLiteral("Select * From tblCID");
    w->RefreshGrid();
    CallListView* v = w->Grid->innerGrid();
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, QPoint(10, v->rowViewportPosition(0) + 3));
    QCOMPARE(w->Grid->Row(), 1);
    // On the headings: nothing.
    QWidget* header = v->horizontalHeader()->viewport();
    QTest::mouseClick(header, Qt::RightButton, {}, QPoint(10, 5));
    QVERIFY(!w->GridMouseUpTimer.isActive());
    // Below the last row: nothing.
    QTest::mouseClick(v->viewport(), Qt::RightButton, {}, QPoint(10, v->viewport()->height() - 3));
    QVERIFY(!w->GridMouseUpTimer.isActive());
    QCOMPARE(w->Grid->Row(), 1);
    // On row 3, column 1: the row is selected first, then the menu opens.
    const QPoint at(v->columnViewportPosition(1) + 5, v->rowViewportPosition(2) + 3);
    QTest::mouseClick(v->viewport(), Qt::RightButton, {}, at);
    QCOMPARE(w->Grid->Row(), 3);
    QCOMPARE(w->Grid->RowSel(), 3);
    QCOMPARE(w->intGridCol, 1);
    QVERIFY(w->GridMouseUpTimer.isActive());
    w->GridMouseUpTimer_Timer();
    QVERIFY(!w->GridMouseUpTimer.isActive());
    QTRY_VERIFY(w->mnuGridOptions->isVisible());
    // Its Edit opens the editor on the clicked cell of the selected row.
    w->mnuGridOptionsEdit->trigger();
    w->mnuGridOptions->hide();
    QVERIFY(w->Grid->isEditing());
    QCOMPARE(w->Grid->editor()->text(), w->Grid->TextMatrix(3, 1));
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
    w->mnuViewTime[12]->trigger();
    w->Calls->RingTimer.setInterval(3600 * 1000);
    w->Calls->AnswerTimer.setInterval(3600 * 1000);
    QCOMPARE(w->mnuOptionsRelease->text(), QStringLiteral("&Open Port"));
    w->mnuPopupMenuRelease->trigger();
    QTRY_VERIFY(w->MSComm->ModemConnected);
    QCOMPARE(w->mnuOptionsRelease->text(), QStringLiteral("&Release Port"));
    QCOMPARE(w->mnuPopupMenuRelease->text(), QStringLiteral("&Release Port"));
    QCOMPARE(w->windowIcon().cacheKey(), ProgramIcons::icon(QStringLiteral("gicon")).cacheKey());
    QCOMPARE(w->Shell->Icon().cacheKey(), w->windowIcon().cacheKey());
    QVERIFY(w->ModemConnected);

    // A call while the window is minimised: a row on top at the first ring, the tray icon blinks.
    w->setWindowState(Qt::WindowMinimized);
    modem.injectLine(QStringLiteral("RING"));
    QTRY_COMPARE(w->Grid->Rows(), 4);
    QCOMPARE(w->Grid->TextMatrix(1, 0), QStringLiteral("NOT RECEIVED"));
    QVERIFY(w->BlinkTimer.isActive());
    for (const QString& line : FakeModem::callLines(QStringLiteral("5551234567"), QStringLiteral("JOHN DOE")))
        modem.injectLine(line);
    QTRY_COMPARE(w->Grid->TextMatrix(1, 0), QStringLiteral("JOHN DOE"));
    QCOMPARE(w->Grid->TextMatrix(1, 1), QStringLiteral("(555) 123-4567"));
    QCOMPARE(w->Panels[2]->text(), QStringLiteral("3 Records Displayed"));
    // Restoring stops the blinking; the tray shows the port state again.
    w->mnuPopupMenuRestore_Click();
    QVERIFY(!w->BlinkTimer.isActive());
    QCOMPARE(w->Shell->Icon().cacheKey(), ProgramIcons::icon(QStringLiteral("gicon")).cacheKey());

    w->mnuOptionsRelease->trigger();
    QTRY_VERIFY(!w->MSComm->ModemConnected);
    QCOMPARE(w->mnuOptionsRelease->text(), QStringLiteral("&Open Port"));
    QCOMPARE(w->windowIcon().cacheKey(), ProgramIcons::icon(QStringLiteral("ricon")).cacheKey());
}

void TestCallView::cellEditsAreStored()
{
    storeCalls(3);
    frmBaseMain* w = window();
    w->mnuViewTime[12]->trigger();
    const qint32 id = w->Grid->TextMatrix(2, 5).toInt();
    QSignalSpy sent(gServer.get(), &clsServer::dataSent);
    auto stored = [id] { return SelectCallers(QStringLiteral("Select * From tblCID Where ID = %1").arg(id)).value(0); };
    // Typed in the cell editor: stored in its normal form, the row rewritten from the log.
    w->Grid->ShowEdit(2, 1);
    w->Grid->editor()->selectAll();
    QTest::keyClicks(w->Grid->editor(), QStringLiteral("(555) 123 4567"));
    QTest::keyClick(w->Grid->editor(), Qt::Key_Return);
    QCOMPARE(stored().Number.Number, QStringLiteral("(555) 123-4567"));
    QCOMPARE(w->Grid->TextMatrix(2, 1), QStringLiteral("(555) 123-4567"));
    w->Grid->ShowEdit(2, 4);
    w->Grid->editor()->selectAll();
    QTest::keyClicks(w->Grid->editor(), QStringLiteral("yes"));
    QTest::keyClick(w->Grid->editor(), Qt::Key_Return);
    QCOMPARE(stored().Answered, QStringLiteral("YES"));
    QVERIFY(Prompt::history().isEmpty()); // an explicit ID asks nothing
    QVERIFY(sent.isEmpty());              // standalone: nothing sent

    // A value the log cannot hold changes nothing and says nothing.
    w->EditGrid(3, QStringLiteral("abc"), id);
    QCOMPARE(stored().Rings, 2);
    QVERIFY(Prompt::history().isEmpty());

    // The selected row's record (ID -1): asked first; No keeps it.
    w->Grid->setRow(2);
    Prompt::queueAnswer(Prompt::No);
    w->EditGrid(0, QStringLiteral("SOMEONE ELSE"), -1);
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral(
                                  "Are you sure you want to permanently edit the original caller id information?")});
    QVERIFY(stored().Name != QStringLiteral("SOMEONE ELSE"));
    Prompt::queueAnswer(Prompt::Yes);
    gNetworkMode = Server;
    w->EditGrid(0, QStringLiteral("SOMEONE ELSE"), -1);
    QCOMPARE(stored().Name, QStringLiteral("SOMEONE ELSE"));
    QCOMPARE(w->Grid->TextMatrix(2, 0), QStringLiteral("SOMEONE ELSE"));
    QCOMPARE(sent.size(), 1);
    QVERIFY(texts(sent).first().startsWith(QStringLiteral(";EDIT CALLER;|%1|SOMEONE ELSE|").arg(id)));
    // An ID that is in no record changes nothing.
    w->EditGrid(0, QStringLiteral("NOBODY"), 99999);
    QCOMPARE(sent.size(), 1);
}

void TestCallView::screenshot()
{
    const QByteArray buildDir = qgetenv("VELQUON_BUILD_DIR");
    if (buildDir.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
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
    w->mnuViewTime[12]->trigger();
    AddEvent(QStringLiteral("Incoming Call From:  JOHN SMITH"));
    QCoreApplication::processEvents();
    w->Grid->setRow(3);
    QCoreApplication::processEvents();
    const QString dir = QString::fromLocal8Bit(buildDir) + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(dir));
    const QString file = dir + QStringLiteral("/mainwindow.png");
    QVERIFY(w->grab().save(file));
    QVERIFY(QFileInfo(file).size() > 10000);
    w->StatusBar1_PanelDblClick(1);
    QCoreApplication::processEvents();
    QVERIFY(w->grab().save(dir + QStringLiteral("/mainwindow-events.png")));
}

QTEST_MAIN(TestCallView)
#include "test_callview.moc"
