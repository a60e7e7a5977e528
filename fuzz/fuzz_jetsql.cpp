// Query text of the Jet dialect as users type it and peers send it: the translator, the Like matcher, and
// the translated text run as an untrusted query on a read-only call log. Whatever the text: a translation or
// a clean refusal, never a change to the log, and a query that ends within its time budget.

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "platform/JetSql.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlError.h"

namespace {

SqlDatabase* g_writer = nullptr;
SqlDatabase* g_reader = nullptr;

qint64 rowCount()
{
    SqlStatement st = g_writer->prepare(QStringLiteral("SELECT count(*) FROM tblCID"));
    st.step();
    return st.int64(0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzInit(argc, argv);
    const QString path = SqlDatabase::memoryPath(QStringLiteral("fuzzjet"));
    g_writer = new SqlDatabase(path, SqlDatabase::Mode::ReadWriteCreate);
    g_writer->exec(QStringLiteral(
        "CREATE TABLE tblCID (ID INTEGER PRIMARY KEY AUTOINCREMENT, fldName TEXT(50) COLLATE NOCASE, fldNumber "
        "TEXT(50) COLLATE NOCASE, fldDate DATETIME, fldRings INTEGER, fldAnswered TEXT(50) COLLATE NOCASE);"
        "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) VALUES "
        "('JOHN SMITH', '(555) 123-4567', '2024-03-21 21:05:07', 2, 'NO'),"
        "('O''BRIEN', '555-1234', '2023-12-31 00:00:00', 1, 'YES'),"
        "('', 'NOT RECEIVED', '1899-12-30 09:30:00', 0, 'N/A')"));
    g_reader = new SqlDatabase(path, SqlDatabase::Mode::ReadOnly);
    g_reader->setTimeBudget(200);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int which = input.ConsumeIntegralInRange(0, 2);
    const std::string first = input.ConsumeRandomLengthString(256);
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QString a = QString::fromUtf8(first.data(), qsizetype(first.size()));
    const QString b = QString::fromUtf8(rest.data(), qsizetype(rest.size()));
    try {
        switch (which) {
        case 0:
            (void)JetSql::translate(b);
            break;
        case 1:
            (void)JetSql::like(a, b);
            break;
        default: {
            const qint64 before = rowCount();
            try {
                SqlStatement st = g_reader->prepareUntrusted(b);
                for (int row = 0; row < 1000 && st.step(); ++row) {
                }
            } catch (const SqlError&) {
            }
            FUZZ_CHECK(rowCount() == before);
            break;
        }
        }
    } catch (const SqlError& e) {
        FUZZ_CHECK(!e.message().isEmpty());
    }
    return 0;
}
