// Loading the attribute group file at start-up, with many groups: each line is checked against the groups
// already there, which must stay one look-up a line.

#include <benchmark/benchmark.h>

#include <QFile>

#include "core/Globals.h"
#include "core/modAttributeGroup.h"
#include "support/TempHome.h"

static void BM_LoadAttributeGroups(benchmark::State& state)
{
    gNetworkMode = Standalone;
    TempHome home;
    const int groups = int(state.range(0));
    QByteArray bytes;
    for (int i = 0; i < groups; ++i)
        bytes += QStringLiteral("\"Group %1\",%1,#FALSE#,\"\"\r\n").arg(i).toUtf8();
    QFile f(home.file("AttributeGroups.dat"));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();
    for (auto _ : state) {
        gAttributeGroups = {};
        LoadAttributeGroupsFromFile(home.file("AttributeGroups.dat"));
        if (gAttributeGroups.count() != groups)
            state.SkipWithError("not every group was loaded");
    }
    gAttributeGroups = {};
    state.SetComplexityN(groups);
}
BENCHMARK(BM_LoadAttributeGroups)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
