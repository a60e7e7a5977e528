#include "mainwindow/CallLogView.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modAttributeGroup.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "support/TempHome.h"

// The main window's view of the call log without a window: its host is the plain main-window interface,
// the calls it reads are collected from its signals.
class TestCallLogView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void aQueryThatCannotRunLeavesTheLastOneThatDid();
    void theFirstQueryFailingShowsNothing_data();
    void theFirstQueryFailingShowsNothing();
    void refreshReadsEveryCallMatchedToItsContact();
    void rowsCarryWhatTheListShows();
    void aRefreshAskedDuringARefillStartsItOver();
    void aCallStoredDuringARefillIsNotReadTwice();
    void choosingAPeriodSetsTheQueryAndKeepsIt();
    void customPeriodOnlyOpensItsWindow();

private:
    // Stores n calls, one a minute back from now, the oldest first.
    QList<qint32> storeCalls(int n);
    QStringList names() const;

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<MainWindow> m_host;
    std::unique_ptr<CallLogView> m_view;
    // The rows of the latest pass: the name shown, the number, the record ID, the colour.
    struct Read {
        QString shown;
        QString number;
        qint64 id = 0;
        quint32 colour = 0;
    };
    QList<Read> m_read;
    int m_starts = 0;
    int m_ends = 0;
};

void TestCallLogView::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    QVERIFY(CreateCallerDB(m_home->file(QStringLiteral("dbCID.mdb"))));
    QVERIFY(CreateContactDB(m_home->file(QStringLiteral("dbContacts.mdb"))));
    m_host = std::make_unique<MainWindow>();
    m_view = std::make_unique<CallLogView>(*m_host);
    m_read.clear();
    m_starts = m_ends = 0;
    connect(m_view.get(), &CallLogView::refillStarted, this, [this] {
        ++m_starts;
        m_read.clear();
    });
    connect(m_view.get(), &CallLogView::rowsRead, this, [this](const CallRowBatch& batch, size_t first, size_t last) {
        for (size_t i = first; i < last; ++i) {
            const CallRow& r = batch.rows[i];
            m_read.append({r.cell(0).toString(), r.cell(1).toString(), r.id, r.colour[0]});
        }
    });
    connect(m_view.get(), &CallLogView::refillFinished, this, [this] { ++m_ends; });
}

void TestCallLogView::cleanup()
{
    m_view.reset();
    m_host.reset();
    m_home.reset();
}

QList<qint32> TestCallLogView::storeCalls(int n)
{
    QList<qint32> ids;
    for (int i = 0; i < n; ++i) {
        clsCaller c;
        c.Name = QStringLiteral("CALLER %1").arg(i);
        c.Number.Number = QStringLiteral("555-%1").arg(1000 + i);
        c.CallerDate = DateText::format(Clock::now().addSecs(-60LL * (n - i)));
        c.Rings = 1;
        c.Answered = QStringLiteral("NO");
        AddCaller(c);
        ids.append(c.ID);
    }
    return ids;
}

QStringList TestCallLogView::names() const
{
    QStringList out;
    for (const Read& r : m_read)
        out << r.shown;
    return out;
}

void TestCallLogView::aQueryThatCannotRunLeavesTheLastOneThatDid()
{
    storeCalls(3);
    const QString all = QStringLiteral("Select * From tblCID");
    m_host->strSQL = all;
    m_view->UpdateSQL();
    QCOMPARE(m_view->lastGoodSQL(), all);
    QVERIFY(Prompt::history().isEmpty());

    // A table that does not exist: said once, the log stays open, the view goes back.
    m_host->strSQL = QStringLiteral("Select * From tblNoSuchTable");
    m_view->RefreshGrid();
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY(Prompt::texts().first().contains(QLatin1String("Bad SQL")));
    QCOMPARE(lastReportedTag(), QStringLiteral("frmBaseMain_UpdateSQL"));
    QVERIFY(gCallerDB);
    QCOMPARE(m_host->strSQL, all);
    QCOMPARE(m_read.size(), 3);

    // A statement that would change the log is no view: refused the same way, nothing deleted.
    m_host->strSQL = QStringLiteral("Delete * From tblCID");
    m_view->RefreshGrid();
    QCOMPARE(Prompt::history().size(), 2);
    QCOMPARE(m_host->strSQL, all);
    QCOMPARE(SelectCallers(all).size(), 3);
    QCOMPARE(m_read.size(), 3);
}

void TestCallLogView::theFirstQueryFailingShowsNothing_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("besideTheLog"); // a link put there before the view's first read
    QTest::addColumn<QString>("said");
    QTest::newRow("a table that does not exist") << "Select * From tblNoSuchTable"
                                                 << ""
                                                 << "Bad SQL";
    QTest::newRow("a link beside the log") << "Select * From tblCID"
                                           << "-journal"
                                           << "dbCID.mdb-journal beside it is a link";
}

