#include <QTest>
#include <QTimer>

#include <functional>

#include "core/ProgramLinks.h"
#include "core/modCallerDB.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "statistics/StatisticsBatch.h"
#include "statistics/StatisticsRun.h"
#include "statistics/modStatistics.h"
#include "support/TempHome.h"

namespace {

// A job that runs a body and says where it was when it ran.
class Job : public StatisticsJob {
public:
    Job(bool local, QString name, QStringList* log, std::function<void(Job&)> body = {})
        : StatisticsJob(local), m_name(std::move(name)), m_log(log), m_body(std::move(body))
    {
    }
    // A window's own job of that kind.
    Job(StatisticsJobKind kind, const void* owner, QString name, QStringList* log, std::function<void(Job&)> body = {})
        : StatisticsJob(true, kind, owner), m_name(std::move(name)), m_log(log), m_body(std::move(body))
    {
    }
    void run() override
    {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        *m_log << m_name;
        if (m_body)
            m_body(*this);
        --depth;
    }
    static inline int depth = 0;
    static inline int maxDepth = 0;

private:
    QString m_name;
    QStringList* m_log;
    std::function<void(Job&)> m_body;
};

void addCall(const QString& name, const char* iso, int rings)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = QStringLiteral("555-1234");
    c.CallerDate = DateText::format(*DateText::fromIso(QString::fromLatin1(iso)));
    c.Rings = rings;
    c.Answered = QStringLiteral("YES");
    AddCaller(c);
}

} // namespace

class TestStatisticsRun : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void gridCellsComeStatisticByStatistic();
    void aStopEndsTheGridAfterTheCurrentCell();
    void graphRowsAreLabelledBeforeTheyAreComputed();
    void jobsNeverNest();
    void anEndDoesNotWaitForTheJobsThatWait();
    void aNewLocalJobReplacesTheRunningOne();
    void clientJobsWaitTheirTurnInOrder();
    void aNewJobReplacesOnlyItsOwnKindAndOwner();
    void aRunKeepsTheEventLoopGoing();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestStatisticsRun::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(*DateText::fromIso(QStringLiteral("2024-06-15 12:00:00")));
    QVERIFY(CreateCallerDB(m_home->file("dbCID.mdb")));
    addCall("Ann", "2024-06-10 10:00:00", 1);
    addCall("Ann", "2024-06-10 10:30:00", 2);
    addCall("Bob", "2024-06-12 09:00:00", 3);
    CreateDefaultStatistics();
    Job::depth = Job::maxDepth = 0;
}

void TestStatisticsRun::cleanup() { m_home.reset(); }

void TestStatisticsRun::gridCellsComeStatisticByStatistic()
{
    clsGroup ann, bob, all;
    ann.Group = QStringLiteral("fldName = 'Ann'");
    bob.Group = QStringLiteral("fldName = 'Bob'");
    GridBatch batch(
        {*gStatistics->item(QStringLiteral("Total Calls")), *gStatistics->item(QStringLiteral("Most Rings"))},
        {ann, bob, all}, QString(), 5);
    QList<QPoint> order;
    const GridRunResult r =
        RunStatisticsGrid(batch, RunHooks(), nullptr, [&](int s, int g, const QString&) { order << QPoint(s, g); });
    QCOMPARE(r.cells, QStringList({"2", "1", "3", "2", "3", "3"}));
    QCOMPARE(order, QList<QPoint>({{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}}));
    QVERIFY(!r.stopped);
}

void TestStatisticsRun::aStopEndsTheGridAfterTheCurrentCell()
{
    GridBatch batch(
        {*gStatistics->item(QStringLiteral("Total Calls")), *gStatistics->item(QStringLiteral("Most Rings"))},
        {clsGroup(), clsGroup()}, QString(), 5);
    int asked = 0;
    RunHooks hooks;
    hooks.stopRequested = [&] { return ++asked >= 1; };
    const GridRunResult r = RunStatisticsGrid(batch, hooks, nullptr);
    QCOMPARE(r.cells, QStringList({"3"}));
    QVERIFY(r.stopped);

    // A cancelled job stops the same way.
    QStringList log;
    Job job(true, QStringLiteral("grid"), &log);
    job.cancel();
    const GridRunResult cancelled = RunStatisticsGrid(batch, RunHooks(), &job);
    QCOMPARE(cancelled.cells.size(), 1);
}

void TestStatisticsRun::graphRowsAreLabelledBeforeTheyAreComputed()
{
    const QList<GraphBucket> buckets =
        GraphBuckets(*DateText::fromIso(QStringLiteral("2024-06-09 12:00:00")),
                     *DateText::fromIso(QStringLiteral("2024-06-13 00:00:00")), GraphUnit::Day, 100);
    GraphBatch batch(*gStatistics->item(QStringLiteral("Total Calls")), {clsGroup(), clsGroup()}, buckets, 4);
    const GraphRunResult whole = RunGraph(batch, buckets, 2, RunHooks(), nullptr);
    QCOMPARE(whole.table.labels, QStringList({"6/9/2024 12:00:00 PM", "6/10/2024", "6/11/2024", "6/12/2024"}));
    QCOMPARE(whole.table.values, QList<QList<double>>({{0, 0}, {2, 2}, {0, 0}, {1, 1}}));

    // Stopped after the first value: every row is still there, with 0 where nothing was computed.
    RunHooks hooks;
    hooks.stopRequested = [] { return true; };
    const GraphRunResult stopped = RunGraph(batch, buckets, 2, hooks, nullptr);
    QVERIFY(stopped.stopped);
    QCOMPARE(stopped.table.labels.size(), 4);
    QCOMPARE(stopped.table.values, QList<QList<double>>({{0, 0}, {0, 0}, {0, 0}, {0, 0}}));
    QCOMPARE(DecodeGraphReply(EncodeGraphReply(stopped.table)).labels, stopped.table.labels);
}

