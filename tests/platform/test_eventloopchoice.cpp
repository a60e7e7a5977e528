#include "platform/EventLoopChoice.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTest>
#include <QThread>

// The program's choice of Qt's own event loop holds for every thread it starts, however late, and is not
// handed on to the programs it starts.
class TestEventLoopChoice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void threadsStartedLaterUseQtsOwnLoop();
    void startedProgramsGetTheDesktopsEnvironment();
};

namespace {

QString dispatcherOfANewThread()
{
    QThread thread;
    QObject inThread;
    inThread.moveToThread(&thread);
    thread.start();
    QString name;
    QMetaObject::invokeMethod(
        &inThread,
        [&] { name = QString::fromLatin1(QThread::currentThread()->eventDispatcher()->metaObject()->className()); },
        Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    return name;
}

} // namespace

void TestEventLoopChoice::threadsStartedLaterUseQtsOwnLoop()
{
    // Long after the application object, as the sound, speech and name look-up threads start.
    QCOMPARE(QString::fromLatin1(QCoreApplication::eventDispatcher()->metaObject()->className()),
             QStringLiteral("QEventDispatcherUNIX"));
    QCOMPARE(dispatcherOfANewThread(), QStringLiteral("QEventDispatcherUNIX"));
}

void TestEventLoopChoice::startedProgramsGetTheDesktopsEnvironment()
{
    QVERIFY(!EventLoopChoice::childEnvironment().contains(QStringLiteral("QT_NO_GLIB")));
    bool seenByChild = true;
    QVERIFY(EventLoopChoice::startWithChildEnvironment([&] {
        seenByChild = qEnvironmentVariableIsSet("QT_NO_GLIB");
        return true;
    }));
    QVERIFY(!seenByChild);
    // And the choice is back for the threads that come after.
    QVERIFY(qEnvironmentVariableIsSet("QT_NO_GLIB"));
    QCOMPARE(dispatcherOfANewThread(), QStringLiteral("QEventDispatcherUNIX"));
}

int main(int argc, char* argv[])
{
    // As the program's main does: before the application object, never undone.
    qunsetenv("QT_NO_GLIB");
    EventLoopChoice::useQtsOwnLoop();
    QCoreApplication app(argc, argv);
    TestEventLoopChoice test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_eventloopchoice.moc"
