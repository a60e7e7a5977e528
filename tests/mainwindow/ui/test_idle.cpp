// An idle program does no work: no timer runs unless it has something to do, whether the call list has the
// focus or a server keeps many quiet clients. Timer events are counted over the whole program.

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QListWidget>
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
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

namespace {

// Every timer event the application delivers, by the class of the object that receives it.
class TimerEvents : public QObject {
public:
    TimerEvents() { qApp->installEventFilter(this); }
    ~TimerEvents() override { qApp->removeEventFilter(this); }
    QHash<QString, int> byClass;
    QObject* ignored = nullptr;
    int total() const
    {
        int n = 0;
        for (int v : byClass)
            n += v;
        return n;
    }
    QString text() const
    {
        QStringList parts;
        for (auto it = byClass.cbegin(); it != byClass.cend(); ++it)
            parts << it.key() + QLatin1Char('=') + QString::number(it.value());
        return parts.join(QLatin1Char(' '));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Timer && watched != ignored) {
            QString name = QString::fromLatin1(watched->metaObject()->className());
            if (!watched->objectName().isEmpty())
                name += QLatin1Char('/') + watched->objectName();
            if (watched->parent())
                name += QStringLiteral(" in ") + QString::fromLatin1(watched->parent()->metaObject()->className());
            ++byClass[name];
        }
        return false;
    }
};

// Lets the program settle (start-up's one-shot steps run), then counts what wakes it over an idle spell.
QString wakeUpsWhileIdle(frmBaseMain* w)
{
    QTest::qWait(200);
    // The status text of the last event line ages out over ten seconds: that is work, and it ends.
    while (StandaloneSession::timer(QStringLiteral("StatusTimer"))->isActive())
        w->StatusTimer_Timer();
    TimerEvents events;
    // The clock panel shows the time to the minute: its timer fires once at the turn of the minute.
    events.ignored = StandaloneSession::timer(QStringLiteral("ClockTimer"));
    QTest::qWait(600);
    return events.total() == 0 ? QString() : events.text();
}

} // namespace

class TestIdle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        registerStartupWindows();
        // Many clients need many descriptors; a shell's default soft limit is lower than the hard one.
        rlimit limit{};
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            setrlimit(RLIMIT_NOFILE, &limit);
        }
    }
    void cleanup() { m_session.stop(); }
    void standaloneWithTheCallListFocused();
    void serverWithManyQuietClients();

private:
    StandaloneSession m_session;
};

void TestIdle::standaloneWithTheCallListFocused()
{
    QVERIFY(m_session.start());
    frmBaseMain* w = StandaloneSession::window();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->SetFocus();
    StandaloneSession::grid()->innerGrid()->setFocus();
    QTRY_VERIFY(StandaloneSession::grid()->innerGrid()->hasFocus());
    const QString woke = wakeUpsWhileIdle(w);
    QVERIFY2(woke.isEmpty(), qPrintable(woke));
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

    const QString woke = wakeUpsWhileIdle(w);
    QVERIFY2(woke.isEmpty(), qPrintable(woke));
    peers.clear();
    QTRY_COMPARE_WITH_TIMEOUT(gServer->ClientCount(), 0, 60000);
}

QTEST_MAIN(TestIdle)
#include "test_idle.moc"