void TestCallLogView::theFirstQueryFailingShowsNothing()
{
    QFETCH(QString, query);
    QFETCH(QString, besideTheLog);
    QFETCH(QString, said);
    storeCalls(2);
    const QString beside = m_home->file(QStringLiteral("dbCID.mdb") + besideTheLog);
    QVERIFY(besideTheLog.isEmpty() || QFile::link(m_home->file(QStringLiteral("elsewhere")), beside));
    // With no query that ever ran there is nothing to go back to: the pass shows an empty list.
    m_host->strSQL = query;
    m_view->RefreshGrid();
    QCOMPARE(m_host->strSQL, query);
    QCOMPARE(m_view->lastGoodSQL(), QString());
    QCOMPARE(m_starts, 1);
    QCOMPARE(m_ends, 1);
    QVERIFY(m_read.isEmpty());
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY2(Prompt::texts().first().contains(said), qPrintable(Prompt::texts().first()));
    // The program runs on: once the view can be read, it is.
    QVERIFY(besideTheLog.isEmpty() || QFile::remove(beside));
    m_host->strSQL = QStringLiteral("Select * From tblCID");
    m_view->RefreshGrid();
    QCOMPARE(m_read.size(), 2);
}

void TestCallLogView::refreshReadsEveryCallMatchedToItsContact()
{
    clsContact book;
    book.Name = QStringLiteral("Aunt Mary");
    book.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-1003"), QStringLiteral("Home")));
    QVERIFY(AddContact(book));
    storeCalls(20);
    m_host->strSQL = QStringLiteral("Select * From tblCID Where fldRings = 1 And ID > 10");
    m_view->RefreshGrid();
    QCOMPARE(m_read.size(), 10);
    QCOMPARE(m_starts, 1);
    QCOMPARE(m_ends, 1);
    QVERIFY(!m_view->refilling());
    m_host->strSQL = QStringLiteral("Select * From tblCID");
    m_view->RefreshGrid();
    QCOMPARE(m_read.size(), 20);
    // The contact's name with the number's description stands for the received name.
    QCOMPARE(m_read[3].shown, QStringLiteral("Aunt Mary (Home)"));
    QCOMPARE(m_read[3].number, QStringLiteral("555-1003"));
    QCOMPARE(m_read[4].shown, QStringLiteral("CALLER 4"));
    QVERIFY(Prompt::history().isEmpty());
}

void TestCallLogView::rowsCarryWhatTheListShows()
{
    auto red = std::make_shared<clsAttributeGroup>();
    red->Description = QStringLiteral("Family");
    red->Color = 255;
    QVERIFY(gAttributeGroups.add(red->Description, red));
    clsContact book;
    book.Name = QStringLiteral("Aunt Mary");
    book.AttributeGroup = QStringLiteral("Family");
    book.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-1003"), QStringLiteral("NONE")));
    QVERIFY(AddContact(book));
    const QDateTime noon(QDate(2024, 3, 21), QTime(12, 0, 0), Qt::UTC);
    auto store = [](const QString& name, const QString& number, const QDateTime& when, qint32 rings) {
        clsCaller c;
        c.Name = name;
        c.Number.Number = number;
        c.CallerDate = DateText::format(when);
        c.Rings = rings;
        c.Answered = QStringLiteral("YES");
        AddCaller(c);
        return c.ID;
    };
    const qint32 first = store(QStringLiteral("MARY"), QStringLiteral("555-1003"), noon, 4);
    store(QStringLiteral("ALSO MARY"), QStringLiteral("1 555-1003"), noon.addDays(1).addSecs(-12 * 3600), 12);
    store(QStringLiteral("RENÉE Ŝ"), QStringLiteral("555-2000"), noon.addSecs(3723), 1);

    CallRowBatch batch;
    CallLogView::ReadRows(QStringLiteral("Select * From tblCID"), batch);
    QCOMPARE(batch.rows.size(), size_t(3));
    auto cells = [&batch](size_t i) {
        QStringList out;
        for (int c = 0; c < CallRowTexts; ++c)
            out << batch.rows[i].cell(c).toString();
        return out;
    };
    // A description "NONE" shows the contact's name alone; every call from the contact's numbers takes its
    // colour; the date is the general form (the date alone at midnight); names keep their accents.
    QCOMPARE(cells(0), (QStringList{QStringLiteral("Aunt Mary"), QStringLiteral("555-1003"),
                                    QStringLiteral("3/21/2024 12:00:00 PM"), QStringLiteral("4"), QStringLiteral("YES"),
                                    QString::number(first)}));
    QCOMPARE(batch.rows[0].id, qint64(first));
    QCOMPARE(batch.rows[0].colour[0], 255u);
    QCOMPARE(cells(1).value(0), QStringLiteral("Aunt Mary"));
    QCOMPARE(cells(1).value(2), QStringLiteral("3/22/2024"));
    QCOMPARE(batch.rows[1].colour[4], 255u);
    QCOMPARE(cells(2).value(0), QStringLiteral("RENÉE Ŝ"));
    QCOMPARE(cells(2).value(2), QStringLiteral("3/21/2024 1:02:03 PM"));
    QCOMPARE(batch.rows[2].colour[0], 0u);

    // A query of some columns only: the others show empty, the ID 0.
    CallRowBatch some;
    CallLogView::ReadRows(QStringLiteral("Select fldNumber, fldName From tblCID Where fldRings = 12"), some);
    QCOMPARE(some.rows.size(), size_t(1));
    QCOMPARE(some.rows[0].cell(0).toString(), QStringLiteral("Aunt Mary"));
    QCOMPARE(some.rows[0].cell(2).toString(), QString());
    QCOMPARE(some.rows[0].id, qint64(0));
}

