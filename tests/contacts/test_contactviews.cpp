#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "contacts/ContactViews.h"

// The contact book's list and tree with their selection rules, without a window: what the refills select,
// how the upkeep after a store change moves, renames and regroups, and that each kind of node keeps its own
// keys.
class TestContactViews : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void treeShowsGroupsThenContactsWithNumbers();
    void listIsSortedAndColoured();
    void treeRefillFallsBackToTheNeighbour();
    void treeRefillKeepsTheSelectedNodeAndSelectsTheTypedNameWhileAdding();
    void listRefillKeepsThePositionOrFindsTheTypedName();
    void refillsFollowTheContactNotItsPlace();
    void editMovesBetweenGroupsAndRenames();
    void addAndRemoveFollowTheStore();
    void eachKindOfNodeHasItsOwnKeys();
    void programChangesAreMarked();

private:
    KeyedCollection<clsAttributeGroup> groups;
    KeyedCollection<clsContact> contacts;
    void reset();
    void addGroup(const QString& name, qint32 colour);
    std::shared_ptr<clsContact> addContact(const QString& name, const QString& group, const QStringList& numbers);
};

void TestContactViews::reset()
{
    groups = KeyedCollection<clsAttributeGroup>();
    contacts = KeyedCollection<clsContact>();
}

void TestContactViews::addGroup(const QString& name, qint32 colour)
{
    auto g = std::make_shared<clsAttributeGroup>();
    g->Description = name;
    g->Color = colour;
    groups.add(name, g);
}

std::shared_ptr<clsContact> TestContactViews::addContact(const QString& name, const QString& group,
                                                         const QStringList& numbers)
{
    auto c = std::make_shared<clsContact>();
    c->Name = name;
    c->AttributeGroup = group;
    for (const QString& n : numbers) {
        const int open = int(n.indexOf(QLatin1String(" (")));
        if (open > 0)
            c->AddNumber(std::make_shared<clsNumber>(n.left(open), n.mid(open + 2).chopped(1)));
        else
            c->AddNumber(std::make_shared<clsNumber>(n, QString()));
    }
    contacts.add(name, c);
    return c;
}

