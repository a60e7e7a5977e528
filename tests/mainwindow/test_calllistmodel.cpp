#include "mainwindow/CallListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

class TestCallListModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void headingRowAndCells();
    void insertAtTopKeepsTheSelectedCalls();
    void removingRowsMovesTheEnds();
    void settingRowOrColCollapsesTheSelection();
    void genericSortOrdersNumbersByValue();
    void textSortIgnoresCaseAndIsStable();
    void numericSortOfIdsAndPersistentIndexes();
    void bulkAppendAnnouncesOnceAndFlushesBeforeOtherChanges();
    void findsRowsByIdAndKeepsTabsInCells();
    void coloursAndBold();
    void removingRowsByIdInOnePass();
    void batchRowsOutliveTheirBatch();
    void rewrittenCellsKeepEveryOtherText();

private:
    static QString row(const QString& name, const QString& rings, int id)
    {
        return name + QStringLiteral("\t555-1234\t1/2/2024 3:04:05 PM\t") + rings + QStringLiteral("\tYES\t") +
               QString::number(id);
    }
    CallListModel* m = nullptr;
    QAbstractItemModelTester* tester = nullptr;
};

void TestCallListModel::init()
{
    m = new CallListModel;
    tester = new QAbstractItemModelTester(m, QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void TestCallListModel::cleanup()
{
    delete tester;
    delete m;
}

void TestCallListModel::headingRowAndCells()
{
    QCOMPARE(m->rows(), 1);
    QCOMPARE(m->textMatrix(0, 0), QStringLiteral("Name"));
    QCOMPARE(m->textMatrix(0, 2), QStringLiteral("Date/Time"));
    QCOMPARE(m->textMatrix(0, 4), QStringLiteral("Answered"));
    QCOMPARE(m->textMatrix(0, 5), QString());
    m->addItem(row(QStringLiteral("JOHN"), QStringLiteral("2"), 7));
    QCOMPARE(m->rows(), 2);
    QCOMPARE(m->rowCount(), 1);
    QCOMPARE(m->textMatrix(1, 0), QStringLiteral("JOHN"));
    QCOMPARE(m->textMatrix(1, 3), QStringLiteral("2"));
    QCOMPARE(m->textMatrix(1, 5), QStringLiteral("7"));
    QCOMPARE(m->textMatrix(1, 6), QString());
    QCOMPARE(m->data(m->index(0, CallListModel::ColName), Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignLeft | Qt::AlignVCenter));
    m->setTextMatrix(1, 0, QStringLiteral("MARY"));
    QCOMPARE(m->data(m->index(0, CallListModel::ColName)).toString(), QStringLiteral("MARY"));
    // Out-of-range cells read empty and ignore writes.
    m->setTextMatrix(5, 0, QStringLiteral("X"));
    QCOMPARE(m->textMatrix(5, 0), QString());
    m->clearRows();
    QCOMPARE(m->rows(), 1);
    QCOMPARE(m->row(), 0);
}

void TestCallListModel::insertAtTopKeepsTheSelectedCalls()
{
    for (int i = 1; i <= 5; ++i)
        m->addItem(row(QStringLiteral("N%1").arg(i), QStringLiteral("1"), i));
    QCOMPARE(m->row(), 1); // data rows make row 1 current
    m->select(2, 4, 0, 6);
    m->addItem(row(QStringLiteral("NEW"), QStringLiteral("1"), 6), 1);
    QCOMPARE(m->textMatrix(1, 0), QStringLiteral("NEW"));
    QCOMPARE(m->row(), 3);
    QCOMPARE(m->rowSel(), 5);
    QCOMPARE(m->textMatrix(m->row(), 0), QStringLiteral("N2"));
    QCOMPARE(m->textMatrix(m->rowSel(), 0), QStringLiteral("N4"));
}

void TestCallListModel::removingRowsMovesTheEnds()
{
    for (int i = 1; i <= 6; ++i)
        m->addItem(row(QStringLiteral("N%1").arg(i), QStringLiteral("1"), i));
    m->select(5, 6, 0, 6);
    m->removeItem(2); // above both ends: they move up with their calls
    QCOMPARE(m->row(), 4);
    QCOMPARE(m->rowSel(), 5);
    QCOMPARE(m->textMatrix(m->row(), 0), QStringLiteral("N5"));
    m->removeItem(5); // the moving end's own row at the bottom: it stays in range
    QCOMPARE(m->rows(), 5);
    QCOMPARE(m->rowSel(), 4);
    m->removeItem(0); // the heading row is never removed
    QCOMPARE(m->rows(), 5);
}

void TestCallListModel::settingRowOrColCollapsesTheSelection()
{
    for (int i = 1; i <= 4; ++i)
        m->addItem(row(QStringLiteral("N%1").arg(i), QStringLiteral("1"), i));
    QSignalSpy spy(m, &CallListModel::selectionChanged);
    m->select(1, 3, 0, 6);
    QCOMPARE(spy.count(), 1);
    m->select(1, 3, 0, 6);
    QCOMPARE(spy.count(), 1); // no change, no signal
    m->setCol(5);
    QCOMPARE(m->rowSel(), 1);
    QCOMPARE(m->colSel(), 5);
    m->setRowSel(4);
    m->setRow(2);
    QCOMPARE(m->rowSel(), 2);
    m->setRow(99);
    QCOMPARE(m->row(), 4);
}

void TestCallListModel::genericSortOrdersNumbersByValue()
{
    const QStringList rings = {QStringLiteral("10"), QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("33")};
    for (int i = 0; i < rings.size(); ++i)
        m->addItem(row(QStringLiteral("N"), rings[i], i + 1));
    m->sortRows(CallListModel::ColRings, CallListModel::GenericAscending);
    QStringList got;
    for (int r = 1; r < m->rows(); ++r)
        got << m->textMatrix(r, 3);
    QCOMPARE(got, (QStringList{"1", "2", "10", "33"}));
    m->sortRows(CallListModel::ColRings, CallListModel::GenericDescending);
    got.clear();
    for (int r = 1; r < m->rows(); ++r)
        got << m->textMatrix(r, 3);
    QCOMPARE(got, (QStringList{"33", "10", "2", "1"}));
    // A mixed column puts numbers before words.
    m->setTextMatrix(2, 3, QStringLiteral("abc"));
    m->sortRows(CallListModel::ColRings, CallListModel::GenericAscending);
    QCOMPARE(m->textMatrix(4, 3), QStringLiteral("abc"));
}

void TestCallListModel::textSortIgnoresCaseAndIsStable()
{
    m->addItem(row(QStringLiteral("bob"), QStringLiteral("1"), 1));
    m->addItem(row(QStringLiteral("Alice"), QStringLiteral("1"), 2));
    m->addItem(row(QStringLiteral("BOB"), QStringLiteral("1"), 3));
    m->addItem(row(QStringLiteral("alice"), QStringLiteral("1"), 4));
    m->sortRows(CallListModel::ColName, CallListModel::StringNoCaseAscending);
    QStringList got;
    for (int r = 1; r < m->rows(); ++r)
        got << m->textMatrix(r, 5);
    QCOMPARE(got, (QStringList{"2", "4", "1", "3"}));
    m->sortRows(CallListModel::ColName, CallListModel::StringNoCaseDescending);
    got.clear();
    for (int r = 1; r < m->rows(); ++r)
        got << m->textMatrix(r, 5);
    QCOMPARE(got, (QStringList{"1", "3", "2", "4"}));
}

void TestCallListModel::numericSortOfIdsAndPersistentIndexes()
{
    for (int id : {5, 40000, 12, 70000, 9})
        m->addItem(row(QStringLiteral("N%1").arg(id), QStringLiteral("1"), id));
    const QPersistentModelIndex p(m->index(1, CallListModel::ColName)); // the call with ID 40000
    m->sortRows(CallListModel::ColID, CallListModel::NumericDescending);
    QStringList got;
    for (int r = 1; r < m->rows(); ++r)
        got << m->textMatrix(r, 5);
    QCOMPARE(got, (QStringList{"70000", "40000", "12", "9", "5"}));
    QCOMPARE(p.row(), 1);
    QCOMPARE(p.data().toString(), QStringLiteral("N40000"));
    m->sortRows(CallListModel::ColID, CallListModel::NumericAscending);
    QCOMPARE(m->textMatrix(1, 5), QStringLiteral("5"));
    QCOMPARE(p.row(), 3);
}

void TestCallListModel::bulkAppendAnnouncesOnceAndFlushesBeforeOtherChanges()
{
    QSignalSpy inserted(m, &QAbstractItemModel::rowsInserted);
    m->beginBulkAppend();
    for (int i = 1; i <= 100; ++i)
        m->addItem(row(QStringLiteral("N%1").arg(i), QStringLiteral("1"), i));
    QCOMPARE(m->rows(), 101);
    QCOMPARE(m->rowCount(), 0);
    QCOMPARE(inserted.count(), 0);
    // A call arriving in the middle of a refill goes to the top: the pending rows are announced first.
    m->addItem(row(QStringLiteral("TOP"), QStringLiteral("1"), 500), 1);
    QCOMPARE(m->rowCount(), 101);
    for (int i = 101; i <= 150; ++i)
        m->addItem(row(QStringLiteral("N%1").arg(i), QStringLiteral("1"), i));
    m->endBulkAppend();
    QCOMPARE(m->rowCount(), 151);
    QCOMPARE(m->rows(), 152);
    QCOMPARE(inserted.count(), 3);
    QCOMPARE(m->textMatrix(1, 0), QStringLiteral("TOP"));
    QCOMPARE(m->textMatrix(151, 0), QStringLiteral("N150"));
}

void TestCallListModel::findsRowsByIdAndKeepsTabsInCells()
{
    m->addItem(row(QStringLiteral("A"), QStringLiteral("1"), 3));
    m->addRow({QStringLiteral("TAB\tNAME"), QStringLiteral("1"), QString(), QStringLiteral("1"), QStringLiteral("NO"),
               QStringLiteral("8")});
    QCOMPARE(m->findRowById(8), 2);
    QCOMPARE(m->textMatrix(2, 0), QStringLiteral("TAB\tNAME"));
    QCOMPARE(m->findRowById(3), 1);
    QCOMPARE(m->findRowById(4), 0);
    QCOMPARE(m->findRowById(0), 0);
    m->setTextMatrix(1, 5, QStringLiteral("44"));
    QCOMPARE(m->findRowById(44), 1);
}

void TestCallListModel::coloursAndBold()
{
    m->addItem(row(QStringLiteral("A"), QStringLiteral("1"), 3));
    m->setCellForeColour(1, 0, 255); // red in the low byte
    QCOMPARE(m->cellForeColour(1, 0), 255u);
    QCOMPARE(m->data(m->index(0, CallListModel::ColName), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    m->setCellForeColour(1, 5, 255);
    QCOMPARE(m->cellForeColour(1, 5), 0u); // the ID column is never coloured
    m->setCellBold(1, 2, true);
    QVERIFY(m->cellBold(1, 2));
    QVERIFY(m->data(m->index(0, CallListModel::ColDate), Qt::FontRole).value<QFont>().bold());
    QVERIFY(!m->cellBold(1, 1));
}

void TestCallListModel::removingRowsByIdInOnePass()
{
    for (int id = 1; id <= 8; ++id)
        m->addItem(row(QStringLiteral("C%1").arg(id), QStringLiteral("1"), id));
    // Rows 2..4 and 7 go (IDs 2, 3, 4, 7); the anchor stood on a removed row, the moving end below them.
    m->select(3, 8, 0, 4);
    QSignalSpy changed(m, &CallListModel::selectionChanged);
    QCOMPARE(m->removeRowsById({7, 3, 2, 4, 99}), 4);
    QCOMPARE(m->rows(), 5);
    QStringList names;
    for (int r = 1; r < m->rows(); ++r)
        names << m->textMatrix(r, 0);
    QCOMPARE(names,
             (QStringList{QStringLiteral("C1"), QStringLiteral("C5"), QStringLiteral("C6"), QStringLiteral("C8")}));
    QCOMPARE(m->row(), 2);    // where the removed run began: the next call left
    QCOMPARE(m->rowSel(), 4); // C8 moved up with its row
    QCOMPARE(changed.size(), 1);
    // A row whose ID cell is empty is never taken for ID 0; nothing removed, nothing said.
    m->addItem(QStringLiteral("EMPTY\t\t\t\t\t"));
    changed.clear();
    QCOMPARE(m->removeRowsById({0}), 0);
    QCOMPARE(changed.size(), 0);
    QCOMPARE(m->removeRowsById({1, 5, 6, 8}), 4);
    QCOMPARE(m->rows(), 2);
    QCOMPARE(m->textMatrix(1, 0), QStringLiteral("EMPTY"));
}

void TestCallListModel::batchRowsOutliveTheirBatch()
{
    m->addItem(row(QStringLiteral("ON TOP"), QStringLiteral("1"), 100));
    {
        CallRowBatch batch;
        for (int i = 0; i < 3000; ++i) {
            const QString name = QStringLiteral("BATCH %1").arg(i);
            const QString id = QString::number(i + 1);
            batch.append({name, QStringLiteral("555-0000"), QStringLiteral("1/2/2024"), QStringLiteral("2"),
                          QStringLiteral("NO"), id},
                         i + 1, 0x0000FFu);
        }
        m->beginBulkAppend();
        m->appendRows(batch, 0, 1000);
        m->appendRows(batch, 1000, 3000);
        m->appendRows(batch, 2999, 2000); // an empty range adds nothing
        m->endBulkAppend();
    }
    QCOMPARE(m->rows(), 3002);
    QCOMPARE(m->textMatrix(1, 0), QStringLiteral("ON TOP"));
    QCOMPARE(m->textMatrix(2, 0), QStringLiteral("BATCH 0"));
    QCOMPARE(m->textMatrix(3001, 0), QStringLiteral("BATCH 2999"));
    QCOMPARE(m->textMatrix(3001, 5), QStringLiteral("3000"));
    QCOMPARE(m->findRowById(1500), 1501);
    QCOMPARE(m->cellForeColour(3001, 4), 0x0000FFu);
    QCOMPARE(m->data(m->index(3000, CallListModel::ColDate)).toString(), QStringLiteral("1/2/2024"));
}

void TestCallListModel::rewrittenCellsKeepEveryOtherText()
{
    for (int id = 1; id <= 50; ++id)
        m->addItem(row(QStringLiteral("C%1").arg(id), QStringLiteral("1"), id));
    // Enough rewrites for the old texts to be dropped and the live ones moved at least once.
    const QString longName(500, QLatin1Char('x'));
    for (int round = 0; round < 40; ++round)
        for (int r = 1; r <= 50; ++r)
            m->setTextMatrix(r, 3, QString::number(round) + longName);
    for (int r = 1; r <= 50; ++r) {
        QCOMPARE(m->textMatrix(r, 0), QStringLiteral("C%1").arg(r));
        QCOMPARE(m->textMatrix(r, 3), QStringLiteral("39") + longName);
        QCOMPARE(m->textMatrix(r, 5), QString::number(r));
    }
    m->setTextMatrix(7, CallListModel::ColID, QStringLiteral(" 77 "));
    QCOMPARE(m->findRowById(77), 7);
    QCOMPARE(m->findRowById(7), 0);
}

QTEST_GUILESS_MAIN(TestCallListModel)
#include "test_calllistmodel.moc"
