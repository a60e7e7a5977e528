#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>

#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"

namespace {

// A fresh program folder, so every first run starts from no settings at all.
struct FreshHome {
    QTemporaryDir dir;
    FreshHome()
    {
        qputenv("VELQUON_HOME", dir.path().toUtf8());
        resetSettingsStore();
    }
    ~FreshHome() { resetSettingsStore(); }
};

} // namespace

// The first start of the program: the whole first-run table, the group file and the start entry.
static void BM_FirstRunSettings(benchmark::State& state)
{
    gNetworkMode = Standalone;
    setInitialScreenSizeTwips(1920 * 15, 1080 * 15);
    for (auto _ : state) {
        state.PauseTiming();
        auto home = std::make_unique<FreshHome>();
        state.ResumeTiming();
        InitializeSettings();
        state.PauseTiming();
        if (GetProperty(Section::frmConfiguration, Key::BlockCallStrings, QStringLiteral("<missing>")) != QString())
            state.SkipWithError("the first run did not write its table");
        home.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstRunSettings)->Unit(benchmark::kMillisecond)->Iterations(10);

// One option changed outside any batch: the file is rewritten each time.
static void BM_SaveOneProperty(benchmark::State& state)
{
    FreshHome home;
    int i = 0;
    for (auto _ : state)
        SaveProperty(Section::frmMain, Key::SortCol, QString::number(i++ % 5));
}
BENCHMARK(BM_SaveOneProperty)->Unit(benchmark::kMicrosecond);

// The readers that ask on every event.
static void BM_GetProperty(benchmark::State& state)
{
    FreshHome home;
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True"));
    for (auto _ : state)
        benchmark::DoNotOptimize(GetProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("False")));
}
BENCHMARK(BM_GetProperty)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