void TestCallLogView::aRefreshAskedDuringARefillStartsItOver()
{
    storeCalls(40);
    m_host->strSQL = QStringLiteral("Select * From tblCID");
    const QString lastTen = QStringLiteral("Select * From tblCID Where ID > 30");
    int firstPass = -1;
    int nested = 0;
    // On the third call of the first pass the view changes (a period chosen while the refill yields).
    connect(m_view.get(), &CallLogView::rowsRead, this, [&](const CallRowBatch&, size_t, size_t) {
        if (m_starts == 1 && m_read.size() == 3) {
            ++nested;
            m_host->strSQL = lastTen;
            m_view->RefreshGrid();
            QVERIFY(m_view->refilling());
            firstPass = int(m_read.size());
        }
    });
    m_view->RefreshGrid();
    QCOMPARE(nested, 1);
    QCOMPARE(firstPass, 3);
    // The running pass stopped at once and one more ran, on the new query: the list holds its calls once.
    QCOMPARE(m_starts, 2);
    QCOMPARE(m_ends, 2);
    QCOMPARE(m_read.size(), 10);
    QCOMPARE(names().first(), QStringLiteral("CALLER 30"));
    QCOMPARE(names().last(), QStringLiteral("CALLER 39"));
    QVERIFY(!m_view->refilling());
}

void TestCallLogView::aCallStoredDuringARefillIsNotReadTwice()
{
    storeCalls(5);
    m_host->strSQL = QStringLiteral("Select * From tblCID");
    bool stored = false;
    // A call arrives while the refill runs: the call road shows it itself, the refill must not add it too.
    connect(m_view.get(), &CallLogView::rowsRead, this, [&](const CallRowBatch&, size_t, size_t) {
        if (stored)
            return;
        stored = true;
        clsCaller c;
        c.Name = QStringLiteral("NEW CALLER");
        c.Number.Number = QStringLiteral("555-7777");
        c.CallerDate = DateText::format(Clock::now());
        AddCaller(c);
    });
    m_view->RefreshGrid();
    QCOMPARE(m_read.size(), 5);
    QVERIFY(!names().contains(QStringLiteral("NEW CALLER")));
    m_view->RefreshGrid();
    QCOMPARE(m_read.size(), 6);
    QCOMPARE(names().count(QStringLiteral("NEW CALLER")), 1);
}

void TestCallLogView::choosingAPeriodSetsTheQueryAndKeepsIt()
{
    storeCalls(5); // 1 to 5 minutes old
    clsCaller old;
    old.Name = QStringLiteral("LAST WEEK");
    old.Number.Number = QStringLiteral("555-0000");
    old.CallerDate = DateText::format(Clock::now().addDays(-6));
    AddCaller(old);

    m_view->ChoosePeriod(ViewTime::Hours3);
    int period = ViewTime::Hours3;
    QCOMPARE(m_host->strSQL, ViewTimeSQL(period));
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, QString()), QStringLiteral("3"));
    QCOMPARE(m_read.size(), 5);

    m_view->ChoosePeriod(ViewTime::Week1);
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, QString()), QStringLiteral("9"));
    QCOMPARE(m_read.size(), 6);

    // A separator's place stands for one day.
    m_view->ChoosePeriod(5);
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, QString()), QStringLiteral("6"));
    QCOMPARE(m_read.size(), 5);

    m_view->ChoosePeriod(ViewTime::All);
    QCOMPARE(m_host->strSQL, QStringLiteral("Select * From tblCID"));
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, QString()), QStringLiteral("12"));
    QCOMPARE(m_read.size(), 6);
    QCOMPARE(m_starts, 4);
}

void TestCallLogView::customPeriodOnlyOpensItsWindow()
{
    QObject owner;
    CallLogView view(*m_host, &owner);
    m_host->strSQL = QStringLiteral("Select * From tblCID");
    SaveProperty(Section::frmMain, Key::ViewTime, QStringLiteral("9"));
    QStringList opened;
    // Without the window nothing happens; with it, it opens for the main window, owned by it.
    view.ChoosePeriod(ViewTime::Custom);
    windowLinks().showCustomizeTime = [&](const QString& tag, QObject* by) {
        opened << tag + (by == &owner ? QStringLiteral(" by the owner") : QString());
    };
    QSignalSpy started(&view, &CallLogView::refillStarted);
    view.ChoosePeriod(ViewTime::Custom);
    QCOMPARE(opened, QStringList{QStringLiteral("Main by the owner")});
    QCOMPARE(m_host->strSQL, QStringLiteral("Select * From tblCID"));
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, QString()), QStringLiteral("9"));
    QVERIFY(started.isEmpty());
}

QTEST_GUILESS_MAIN(TestCallLogView)
#include "test_calllogview.moc"