void TestStatisticsRun::jobsNeverNest()
{
    QStringList log;
    // While the first job yields, a second is asked for: it runs after the first, never inside it.
    StatisticsQueue::submit(std::make_shared<Job>(false, "first", &log, [&](Job&) {
        StatisticsQueue::submit(std::make_shared<Job>(false, "second", &log));
        QVERIFY(StatisticsQueue::busy());
        QCOMPARE(StatisticsQueue::waiting(), 1);
        log << "first ends";
    }));
    QCOMPARE(log, QStringList({"first", "first ends", "second"}));
    QCOMPARE(Job::maxDepth, 1);
    QVERIFY(!StatisticsQueue::busy());
}

void TestStatisticsRun::anEndDoesNotWaitForTheJobsThatWait()
{
    QStringList log;
    // The program is to end while one job runs and another waits: the end waits for the running one, and the
    // waiting one is never begun.
    StatisticsQueue::submit(std::make_shared<Job>(false, "first", &log, [&](Job&) {
        StatisticsQueue::submit(std::make_shared<Job>(false, "second", &log));
        Program::requestEnd([&] { log << "end"; });
        log << "first ends";
    }));
    QTRY_COMPARE(log, QStringList({"first", "first ends", "end"}));
    QVERIFY(!StatisticsQueue::busy());
}

void TestStatisticsRun::aNewLocalJobReplacesTheRunningOne()
{
    QStringList log;
    bool firstCancelled = false;
    StatisticsQueue::submit(std::make_shared<Job>(true, "period 1", &log, [&](Job& self) {
        // A client's request, then two period changes of the window while this one runs.
        StatisticsQueue::submit(std::make_shared<Job>(false, "client", &log));
        StatisticsQueue::submit(std::make_shared<Job>(true, "period 2", &log));
        StatisticsQueue::submit(std::make_shared<Job>(true, "period 3", &log));
        firstCancelled = self.cancelled();
    }));
    QVERIFY(firstCancelled);
    // The window's own view counts only in its newest form; the client is still answered, in its turn.
    QCOMPARE(log, QStringList({"period 1", "client", "period 3"}));
}

void TestStatisticsRun::clientJobsWaitTheirTurnInOrder()
{
    QStringList log;
    StatisticsQueue::submit(std::make_shared<Job>(true, "window", &log, [&](Job&) {
        for (const char* name : {"client 1", "client 2", "client 3"})
            StatisticsQueue::submit(std::make_shared<Job>(false, name, &log));
        StatisticsQueue::cancelLocal(); // the window closes
    }));
    QCOMPARE(log, QStringList({"window", "client 1", "client 2", "client 3"}));
}

void TestStatisticsRun::aNewJobReplacesOnlyItsOwnKindAndOwner()
{
    using K = StatisticsJobKind;
    const int window = 0, other = 0;
    QStringList log;
    // While a client is answered, one command of the window asks for its grid and then its graph, and another
    // window asks for its graph: each waits its turn, none replaces another.
    StatisticsQueue::submit(std::make_shared<Job>(false, "client", &log, [&](Job&) {
        StatisticsQueue::submit(std::make_shared<Job>(K::Grid, &window, "grid", &log));
        StatisticsQueue::submit(std::make_shared<Job>(K::Graph, &window, "graph", &log));
        StatisticsQueue::submit(std::make_shared<Job>(K::Graph, &other, "other graph", &log));
        QCOMPARE(StatisticsQueue::waiting(), 3);
    }));
    QCOMPARE(log, QStringList({"client", "grid", "graph", "other graph"}));

    // A graph asked for while the grid runs leaves the grid to finish; a newer grid still replaces it, and only
    // the newest graph of the window is drawn.
    log.clear();
    bool gridCancelledByGraph = true;
    StatisticsQueue::submit(std::make_shared<Job>(K::Grid, &window, "grid 1", &log, [&](Job& self) {
        StatisticsQueue::submit(std::make_shared<Job>(K::Graph, &window, "graph 1", &log));
        gridCancelledByGraph = self.cancelled();
        StatisticsQueue::submit(std::make_shared<Job>(K::Graph, &window, "graph 2", &log));
        StatisticsQueue::submit(std::make_shared<Job>(K::Grid, &other, "other grid", &log));
        QVERIFY(!self.cancelled());
        StatisticsQueue::submit(std::make_shared<Job>(K::Grid, &window, "grid 2", &log));
        QVERIFY(self.cancelled());
    }));
    QVERIFY(!gridCancelledByGraph);
    QCOMPARE(log, QStringList({"grid 1", "graph 2", "other grid", "grid 2"}));

    // Closing one window stops its jobs only.
    log.clear();
    StatisticsQueue::submit(std::make_shared<Job>(false, "client", &log, [&](Job&) {
        StatisticsQueue::submit(std::make_shared<Job>(K::Grid, &window, "grid", &log));
        StatisticsQueue::submit(std::make_shared<Job>(K::Grid, &other, "other grid", &log));
        StatisticsQueue::cancelLocal(&window);
    }));
    QCOMPARE(log, QStringList({"client", "other grid"}));
}

void TestStatisticsRun::aRunKeepsTheEventLoopGoing()
{
    // Without a progress window a run still yields once a cell: a timer's tick gets through.
    int ticks = 0;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    QList<clsGroup> groups(40);
    GridBatch batch({*gStatistics->item(QStringLiteral("Total Calls"))}, groups, QString(), 5);
    RunStatisticsGrid(batch, RunHooks(), nullptr);
    QVERIFY(ticks >= 10);
}

QTEST_GUILESS_MAIN(TestStatisticsRun)
#include "test_statisticsrun.moc"