void TestContactViews::treeShowsGroupsThenContactsWithNumbers()
{
    reset();
    addGroup(QStringLiteral("Default"), 16711680);
    addGroup(QStringLiteral("VIP Callers"), 65280);
    addContact(QStringLiteral("Cy"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0003")});
    addContact(QStringLiteral("Dee"), QString(), {QStringLiteral("555-0004 (Home)"), QStringLiteral("555-0005")});
    addContact(QStringLiteral("al"), QStringLiteral("vip callers"), {QStringLiteral("555-0001")});
    addContact(QStringLiteral("Bo"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0002")});
    addContact(QStringLiteral("Gone"), QStringLiteral("Old Group"), {QStringLiteral("555-0006")});
    addContact(QStringLiteral("Nobody"), QStringLiteral("<NONE>"), {QStringLiteral("555-0007")});

    ContactViews v;
    QAbstractItemModelTester tester(&v.tree, QAbstractItemModelTester::FailureReportingMode::QtTest);
    v.refillTree(contacts, groups, false, QString());
    // Groups first in collection order, then the contacts without a (known) group in collection order.
    QCOMPARE(v.tree.childTexts(), QStringList({"Default", "VIP Callers", "Dee", "Gone", "Nobody"}));
    const QModelIndex vip = v.tree.groupIndex(QStringLiteral("vip callers"));
    // A group's contacts are sorted, capitals ignored; the group is found whatever the contact's capitals.
    QCOMPARE(v.tree.childTexts(vip), QStringList({"al", "Bo", "Cy"}));
    QCOMPARE(v.tree.childTexts(v.tree.contactIndex(QStringLiteral("Dee"))),
             QStringList({"555-0004 (Home)", "555-0005"}));
    QCOMPARE(v.tree.colour(vip), std::optional<quint32>(65280));
    QCOMPARE(v.tree.data(vip, Qt::ForegroundRole).value<QColor>(), QColor(0, 255, 0));
    QVERIFY(!v.tree.colour(v.tree.contactIndex(QStringLiteral("Bo"))));
    QCOMPARE(v.tree.kind(v.tree.numberIndex(QStringLiteral("Dee"), QStringLiteral("555-0005"))),
             ContactTreeModel::Number);
    // Nothing was selected, so nothing is.
    QVERIFY(!v.treeSelected().isValid());
}

void TestContactViews::listIsSortedAndColoured()
{
    reset();
    addGroup(QStringLiteral("VIP Callers"), 255);
    addContact(QStringLiteral("bob"), QString(), {QStringLiteral("555-0001")});
    addContact(QStringLiteral("Ann"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0002")});
    addContact(QStringLiteral("Carl"), QStringLiteral("Missing"), {QStringLiteral("555-0003")});
    addContact(QStringLiteral("Bea"), QStringLiteral("<none>"), {QStringLiteral("555-0004")});

    ContactViews v;
    QAbstractItemModelTester tester(&v.list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    v.refillList(contacts, groups, false, QString());
    QCOMPARE(v.list.rowCount(), 4);
    QStringList order;
    for (int r = 0; r < 4; ++r)
        order << v.list.text(r);
    QCOMPARE(order, QStringList({"Ann", "Bea", "bob", "Carl"}));
    QCOMPARE(v.list.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Contacts"));
    QCOMPARE(v.list.colour(v.list.row(QStringLiteral("ann"))), 255u);
    // No group, a group that is gone, "<none>": black.
    QCOMPARE(v.list.colour(v.list.row(QStringLiteral("Carl"))), 0u);
    QCOMPARE(v.list.colour(v.list.row(QStringLiteral("Bea"))), 0u);
    QCOMPARE(v.list.data(v.list.index(0), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    // A refill with nothing selected selects the first item.
    QCOMPARE(v.listSelectedText(), QStringLiteral("Ann"));
}

void TestContactViews::treeRefillFallsBackToTheNeighbour()
{
    reset();
    addGroup(QStringLiteral("Default"), 0);
    addGroup(QStringLiteral("VIP Callers"), 65280);
    addContact(QStringLiteral("Al"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0001")});
    addContact(QStringLiteral("Bo"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0002")});
    addContact(QStringLiteral("Cy"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0003")});
    addContact(QStringLiteral("Dee"), QString(), {QStringLiteral("555-0004")});

    ContactViews v;
    QAbstractItemModelTester tester(&v.tree, QAbstractItemModelTester::FailureReportingMode::QtTest);
    v.refillTree(contacts, groups, false, QString());

    // As a client finds it: the contact is gone from the book the server sent, and the tree is refilled.
    v.selectTreeContact(QStringLiteral("Bo"));
    contacts.remove(QStringLiteral("Bo"));
    v.refillTree(contacts, groups, false, QString());
    QCOMPARE(v.treeSelectedText(), QStringLiteral("Cy"));

    contacts.remove(QStringLiteral("Cy"));
    v.refillTree(contacts, groups, false, QString());
    QCOMPARE(v.treeSelectedText(), QStringLiteral("Al"));

    contacts.remove(QStringLiteral("Al"));
    v.refillTree(contacts, groups, false, QString());
    QCOMPARE(v.treeSelectedText(), QStringLiteral("VIP Callers"));
    QCOMPARE(v.tree.kind(v.treeSelected()), ContactTreeModel::Group);
    QVERIFY(!v.treeContactSelected());
}

void TestContactViews::treeRefillKeepsTheSelectedNodeAndSelectsTheTypedNameWhileAdding()
{
    reset();
    addGroup(QStringLiteral("Default"), 0);
    addContact(QStringLiteral("Ann"), QStringLiteral("Default"),
               {QStringLiteral("555-0001"), QStringLiteral("555-0009")});
    addContact(QStringLiteral("Zed"), QString(), {QStringLiteral("555-0002")});
    ContactViews v;
    v.refillTree(contacts, groups, false, QString());

    // A number node stays selected across a refill: numbers are found within their contact.
    v.selectTree(v.tree.numberIndex(QStringLiteral("Ann"), QStringLiteral("555-0009")));
    v.refillTree(contacts, groups, false, QString());
    QCOMPARE(v.tree.kind(v.treeSelected()), ContactTreeModel::Number);
    QCOMPARE(v.tree.text(v.tree.parent(v.treeSelected())), QStringLiteral("Ann"));

    // While adding nothing is selected; the contact the server sent back is found by the typed name.
    v.clearTreeSelection();
    addContact(QStringLiteral("Bob"), QString(), {QStringLiteral("555-1234")});
    QVERIFY(v.refillTree(contacts, groups, true, QStringLiteral("BOB")));
    QCOMPARE(v.treeSelectedText(), QStringLiteral("Bob"));
    v.clearTreeSelection();
    QVERIFY(!v.refillTree(contacts, groups, true, QStringLiteral("Robert")));
    QVERIFY(!v.treeSelected().isValid());
}

void TestContactViews::listRefillKeepsThePositionOrFindsTheTypedName()
{
    reset();
    for (const char* n : {"Ann", "Bob", "Cid", "Dan"})
        addContact(QString::fromLatin1(n), QString(), {QStringLiteral("555-%1").arg(int(n[0]) * 10)});
    ContactViews v;
    v.refillList(contacts, groups, false, QString());
    v.selectListItem(QStringLiteral("Cid"));
    contacts.remove(QStringLiteral("Cid"));
    v.refillList(contacts, groups, false, QString());
    // The item now at the same position.
    QCOMPARE(v.listSelectedText(), QStringLiteral("Dan"));
    contacts.remove(QStringLiteral("Dan"));
    v.refillList(contacts, groups, false, QString());
    // It was the last: the new last.
    QCOMPARE(v.listSelectedText(), QStringLiteral("Bob"));

    // While adding: the typed name, capitals ignored, else nothing.
    QVERIFY(v.refillList(contacts, groups, true, QStringLiteral("ANN")));
    QCOMPARE(v.listSelectedText(), QStringLiteral("Ann"));
    QVERIFY(!v.refillList(contacts, groups, true, QStringLiteral("Zoe")));
    QCOMPARE(v.listSelectedRow(), -1);

    contacts = KeyedCollection<clsContact>();
    v.refillList(contacts, groups, false, QString());
    QCOMPARE(v.listSelectedRow(), -1);
}

void TestContactViews::refillsFollowTheContactNotItsPlace()
{
    reset();
    for (const char* n : {"Abe", "Ann", "Bob"})
        addContact(QString::fromLatin1(n), QString(), {QStringLiteral("555-%1").arg(int(n[1]) * 10)});
    ContactViews v;
    v.refillList(contacts, groups, false, QString());
    v.refillTree(contacts, groups, false, QString());
    v.selectListItem(QStringLiteral("Ann"));
    v.selectTreeContact(QStringLiteral("Ann"));

    // Another user adds a contact before Ann: Ann stays highlighted, in both views.
    addContact(QStringLiteral("Aaron"), QString(), {QStringLiteral("555-0000")});
    v.refillList(contacts, groups, false, QString());
    v.refillTree(contacts, groups, false, QString());
    QCOMPARE(v.listSelectedText(), QStringLiteral("Ann"));
    QCOMPARE(v.treeSelectedText(), QStringLiteral("Ann"));

    // The form keeps edits of Ann: once Ann is gone nothing is highlighted, never the neighbour that took
    // her place; while she is there she is highlighted, wherever the selection was.
    contacts.remove(QStringLiteral("Ann"));
    v.refillList(contacts, groups, false, QString(), QStringLiteral("Ann"));
    v.refillTree(contacts, groups, false, QString(), QStringLiteral("Ann"));
    QCOMPARE(v.listSelectedRow(), -1);
    QVERIFY(!v.treeSelected().isValid());
    addContact(QStringLiteral("Ann"), QString(), {QStringLiteral("555-0110")});
    v.selectListItem(QStringLiteral("Bob"));
    v.refillList(contacts, groups, false, QString(), QStringLiteral("Ann"));
    v.refillTree(contacts, groups, false, QString(), QStringLiteral("ann"));
    QCOMPARE(v.listSelectedText(), QStringLiteral("Ann"));
    QCOMPARE(v.treeSelectedText(), QStringLiteral("Ann"));
}

void TestContactViews::editMovesBetweenGroupsAndRenames()
{
    reset();
    addGroup(QStringLiteral("Default"), 0);
    addGroup(QStringLiteral("VIP Callers"), 65280);
    addContact(QStringLiteral("Al"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0001")});
    addContact(QStringLiteral("Cy"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0003")});
    auto dee = addContact(QStringLiteral("Dee"), QString(), {QStringLiteral("555-0004"), QStringLiteral("555-0005")});
    auto bo = addContact(QStringLiteral("Bo"), QStringLiteral("Default"), {QStringLiteral("555-0002")});

    ContactViews v;
    QAbstractItemModelTester treeTester(&v.tree, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester listTester(&v.list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    v.refillTree(contacts, groups, false, QString());
    v.refillList(contacts, groups, false, QString());
    const QModelIndex vip = v.tree.groupIndex(QStringLiteral("VIP Callers"));

    // Dee joins VIP Callers: under it, sorted among its contacts, with its numbers.
    clsContact moved = *dee;
    moved.AttributeGroup = QStringLiteral("VIP Callers");
    v.editContact(QStringLiteral("Dee"), moved, groups);
    QCOMPARE(v.tree.childTexts(vip), QStringList({"Al", "Cy", "Dee"}));
    QCOMPARE(v.tree.childTexts(v.tree.contactIndex(QStringLiteral("Dee"))), QStringList({"555-0004", "555-0005"}));
    QCOMPARE(v.tree.childTexts(), QStringList({"Default", "VIP Callers"}));
    QCOMPARE(v.list.colour(v.list.row(QStringLiteral("Dee"))), 65280u);

    // Bo moves from Default to VIP Callers and is renamed "Ben" while selected: the selection follows.
    v.selectTreeContact(QStringLiteral("Bo"));
    v.selectListItem(QStringLiteral("Bo"));
    clsContact ben = *bo;
    ben.Name = QStringLiteral("Ben");
    ben.AttributeGroup = QStringLiteral("VIP Callers");
    ben.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-0099"), QStringLiteral("Work")));
    v.editContact(QStringLiteral("Bo"), ben, groups);
    QCOMPARE(v.tree.childTexts(vip), QStringList({"Al", "Ben", "Cy", "Dee"}));
    QVERIFY(v.tree.childTexts(v.tree.groupIndex(QStringLiteral("Default"))).isEmpty());
    QCOMPARE(v.treeSelectedText(), QStringLiteral("Ben"));
    QCOMPARE(v.tree.childTexts(v.treeSelected()), QStringList({"555-0002", "555-0099 (Work)"}));
    QCOMPARE(v.listSelectedText(), QStringLiteral("Ben"));
    QVERIFY(!v.tree.contactIndex(QStringLiteral("Bo")).isValid());
    QCOMPARE(v.list.row(QStringLiteral("Bo")), -1);

    // Renamed within its group, it takes its sorted place.
    clsContact zed = ben;
    zed.Name = QStringLiteral("Zed");
    v.editContact(QStringLiteral("Ben"), zed, groups);
    QCOMPARE(v.tree.childTexts(vip), QStringList({"Al", "Cy", "Dee", "Zed"}));
    QCOMPARE(v.list.text(v.list.rowCount() - 1), QStringLiteral("Zed"));

    // Out of its group: at the root, with its numbers.
    clsContact loose = zed;
    loose.AttributeGroup.clear();
    v.editContact(QStringLiteral("Zed"), loose, groups);
    QCOMPARE(v.tree.childTexts(), QStringList({"Default", "VIP Callers", "Zed"}));
    QCOMPARE(v.tree.childTexts(v.tree.contactIndex(QStringLiteral("Zed"))),
             QStringList({"555-0002", "555-0099 (Work)"}));
    QCOMPARE(v.list.colour(v.list.row(QStringLiteral("Zed"))), 0u);

    // A new name that another contact has is refused and changes nothing.
    clsContact clash = loose;
    clash.Name = QStringLiteral("al");
    v.editContact(QStringLiteral("Zed"), clash, groups);
    QVERIFY(v.tree.contactIndex(QStringLiteral("Zed")).isValid());
    QCOMPARE(v.list.text(v.list.row(QStringLiteral("Al"))), QStringLiteral("Al"));
}

void TestContactViews::addAndRemoveFollowTheStore()
{
    reset();
    addGroup(QStringLiteral("VIP Callers"), 65280);
    addContact(QStringLiteral("Al"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0001")});
    addContact(QStringLiteral("Cy"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0003")});
    addContact(QStringLiteral("Dee"), QString(), {QStringLiteral("555-0004")});
    ContactViews v;
    QAbstractItemModelTester tester(&v.tree, QAbstractItemModelTester::FailureReportingMode::QtTest);
    v.refillTree(contacts, groups, false, QString());
    v.refillList(contacts, groups, false, QString());
    v.selectTreeContact(QStringLiteral("Cy"));
    v.selectListItem(QStringLiteral("Cy"));

    clsContact bo;
    bo.Name = QStringLiteral("Bo");
    bo.AttributeGroup = QStringLiteral("VIP Callers");
    bo.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-0002"), QString()));
    v.addContact(bo, groups);
    QCOMPARE(v.tree.childTexts(v.tree.groupIndex(QStringLiteral("VIP Callers"))), QStringList({"Al", "Bo", "Cy"}));
    QCOMPARE(v.list.text(1), QStringLiteral("Bo"));
    // Adding changes no selection.
    QCOMPARE(v.treeSelectedText(), QStringLiteral("Cy"));
    QCOMPARE(v.listSelectedText(), QStringLiteral("Cy"));

    // A contact whose group has no node goes to the root, as a refill would put it.
    clsContact stray;
    stray.Name = QStringLiteral("Stray");
    stray.AttributeGroup = QStringLiteral("No Such Group");
    stray.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-0008"), QString()));
    v.addContact(stray, groups);
    QCOMPARE(v.tree.childTexts().last(), QStringLiteral("Stray"));
    QCOMPARE(v.tree.childTexts(v.tree.contactIndex(QStringLiteral("Stray"))), QStringList({"555-0008"}));

    // The selected contact goes: the next sibling, then the one before, then the group.
    v.removeContact(QStringLiteral("Bo")); // not selected: nothing moves
    QCOMPARE(v.treeSelectedText(), QStringLiteral("Cy"));
    v.selectTreeContact(QStringLiteral("Al"));
    v.removeContact(QStringLiteral("Al"));
    QCOMPARE(v.treeSelectedText(), QStringLiteral("Cy"));
    // In the list the item now at its place.
    QCOMPARE(v.listSelectedText(), QStringLiteral("Cy"));
    v.selectListItem(QStringLiteral("Stray"));
    v.removeContact(QStringLiteral("Stray"));
    QCOMPARE(v.listSelectedText(), QStringLiteral("Dee"));
    v.removeContact(QStringLiteral("Cy"));
    QCOMPARE(v.treeSelectedText(), QStringLiteral("VIP Callers"));
    // A root contact that was last among the root nodes: the one before it.
    v.selectTreeContact(QStringLiteral("Dee"));
    v.removeContact(QStringLiteral("Dee"));
    QCOMPARE(v.treeSelectedText(), QStringLiteral("VIP Callers"));
    QCOMPARE(v.list.rowCount(), 0);
    QCOMPARE(v.listSelectedRow(), -1);
}

void TestContactViews::eachKindOfNodeHasItsOwnKeys()
{
    reset();
    addGroup(QStringLiteral("Default"), 0);
    addGroup(QStringLiteral("VIP Callers"), 65280);
    // Named like a group, and like another contact's number.
    addContact(QStringLiteral("Default"), QString(), {QStringLiteral("555-0001")});
    addContact(QStringLiteral("555-1234"), QStringLiteral("VIP Callers"), {QStringLiteral("555-0002")});
    addContact(QStringLiteral("Ann"), QStringLiteral("VIP Callers"), {QStringLiteral("555-1234")});
    // The same number with the same description as Ann's.
    addContact(QStringLiteral("Ben"), QStringLiteral("VIP Callers"), {QStringLiteral("555-1234")});

    ContactViews v;
    v.refillTree(contacts, groups, false, QString());
    // The contact "Default" has its own root node and its number under it, not under the group.
    QCOMPARE(v.tree.childTexts(), QStringList({"Default", "VIP Callers", "Default"}));
    QVERIFY(v.tree.childTexts(v.tree.groupIndex(QStringLiteral("Default"))).isEmpty());
    QCOMPARE(v.tree.childTexts(v.tree.contactIndex(QStringLiteral("Default"))), QStringList({"555-0001"}));
    QCOMPARE(v.tree.childTexts(v.tree.contactIndex(QStringLiteral("555-1234"))), QStringList({"555-0002"}));
    QCOMPARE(v.tree.childTexts(v.tree.contactIndex(QStringLiteral("Ann"))), QStringList({"555-1234"}));
    QCOMPARE(v.tree.childTexts(v.tree.contactIndex(QStringLiteral("Ben"))), QStringList({"555-1234"}));

    // A group node whose text is a contact's name is not a contact.
    v.selectTree(v.tree.groupIndex(QStringLiteral("Default")));
    QVERIFY(!v.treeContactSelected());
    v.selectTree(v.tree.numberIndex(QStringLiteral("Ann"), QStringLiteral("555-1234")));
    QVERIFY(!v.treeContactSelected());
    v.selectTreeContact(QStringLiteral("default"));
    QVERIFY(v.treeContactSelected());
    QCOMPARE(v.tree.kind(v.treeSelected()), ContactTreeModel::Contact);

    // Removing the contact "Default" leaves the group.
    v.removeContact(QStringLiteral("Default"));
    QVERIFY(v.tree.groupIndex(QStringLiteral("Default")).isValid());
    QVERIFY(!v.tree.contactIndex(QStringLiteral("Default")).isValid());
}

void TestContactViews::programChangesAreMarked()
{
    reset();
    addContact(QStringLiteral("Ann"), QString(), {QStringLiteral("555-0001")});
    addContact(QStringLiteral("Bob"), QString(), {QStringLiteral("555-0002")});
    ContactViews v;
    v.refillList(contacts, groups, false, QString());
    int seenWhileProgram = 0;
    int seenFromOutside = 0;
    connect(&v.listSelection, &QItemSelectionModel::selectionChanged, this,
            [&] { (v.programmatic() ? seenWhileProgram : seenFromOutside) += 1; });
    QSignalSpy scrolls(&v, &ContactViews::listScrollRequested);
    v.selectListItem(QStringLiteral("Bob"));
    QCOMPARE(seenWhileProgram, 1);
    QCOMPARE(seenFromOutside, 0);
    QCOMPARE(scrolls.count(), 1);
    QCOMPARE(scrolls.first().first().value<QModelIndex>().row(), 1);
    // What a view does for a click is not the program's.
    v.listSelection.setCurrentIndex(v.list.index(0), QItemSelectionModel::ClearAndSelect);
    QCOMPARE(seenFromOutside, 1);
    QVERIFY(!v.selectListItem(QStringLiteral("Nobody")));
    QCOMPARE(v.listSelectedText(), QStringLiteral("Ann"));
}

QTEST_GUILESS_MAIN(TestContactViews)
#include "test_contactviews.moc"
