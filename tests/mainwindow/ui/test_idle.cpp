// An idle program does no work: no timer runs unless it has something to do, whether the call list has the
// focus or a server keeps many quiet clients. Every timer registered anywhere in the program is listed.

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMutex>
#include <QSet>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <vector>

#include <sys/resource.h>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "network/clsServer.h"
#include "platform/SingleInstance.h"
#include "support/QueuedMarker.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

// Qt's table of hooks for tools that follow every object. It is exported for them, but declared in no
// public header; its layout is versioned by its first entries.
extern Q_DECL_IMPORT quintptr qtHookData[];

namespace {

// Every QObject made and not yet deleted since install(), whatever its parent (timers that are members of
// an object have none), through Qt's object hooks.
class LiveObjects {
public:
    static bool install()
    {
        // The entries: 0 the table's version, 1 its size, 2 Qt's version, 3 add an object, 4 remove one.
        constexpr int kSize = 1, kQtVersion = 2, kAdd = 3, kRemove = 4;
        if (qtHookData[kSize] <= quintptr(kRemove) || qtHookData[kQtVersion] != quintptr(QT_VERSION))
            return false;
        if (qtHookData[kAdd] && qtHookData[kAdd] != reinterpret_cast<quintptr>(&added))
            return false; // a tool follows the objects already
        qtHookData[kAdd] = reinterpret_cast<quintptr>(&added);
        qtHookData[kRemove] = reinterpret_cast<quintptr>(&removed);
        return true;
    }
    static QList<QObject*> all()
    {
        QMutexLocker lock(&mutex());
        return set().values();
    }

private:
    // Objects come and go on other threads too (the sound server's, the name lookups'), and after the
    // process's own statics are gone: both are made once and never destroyed.
    static QMutex& mutex()
    {
        static auto* m = new QMutex;
        return *m;
    }
    static QSet<QObject*>& set()
    {
        static auto* s = new QSet<QObject*>;
        return *s;
    }
    static void added(QObject* o)
    {
        QMutexLocker lock(&mutex());
        set().insert(o);
    }
    static void removed(QObject* o)
    {
        QMutexLocker lock(&mutex());
        set().remove(o);
    }
};

// How a registered timer's object reads in a failure.
QString describe(QObject* o, int intervalMs)
{
    QString name = QString::fromLatin1(o->metaObject()->className());
    if (!o->objectName().isEmpty())
        name += QLatin1Char('/') + o->objectName();
    if (o->parent())
        name += QStringLiteral(" in ") + QString::fromLatin1(o->parent()->metaObject()->className());
    return name + QStringLiteral(" every %1 ms").arg(intervalMs);
}

// Lets the program settle (start-up's one-shot steps run out), then lists every timer that would wake it
// again and again. A one-shot timer ends by itself; the clock panel's fires once at the turn of the minute.
QStringList repeatingTimers(frmBaseMain* w)
{
    QStringList found;
    // The status text of the last event line ages out over ten seconds: that is work, and it ends.
    while (StandaloneSession::timer(QStringLiteral("StatusTimer"))->isActive())
        w->StatusTimer_Timer();
    if (!waitForQueuedMarker())
        return {QStringLiteral("the event loop did not come round")};
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const QList<QObject*> objects = LiveObjects::all();
    for (QObject* o : objects) {
        // Only this thread's timers are listed; another thread's object is not even looked at.
        const auto timers = dispatcher->registeredTimers(o);
        if (timers.isEmpty())
            continue;
        // A single-shot QTimer::singleShot() call stands behind an object of Qt's own making.
        const auto* timer = qobject_cast<QTimer*>(o);
        const bool oneShot =
            timer ? timer->isSingleShot() : qstrcmp(o->metaObject()->className(), "QSingleShotTimer") == 0;
        // Qt's pixmap cache looks over its entries every 30 s while it holds any: the toolkit's own
        // housekeeping behind every icon, not work of the program's.
        const bool toolkit = qstrcmp(o->metaObject()->className(), "QPMCache") == 0;
        if (oneShot || toolkit)
            continue;
        for (const auto& t : timers)
            found << describe(o, t.interval);
    }
    return found;
}

// A timer of the program's that must not be there while it is idle: proves the listing finds one.
struct PollingTimer {
    QTimer timer;
    PollingTimer()
    {
        timer.setObjectName(QStringLiteral("Poll"));
        timer.start(60 * 1000);
    }
};

} // namespace

