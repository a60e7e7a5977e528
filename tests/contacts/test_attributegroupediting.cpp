#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTest>

#include "contacts/AttributeGroupEditing.h"
#include "contacts/ContactTreeModel.h"
#include "core/modAttributeGroup.h"
#include "platform/ProgramFolder.h"
#include "support/TempHome.h"

using namespace AttributeGroupEditing;

namespace {

void addGroup(const QString& name, qint32 colour = 0, bool block = false)
{
    auto g = std::make_shared<clsAttributeGroup>();
    g->Description = name;
    g->Color = colour;
    g->Block = block;
    gAttributeGroups.add(name, g);
}

QStringList groupNames()
{
    QStringList out;
    for (const auto& e : gAttributeGroups)
        out << e.item->Description;
    return out;
}

} // namespace

// The group editor's decisions and the group collection's changes, without a window: which descriptions
// and sounds are refused, what is stored, how a rename re-keys, and the tree's group nodes.
class TestAttributeGroupEditing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void descriptionChecksRunOnTheStoredText();
    void renameOntoAnotherGroupIsRefusedButOwnNameInOtherCaseIsNot();
    void soundPathsThatBreakRecordsAreRefused();
    void soundListIsSpeechThenSortedWaveFiles();
    void collectionChangesKeepEveryGroup();
    void treeGroupNodesAreAddedRenamedAndRemoved();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestAttributeGroupEditing::init()
{
    m_home = std::make_unique<TempHome>();
    addGroup(QStringLiteral("Default"), 16711680);
    addGroup(QStringLiteral("VIP Callers"), 65280);
    addGroup(QStringLiteral("Block Calls"), 255, true);
}

void TestAttributeGroupEditing::cleanup() { m_home.reset(); }

void TestAttributeGroupEditing::descriptionChecksRunOnTheStoredText()
{
    const QString none;
    QCOMPARE(saveRefusal(QString(), none, true, none),
             std::optional<QString>(QStringLiteral("You must enter a description.")));
    // Only removed characters: what would be stored is empty.
    QCOMPARE(saveRefusal(QStringLiteral(";;"), none, true, none),
             std::optional<QString>(QStringLiteral("You must enter a description.")));
    QCOMPARE(saveRefusal(QStringLiteral("2024"), none, true, none),
             std::optional<QString>(QStringLiteral("Attribute group descriptions cannot be all numeric.")));
    QCOMPARE(saveRefusal(QStringLiteral(" -4.5e3 "), none, true, none),
             std::optional<QString>(QStringLiteral("Attribute group descriptions cannot be all numeric.")));
    QCOMPARE(saveRefusal(QStringLiteral("20'24"), none, true, none),
             std::optional<QString>(QStringLiteral("Attribute group descriptions cannot be all numeric.")));
    QCOMPARE(saveRefusal(QStringLiteral("2024 callers"), none, true, none), std::nullopt);
    const auto duplicate = std::optional<QString>(QStringLiteral("You cannot have duplicate descriptions."));
    QCOMPARE(saveRefusal(QStringLiteral("vip callers"), none, true, none), duplicate);
    // Pasted with a character that is removed on the way in, it is still the same name.
    QCOMPARE(saveRefusal(QStringLiteral("VIP Call'ers"), none, true, none), duplicate);
    QCOMPARE(saveRefusal(QStringLiteral("VIP \"Callers\""), none, true, none), duplicate);

    QCOMPARE(cleanedDescription(QStringLiteral("A//B;C|D'E\"F")), QStringLiteral("ABCDEF"));
}

void TestAttributeGroupEditing::renameOntoAnotherGroupIsRefusedButOwnNameInOtherCaseIsNot()
{
    const QString none;
    const auto duplicate = std::optional<QString>(QStringLiteral("You cannot have duplicate descriptions."));
    QCOMPARE(saveRefusal(QStringLiteral("default"), none, false, QStringLiteral("VIP Callers")), duplicate);
    QCOMPARE(saveRefusal(QStringLiteral("vip callers"), none, false, QStringLiteral("VIP Callers")), std::nullopt);
    QCOMPARE(saveRefusal(QStringLiteral("VIP Callers"), none, false, QStringLiteral("VIP Callers")), std::nullopt);
    QCOMPARE(saveRefusal(QStringLiteral("Friends"), none, false, QStringLiteral("VIP Callers")), std::nullopt);
}

void TestAttributeGroupEditing::soundPathsThatBreakRecordsAreRefused()
{
    QVERIFY(!saveRefusal(QStringLiteral("Friends"), QStringLiteral("/home/u/My Sounds/ring.wav"), true, QString()));
    QVERIFY(!saveRefusal(QStringLiteral("Friends"), QStringLiteral("Speech"), true, QString()));
    for (const char* bad : {"/tmp/a;b.wav", "/tmp/a|b.wav", "/tmp/a\"b.wav"}) {
        const auto refusal = saveRefusal(QStringLiteral("Friends"), QString::fromLatin1(bad), true, QString());
        QVERIFY2(refusal && refusal->startsWith(QString::fromLatin1(bad)), bad);
    }
}

