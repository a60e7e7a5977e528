// The records' text forms as they come from the network and the files: a caller, a contact, an attribute
// group, and the tokenizer under them. Whatever the text: a record that reads without fault prints a text
// that reads back to the same record.

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "core/clsAttributeGroup.h"
#include "core/clsCaller.h"
#include "core/clsContact.h"
#include "core/clsTokenizer.h"

namespace {

bool sameCaller(const clsCaller& a, const clsCaller& b)
{
    return a.ID == b.ID && a.Name == b.Name && a.Number.Number == b.Number.Number &&
           a.Number.Description == b.Number.Description && a.CallerDate == b.CallerDate && a.Rings == b.Rings &&
           a.ContactName == b.ContactName && a.AttributeGroup == b.AttributeGroup && a.Answered == b.Answered;
}

QString noneWhenEmpty(const QString& text) { return text.isEmpty() ? QStringLiteral("NONE") : text; }

void caller(const QString& text)
{
    clsCaller c;
    c.BuildCaller(text);
    if (c.BadData())
        return;
    clsCaller again;
    again.BuildCaller(c.PrintSend());
    FUZZ_CHECK(!again.BadData());
    FUZZ_CHECK(sameCaller(c, again));
    (void)c.PrintNameDescription();
}

void contact(const QString& text)
{
    clsContact c;
    c.BuildContact(text);
    if (c.BadData())
        return;
    clsContact again;
    again.BuildContact(c.PrintSend());
    FUZZ_CHECK(!again.BadData());
    FUZZ_CHECK(again.Name == c.Name && again.AttributeGroup == c.AttributeGroup && again.ImageFile == c.ImageFile &&
               again.OtherInfo == c.OtherInfo);
    FUZZ_CHECK(again.Numbers.count() == c.Numbers.count());
    for (int i = 0; i < c.Numbers.count(); ++i) {
        FUZZ_CHECK(again.Numbers.at(i)->Number == c.Numbers.at(i)->Number);
        // An empty description travels as "NONE", which a contact keeps as it is.
        FUZZ_CHECK(noneWhenEmpty(again.Numbers.at(i)->Description) == noneWhenEmpty(c.Numbers.at(i)->Description));
    }
}

void group(const QString& text)
{
    clsAttributeGroup g;
    g.Build(text);
    if (g.BadData())
        return;
    clsAttributeGroup again;
    again.Build(g.PrintSend());
    FUZZ_CHECK(!again.BadData());
    FUZZ_CHECK(again.Description == g.Description && again.Color == g.Color && again.Block == g.Block &&
               again.Sound == g.Sound);
}

void tokenizer(const QString& text, const QString& delimiter, bool removeEmpty)
{
    if (delimiter.isEmpty())
        return;
    clsTokenizer t(text, delimiter, removeEmpty);
    QStringList tokens;
    FUZZ_CHECK(t.CurrentToken() == 0);
    const qint32 count = t.TokenCount();
    while (t.MoreTokens())
        tokens << t.NextToken();
    FUZZ_CHECK(t.NextToken().isEmpty());
    FUZZ_CHECK(qint32(tokens.size()) - 1 == count);
    if (!removeEmpty)
        FUZZ_CHECK(tokens.join(delimiter) == text);
    else
        for (const QString& token : tokens)
            FUZZ_CHECK(tokens.size() == 1 || !token.isEmpty());
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
    const int which = input.ConsumeIntegralInRange(0, 4);
    const bool removeEmpty = input.ConsumeBool();
    const std::string delimiter = input.ConsumeRandomLengthString(3);
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QString text = QString::fromUtf8(rest.data(), qsizetype(rest.size()));
    switch (which) {
    case 0:
        caller(text);
        break;
    case 1:
        contact(text);
        break;
    case 2:
        group(text);
        break;
    case 3:
        tokenizer(text, QString::fromUtf8(delimiter.data(), qsizetype(delimiter.size())), removeEmpty);
        break;
    default:
        // Every reader over the same text.
        caller(text);
        contact(text);
        group(text);
        tokenizer(text, QStringLiteral("|"), removeEmpty);
        tokenizer(text, QStringLiteral(";"), removeEmpty);
        break;
    }
    return 0;
}
