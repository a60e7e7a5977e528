// The call road's latency: from the last byte of a number line written on the modem's pseudo-terminal to
// the call's row rewritten in the SQLite call log and the grid told about it.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <vector>

#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "network/clsServer.h"
#include "support/FakeModem.h"
#include "support/ResetForTests.h"
#include "support/TempHome.h"

static void BM_NumberLineToStoredRow(benchmark::State& state)
{
    TempHome home;
    MainWindow window;
    gMainForm = &window;
    install(gServer);
    FakeModem modem;
    SaveProperty(Section::frmConfiguration, Key::CommPort, modem.slavePath());
    SaveProperty(Section::frmConfiguration, Key::ImmediateSound, "");
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, "False");
    SaveProperty(Section::frmConfiguration, Key::MaxEventLog, "100");
    CreateCallerDB(home.file("dbCID.mdb"));
    ModemPort port(&window);
    CallHandler calls(&port);
    calls.RingTimer.setInterval(3600 * 1000);
    calls.AnswerTimer.setInterval(3600 * 1000);
    port.OpenPort(true);
    if (!port.ModemConnected) {
        state.SkipWithError("the fake modem did not answer");
        return;
    }

    const int calls_per_run = int(state.range(0));
    std::vector<double> micros;
    micros.reserve(size_t(calls_per_run));
    QString expected;
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&calls, &CallHandler::callUpdated, &loop, [&](qint32, const clsCaller& c) {
        if (c.Number.Number == expected)
            loop.quit();
    });

    for (auto _ : state) {
        micros.clear();
        for (int i = 0; i < calls_per_run; ++i) {
            expected = QStringLiteral("RING");
            modem.injectLine(QStringLiteral("RING"));
            while (calls.CurrentCaller->Rings == 0)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

            const QString digits = QStringLiteral("555%1").arg(1000000 + i, 7, 10, QLatin1Char('0'));
            expected = QStringLiteral("(555) %1-%2").arg(digits.mid(3, 3), digits.mid(6, 4));
            QElapsedTimer clock;
            modem.inject("\r\nNMBR = " + digits.toLatin1() + "\r");
            clock.start();
            guard.start(2000);
            loop.exec();
            micros.push_back(double(clock.nsecsElapsed()) / 1000.0);
            modem.inject("\n");

            for (int t = 0; t < 8; ++t)
                calls.RingTimer_Timer();
            calls.AnswerTimer.stop();
        }
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, size_t(double(micros.size()) * 0.99))];
    state.counters["max_us"] = micros.back();

    port.OpenPort(false);
}
BENCHMARK(BM_NumberLineToStoredRow)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
