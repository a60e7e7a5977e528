#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/CallListModel.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "network/clsRemoteSocket.h"
#include "network/ui/frmWaiting.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsPeriod.h"
#include "statswindow/ui/StatsWindowProbe.h"
#include "statswindow/ui/frmCustomizeTime.h"
#include "statswindow/ui/frmStatistics.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

// The custom period dialog for the main window's call list and for the statistics window, over a real call
// log, and a client's request for its server.

using S = StandaloneSession;

namespace {

QDateTime at(const char* text) { return *DateText::parse(QString::fromLatin1(text)); }

// The calls of the date checks: around the range 6/1/2005 10:00 AM to 6/2/2005, exact midnight included.
const char* const kCalls[] = {
    "6/1/2005 1:15:00 AM",    "6/1/2005 11:15:00 AM", "6/1/2005 9:30:00 PM",    "6/2/2005", "6/2/2005 12:30:00 AM",
    "12/31/2005 10:00:00 AM", "6/1/2005 10:00:00 AM", "12/31/2005 10:00:01 AM", "5/1/2005"};

void storeCalls()
{
    for (const char* when : kCalls) {
        clsCaller c;
        c.Name = QStringLiteral("JOHN SMITH");
        c.Number.Number = QStringLiteral("(555) 123-4567");
        c.CallerDate = DateText::format(at(when));
        c.Rings = 1;
        c.Answered = QStringLiteral("N/A");
        AddCaller(c);
    }
}

frmCustomizeTime* dialog() { return qobject_cast<frmCustomizeTime*>(FindForm(QStringLiteral("frmCustomizeTime"))); }

QComboBox* box(const char* name) { return named<QComboBox>(dialog(), name); }

QStringList entries(const QComboBox* b)
{
    QStringList out;
    for (int i = 0; i < b->count(); ++i)
        out << b->itemText(i);
    return out;
}

// Types the two texts and presses OK.
void choose(const QString& start, const QString& end)
{
    box("cboStartingDate")->setEditText(start);
    box("cboEndingDate")->setEditText(end);
    named<QPushButton>(dialog(), "cmdOK")->click();
}

// The dates the call list shows, oldest first.
QStringList listed()
{
    QList<QDateTime> dates;
    for (int row = 1; row < S::grid()->Rows(); ++row)
        dates << *DateText::parse(S::grid()->TextMatrix(row, CallListModel::ColDate));
    std::sort(dates.begin(), dates.end());
    QStringList out;
    for (const QDateTime& d : dates)
        out << DateText::format(d);
    return out;
}

// Counts the statistics window's runs by the progress windows they show.
class RunCounter : public QObject {
public:
    RunCounter() { qApp->installEventFilter(this); }
    ~RunCounter() override { qApp->removeEventFilter(this); }
    int count(const QString& caption) const { return int(m_shown.count(caption)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("frmProcessing"))
            m_shown << static_cast<QWidget*>(watched)->windowTitle();
        return false;
    }

private:
    QStringList m_shown;
};

} // namespace

class TestFrmCustomizeTime : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();

    void mainRoleSetsTheViewAndChecksCustom();
    void beginningToEndShowsEveryCall();
    void aCancelledCustomChangesNothing();
    void textsThatAreNoDatesAreRefused();
    void historiesAndTheLastAcceptedTexts();
    void statsRoleSetsThePeriodAndComputesOnce();
    void statsRoleRecordBoundsSurviveASavedView();
    void aFrozenStatisticsWindowTakesNoRange();
    void captionsNamesAndHints();

private:
    frmStatistics* openStatistics();
    StandaloneSession m_session;
};

void TestFrmCustomizeTime::init()
{
    QVERIFY(m_session.start());
    storeCalls();
}

void TestFrmCustomizeTime::cleanup()
{
    Prompt::resetScript();
    m_session.stop();
}

frmStatistics* TestFrmCustomizeTime::openStatistics()
{
    frmStatistics* w = frmStatistics::instance();
    w->showWindow(S::window());
    QCoreApplication::processEvents();
    return w;
}

