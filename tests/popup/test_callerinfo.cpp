#include <QTest>

#include "core/Globals.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "popup/MiniDisplay.h"
#include "statistics/modStatistics.h"
#include "support/TempHome.h"

namespace {

const QString kDefaultList = QStringLiteral(";Total Calls;Calls in the Last Day;Calls in the Last Week;"
                                            "Calls Between 9pm and 1am;Most Calls in a Day;Most Calls in a Week;");

void addCall(const QString& name, const QString& number, const QString& iso, int rings)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(*DateText::fromIso(iso));
    c.Rings = rings;
    c.Answered = QStringLiteral("YES");
    AddCaller(c);
    QVERIFY(c.ID > 0);
}

clsCaller caller(const QString& name, const QString& number, const QString& contactName = QString())
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.ContactName = contactName;
    return c;
}

void addContact(const QString& name, const QStringList& numbers)
{
    auto c = std::make_shared<clsContact>();
    c->Name = name;
    for (const QString& n : numbers) {
        clsNumber number(n, QString());
        c->Numbers.add(number.PrintNumberDescription(), std::make_shared<clsNumber>(number));
    }
    gContacts.add(name, c);
}

} // namespace

class TestCallerInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void defaultListForACallerWithoutContact();
    void valuesInShortestFormAndDaysSinceFirstCall();
    void contactWithoutGroupCoversAllItsNumbers();
    void perContactGroupIsUsedByName();
    void emptyOrUnknownListsGiveTheHeaderOnly();
    void emptyCallerQueriesNothing();
    void quotesInANumberAreMatchedAsText();
    void firstCallDate();
    void clientModeGivesNothing();

private:
    std::unique_ptr<TempHome> m_home;
    MiniDisplay m_popup;
};

void TestCallerInfo::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(*DateText::fromIso(QStringLiteral("2024-03-20 12:00:00")));
    QVERIFY(CreateCallerDB(m_home->file("dbCID.mdb")));
    addCall("John Smith", "555-1234", "2024-03-20 10:00:00", 2);
    addCall("John Smith", "555-1234", "2024-03-20 10:20:00", 3);
    addCall("Jane Doe", "555-9876", "2024-03-14 22:30:00", 1);
    addCall("J SMITH", "555-7777", "2024-03-19 11:00:00", 5);
    addCall("Bob", "555-0000", "2024-03-01 09:00:00", 1);
    CreateDefaultStatistics();
}

void TestCallerInfo::cleanup() { m_home.reset(); }

void TestCallerInfo::defaultListForACallerWithoutContact()
{
    QCOMPARE(m_popup.GenerateCallerInfo(caller("John Smith", "555-1234"), kDefaultList),
             QStringLiteral("Caller Info: John Smith\r\n"
                            "Total Calls: 2\r\n"
                            "Calls in the Last Day: 2\r\n"
                            "Calls in the Last Week: 2\r\n"
                            "Calls Between 9pm and 1am: 0\r\n"
                            "Most Calls in a Day: 2\r\n"
                            "Most Calls in a Week: 2"));
    QCOMPARE(m_popup.GenerateCallerInfo(caller("Jane Doe", "555-9876"), kDefaultList),
             QStringLiteral("Caller Info: Jane Doe\r\n"
                            "Total Calls: 1\r\n"
                            "Calls in the Last Day: 0\r\n"
                            "Calls in the Last Week: 1\r\n"
                            "Calls Between 9pm and 1am: 1\r\n"
                            "Most Calls in a Day: 1\r\n"
                            "Most Calls in a Week: 1"));
}

void TestCallerInfo::valuesInShortestFormAndDaysSinceFirstCall()
{
    // 2 calls over the 19 days since Bob's call: 0.105 rounds to 0.11. The list's case, order and empty
    // pieces do not matter; the names shown are the statistics' own.
    QCOMPARE(m_popup.GenerateCallerInfo(caller("John Smith", "555-1234"),
                                        QStringLiteral("average rings;;Average Calls Per Day;")),
             QStringLiteral("Caller Info: John Smith\r\nAverage Rings: 2.5\r\nAverage Calls Per Day: 0.11"));
    QCOMPARE(MiniDisplay::statisticText(1234567.0), QStringLiteral("1234567"));
    QCOMPARE(MiniDisplay::statisticText(-1), QStringLiteral("Too Complex"));
    QCOMPARE(MiniDisplay::statisticText(-2), QStringLiteral("Bad SQL"));
}

