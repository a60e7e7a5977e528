#include <QTest>

#include <random>

#include "statswindow/CustomizeLists.h"

// The customize statistics dialog's lists: sorted adds, places kept by up and down, and the moves.

namespace {

CustomizeList filled(bool sorted, const QStringList& entries, int selected = -1)
{
    CustomizeList l(sorted);
    for (const QString& e : entries)
        l.add(e);
    l.select(selected);
    return l;
}

} // namespace

class TestCustomizeLists : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sortedListsKeepThePlacesUpAndDownGive();
    void unsortedListsAppend();
    void addingAllAtOnceGivesTheOrderOfAddingOneByOne();
    void singleMovesSelectTheNeighbour();
    void moveAllNeedsASelection();
    void upAndDownStopAtTheEnds();
    void removingKeepsASensibleSelection();
    void buttonsFollowTheLists();
};

void TestCustomizeLists::sortedListsKeepThePlacesUpAndDownGive()
{
    CustomizeList available = filled(true, {"UNKNOWN NUMBER", "All Callers", "PRIVATE NUMBER"});
    CustomizeList current(true);
    QCOMPARE(available.entries(), QStringList({"All Callers", "PRIVATE NUMBER", "UNKNOWN NUMBER"}));
    // "Private Number" first, then "All Callers": the current list puts them in alphabetical order.
    available.select(1);
    MoveListItems(1, available, current);
    available.select(0);
    MoveListItems(1, available, current);
    QCOMPARE(current.entries(), QStringList({"All Callers", "PRIVATE NUMBER"}));
    // Down on "All Callers" swaps them, and the sorted list keeps that order.
    current.select(0);
    MoveCurrentItem(3, current);
    QCOMPARE(current.entries(), QStringList({"PRIVATE NUMBER", "All Callers"}));
    QCOMPARE(current.selected(), 1);
    // An entry added later goes before the first entry that sorts after it, case ignored.
    current.add(QStringLiteral("jane doe"));
    QCOMPARE(current.entries(), QStringList({"jane doe", "PRIVATE NUMBER", "All Callers"}));
    QCOMPARE(current.selected(), 2); // the selected entry is still "All Callers"
    // An edit keeps the entry's place.
    current.replaceAt(1, QStringLiteral("A New Name"));
    QCOMPARE(current.entries(), QStringList({"jane doe", "A New Name", "All Callers"}));
}

// Filling a list in one go (thousands of per-contact groups) gives what adding one by one gives, names that
// differ only in capitals and equal names included; a list that is not empty, or not sorted, adds one by one.
void TestCustomizeLists::addingAllAtOnceGivesTheOrderOfAddingOneByOne()
{
    std::mt19937 random(12);
    const QStringList words = {QStringLiteral("ann"), QStringLiteral("Ann"), QStringLiteral("ANN"),
                               QStringLiteral("bob"), QStringLiteral("Zed"), QStringLiteral("Émile"),
                               QStringLiteral(""),    QStringLiteral("10"),  QStringLiteral("9")};
    for (int round = 0; round < 200; ++round) {
        QStringList texts;
        const int n = int(random() % 40);
        for (int i = 0; i < n; ++i)
            texts << words[int(random() % unsigned(words.size()))] + QString::number(random() % 3);
        for (const bool sorted : {true, false}) {
            CustomizeList oneByOne(sorted), atOnce(sorted);
            for (const QString& t : texts)
                oneByOne.add(t);
            atOnce.addAll(texts);
            QCOMPARE(atOnce.entries(), oneByOne.entries());
            // Into a list that already holds entries placed by hand.
            atOnce.insertAt(0, QStringLiteral("zzz"));
            oneByOne.insertAt(0, QStringLiteral("zzz"));
            atOnce.addAll(texts);
            for (const QString& t : texts)
                oneByOne.add(t);
            QCOMPARE(atOnce.entries(), oneByOne.entries());
        }
    }
}

void TestCustomizeLists::unsortedListsAppend()
{
    CustomizeList available = filled(true, {"Total Calls", "Most Rings", "Average Rings"}, 2);
    CustomizeList current = filled(false, {"Total Calls Answered"});
    MoveListItems(0, available, current);
    QCOMPARE(current.entries(), QStringList({"Total Calls Answered", "Total Calls"}));
    // The destination had no selection: its first entry is selected.
    QCOMPARE(current.selected(), 0);
}