void TestFrmCustomizeTime::mainRoleSetsTheViewAndChecksCustom()
{
    frmBaseMain* w = S::window();
    QVERIFY(S::action("mnuViewTime(6)")->isChecked());
    TRIGGER(w, "mnuViewTime(14)");
    QVERIFY(dialog() && dialog()->isVisible());
    QCOMPARE(dialog()->parentWidget(), w);
    QCOMPARE(dialog()->windowTitle(), QStringLiteral("Customize Velquon Time"));
    QCOMPARE(box("cboStartingDate")->currentText(), QString());
    QCOMPARE(box("cboEndingDate")->currentText(), QStringLiteral("Present"));
    QCOMPARE(entries(box("cboStartingDate")), QStringList({"Beginning of Records"}));
    QCOMPARE(entries(box("cboEndingDate")), QStringList({"Present", "End of Records"}));

    choose(QStringLiteral("6/1/2005 10:00:00 AM"), QStringLiteral("6/2/2005"));
    QVERIFY(!dialog()->isVisible());
    QCOMPARE(w->strSQL,
             QStringLiteral("Select * From tblCID Where fldDate > #6/1/2005 10:00:00 AM# and fldDate < #6/2/2005#"));
    QCOMPARE(listed(), QStringList({"6/1/2005 11:15:00 AM", "6/1/2005 9:30:00 PM"}));
    QVERIFY(S::action("mnuViewTime(14)")->isChecked());
    QVERIFY(!S::action("mnuViewTime(6)")->isChecked());
    // "Custom..." is never the stored period.
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, QStringLiteral("6")), QStringLiteral("6"));
    // The dialog unloads with its design caption.
    QCOMPARE(dialog()->windowTitle(), QStringLiteral("Customize Time"));
    QCOMPARE(dialog()->tag(), QString());
}

void TestFrmCustomizeTime::beginningToEndShowsEveryCall()
{
    frmBaseMain* w = S::window();
    TRIGGER(w, "Toolbar1.Buttons(7)"); // "Customize Time" on the toolbar
    QVERIFY(dialog()->isVisible());
    choose(QStringLiteral("Beginning of Records"), QStringLiteral("End of Records"));
    QCOMPARE(S::grid()->Rows() - 1, int(std::size(kCalls)));
    const QStringList shown = listed();
    QCOMPARE(shown.first(), QStringLiteral("5/1/2005"));
    QCOMPARE(shown.last(), QStringLiteral("12/31/2005 10:00:01 AM"));
    QCOMPARE(w->strSQL, QStringLiteral("Select * From tblCID Where fldDate >= #5/1/2005# and fldDate <= #12/31/2005 "
                                       "10:00:01 AM#"));
    // From a typed start to the last call: that call is in, the start's own call is not.
    TRIGGER(w, "mnuViewTime(14)");
    choose(QStringLiteral("6/1/2005 10:00:00 AM"), QStringLiteral("end of records"));
    QCOMPARE(listed().first(), QStringLiteral("6/1/2005 11:15:00 AM"));
    QCOMPARE(listed().last(), QStringLiteral("12/31/2005 10:00:01 AM"));
    QCOMPARE(listed().size(), 6);
}

void TestFrmCustomizeTime::aCancelledCustomChangesNothing()
{
    frmBaseMain* w = S::window();
    TRIGGER(w, "mnuViewTime(9)"); // "1 week"
    const QString sql = w->strSQL;
    const int rows = S::grid()->Rows();
    for (const char* opener : {"mnuViewTime(14)", "Toolbar1.Buttons(7)"}) {
        TRIGGER(w, opener);
        QVERIFY(dialog()->isVisible());
        box("cboStartingDate")->setEditText(QStringLiteral("6/1/2005"));
        TRIGGER(dialog(), "cmdCancel");
        QVERIFY(!dialog()->isVisible());
        QVERIFY(S::action("mnuViewTime(9)")->isChecked());
        QVERIFY(!S::action("mnuViewTime(14)")->isChecked());
        QCOMPARE(w->strSQL, sql);
        QCOMPARE(S::grid()->Rows(), rows);
    }
    // Escape and the close box cancel as well.
    TRIGGER(w, "mnuViewTime(14)");
    QTest::keyClick(dialog(), Qt::Key_Escape);
    QVERIFY(!dialog()->isVisible());
    TRIGGER(w, "mnuViewTime(14)");
    dialog()->close();
    QVERIFY(!S::action("mnuViewTime(14)")->isChecked());
    QCOMPARE(w->strSQL, sql);
    QVERIFY(GetProperty(Section::frmFind, Key::CustomStartDate, QString()).isEmpty());
}

