// The whole call road behind the modem's lines (fuzz_modem_lines has the parser alone, much faster): bytes
// cut into lines, every line through the call handler, each call stored in an in-memory call log, its
// number tried against block strings, and sent to the clients. Whatever the bytes: no line beyond its bound and
// no control character in one, and every record sent reads back whole, its fields where they belong.

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "capture/CallHandler.h"
#include "capture/ModemLines.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/clsCaller.h"
#include "core/modCallerDB.h"
#include "core/modProperties.h"
#include "platform/SqlDatabase.h"

namespace {

CallHandler* g_calls = nullptr;

void checkSent(const QString& text)
{
    static const QString incoming = QStringLiteral(";INCOMING CALLER;");
    if (!text.startsWith(incoming))
        return;
    const QString record = text.mid(incoming.size());
    // Ten fields between the outer bars, whatever the line held.
    FUZZ_CHECK(record.count(QLatin1Char('|')) == 11);
    FUZZ_CHECK(!record.contains(QLatin1Char(';')));
    clsCaller c;
    c.BuildCaller(record);
    FUZZ_CHECK(!c.BadData());
    FUZZ_CHECK(c.PrintSend() == record);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzInit(argc, argv);
    SaveProperty(Section::frmConfiguration, Key::ImmediateSound, QString());
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::BlockCallStrings, QStringLiteral(";555*;*1234;(800) 5;12*4*6;"));
    CreateCallerDB(SqlDatabase::memoryPath(QStringLiteral("fuzzcalls")));
    windowLinks().broadcast = checkSent;
    g_calls = new CallHandler(nullptr);
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
            g_calls->ProcessEvent(*line);
            const clsCaller& current = *g_calls->CurrentCaller;
            for (const QString& field : {current.Name, current.Number.Number}) {
                FUZZ_CHECK(!field.contains(QLatin1Char(';')) && !field.contains(QLatin1Char('|')));
                for (const QChar c : field)
                    FUZZ_CHECK(c.category() != QChar::Other_Control);
            }
        }
        lines.takeTooLong();
        FUZZ_CHECK(lines.partial().size() <= ModemLineAssembler::MaxLineBytes);
    }
    // The call ends; the next input starts on an empty log.
    for (int i = 0; i < 8; ++i)
        g_calls->RingTimer_Timer();
    gCallerDB->exec(QStringLiteral("DELETE FROM tblCID"));
    return 0;
}
