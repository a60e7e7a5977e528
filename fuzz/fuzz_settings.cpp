// The settings file as it may be found (hand edits, other programs, disk faults). Whatever the bytes: what
// the reader keeps is written back as a file the reader takes whole, to exactly the same values.

#include "FuzzSupport.h"
#include "platform/IniFile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzInit(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const IniFile::Parsed parsed = IniFile::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    FUZZ_CHECK((parsed.damagedLines == 0) == (parsed.firstDamagedLine == 0));
    const QByteArray written = IniFile::serialize(parsed.values);
    const IniFile::Parsed again = IniFile::parse(written);
    FUZZ_CHECK(again.damagedLines == 0);
    FUZZ_CHECK(again.values == parsed.values);
    for (auto it = parsed.values.cbegin(); it != parsed.values.cend(); ++it) {
        QString value;
        FUZZ_CHECK(IniFile::unescapeValue(IniFile::escapeValue(it.value()), value));
        FUZZ_CHECK(value == it.value());
    }
    return 0;
}