void TestFrmCustomizeTime::textsThatAreNoDatesAreRefused()
{
    frmBaseMain* w = S::window();
    const QString sql = w->strSQL;
    TRIGGER(w, "mnuViewTime(14)");
    const struct {
        const char* start;
        const char* end;
        const char* message;
        const char* focused;
    } refusals[] = {
        {"10:00:00 AM", "Present", "Starting date must be a date.", "cboStartingDate"},
        {"6/1/2005", "11:00 PM", "Ending date must be a date.", "cboEndingDate"},
        {"soon", "later", "Starting date and ending date must both be dates.", "cboStartingDate"},
        {"", "", "Starting date and ending date must both be dates.", "cboStartingDate"},
    };
    for (const auto& r : refusals) {
        Prompt::clearHistory();
        choose(QString::fromLatin1(r.start), QString::fromLatin1(r.end));
        QCOMPARE(Prompt::texts(), QStringList{QString::fromLatin1(r.message)});
        QCOMPARE(Prompt::history().first().icon, int(Prompt::Critical));
        QCOMPARE(Prompt::history().first().buttons, int(Prompt::OkOnly));
        QVERIFY(dialog()->isVisible());
        // The field the message names first has the focus, its whole text selected.
        QComboBox* field = box(r.focused);
        QVERIFY(dialog()->focusWidget() == field || dialog()->focusWidget() == field->lineEdit());
        QCOMPARE(field->lineEdit()->selectedText(), field->currentText());
    }
    QCOMPARE(w->strSQL, sql);
    // The fixed words in any case.
    Prompt::clearHistory();
    choose(QStringLiteral("beginning of records"), QStringLiteral("PRESENT"));
    QVERIFY(Prompt::texts().isEmpty());
    QVERIFY(!dialog()->isVisible());
    QCOMPARE(S::grid()->Rows() - 1, int(std::size(kCalls)));
    QVERIFY(w->strSQL.endsWith(QStringLiteral("fldDate < #3/21/2024 2:00:00 PM#")));
}