void TestCustomizeLists::singleMovesSelectTheNeighbour()
{
    CustomizeList available = filled(true, {"A", "B", "C"}, 1);
    CustomizeList current(false);
    MoveListItems(0, available, current);
    QCOMPARE(available.entries(), QStringList({"A", "C"}));
    QCOMPARE(available.selectedText(), QStringLiteral("C")); // the entry that took its place
    MoveListItems(0, available, current);
    QCOMPARE(available.selectedText(), QStringLiteral("A")); // the last moved: the new last entry
    MoveListItems(0, available, current);
    QVERIFY(available.isEmpty());
    QCOMPARE(available.selected(), -1);
    QCOMPARE(current.entries(), QStringList({"B", "C", "A"}));
    QCOMPARE(current.selectedText(), QStringLiteral("B"));
    // Back again with "<": into the sorted available list.
    current.select(1);
    MoveListItems(4, available, current);
    QCOMPARE(available.entries(), QStringList({"C"}));
    QCOMPARE(available.selected(), 0);
    QCOMPARE(current.selectedText(), QStringLiteral("A"));
}

void TestCustomizeLists::moveAllNeedsASelection()
{
    CustomizeList available = filled(true, {"A", "B"});
    CustomizeList current = filled(false, {"Z"}, 0);
    MoveListItems(2, available, current); // ">>" without a selected entry does nothing
    QCOMPARE(available.count(), 2);
    available.select(1);
    MoveListItems(2, available, current);
    QVERIFY(available.isEmpty());
    QCOMPARE(current.entries(), QStringList({"Z", "A", "B"}));
    QCOMPARE(current.selected(), 0);
    MoveListItems(6, available, current); // "<<" back, into alphabetical order
    QCOMPARE(available.entries(), QStringList({"A", "B", "Z"}));
    QVERIFY(current.isEmpty());
    QCOMPARE(available.selected(), 0);
}

void TestCustomizeLists::upAndDownStopAtTheEnds()
{
    CustomizeList l = filled(false, {"A", "B", "C"}, 0);
    MoveCurrentItem(0, l);
    QCOMPARE(l.entries(), QStringList({"A", "B", "C"}));
    QCOMPARE(l.selected(), 0);
    l.select(2);
    MoveCurrentItem(2, l);
    QCOMPARE(l.entries(), QStringList({"A", "B", "C"}));
    MoveCurrentItem(0, l);
    QCOMPARE(l.entries(), QStringList({"A", "C", "B"}));
    QCOMPARE(l.selected(), 1);
    l.select(-1);
    MoveCurrentItem(2, l); // nothing selected
    QCOMPARE(l.entries(), QStringList({"A", "C", "B"}));
}

void TestCustomizeLists::removingKeepsASensibleSelection()
{
    CustomizeList l = filled(true, {"A", "B", "C"}, 2);
    l.removeAt(2);
    QCOMPARE(l.selectedText(), QStringLiteral("B")); // the last removed: the one before it
    l.removeAt(0);
    QCOMPARE(l.selectedText(), QStringLiteral("B"));
    l.removeAt(0);
    QCOMPARE(l.selected(), -1);
}

void TestCustomizeLists::buttonsFollowTheLists()
{
    const CustomizeList empty(true), one = filled(true, {"A"});
    CustomizeButtons b = EnableButtons(one, empty, empty, one);
    QCOMPARE(QList<bool>(std::begin(b.move), std::end(b.move)),
             QList<bool>({true, false, true, false, false, true, false, true}));
    QCOMPARE(QList<bool>(std::begin(b.upDown), std::end(b.upDown)), QList<bool>({false, true, false, true}));
    b = EnableButtons(empty, one, one, empty);
    QCOMPARE(QList<bool>(std::begin(b.move), std::end(b.move)),
             QList<bool>({false, true, false, true, true, false, true, false}));
    QCOMPARE(QList<bool>(std::begin(b.upDown), std::end(b.upDown)), QList<bool>({true, false, true, false}));
}

QTEST_APPLESS_MAIN(TestCustomizeLists)
#include "test_customizelists.moc"