class TestIdle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(LiveObjects::install(), "Qt's object hooks are taken or laid out otherwise");
        registerStartupWindows();
        // Many clients need many descriptors; a shell's default soft limit is lower than the hard one.
        rlimit limit{};
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            setrlimit(RLIMIT_NOFILE, &limit);
        }
    }
    void cleanup() { m_session.stop(); }
    void aRepeatingTimerIsFound();
    void standaloneWithTheCallListFocused();
    void serverWithManyQuietClients();

private:
    StandaloneSession m_session;
};

void TestIdle::aRepeatingTimerIsFound()
{
    QVERIFY(m_session.start());
    frmBaseMain* w = StandaloneSession::window();
    // A slow poll (once a minute), a parentless member timer like the program's own, and a bare object
    // timer.
    auto poll = std::make_unique<PollingTimer>();
    QObject bare;
    const int bareId = bare.startTimer(250);
    const QStringList found = repeatingTimers(w);
    QVERIFY2(found.contains(QStringLiteral("QTimer/Poll every 60000 ms")), qPrintable(found.join(", ")));
    QVERIFY2(found.contains(QStringLiteral("QObject every 250 ms")), qPrintable(found.join(", ")));
    bare.killTimer(bareId);
    // Once it is single-shot it ends by itself.
    poll->timer.setSingleShot(true);
    poll->timer.start();
    QVERIFY2(!repeatingTimers(w).join(", ").contains(QStringLiteral("Poll")),
             qPrintable(repeatingTimers(w).join(", ")));
}

void TestIdle::standaloneWithTheCallListFocused()
{
    QVERIFY(m_session.start());
    frmBaseMain* w = StandaloneSession::window();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->SetFocus();
    StandaloneSession::grid()->innerGrid()->setFocus();
    QTRY_VERIFY(StandaloneSession::grid()->innerGrid()->hasFocus());
    const QStringList timers = repeatingTimers(w);
    QVERIFY2(timers.isEmpty(), qPrintable(timers.join(", ")));
    // The clock is due within the minute, not every second.
    QTimer* clock = StandaloneSession::timer(QStringLiteral("ClockTimer"));
    QVERIFY(clock->isActive());
    QVERIFY(clock->remainingTime() <= 60 * 1000);
    QVERIFY(clock->isSingleShot());
}

void TestIdle::serverWithManyQuietClients()
{
    QVERIFY(m_session.start());
    ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SingleInstance::instance().release();
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    QVERIFY(Main());
    frmBaseMain* w = StandaloneSession::window();
    StandaloneSession::port()->PortOpenTimer.stop();
    QVERIFY(gServer && gServer->isListening());
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->SetFocus();

    constexpr int kClients = 1000;
    std::vector<std::unique_ptr<QTcpSocket>> peers;
    for (int i = 0; i < kClients; ++i) {
        peers.push_back(std::make_unique<QTcpSocket>());
        peers.back()->connectToHost(QStringLiteral("127.0.0.1"), gServer->LocalPort());
    }
    QTRY_COMPARE_WITH_TIMEOUT(gServer->ClientCount(), kClients, 60000);
    QTRY_COMPARE(StandaloneSession::panel(3)->text(), QStringLiteral("1000 Clients Connected"));
    QCOMPARE(ui::findByName<QListWidget>(w, QStringLiteral("lstClients"))->count(), kClients);

    const QStringList timers = repeatingTimers(w);
    QVERIFY2(timers.isEmpty(), qPrintable(timers.join(", ")));
    peers.clear();
    QTRY_COMPARE_WITH_TIMEOUT(gServer->ClientCount(), 0, 60000);
}

QTEST_MAIN(TestIdle)
#include "test_idle.moc"
