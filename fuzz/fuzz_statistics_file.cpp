// "Statistics.dat" (the user's own statistics and groups) as it may be found, read by the real loader.
// Whatever the bytes: the statistics and groups loaded are rewritten to a file that loads back to exactly
// the same items. (The file functions add only the reading and the atomic rewrite of the bytes, tested apart.)

#include "FuzzSupport.h"
#include "core/Globals.h"
#include "platform/DataFile.h"
#include "statistics/modStatistics.h"

namespace {

QStringList custom()
{
    QStringList out;
    for (const auto& entry : *gStatistics)
        if (entry.item->Custom)
            out << QStringLiteral("S|") + entry.item->Description + QLatin1Char('|') + entry.item->Statistic +
                       QLatin1Char('|') + entry.item->Style;
    for (const auto& entry : *gGroups)
        if (entry.item->Custom)
            out << QStringLiteral("G|") + entry.item->Description + QLatin1Char('|') + entry.item->Group;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzInit(argc, argv);
    gNetworkMode = Standalone;
    CreateDefaultStatistics();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The loader's own steps, as the file functions run them, minus the disk.
    ClearCustomStats();
    AddCustomStats(DataFile::parseAll(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))));
    const QStringList first = custom();
    const QByteArray rewritten = DataFile::formatAll(CustomStatsRecords());
    ClearCustomStats();
    AddCustomStats(DataFile::parseAll(rewritten));
    FUZZ_CHECK(custom() == first);
    ClearCustomStats();
    return 0;
}
