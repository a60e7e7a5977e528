#include "core/clsTokenizer.h"

#include <QTest>

class TestTokenizer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keepsOrDropsEmptyTokens();
    void emptyText();
    void textOfDelimitersOnly();
    void handsOutTokensOneByOne();
    void multiCharacterDelimiterIsExact();
    void indicesPass16Bits();
    void reloadStartsOver();
};

static QStringList drain(clsTokenizer& t)
{
    QStringList out;
    while (t.MoreTokens())
        out << t.NextToken();
    return out;
}

void TestTokenizer::keepsOrDropsEmptyTokens()
{
    clsTokenizer keep(QStringLiteral("a|b||c"), QStringLiteral("|"), false);
    QCOMPARE(keep.TokenCount(), 3);
    QCOMPARE(drain(keep), (QStringList{"a", "b", "", "c"}));

    clsTokenizer drop(QStringLiteral("a|b||c"), QStringLiteral("|"), true);
    QCOMPARE(drop.TokenCount(), 2);
    QCOMPARE(drain(drop), (QStringList{"a", "b", "c"}));

    // Leading and trailing delimiters give empty first and last tokens when kept.
    clsTokenizer edges(QStringLiteral("|x|"), QStringLiteral("|"), false);
    QCOMPARE(drain(edges), (QStringList{"", "x", ""}));
}

void TestTokenizer::emptyText()
{
    clsTokenizer keep(QString(), QStringLiteral("|"), false);
    QVERIFY(!keep.MoreTokens());
    QCOMPARE(keep.TokenCount(), -1);
    QCOMPARE(keep.NextToken(), QString());
    QCOMPARE(keep.CurrentToken(), 0);

    clsTokenizer drop(QString(), QStringLiteral("|"), true);
    QVERIFY(drop.MoreTokens());
    QCOMPARE(drop.TokenCount(), 0);
    QCOMPARE(drop.NextToken(), QString());
    QVERIFY(!drop.MoreTokens());
}

void TestTokenizer::textOfDelimitersOnly()
{
    clsTokenizer drop(QStringLiteral(";;;"), QStringLiteral(";"), true);
    QCOMPARE(drop.TokenCount(), 0);
    QCOMPARE(drain(drop), QStringList{QString()});

    clsTokenizer keep(QStringLiteral(";;;"), QStringLiteral(";"), false);
    QCOMPARE(keep.TokenCount(), 3);
}

void TestTokenizer::handsOutTokensOneByOne()
{
    clsTokenizer t(QStringLiteral("x;y"), QStringLiteral(";"), false);
    QCOMPARE(t.CurrentToken(), 0);
    QCOMPARE(t.NextToken(), QStringLiteral("x"));
    QCOMPARE(t.CurrentToken(), 1);
    QVERIFY(t.MoreTokens());
    QCOMPARE(t.NextToken(), QStringLiteral("y"));
    QVERIFY(!t.MoreTokens());
    QCOMPARE(t.CurrentToken(), 2);
    // Past the end it keeps answering "" without moving.
    QCOMPARE(t.NextToken(), QString());
    QCOMPARE(t.NextToken(), QString());
    QCOMPARE(t.CurrentToken(), 2);
}

void TestTokenizer::multiCharacterDelimiterIsExact()
{
    clsTokenizer t(QStringLiteral("a//b/c//"), QStringLiteral("//"), false);
    QCOMPARE(drain(t), (QStringList{"a", "b/c", ""}));
    // Case matters for a letter delimiter.
    clsTokenizer c(QStringLiteral("aXbxc"), QStringLiteral("X"), false);
    QCOMPARE(drain(c), (QStringList{"a", "bxc"}));
}

void TestTokenizer::indicesPass16Bits()
{
    // A long client message: 40000 records in one text must all come out, in order.
    QStringList parts;
    for (int i = 0; i < 40000; ++i)
        parts << QString::number(i);
    clsTokenizer t(parts.join(QLatin1Char(';')), QStringLiteral(";"), true);
    QCOMPARE(t.TokenCount(), 39999);
    int expected = 0;
    while (t.MoreTokens()) {
        QCOMPARE(t.NextToken(), QString::number(expected));
        ++expected;
    }
    QCOMPARE(expected, 40000);
    QCOMPARE(t.CurrentToken(), 40000);
}

void TestTokenizer::reloadStartsOver()
{
    clsTokenizer t(QStringLiteral("a|b"), QStringLiteral("|"), false);
    t.NextToken();
    t.SetTokenizer(QStringLiteral("c"), QStringLiteral("|"), false);
    QCOMPARE(t.CurrentToken(), 0);
    QCOMPARE(t.TokenCount(), 0);
    QCOMPARE(drain(t), QStringList{"c"});
}

QTEST_GUILESS_MAIN(TestTokenizer)
#include "test_tokenizer.moc"
