#include <QTest>

#include "core/SettingsKeys.h"
#include "core/clsContact.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsView.h"
#include "support/TempHome.h"

namespace {

QStringList keys(const GroupCollection* c)
{
    QStringList out;
    for (const auto& e : *c)
        out << e.key;
    return out;
}

QStringList keys(const StatisticCollection* c)
{
    QStringList out;
    for (const auto& e : *c)
        out << e.key;
    return out;
}

void save(const char* key, const QString& value)
{
    SaveProperty(Section::frmStatistics, QString::fromLatin1(key), value);
}

} // namespace

class TestStatsView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void defaultView();
    void savedView();
    void singleCallerGroups();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestStatsView::init()
{
    m_home = std::make_unique<TempHome>();
    auto jane = std::make_shared<clsContact>();
    jane->Name = QStringLiteral("Jane Doe");
    jane->AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-1234"), QString()));
    jane->AddNumber(std::make_shared<clsNumber>(QStringLiteral("(555) 987-6543"), QString()));
    gContacts.add(jane->Name, jane);
    CreateDefaultStatistics();
}

void TestStatsView::cleanup() { m_home.reset(); }

void TestStatsView::defaultView()
{
    LoadDefaultStatistics();
    LoadDefaultGroups();
    QCOMPARE(
        keys(gCurrentStatistics.get()),
        QStringList({"Total Calls", "Total Calls Answered", "Total Calls Not Answered", "Calls Between 9pm and 1am",
                     "Most Calls in a Hour", "Most Calls in a Day", "Most Calls in a Week", "Most Calls in a Month",
                     "Average Calls Per Day", "Average Calls Per Week", "Average Calls Per Month"}));
    QCOMPARE(keys(gCurrentGroups.get()),
             QStringList({"All Callers", "NOT RECEIVED", "PRIVATE NUMBER", "UNKNOWN NUMBER", "Jane Doe"}));
    // The current items are the masters' own.
    QCOMPARE(gCurrentGroups->item(QStringLiteral("Jane Doe")), gGroups->item(QStringLiteral("Jane Doe")));
    QCOMPARE(CurrentGroupsSetting(),
             QStringLiteral("All Callers;NOT RECEIVED;PRIVATE NUMBER;UNKNOWN NUMBER;Jane Doe;"));
}

void TestStatsView::savedView()
{
    save(Key::SavedStats, QStringLiteral("most rings;Gone Statistic;Total Calls;MOST RINGS;"));
    save(Key::SavedGroups, QStringLiteral("jane doe;Nobody;ALL CALLERS;Jane Doe;"));
    LoadSavedStatistics();
    LoadSavedGroups();
    // Saved order, unknown names and repeats passed over, keys as the masters spell them.
    QCOMPARE(keys(gCurrentStatistics.get()), QStringList({"Most Rings", "Total Calls"}));
    QCOMPARE(keys(gCurrentGroups.get()), QStringList({"Jane Doe", "All Callers"}));
    QCOMPARE(CurrentStatisticsSetting(), QStringLiteral("Most Rings;Total Calls;"));
    save(Key::SavedStats, QString());
    LoadSavedStatistics();
    QVERIFY(gCurrentStatistics->isEmpty());
    QCOMPARE(CurrentStatisticsSetting(), QString());
}

void TestStatsView::singleCallerGroups()
{
    // A caller named like a group: that group, as it is.
    CallerGroup named = SingleCallerGroup(QStringLiteral("PRIVATE NUMBER"), QStringLiteral("private number"));
    QVERIFY(!named.temporary);
    QCOMPARE(named.group, gGroups->item(QStringLiteral("PRIVATE NUMBER")));
    // A number of a contact's: the contact's name and all its numbers.
    CallerGroup contact = SingleCallerGroup(QStringLiteral("(555) 987-6543"), QStringLiteral("DOE JANE"));
    QVERIFY(!contact.temporary);
    QCOMPARE(contact.group->Description, QStringLiteral("Jane Doe"));
    QCOMPARE(contact.group->Group,
             QStringLiteral("(fldNumber like '*555-1234*' or fldNumber like '*(555) 987-6543*')"));
    // Anybody else: a group of that number alone, under the caller's name; pattern characters stay plain.
    CallerGroup other = SingleCallerGroup(QStringLiteral("555-0000 #2"), QStringLiteral("O'NEIL"));
    QVERIFY(other.temporary);
    QCOMPARE(other.group->Description, QStringLiteral("O'NEIL"));
    QCOMPARE(other.group->Group, QStringLiteral("fldNumber like '*555-0000 [#]2*'"));
    QVERIFY(!gGroups->contains(QStringLiteral("O'NEIL")));
}

QTEST_GUILESS_MAIN(TestStatsView)
#include "test_statsview.moc"
