// What an idle program costs: the standalone program with the call list focused, and a server with 1,000
// quiet clients, each left alone for an interval. The figures are the process's CPU time over the interval
// and the timer events it received; the aim is none of either (the clock panel's once-a-minute turn aside).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <vector>

#include <sys/resource.h>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "network/clsServer.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

namespace {

constexpr int kIdleMs = 3000;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class TimerEvents : public QObject {
public:
    QObject* ignored = nullptr;
    long count = 0;
    TimerEvents() { qApp->installEventFilter(this); }
    ~TimerEvents() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Timer && watched != ignored)
            ++count;
        return false;
    }
};

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lets start-up settle, then measures one idle interval.
void measureIdle(benchmark::State& state, frmBaseMain* w)
{
    runFor(300);
    while (StandaloneSession::timer(QStringLiteral("StatusTimer"))->isActive())
        w->StatusTimer_Timer();
    for (auto _ : state) {
        TimerEvents events;
        // The clock panel's own timer turns once a minute: work, not an idle wake-up.
        events.ignored = StandaloneSession::timer(QStringLiteral("ClockTimer"));
        const double before = cpuSeconds();
        runFor(kIdleMs);
        const double spent = cpuSeconds() - before;
        state.SetIterationTime(double(kIdleMs) / 1000.0);
        state.counters["cpu_percent"] = 100.0 * spent / (double(kIdleMs) / 1000.0);
        // The interval's own end is one timer event.
        state.counters["timer_events_per_s"] = double(events.count - 1) / (double(kIdleMs) / 1000.0);
    }
}

void BM_IdleStandaloneCallListFocused(benchmark::State& state)
{
    StandaloneSession session;
    if (!session.start()) {
        state.SkipWithError("the program did not start");
        return;
    }
    frmBaseMain* w = StandaloneSession::window();
    w->show();
    w->SetFocus();
    StandaloneSession::grid()->innerGrid()->setFocus();
    measureIdle(state, w);
    session.stop();
}
BENCHMARK(BM_IdleStandaloneCallListFocused)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_IdleServerWith1000Clients(benchmark::State& state)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    StandaloneSession session;
    if (!session.start()) {
        state.SkipWithError("the program did not start");
        return;
    }
    ShutDown();
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    if (!Main() || !gServer || !gServer->isListening()) {
        state.SkipWithError("the server did not start");
        return;
    }
    frmBaseMain* w = StandaloneSession::window();
    StandaloneSession::port()->PortOpenTimer.stop();
    w->show();
    w->SetFocus();
    StandaloneSession::grid()->innerGrid()->setFocus();
    std::vector<std::unique_ptr<QTcpSocket>> peers;
    QElapsedTimer accepting;
    accepting.start();
    for (int i = 0; i < 1000; ++i) {
        peers.push_back(std::make_unique<QTcpSocket>());
        peers.back()->connectToHost(QStringLiteral("127.0.0.1"), gServer->LocalPort());
    }
    while (gServer->ClientCount() < 1000 && accepting.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    state.counters["accept_1000_ms"] = double(accepting.elapsed());
    if (gServer->ClientCount() < 1000) {
        state.SkipWithError("not every client was accepted");
        return;
    }
    measureIdle(state, w);
    peers.clear();
    session.stop();
}
BENCHMARK(BM_IdleServerWith1000Clients)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    registerStartupWindows();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