void TestAttributeGroupEditing::soundListIsSpeechThenSortedWaveFiles()
{
    const QString folder = programFolder() + QStringLiteral("/Sounds/");
    QVERIFY(QDir().mkpath(folder));
    for (const char* name : {"zoo.wav", "Alarm.wav", "ring10.wav", "ring9.wav", "notes.txt"}) {
        QFile f(folder + QString::fromLatin1(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkpath(folder + QStringLiteral("folder.wav")));
    QCOMPARE(soundList(), (QStringList{QStringLiteral("Speech"), folder + "Alarm.wav", folder + "ring10.wav",
                                       folder + "ring9.wav", folder + "zoo.wav"}));
}

void TestAttributeGroupEditing::collectionChangesKeepEveryGroup()
{
    clsAttributeGroup friends;
    friends.Description = QStringLiteral("Friends");
    friends.Color = 123;
    friends.Sound = QStringLiteral("Speech");
    QVERIFY(editGroup(QStringLiteral("vip callers"), friends));
    // Re-keyed: the renamed group goes to the end, as the file then lists it.
    QCOMPARE(groupNames(), (QStringList{"Default", "Block Calls", "Friends"}));
    QCOMPARE(gAttributeGroups.item(QStringLiteral("friends"))->Color, 123);

    // Onto another group's name: refused, nothing lost or merged.
    clsAttributeGroup onto = friends;
    onto.Description = QStringLiteral("DEFAULT");
    QVERIFY(!editGroup(QStringLiteral("Friends"), onto));
    QCOMPARE(groupNames(), (QStringList{"Default", "Block Calls", "Friends"}));
    QCOMPARE(gAttributeGroups.item(QStringLiteral("Friends"))->Description, QStringLiteral("Friends"));

    // Its own name in other capitals is kept.
    onto.Description = QStringLiteral("FRIENDS");
    QVERIFY(editGroup(QStringLiteral("Friends"), onto));
    QCOMPARE(groupNames(), (QStringList{"Default", "Block Calls", "FRIENDS"}));

    auto twin = std::make_shared<clsAttributeGroup>();
    twin->Description = QStringLiteral("block calls");
    QVERIFY(!addGroup(twin));
    QVERIFY(removeGroup(QStringLiteral("BLOCK CALLS")));
    QVERIFY(addGroup(twin));
    QCOMPARE(groupNames(), (QStringList{"Default", "FRIENDS", "block calls"}));
    QVERIFY(!removeGroup(QStringLiteral("Nobody")));
}

void TestAttributeGroupEditing::treeGroupNodesAreAddedRenamedAndRemoved()
{
    ContactTreeModel tree;
    QAbstractItemModelTester tester(&tree, QAbstractItemModelTester::FailureReportingMode::QtTest);
    KeyedCollection<clsContact> contacts;
    auto ann = std::make_shared<clsContact>();
    ann->Name = QStringLiteral("Ann");
    ann->AttributeGroup = QStringLiteral("VIP Callers");
    ann->AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-1234"), QString()));
    contacts.add(ann->Name, ann);
    tree.fill(gAttributeGroups, contacts);

    // With two or more nodes in the tree a new group comes first.
    QVERIFY(tree.addGroup(QStringLiteral("Friends"), 42));
    QCOMPARE(tree.childTexts(), (QStringList{"Friends", "Default", "VIP Callers", "Block Calls"}));
    QVERIFY(!tree.addGroup(QStringLiteral("FRIENDS"), 1));
    QCOMPARE(tree.colour(tree.groupIndex(QStringLiteral("friends"))), std::optional<quint32>(42));

    QVERIFY(tree.renameGroup(QStringLiteral("vip callers"), QStringLiteral("Pals"), 7));
    QVERIFY(!tree.groupIndex(QStringLiteral("VIP Callers")).isValid());
    const QModelIndex pals = tree.groupIndex(QStringLiteral("Pals"));
    QCOMPARE(tree.text(pals), QStringLiteral("Pals"));
    QCOMPARE(tree.colour(pals), std::optional<quint32>(7));
    QCOMPARE(tree.childTexts(pals), QStringList{"Ann"});
    QVERIFY(!tree.renameGroup(QStringLiteral("Pals"), QStringLiteral("default"), 7));

    // A group removed while a contact still sits under it leaves the contact at the root.
    QVERIFY(tree.removeGroup(QStringLiteral("PALS")));
    QCOMPARE(tree.childTexts(), (QStringList{"Friends", "Default", "Block Calls", "Ann"}));
    QCOMPARE(tree.childTexts(tree.contactIndex(QStringLiteral("Ann"))), QStringList{"555-1234"});
    QVERIFY(!tree.removeGroup(QStringLiteral("Pals")));

    // In a tree of fewer than two nodes the group goes after them.
    ContactTreeModel small;
    KeyedCollection<clsAttributeGroup> one;
    auto g = std::make_shared<clsAttributeGroup>();
    g->Description = QStringLiteral("Only");
    one.add(g->Description, g);
    small.fill(one, KeyedCollection<clsContact>());
    QVERIFY(small.addGroup(QStringLiteral("Next"), 0));
    QCOMPARE(small.childTexts(), (QStringList{"Only", "Next"}));
}

QTEST_MAIN(TestAttributeGroupEditing)
#include "test_attributegroupediting.moc"