void TestCallerInfo::contactWithoutGroupCoversAllItsNumbers()
{
    // The contact comes after the groups were made, so it has no group of its own yet.
    addContact("Johnny", {"555-1234", "555-7777"});
    QVERIFY(!gGroups->contains(QStringLiteral("Johnny")));
    QCOMPARE(m_popup.GenerateCallerInfo(caller("J SMITH", "555-7777"),
                                        QStringLiteral(";Total Calls;Calls in the Last Day;Average Rings;")),
             QStringLiteral("Caller Info: J SMITH\r\nTotal Calls: 3\r\nCalls in the Last Day: 2\r\n"
                            "Average Rings: 3.33"));
    const clsGroup group = MiniDisplay::callerGroup(caller("J SMITH", "555-7777"));
    QCOMPARE(group.Description, QStringLiteral("Johnny"));
    QVERIFY(!gGroups->contains(QStringLiteral("Johnny"))); // serves the one text only
}

void TestCallerInfo::perContactGroupIsUsedByName()
{
    addContact("Johnny", {"555-1234", "555-7777"});
    UpdateContactGroups();
    QVERIFY(gGroups->contains(QStringLiteral("Johnny")));
    // The caller's own number is not what counts: the contact's group is found by its name.
    QCOMPARE(m_popup.GenerateCallerInfo(caller("J SMITH", "555-0000", "Johnny"), QStringLiteral("Total Calls")),
             QStringLiteral("Caller Info: Johnny\r\nTotal Calls: 3"));
}

void TestCallerInfo::emptyOrUnknownListsGiveTheHeaderOnly()
{
    const clsCaller john = caller("John Smith", "555-1234");
    QCOMPARE(m_popup.GenerateCallerInfo(john, QString()), QStringLiteral("Caller Info: John Smith"));
    QCOMPARE(m_popup.GenerateCallerInfo(john, QStringLiteral(";;No Such Statistic;")),
             QStringLiteral("Caller Info: John Smith"));
}

void TestCallerInfo::emptyCallerQueriesNothing()
{
    // An empty number would match every call of the log.
    QVERIFY(MiniDisplay::callerGroup(clsCaller()).Group.isEmpty());
    QCOMPARE(m_popup.GenerateCallerInfo(clsCaller(), kDefaultList), QStringLiteral("Caller Info: "));
    QCOMPARE(m_popup.GenerateCallerInfo(caller("Someone", QString()), kDefaultList),
             QStringLiteral("Caller Info: Someone"));
}

void TestCallerInfo::quotesInANumberAreMatchedAsText()
{
    addCall("O'Neil", "555-'1", "2024-03-20 11:00:00", 1);
    QCOMPARE(m_popup.GenerateCallerInfo(caller("O'Neil", "555-'1"), QStringLiteral("Total Calls")),
             QStringLiteral("Caller Info: O'Neil\r\nTotal Calls: 1"));
    QCOMPARE(m_popup.GenerateCallerInfo(caller("X", "*' or 1=1 or '"), QStringLiteral("Total Calls")),
             QStringLiteral("Caller Info: X\r\nTotal Calls: 0"));
}

void TestCallerInfo::firstCallDate()
{
    QCOMPARE(MiniDisplay::GetFirstCallDate(), 19); // 3/1 9:00 to 3/20 12:00
    Clock::setNow(*DateText::fromIso(QStringLiteral("2024-03-20 21:00:01")));
    QCOMPARE(MiniDisplay::GetFirstCallDate(), 20); // 19.5 days once the second is taken off: halves go even
    Clock::setNow(*DateText::fromIso(QStringLiteral("2024-03-19 21:00:01")));
    QCOMPARE(MiniDisplay::GetFirstCallDate(), 18);
    CloseCallerDB();
    QVERIFY(CreateCallerDB(m_home->file("empty.mdb")));
    QCOMPARE(MiniDisplay::GetFirstCallDate(), 0);
}

void TestCallerInfo::clientModeGivesNothing()
{
    gNetworkMode = Client;
    QCOMPARE(m_popup.GenerateCallerInfo(caller("John Smith", "555-1234"), kDefaultList), QString());
    QCOMPARE(MiniDisplay::GetFirstCallDate(), 0);
}

QTEST_GUILESS_MAIN(TestCallerInfo)
#include "test_callerinfo.moc"