void TestFrmCustomizeTime::historiesAndTheLastAcceptedTexts()
{
    frmBaseMain* w = S::window();
    TRIGGER(w, "mnuViewTime(14)");
    choose(QStringLiteral("6/1/2005 10:00:00 am"), QStringLiteral("6/2/2005"));
    TRIGGER(w, "mnuViewTime(14)");
    // The last accepted texts, as typed, and first in their lists below the fixed words.
    QCOMPARE(box("cboStartingDate")->currentText(), QStringLiteral("6/1/2005 10:00:00 am"));
    QCOMPARE(box("cboEndingDate")->currentText(), QStringLiteral("6/2/2005"));
    QCOMPARE(box("cboStartingDate")->lineEdit()->selectedText(), QStringLiteral("6/1/2005 10:00:00 am"));
    QCOMPARE(entries(box("cboStartingDate")), QStringList({"Beginning of Records", "6/1/2005 10:00:00 am"}));
    QCOMPARE(entries(box("cboEndingDate")), QStringList({"Present", "End of Records", "6/2/2005"}));
    // The same date in another case once, the newer text first; the fixed words never enter.
    choose(QStringLiteral("5/1/2005"), QStringLiteral("End of Records"));
    TRIGGER(w, "mnuViewTime(14)");
    choose(QStringLiteral("6/1/2005 10:00:00 AM"), QStringLiteral("Present"));
    TRIGGER(w, "mnuViewTime(14)");
    QCOMPARE(entries(box("cboStartingDate")),
             QStringList({"Beginning of Records", "6/1/2005 10:00:00 AM", "5/1/2005"}));
    QCOMPARE(entries(box("cboEndingDate")), QStringList({"Present", "End of Records", "6/2/2005"}));
    QCOMPARE(GetProperty(Section::frmFind, Key::CustomStartDate, QString()),
             QStringLiteral(";6/1/2005 10:00:00 AM;5/1/2005"));
    QCOMPARE(box("cboEndingDate")->currentText(), QStringLiteral("Present"));
    // A cancel keeps the remembered texts for the next opening.
    TRIGGER(dialog(), "cmdCancel");
    TRIGGER(w, "mnuViewTime(14)");
    QCOMPARE(box("cboStartingDate")->currentText(), QStringLiteral("6/1/2005 10:00:00 AM"));
    // The statistics window opens it with the same texts.
    TRIGGER(dialog(), "cmdCancel");
    frmStatistics* stats = openStatistics();
    TRIGGER(stats, "mnuTime(8)");
    QCOMPARE(dialog()->windowTitle(), QStringLiteral("Customize Statistics Time"));
    QCOMPARE(box("cboStartingDate")->currentText(), QStringLiteral("6/1/2005 10:00:00 AM"));
}

