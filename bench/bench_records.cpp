#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>

#include "core/clsAttributeGroup.h"
#include "core/clsCaller.h"
#include "core/clsContact.h"
#include "core/clsTokenizer.h"

namespace {

clsCaller sampleCaller(int i)
{
    clsCaller c;
    c.ID = 40000 + i;
    c.Name = QStringLiteral("SMITH JOHN");
    c.Number.Number = QStringLiteral("(555) 123-4567");
    c.Number.Description = QStringLiteral("Home");
    c.CallerDate = QStringLiteral("3/21/2024 2:05:07 PM");
    c.Rings = 3;
    c.ContactName = QStringLiteral("John Smith");
    c.AttributeGroup = QStringLiteral("VIP Callers");
    c.Answered = QStringLiteral("YES");
    return c;
}

// What a server sends when a client asks for a full call list: one ";CALLER;" record per call.
QString longMessage(int callers)
{
    QString text;
    for (int i = 0; i < callers; ++i)
        text += QStringLiteral(";CALLER;") + sampleCaller(i).PrintSend();
    return text + QLatin1Char(';');
}

} // namespace

static void BM_CallerRoundTrip(benchmark::State& state)
{
    const clsCaller c = sampleCaller(1);
    for (auto _ : state) {
        clsCaller back;
        back.BuildCaller(c.PrintSend());
        benchmark::DoNotOptimize(back.ID);
    }
}
BENCHMARK(BM_CallerRoundTrip);

static void BM_ContactRoundTrip(benchmark::State& state)
{
    clsContact c;
    c.Name = QStringLiteral("John Smith");
    c.AttributeGroup = QStringLiteral("VIP Callers");
    for (int i = 0; i < 5; ++i)
        c.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-000%1").arg(i), QStringLiteral("Line %1").arg(i)));
    for (auto _ : state) {
        clsContact back;
        back.BuildContact(c.PrintSend());
        benchmark::DoNotOptimize(back.Numbers.count());
    }
}
BENCHMARK(BM_ContactRoundTrip);

static void BM_AttributeGroupRoundTrip(benchmark::State& state)
{
    clsAttributeGroup g;
    g.Description = QStringLiteral("Block Calls");
    g.Color = 255;
    g.Block = true;
    g.Sound = QStringLiteral("/home/user/.local/share/Velquon/Sounds/Alarm.wav");
    for (auto _ : state) {
        clsAttributeGroup back;
        back.Build(g.PrintSend());
        benchmark::DoNotOptimize(back.Color);
    }
}
BENCHMARK(BM_AttributeGroupRoundTrip);

// Splitting a whole call-list message and reading every caller in it.
static void BM_TokenizeLongMessage(benchmark::State& state)
{
    const QString message = longMessage(int(state.range(0)));
    for (auto _ : state) {
        clsTokenizer t(message, QStringLiteral(";"), true);
        qint64 ids = 0;
        while (t.MoreTokens()) {
            const QString token = t.NextToken();
            if (token.startsWith(QLatin1Char('|'))) {
                clsCaller c;
                c.BuildCaller(token);
                ids += c.ID;
            }
        }
        benchmark::DoNotOptimize(ids);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TokenizeLongMessage)->Arg(1000)->Arg(50000);

BENCHMARK_MAIN();
