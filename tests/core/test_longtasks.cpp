#include "core/ProgramLinks.h"

#include <QCoreApplication>
#include <QTest>

#include <csignal>

#include "core/Processing.h"
#include "platform/TerminationSignal.h"
#include "support/QueuedMarker.h"

// An end of the program asked for while a long task lets the event loop run (SIGTERM in the middle of a long
// answer or a statistics run) stops the task at its next step and runs the exit steps once the task has
// returned: never under the task, and never only after the task would have finished.
class TestLongTasks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void sigtermStopsTheTaskAndEndsAfterIt();
    void withoutATaskTheEndRunsAtOnce();
};

void TestLongTasks::cleanup()
{
    installTerminationHandler([] {});
}

void TestLongTasks::sigtermStopsTheTaskAndEndsAfterIt()
{
    bool insideTask = false;
    int ends = 0;
    bool endedInsideTask = false;
    installTerminationHandler([&] {
        Program::requestEnd([&] {
            ++ends;
            endedInsideTask = insideTask;
        });
    });
    int steps = 0;
    {
        // A long operation as the program writes one: a step, a look at the event loop, a look at Stop.
        Processing progress(100000, QStringLiteral("Working..."));
        insideTask = true;
        for (; steps < 100000; ++steps) {
            if (steps == 10)
                ::raise(SIGTERM);
            QCoreApplication::processEvents();
            if (progress.StopProcessing())
                break;
        }
        insideTask = false;
        QVERIFY(Program::ending());
        QCOMPARE(ends, 0);
    }
    // The signal reaches the loop at its next turn or so, not after the whole task.
    QVERIFY2(steps < 1000, qPrintable(QString::number(steps)));
    QTRY_COMPARE(ends, 1);
    QVERIFY(!endedInsideTask);
    QVERIFY(!Program::ending());
}

void TestLongTasks::withoutATaskTheEndRunsAtOnce()
{
    int ends = 0;
    Program::requestEnd([&] { ++ends; });
    QCOMPARE(ends, 1);
    // Nested tasks: the end waits for the outer one.
    {
        LongTask outer;
        {
            LongTask inner;
            Program::requestEnd([&] { ++ends; });
            Program::requestEnd([&] { ends += 100; }); // a second request while one waits changes nothing
        }
        QVERIFY(waitForQueuedMarker());
        QCOMPARE(ends, 1);
        QVERIFY(Program::ending());
    }
    QTRY_COMPARE(ends, 2);
}

QTEST_GUILESS_MAIN(TestLongTasks)
#include "test_longtasks.moc"