void TestFrmCustomizeTime::statsRoleSetsThePeriodAndComputesOnce()
{
    frmStatistics* w = openStatistics();
    QCOMPARE(gridOf(w)->TextMatrix(1, 0), QStringLiteral("All Callers"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("9"));
    // Cancelled, nothing changes.
    TRIGGER(w, "mnuTime(8)");
    QVERIFY(dialog()->isVisible());
    QCOMPARE(dialog()->parentWidget(), w);
    TRIGGER(dialog(), "cmdCancel");
    QVERIFY(action(w, "mnuTime(0)")->isChecked());
    QVERIFY(!action(w, "mnuTime(8)")->isChecked());
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (Any Time Period)"));
    QCOMPARE(w->strTimePeriod, QString());

    RunCounter runs;
    TRIGGER(w, "mnuTime(8)");
    choose(QStringLiteral("6/1/2005 10:00:00 AM"), QStringLiteral("6/2/2005"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (6/1/2005 to 6/2/2005)"));
    QCOMPARE(w->strTime, QStringLiteral("(6/1/2005 to 6/2/2005)"));
    QCOMPARE(w->strTimePeriod, QStringLiteral("and fldDate > #6/1/2005 10:00:00 AM# and fldDate < #6/2/2005#"));
    for (int i = 0; i < StatsPeriod::ItemCount; ++i) {
        if (!StatsPeriod::isSeparator(i))
            QCOMPARE(action(w, qPrintable(QStringLiteral("mnuTime(%1)").arg(i)))->isChecked(), i == 8);
    }
    QCOMPARE(runs.count(QStringLiteral("Processing Statistics...")), 1);
    QCOMPARE(runs.count(QStringLiteral("Processing Graph Data...")), 1);
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("2"));
    QCOMPARE(chartOf(w, "mscGraph")->title(), QStringLiteral("Total Calls Graphed Daily (6/1/2005 to 6/2/2005)"));
    QCOMPARE(graphed(w).sum(0), 2.0);
    // The main window's view is not touched.
    QVERIFY(S::action("mnuViewTime(6)")->isChecked());
}

void TestFrmCustomizeTime::statsRoleRecordBoundsSurviveASavedView()
{
    frmStatistics* w = openStatistics();
    TRIGGER(w, "mnuTime(8)");
    choose(QStringLiteral("Beginning of Records"), QStringLiteral("End of Records"));
    QCOMPARE(w->strTimePeriod, QStringLiteral("and fldDate >= #5/1/2005# and fldDate <= #12/31/2005 10:00:01 AM#"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (5/1/2005 to 12/31/2005)"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("9"));
    QCOMPARE(graphed(w).sum(0), 9.0); // the graph counts the first and the last call too
    // Saved and loaded again, the range still holds every call.
    TRIGGER(w, "mnuEditSaveSettings");
    QCOMPARE(GetProperty(Section::frmStatistics, Key::TimePeriod, QString()),
             QStringLiteral("4/30/2005 11:59:59 PM;12/31/2005 10:00:02 AM"));
    TRIGGER(w, "mnuTime(0)");
    TRIGGER(w, "mnuEditSavedSettings");
    QVERIFY(action(w, "mnuTime(8)")->isChecked());
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("9"));
}

void TestFrmCustomizeTime::aFrozenStatisticsWindowTakesNoRange()
{
    frmStatistics* w = openStatistics();
    TRIGGER(w, "mnuTime(8)");
    QVERIFY(named<QPushButton>(dialog(), "cmdOK")->isEnabled());
    w->Freeze(true);
    QVERIFY(!named<QPushButton>(dialog(), "cmdOK")->isEnabled());
    // The same dialog taken over by the main window can apply its range.
    TRIGGER(S::window(), "mnuViewTime(14)");
    QCOMPARE(dialog()->windowTitle(), QStringLiteral("Customize Velquon Time"));
    QVERIFY(named<QPushButton>(dialog(), "cmdOK")->isEnabled());
    TRIGGER(dialog(), "cmdCancel");
    // Opened for the statistics while frozen: OK waits for the thaw.
    frmCustomizeTime::showFor(QStringLiteral("Stats"), w);
    QVERIFY(!named<QPushButton>(dialog(), "cmdOK")->isEnabled());
    w->Freeze(false);
    QVERIFY(named<QPushButton>(dialog(), "cmdOK")->isEnabled());
}

void TestFrmCustomizeTime::captionsNamesAndHints()
{
    TRIGGER(S::window(), "mnuViewTime(14)");
    frmCustomizeTime* d = dialog();
    QCOMPARE(named<QLabel>(d, "Label1")->text(), QStringLiteral("&Starting Date (M/D/Y H:M:S AM/PM):"));
    QCOMPARE(named<QLabel>(d, "Label2")->text(), QStringLiteral("&Ending Date (M/D/Y H:M:S AM/PM):"));
    QCOMPARE(named<QPushButton>(d, "cmdOK")->text(), QStringLiteral("&OK"));
    QCOMPARE(named<QPushButton>(d, "cmdCancel")->text(), QStringLiteral("Cancel"));
    QVERIFY(d->windowFlags() & Qt::Tool);
    QVERIFY(d->minimumSize() == d->maximumSize()); // fixed size
    QVERIFY(!d->isModal());
    QCOMPARE(gToolTip->toolText(d), QStringLiteral("This form is used to display records between specified dates."));
    QVERIFY(gToolTip->toolText(box("cboStartingDate")).startsWith(QStringLiteral("Only records having dates after")));
    QVERIFY(gToolTip->toolText(box("cboEndingDate")).contains(QStringLiteral("Selecting Present will enter")));
    // The options dialog reaches every loaded window's AddHints by name when hints are switched on.
    gToolTip->DelToolTip(d);
    QVERIFY(QMetaObject::invokeMethod(d, "AddHints"));
    QVERIFY(gToolTip->hasTool(d));
    frmStatistics* stats = openStatistics();
    QVERIFY(stats->metaObject()->indexOfMethod("AddHints()") >= 0);
    QVERIFY(FindForm(QStringLiteral("frmCustomizeStatistics"))->metaObject()->indexOfMethod("AddHints()") >= 0);
}

// ---------------------------------------------------------------------------------------------------------
// A client: no call log, the server answers the view's query.

namespace {

class ClientHost : public MainWindow {
public:
    void UncheckTimeMenu() override { marks.clear(); }
    void setViewTimeChecked(int index) override { marks << index; }
    void RefreshGrid() override { ++refreshes; }
    QList<int> marks{ViewTime::Day1};
    int refreshes = 0;
};

} // namespace

class TestFrmCustomizeTimeClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void mainRoleAsksTheServer();

private:
    std::unique_ptr<TempHome> m_home;
    ClientHost m_host;
    QTcpServer m_server;
    QTcpSocket* m_peer = nullptr;
    QByteArray m_in;
};

void TestFrmCustomizeTimeClient::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(at("3/21/2024 2:00:00 PM"));
    gNetworkMode = Client;
    gMainForm = &m_host;
    QVERIFY(m_server.listen(QHostAddress::LocalHost, 0));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(m_server.serverPort()));
    install(gRemoteSocket);
    QVERIFY(QTest::qWaitFor([this] { return m_server.hasPendingConnections(); }, 5000));
    m_peer = m_server.nextPendingConnection();
    connect(m_peer, &QTcpSocket::readyRead, this, [this] { m_in += m_peer->readAll(); });
    QVERIFY(QTest::qWaitFor([] { return gRemoteSocket->State() == SocketState::Connected; }, 5000));
    QVERIFY(QTest::qWaitFor([this] { return m_in.contains(";COMPLETE;COMPLETE;"); }, 5000)); // the connect burst
    m_in.clear();
    // The burst's query waits behind its own "SQL" note; the server's answer would close it.
    QVERIFY(!FindForms(QStringLiteral("frmWaiting")).isEmpty());
    UnloadWaitingForms(QStringLiteral("SQL"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestFrmCustomizeTimeClient::cleanup()
{
    delete frmCustomizeTime::instance(false);
    UnloadWaitingForms(QStringLiteral("ALL"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    gRemoteSocket.reset();
    delete m_peer;
    m_peer = nullptr;
    m_server.close();
    gMainForm = nullptr;
    Prompt::resetScript();
    m_home.reset();
}

void TestFrmCustomizeTimeClient::mainRoleAsksTheServer()
{
    frmCustomizeTime::showFor(QStringLiteral("Main"), nullptr);
    // Without a call log there are no record-bound words, and typed they are refused.
    QCOMPARE(entries(box("cboStartingDate")), QStringList());
    QCOMPARE(entries(box("cboEndingDate")), QStringList({"Present"}));
    choose(QStringLiteral("Beginning of Records"), QStringLiteral("End of Records"));
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Starting date and ending date must both be dates.")});
    choose(QStringLiteral("6/1/2005"), QStringLiteral("End of Records"));
    QCOMPARE(Prompt::texts().last(), QStringLiteral("Ending date must be a date."));
    QVERIFY(dialog()->isVisible());
    QVERIFY(m_in.isEmpty());

    choose(QStringLiteral("6/1/2005 10:00:00 AM"), QStringLiteral("6/2/2005"));
    QVERIFY(!dialog()->isVisible());
    const QString sql =
        QStringLiteral("Select * From tblCID Where fldDate > #6/1/2005 10:00:00 AM# and fldDate < #6/2/2005#");
    QCOMPARE(m_host.strSQL, sql);
    QCOMPARE(m_host.marks, QList<int>{ViewTime::Custom});
    QCOMPARE(m_host.refreshes, 0); // the server's answer fills the list
    // One waiting note of kind "SQL" until the answer comes.
    int notes = 0;
    for (QWidget* note : FindForms(QStringLiteral("frmWaiting")))
        notes += Tag(note) == QLatin1String("SQL") ? 1 : 0;
    QCOMPARE(notes, 1);
    QVERIFY(QTest::qWaitFor([this] { return m_in.contains(";COMPLETE;COMPLETE;"); }, 5000));
    QCOMPARE(m_in, (QStringLiteral(";SQL;") + sql + QStringLiteral(";COMPLETE;COMPLETE;")).toUtf8());
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    {
        TestFrmCustomizeTime test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TestFrmCustomizeTimeClient test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "test_frmcustomizetime.moc"
