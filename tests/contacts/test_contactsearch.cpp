#include <QRegularExpression>
#include <QTest>

#include "contacts/ContactSearch.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "platform/SqlDatabase.h"
#include "support/TempHome.h"

using namespace ContactSearch;

namespace {

void store(const QString& name, const QStringList& numbers, const QString& group = QString(),
           const QString& info = QString())
{
    clsContact c;
    c.Name = name;
    c.AttributeGroup = group;
    c.OtherInfo = info;
    for (const QString& n : numbers)
        c.AddNumber(std::make_shared<clsNumber>(n, QString()));
    QVERIFY2(AddContact(c), qPrintable(name));
}

} // namespace

// The contact search on a real contact file: the database's Like with the pattern as a bound value, each
// name once, every matching record counted, and the pattern history.
class TestContactSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void namesMatchAsLikePatterns();
    void apostrophesAndBadPatternsAreHarmless();
    void numbersListEachOwnerOnceAndCountEveryRecord();
    void groupAndOtherInfoFields();
    void historyKeepsTheTenNewestWithoutCaseTwins();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestContactSearch::init()
{
    m_home = std::make_unique<TempHome>();
    gNetworkMode = Standalone;
    QVERIFY(CreateContactDB(m_home->file(QStringLiteral("dbContacts.mdb"))));
}

void TestContactSearch::cleanup() { m_home.reset(); }

void TestContactSearch::namesMatchAsLikePatterns()
{
    store(QStringLiteral("North"), {"555-0001"});
    store(QStringLiteral("Northgate"), {"555-0002"});
    store(QStringLiteral("Émile"), {"555-0003"});
    store(QStringLiteral("a_b"), {"555-0004"});
    store(QStringLiteral("axb"), {"555-0005"});

    QCOMPARE(run(ContactName, QStringLiteral("North")).names, QStringList{"North"});
    const Result north = run(ContactName, QStringLiteral("north*"));
    QCOMPARE(north.names, (QStringList{"North", "Northgate"}));
    QCOMPARE(north.records, 2);
    // "_" is an ordinary character for this Like; "?" is any one character.
    QCOMPARE(run(ContactName, QStringLiteral("a_b")).names, QStringList{"a_b"});
    QCOMPARE(run(ContactName, QStringLiteral("a?b")).names, (QStringList{"a_b", "axb"}));
    QCOMPARE(run(ContactName, QStringLiteral("%")).records, 0);
    QCOMPARE(run(ContactName, QStringLiteral("émile")).names, QStringList{"Émile"});
    QCOMPARE(run(ContactName, QStringLiteral("[!n]*")).names, (QStringList{"Émile", "a_b", "axb"}));
}

void TestContactSearch::apostrophesAndBadPatternsAreHarmless()
{
    store(QStringLiteral("ONeil"), {"555-0001"});
    const Result quote = run(ContactName, QStringLiteral("O'Neil"));
    QCOMPARE(quote.records, 0);
    QVERIFY(quote.names.isEmpty());
    // A pattern that would close the quoted text in a spliced query finds nothing and changes nothing.
    QCOMPARE(run(ContactName, QStringLiteral("x' OR '1'='1")).records, 0);
    QCOMPARE(run(ContactName, QStringLiteral("*'; DELETE FROM tblContacts; --")).records, 0);
    QCOMPARE(run(ContactName, QStringLiteral("*")).names, QStringList{"ONeil"});
    // An unclosed class cannot be read: nothing is found.
    const Result bad = run(ContactName, QStringLiteral("[a"));
    QCOMPARE(bad.records, 0);
    QVERIFY(bad.names.isEmpty());
}

void TestContactSearch::numbersListEachOwnerOnceAndCountEveryRecord()
{
    store(QStringLiteral("Ann"), {"(555) 555-1234", "555-9999", "555-0000"});
    store(QStringLiteral("Bob"), {"555-1111"});
    store(QStringLiteral("Cy"), {"444-1111"});
    const Result found = run(ContactNumber, QStringLiteral("*555*"));
    QCOMPARE(found.names, (QStringList{"Ann", "Bob"}));
    QCOMPARE(found.records, 4);
    QCOMPARE(run(ContactNumber, QStringLiteral("###-1111")).names, (QStringList{"Bob", "Cy"}));
    // Numbers filed under a spelling of the name in other capitals list the first spelling, once.
    store(QStringLiteral("Émile"), {"555-2222"});
    gContactDB->exec(QStringLiteral("INSERT INTO tblNumbers (fldName, fldNumber, fldDescription) VALUES "
                                    "('ANN', '555-3333', ''), ('éMILE', '555-4444', ''), ('Emile', '555-5555', '')"));
    const Result twins = run(ContactNumber, QStringLiteral("555-*"));
    QCOMPARE(twins.names, (QStringList{"Ann", "Bob", "Émile", "Emile"}));
    QCOMPARE(twins.records, 7);
}

void TestContactSearch::groupAndOtherInfoFields()
{
    store(QStringLiteral("Ann"), {"555-0001"}, QString(), QStringLiteral("plays chess"));
    store(QStringLiteral("Bob"), {"555-0002"}, QString(), QStringLiteral("Chess club"));
    QCOMPARE(run(OtherInfo, QStringLiteral("*chess*")).names, (QStringList{"Ann", "Bob"}));
    QCOMPARE(run(OtherInfo, QStringLiteral("chess*")).names, QStringList{"Bob"});
    // The stored group name is searched as the file holds it.
    gContactDB->exec(QStringLiteral("UPDATE tblContacts SET fldAttributeGroup = 'VIP Callers' WHERE fldName = 'Bob'"));
    QCOMPARE(run(AttributeGroup, QStringLiteral("vip*")).names, QStringList{"Bob"});
    QCOMPARE(run(AttributeGroup, QString()).records, 0);
}

void TestContactSearch::historyKeepsTheTenNewestWithoutCaseTwins()
{
    QVERIFY(history().isEmpty());
    for (int i = 1; i <= 11; ++i)
        remember(QStringLiteral("p%1").arg(i));
    QStringList expected;
    for (int i = 11; i >= 2; --i)
        expected << QStringLiteral("p%1").arg(i);
    QCOMPARE(history(), expected);
    remember(QStringLiteral("North"));
    remember(QStringLiteral("NORTH"));
    QCOMPARE(history().first(), QStringLiteral("NORTH"));
    QCOMPARE(history()
                 .filter(QRegularExpression(QStringLiteral("^north$"), QRegularExpression::CaseInsensitiveOption))
                 .size(),
             1);
    QCOMPARE(GetProperty(QString::fromLatin1(Section::frmFindContact), QString::fromLatin1(Key::Conditions), QString())
                 .left(7),
             QStringLiteral(";NORTH;"));
}

QTEST_MAIN(TestContactSearch)
#include "test_contactsearch.moc"
