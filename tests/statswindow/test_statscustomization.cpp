#include <QFile>
#include <QTest>

#include "core/Globals.h"
#include "core/clsContact.h"
#include "core/modContactDB.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsCustomization.h"
#include "support/TempHome.h"

// Adding, editing and removing user-made statistics and groups, the description checks, the current choice and
// the conditions made from contacts, with the real statistics file.

using namespace StatsCustomization;

namespace {

template <typename T>
QStringList keys(const KeyedCollection<T>* collection)
{
    QStringList out;
    for (const auto& e : *collection)
        out << e.item->Description;
    return out;
}

QByteArray statsFile()
{
    QFile f(StatsFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void setContacts(const QList<QPair<QString, QStringList>>& contacts)
{
    gContacts = KeyedCollection<clsContact>();
    for (const auto& [name, numbers] : contacts) {
        auto c = std::make_shared<clsContact>();
        c->Name = name;
        for (const QString& n : numbers)
            c->AddNumber(std::make_shared<clsNumber>(n, QString()));
        gContacts.add(name, c);
    }
}

} // namespace

class TestStatsCustomization : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void addedItemsAreInTheFileAndSurviveARestart();
    void descriptionChecks();
    void aRenameOntoAnotherItemChangesNothing();
    void anEditKeepsTheCurrentPlaceAndAddsNothing();
    void builtInItemsCannotBeRemoved();
    void applyTakesTheListedOrder();
    void listsOfOneKind();
    void conditionsFromTickedContacts();
    void contactsCoveredByACondition();
    void anItemIsTheSameOnlyUntilItChanges();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestStatsCustomization::init()
{
    m_home = std::make_unique<TempHome>();
    CreateDefaultStatistics();
}

void TestStatsCustomization::cleanup() { m_home.reset(); }

void TestStatsCustomization::addedItemsAreInTheFileAndSurviveARestart()
{
    QVERIFY(
        AddStatistic(QStringLiteral("Smith Calls"), QStringLiteral("fldName Like '*SMITH*'"), QStringLiteral("NONE")));
    QVERIFY(AddGroup(QStringLiteral("Office"), QStringLiteral("(fldNumber like '*555-9876*')")));
    QVERIFY(!AddStatistic(QStringLiteral("smith calls"), QString(), QStringLiteral("NONE"))); // key taken
    QCOMPARE(keys(gStatistics.get()).last(), QStringLiteral("Smith Calls"));
    QVERIFY(gStatistics->item(QStringLiteral("Smith Calls"))->Custom);
    QCOMPARE(statsFile(), QByteArray("\"Statistic\",\"Smith Calls\",\"fldName Like '*SMITH*'\",\"NONE\"\r\n"
                                     "\"Group\",\"Office\",\"(fldNumber like '*555-9876*')\"\r\n"));
    // A fresh start reads them back.
    ReleaseStatistics();
    CreateDefaultStatistics();
    const auto smith = gStatistics->item(QStringLiteral("SMITH CALLS"));
    QVERIFY(smith);
    QCOMPARE(smith->Statistic, QStringLiteral("fldName Like '*SMITH*'"));
    QCOMPARE(smith->Style, QStringLiteral("NONE"));
    QVERIFY(gGroups->item(QStringLiteral("Office")));
}

void TestStatsCustomization::descriptionChecks()
{
    AddStatistic(QStringLiteral("Smith Calls"), QString(), QStringLiteral("NONE"));
    const QString duplicate = QStringLiteral("You cannot have duplicate descriptions.");
    const QString empty = QStringLiteral("You must enter a description.");
    QCOMPARE(DescriptionProblem(Kind::Statistic, QStringLiteral("smith calls"), true), duplicate);
    QCOMPARE(DescriptionProblem(Kind::Statistic, QStringLiteral("total calls"), true), duplicate);
    // What is stored is what is checked: separators taken out, the text is a built-in's.
    QCOMPARE(DescriptionProblem(Kind::Statistic, QStringLiteral("To//tal Ca|lls"), true), duplicate);
    QCOMPARE(DescriptionProblem(Kind::Statistic, QString(), true), empty);
    QCOMPARE(DescriptionProblem(Kind::Statistic, QStringLiteral("//;|'"), true), empty);
    QCOMPARE(DescriptionProblem(Kind::Statistic, QStringLiteral("Jones Calls"), true), QString());
    // Groups are checked among groups only.
    QCOMPARE(DescriptionProblem(Kind::Group, QStringLiteral("Smith Calls"), true), QString());
    QCOMPARE(DescriptionProblem(Kind::Group, QStringLiteral("all callers"), true), duplicate);
    // Editing: the item's own name, also in another case, is no duplicate; another item's is.
    QCOMPARE(DescriptionProblem(Kind::Statistic, QStringLiteral("SMITH CALLS"), false, QStringLiteral("Smith Calls")),
             QString());
    QCOMPARE(DescriptionProblem(Kind::Statistic, QStringLiteral("Total Calls"), false, QStringLiteral("Smith Calls")),
             duplicate);
    QCOMPARE(CleanDescription(QStringLiteral("A//B;C|D'E/F")), QStringLiteral("ABCDE/F"));
    QCOMPARE(WithoutRefusedCharacters(QStringLiteral("A/B;C|D'E")), QStringLiteral("ABCDE"));
}

void TestStatsCustomization::aRenameOntoAnotherItemChangesNothing()
{
    AddStatistic(QStringLiteral("Smith Calls"), QStringLiteral("fldName Like '*SMITH*'"), QStringLiteral("NONE"));
    AddStatistic(QStringLiteral("Jones Calls"), QStringLiteral("fldName Like '*JONES*'"), QStringLiteral("NONE"));
    const QStringList before = keys(gStatistics.get());
    const QByteArray file = statsFile();
    QVERIFY(!EditStatistic(QStringLiteral("Jones Calls"), QStringLiteral("SMITH CALLS"), QString(), QString()));
    QVERIFY(!EditStatistic(QStringLiteral("Jones Calls"), QStringLiteral("Total Calls"), QString(), QString()));
    QVERIFY(!EditStatistic(QStringLiteral("Nobody"), QStringLiteral("Nobody Else"), QString(), QString()));
    QCOMPARE(keys(gStatistics.get()), before);
    QCOMPARE(gStatistics->item(QStringLiteral("Jones Calls"))->Statistic, QStringLiteral("fldName Like '*JONES*'"));
    QCOMPARE(statsFile(), file);
    // A rename to the item's own name in another case is allowed.
    QVERIFY(EditStatistic(QStringLiteral("Jones Calls"), QStringLiteral("JONES CALLS"),
                          QStringLiteral("fldName Like '*JONES*'"), QStringLiteral("MOST RINGS")));
    QCOMPARE(keys(gStatistics.get()).last(), QStringLiteral("JONES CALLS"));
    QCOMPARE(gStatistics->item(QStringLiteral("jones calls"))->Style, QStringLiteral("MOST RINGS"));
    QVERIFY(statsFile().contains("\"JONES CALLS\""));
}

void TestStatsCustomization::anEditKeepsTheCurrentPlaceAndAddsNothing()
{
    AddGroup(QStringLiteral("Office"), QStringLiteral("fldNumber like '*555*'"));
    AddGroup(QStringLiteral("Home"), QStringLiteral("fldNumber like '*556*'"));
    ApplyCurrent({}, {QStringLiteral("All Callers"), QStringLiteral("Office"), QStringLiteral("PRIVATE NUMBER")});
    QVERIFY(EditGroup(QStringLiteral("office"), QStringLiteral("Work"), QStringLiteral("fldNumber like '*557*'")));
    QCOMPARE(keys(gCurrentGroups.get()), QStringList({"All Callers", "Work", "PRIVATE NUMBER"}));
    // The master and the current collection hold the same item.
    QCOMPARE(gCurrentGroups->item(QStringLiteral("Work")), gGroups->item(QStringLiteral("Work")));
    QVERIFY(!gGroups->contains(QStringLiteral("Office")));
    // An item that is not shown stays not shown.
    QVERIFY(EditGroup(QStringLiteral("Home"), QStringLiteral("House"), QString()));
    QCOMPARE(keys(gCurrentGroups.get()), QStringList({"All Callers", "Work", "PRIVATE NUMBER"}));
    QCOMPARE(keys(gGroups.get()).mid(keys(gGroups.get()).size() - 2), QStringList({"Work", "House"}));
    QCOMPARE(statsFile(), QByteArray("\"Group\",\"Work\",\"fldNumber like '*557*'\"\r\n\"Group\",\"House\",\"\"\r\n"));
}

void TestStatsCustomization::builtInItemsCannotBeRemoved()
{
    AddStatistic(QStringLiteral("Smith Calls"), QString(), QStringLiteral("NONE"));
    ApplyCurrent({QStringLiteral("Total Calls"), QStringLiteral("Smith Calls")}, {});
    QVERIFY(!IsCustom(Kind::Statistic, QStringLiteral("Total Calls")));
    QVERIFY(!Remove(Kind::Statistic, QStringLiteral("Total Calls")));
    QVERIFY(!Remove(Kind::Group, QStringLiteral("All Callers")));
    QVERIFY(gStatistics->contains(QStringLiteral("Total Calls")));
    QVERIFY(IsCustom(Kind::Statistic, QStringLiteral("smith calls")));
    QVERIFY(Remove(Kind::Statistic, QStringLiteral("smith calls")));
    QVERIFY(!gStatistics->contains(QStringLiteral("Smith Calls")));
    QCOMPARE(keys(gCurrentStatistics.get()), QStringList({"Total Calls"}));
    QCOMPARE(statsFile(), QByteArray()); // the last user-made item gone: an empty file
    QCOMPARE(IntrinsicMessage(Kind::Statistic), QStringLiteral("Intrinsic statistics cannot be removed."));
    QCOMPARE(IntrinsicMessage(Kind::Group), QStringLiteral("Intrinsic groups cannot be removed."));
    QCOMPARE(SelectMessage(Kind::Group, true), QStringLiteral("You must select a group to remove."));
    QCOMPARE(SelectMessage(Kind::Statistic, false), QStringLiteral("You must select a statistic to edit."));
    QCOMPARE(RemoveQuestion(Kind::Group), QStringLiteral("Are you sure you want to permanently remove this group?"));
}

void TestStatsCustomization::applyTakesTheListedOrder()
{
    ApplyCurrent({QStringLiteral("most rings"), QStringLiteral("Gone"), QStringLiteral("Total Calls")},
                 {QStringLiteral("PRIVATE NUMBER"), QStringLiteral("All Callers")});
    QCOMPARE(keys(gCurrentStatistics.get()), QStringList({"Most Rings", "Total Calls"}));
    QCOMPARE(keys(gCurrentGroups.get()), QStringList({"PRIVATE NUMBER", "All Callers"}));
    QCOMPARE(gCurrentStatistics->item(QStringLiteral("Most Rings")), gStatistics->item(QStringLiteral("Most Rings")));
    ApplyCurrent({}, {});
    QVERIFY(gCurrentStatistics->isEmpty());
    QVERIFY(gCurrentGroups->isEmpty());
}

void TestStatsCustomization::listsOfOneKind()
{
    ApplyCurrent({QStringLiteral("Most Rings"), QStringLiteral("Total Calls")}, {QStringLiteral("UNKNOWN NUMBER")});
    const Lists statistics = StatisticLists();
    QCOMPARE(statistics.current, QStringList({"Most Rings", "Total Calls"}));
    QCOMPARE(statistics.available.size(), 23);
    QVERIFY(!statistics.available.contains(QStringLiteral("Total Calls")));
    QCOMPARE(statistics.available.first(), QStringLiteral("Total Calls Answered"));
    const Lists groups = GroupLists();
    QCOMPARE(groups.current, QStringList({"UNKNOWN NUMBER"}));
    QCOMPARE(groups.available, QStringList({"All Callers", "NOT RECEIVED", "PRIVATE NUMBER"}));
    QCOMPARE(StyleNames().size(), 21);
    QCOMPARE(StyleNames().at(3), QStringLiteral("Most Calls in a Hour"));
    QCOMPARE(StyleNames().last(), QStringLiteral("Calls in the Last Year"));
}

void TestStatsCustomization::conditionsFromTickedContacts()
{
    setContacts({{QStringLiteral("John Smith"), {QStringLiteral("(555) 123-4567"), QStringLiteral("555-9876")}},
                 {QStringLiteral("No Number"), {}},
                 {QStringLiteral("Odd"), {QStringLiteral("555*1")}}});
    QCOMPARE(GroupCondition({QStringLiteral("John Smith")}),
             QStringLiteral("(fldNumber like '*(555) 123-4567*' or fldNumber like '*555-9876*')"));
    QCOMPARE(GroupCondition({QStringLiteral("Odd"), QStringLiteral("john smith")}),
             QStringLiteral("(fldNumber like '*555[*]1*' or fldNumber like '*(555) 123-4567*' or "
                            "fldNumber like '*555-9876*')"));
    // Nothing ticked, or only contacts without numbers: a group of nobody, never the empty condition (every call).
    QCOMPARE(GroupCondition({}), QStringLiteral("(False)"));
    QCOMPARE(GroupCondition({QStringLiteral("No Number")}), QStringLiteral("(False)"));
}

void TestStatsCustomization::contactsCoveredByACondition()
{
    setContacts({{QStringLiteral("John Smith"), {QStringLiteral("(555) 123-4567"), QStringLiteral("555-9876")}},
                 {QStringLiteral("Half"), {QStringLiteral("555-9876"), QStringLiteral("555-0000")}},
                 {QStringLiteral("Short"), {QStringLiteral("555-123")}},
                 {QStringLiteral("No Number"), {}},
                 {QStringLiteral("Odd"), {QStringLiteral("555*1")}}});
    QCOMPARE(ContactsCoveredBy(QStringLiteral("(fldNumber like '*(555) 123-4567*' or fldNumber like '*555-9876*')")),
             QStringList({"John Smith"}));
    // A plain substring test: 555-1234 covers the contact whose only number is 555-123.
    QCOMPARE(ContactsCoveredBy(QStringLiteral("fldNumber like '*555-1234*'")), QStringList({"Short"}));
    QCOMPARE(ContactsCoveredBy(GroupCondition({QStringLiteral("Odd")})), QStringList({"Odd"}));
    QVERIFY(ContactsCoveredBy(QString()).isEmpty());
}

void TestStatsCustomization::anItemIsTheSameOnlyUntilItChanges()
{
    QVERIFY(AddGroup(QStringLiteral("Golfers"), QStringLiteral("fldRings > 5")));
    const ItemState golfers = StateOf(Kind::Group, QStringLiteral("golfers"));
    QVERIFY(golfers.found && golfers.custom);
    QCOMPARE(golfers.description, QStringLiteral("Golfers"));
    QCOMPARE(StateOf(Kind::Group, QStringLiteral("Golfers")), golfers);
    QVERIFY(!StateOf(Kind::Statistic, QStringLiteral("Golfers")).found);
    // A contact saved under the group's name gives the group that contact's condition.
    setContacts({{QStringLiteral("Golfers"), {QStringLiteral("555-3333")}}});
    UpdateContactGroups();
    QVERIFY(StateOf(Kind::Group, QStringLiteral("Golfers")) != golfers);
    // A statistic's style counts, and a removed item is found no more.
    const ItemState rings = StateOf(Kind::Statistic, QStringLiteral("Most Rings"));
    QVERIFY(rings.found && !rings.custom);
    QVERIFY(EditStatistic(QStringLiteral("Most Rings"), QStringLiteral("Most Rings"), rings.condition,
                          QStringLiteral("AVERAGE RINGS")));
    QVERIFY(StateOf(Kind::Statistic, QStringLiteral("Most Rings")) != rings);
    QVERIFY(Remove(Kind::Group, QStringLiteral("Golfers")));
    QCOMPARE(StateOf(Kind::Group, QStringLiteral("Golfers")), ItemState());
    QCOMPARE(ChangedMeanwhileMessage(Kind::Statistic, QStringLiteral("Long Calls")),
             QStringLiteral("The statistic \"Long Calls\" was changed or removed while this window waited; nothing "
                            "was changed."));
    QCOMPARE(AddedMeanwhileMessage(Kind::Group, QStringLiteral("Golf")),
             QStringLiteral("The group \"Golf\" was added elsewhere while this window waited; nothing was changed."));
}

QTEST_GUILESS_MAIN(TestStatsCustomization)
#include "test_statscustomization.moc"
