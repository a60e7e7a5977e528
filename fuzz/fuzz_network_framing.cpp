// A peer's byte stream, however it is split into reads: cut into units at the end-of-send marker, each unit
// cut into its tokens, and the access-list entries typed for a peer's address. The units must not depend on
// where the reads were split, the bytes held must stay under the bound, and every unit ends with the marker.

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "core/clsTokenizer.h"
#include "network/IPEntry.h"
#include "network/MessageFramer.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzInit(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const qsizetype bound = input.ConsumeIntegralInRange<qsizetype>(1, 4096);
    const std::string typed = input.ConsumeRandomLengthString(32);
    const bool restricted = input.ConsumeBool();
    std::vector<size_t> splits;
    const int reads = input.ConsumeIntegralInRange(0, 16);
    for (int i = 0; i < reads; ++i)
        splits.push_back(input.ConsumeIntegralInRange<size_t>(0, 256));
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArray stream(rest.data(), qsizetype(rest.size()));

    MessageFramer whole(bound);
    const QStringList wholeUnits = whole.feed(stream);
    FUZZ_CHECK(whole.pending() <= whole.maxUnitBytes());

    MessageFramer split(bound);
    QStringList splitUnits;
    qsizetype at = 0;
    for (size_t s : splits) {
        const qsizetype n = std::min<qsizetype>(qsizetype(s), stream.size() - at);
        splitUnits += split.feed(stream.mid(at, n));
        FUZZ_CHECK(split.pending() <= split.maxUnitBytes());
        at += n;
    }
    splitUnits += split.feed(stream.mid(at));
    FUZZ_CHECK(split.pending() <= split.maxUnitBytes());
    if (!whole.overflowed() && !split.overflowed())
        FUZZ_CHECK(splitUnits == wholeUnits);

    for (const QString& unit : splitUnits) {
        FUZZ_CHECK(unit.endsWith(QString::fromLatin1(MessageFramer::Marker)));
        clsTokenizer tokens(unit, QStringLiteral(";"), false);
        QStringList all;
        while (tokens.MoreTokens())
            all << tokens.NextToken();
        FUZZ_CHECK(all.join(QLatin1Char(';')) == unit);
    }

    bool valid = false;
    const QString entry = IPEntry(QString::fromUtf8(typed.data(), qsizetype(typed.size())), restricted, valid);
    if (valid && !entry.isEmpty()) {
        // A valid entry is an address of four parts and its mark, and reads as valid again.
        FUZZ_CHECK(entry.endsWith(restricted ? QStringLiteral(" R") : QStringLiteral(" B")));
        const QString address = entry.chopped(2);
        FUZZ_CHECK(address.split(QLatin1Char('.')).size() == 4);
        bool again = false;
        FUZZ_CHECK(IPEntry(address, restricted, again) == entry && again);
    }
    return 0;
}
