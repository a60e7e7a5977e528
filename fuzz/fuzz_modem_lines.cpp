// The modem's bytes as they come, cut into lines, and the caller-ID values read from them the way the call
// handler reads them. Whatever the bytes: no line beyond its bound, no control character in a line, no
// separator in a value, and a record made of the values prints and reads back with every field in place.

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "capture/CallHandler.h"
#include "capture/ModemLines.h"
#include "core/clsCaller.h"

namespace {

const QStringList kBlockStrings = {QStringLiteral("555*"), QStringLiteral("*1234"), QStringLiteral("(800) 5"),
                                   QStringLiteral("12*4*6"), QStringLiteral("5551234")};

void value(const QString& line)
{
    const QString tag = line.toUpper().left(4);
    if (tag != QLatin1String("NMBR") && tag != QLatin1String("NAME"))
        return;
    const QString raw = CallHandler::lineValue(line, tag);
    for (const QChar c : raw) {
        FUZZ_CHECK(c != QLatin1Char(';') && c != QLatin1Char('|') && c != QLatin1Char('\''));
        FUZZ_CHECK(c.category() != QChar::Other_Control);
    }
    FUZZ_CHECK(!raw.contains(QStringLiteral("//")));
    clsCaller c;
    c.ID = 7;
    c.Name = tag == QLatin1String("NAME") ? CallHandler::formatName(raw) : QStringLiteral("NOT RECEIVED");
    c.Number.Number = tag == QLatin1String("NMBR") ? CallHandler::formatNumber(raw) : QStringLiteral("NOT RECEIVED");
    c.CallerDate = QStringLiteral("3/21/2024 2:05:07 PM");
    c.Answered = QStringLiteral("N/A");
    const QString sent = c.PrintSend();
    FUZZ_CHECK(sent.count(QLatin1Char('|')) == 11);
    clsCaller back;
    back.BuildCaller(sent);
    FUZZ_CHECK(!back.BadData() && back.Name == c.Name && back.Number.Number == c.Number.Number &&
               back.Answered == c.Answered);
    for (const QString& entry : kBlockStrings)
        (void)CallHandler::matchesBlockString(entry, c.Number.Number);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzInit(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    ModemLineAssembler lines;
    while (input.remaining_bytes() > 0) {
        // The bytes arrive in reads of any size; where a read ends must not matter.
        const size_t read = input.ConsumeIntegralInRange<size_t>(1, 512);
        const std::string bytes = input.ConsumeBytesAsString(read);
        lines.append(QByteArray(bytes.data(), qsizetype(bytes.size())));
        while (const std::optional<QString> line = lines.next()) {
            FUZZ_CHECK(!line->isEmpty());
            FUZZ_CHECK(line->size() <= ModemLineAssembler::MaxLineBytes);
            for (const QChar c : *line)
                FUZZ_CHECK(c.category() != QChar::Other_Control);
            value(*line);
        }
        lines.takeTooLong();
        FUZZ_CHECK(lines.partial().size() <= ModemLineAssembler::MaxLineBytes);
    }
    return 0;
}
