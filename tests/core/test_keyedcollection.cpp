#include "core/KeyedCollection.h"

#include <QTest>

namespace {

struct Item {
    QString name;
};

KeyedCollection<Item> collectionOf(const QStringList& names)
{
    KeyedCollection<Item> c;
    for (const QString& n : names)
        c.add(n, std::make_shared<Item>(Item{n}));
    return c;
}

QStringList keys(const KeyedCollection<Item>& c)
{
    QStringList out;
    for (const auto& e : c)
        out << e.key;
    return out;
}

} // namespace

// Removing many keys at once: the same items go as one at a time, the rest keep their order and are found
// by key afterwards.
class TestKeyedCollection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void manyKeysGoInOnePass();
};

void TestKeyedCollection::manyKeysGoInOnePass()
{
    KeyedCollection<Item> c = collectionOf({"Ann", "Bob", "Cy", "Dee", "Émile"});
    const quint64 before = c.stamp();
    QCOMPARE(c.remove(QStringList{"nobody"}), 0);
    QCOMPARE(c.stamp(), before); // nothing removed, nothing changed
    // Keys compare without regard to case; one given twice or not held takes nothing more.
    QCOMPARE(c.remove(QStringList{"bob", "ÉMILE", "Bob", "Zed"}), 2);
    QVERIFY(c.stamp() != before);
    QCOMPARE(keys(c), (QStringList{"Ann", "Cy", "Dee"}));
    QCOMPARE(c.item(QStringLiteral("dee"))->name, QStringLiteral("Dee"));
    QCOMPARE(c.at(1)->name, QStringLiteral("Cy"));
    QVERIFY(!c.contains(QStringLiteral("Bob")));
    QVERIFY(c.add(QStringLiteral("BOB"), std::make_shared<Item>(Item{"BOB"})));
    QCOMPARE(c.item(QStringLiteral("bob"))->name, QStringLiteral("BOB"));

    // The same as removing one at a time, over a larger collection.
    QStringList names, gone;
    for (int i = 0; i < 3000; ++i) {
        names << QStringLiteral("Group %1").arg(i);
        if (i % 3 != 1)
            gone << QStringLiteral("GROUP %1").arg(i);
    }
    KeyedCollection<Item> many = collectionOf(names);
    KeyedCollection<Item> oneByOne = collectionOf(names);
    QCOMPARE(many.remove(gone), 2000);
    for (const QString& g : std::as_const(gone))
        oneByOne.remove(g);
    QCOMPARE(keys(many), keys(oneByOne));
    for (int i = 1; i < 3000; i += 3)
        QCOMPARE(many.item(QStringLiteral("group %1").arg(i))->name, QStringLiteral("Group %1").arg(i));
}

QTEST_GUILESS_MAIN(TestKeyedCollection)
#include "test_keyedcollection.moc"
