#include "mainwindow/ui/CallerIDGrid.h"

#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/clsCaller.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/SortArrow.h"
#include "platform/Prompt.h"
#include "support/TempHome.h"
#include "support/WorkTime.h"
#include "support/ui/ByName.h"

namespace {

// The window side of the editor: what a confirmed edit hands to the main window.
class EditHost : public MainWindow {
public:
    struct Edit {
        int column;
        QString text;
        qint32 id;
    };
    QList<Edit> edits;
    void EditGrid(int column, const QString& text, qint32 id) override { edits.append({column, text, id}); }
};

clsCaller caller(qint32 id, const QString& name, const QString& number, qint32 rings = 1,
                 const QString& answered = QStringLiteral("NO"))
{
    clsCaller c;
    c.ID = id;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = QStringLiteral("3/%1/2024 2:05:07 PM").arg(id % 28 + 1);
    c.Rings = rings;
    c.Answered = answered;
    return c;
}

QStringList column(const CallerIDGrid& g, int col)
{
    QStringList out;
    for (int r = 1; r < g.Rows(); ++r)
        out << g.TextMatrix(r, col);
    return out;
}

void clickHeading(CallerIDGrid& g, int col, Qt::MouseButton button = Qt::LeftButton)
{
    QHeaderView* h = g.innerGrid()->horizontalHeader();
    const QPoint p(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), button, {}, p);
}

QPoint cellCentre(CallerIDGrid& g, int row, int col)
{
    CallListView* v = g.innerGrid();
    return QPoint(v->columnViewportPosition(col) + v->columnWidth(col) / 2,
                  v->rowViewportPosition(row - 1) + v->rowHeight(row - 1) / 2);
}

} // namespace

class TestCallerIDGrid : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void dateSortUsesTheHiddenIdAndTheArrow();
    void headingClicksFlipAndStore();
    void ringsSortNumerically();
    void emptyGridParksTheSelection();
    void removingSelections();
    void removingByIdAndTheOnlyRow();
    void updateAndColourKeepTheRowsKey();
    void rowsTakeTheirGroupsColour();
    void widthsAndSortSurviveARestart();
    void mouseSelectionKeepsAnchorAndMovingEnd();
    void arrowHidesOnANarrowColumn();
    void editorRefusesInvalidDataAndStaysOpen();
    void editorPassesNormalisedValues();
    void editorLeftUntouchedAsksNothing();
    void contactNamesAreNotEditedHere();
    void editorLeftAfterTypingAsks();
    void editorOnTheRightmostColumnStopsShort();
    void aCallArrivingWhileEditingAsksLater();
    void fillsManyCallsQuickly();
    void partsCarryTheirNames();
    void goesWithTheFocusInsideAndItsWidthWatchRunning();

private:
    std::unique_ptr<TempHome> home;
    std::unique_ptr<EditHost> host;
    std::unique_ptr<CallerIDGrid> grid;
};

void TestCallerIDGrid::init()
{
    home = std::make_unique<TempHome>();
    host = std::make_unique<EditHost>();
    gMainForm = host.get();
    grid = std::make_unique<CallerIDGrid>();
    grid->resize(900, 400);
    grid->show();
    grid->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
}

void TestCallerIDGrid::cleanup()
{
    grid.reset();
    home.reset();
    host.reset();
}

void TestCallerIDGrid::dateSortUsesTheHiddenIdAndTheArrow()
{
    // First start: SortCol "2", Ascending "True": newest (highest ID) on top, arrow pointing down.
    QCOMPARE(grid->intSortCol(), 2);
    QVERIFY(grid->blnAscending());
    grid->AddItem(caller(3, QStringLiteral("C"), QStringLiteral("555-0003")));
    grid->AddItem(caller(10, QStringLiteral("A"), QStringLiteral("555-0010")));
    grid->AddItem(caller(7, QStringLiteral("B"), QStringLiteral("555-0007")));
    grid->Sort();
    QCOMPARE(column(*grid, 5), (QStringList{"10", "7", "3"}));
    QVERIFY(!grid->arrow()->pointsUp());
    QVERIFY(grid->arrow()->isVisible());
    QCOMPARE(grid->Col(), 0);
    QCOMPARE(grid->ColSel(), 6);
    // The date text is never the key: a later ID with an earlier-looking date still sorts by ID.
    grid->setTextMatrix(1, 2, QStringLiteral("1/1/1990"));
    clickHeading(*grid, 2);
    QVERIFY(!grid->blnAscending());
    QCOMPARE(column(*grid, 5), (QStringList{"3", "7", "10"}));
    QVERIFY(grid->arrow()->pointsUp());
}

void TestCallerIDGrid::headingClicksFlipAndStore()
{
    grid->AddItem(caller(1, QStringLiteral("bravo"), QStringLiteral("555-0002")));
    grid->AddItem(caller(2, QStringLiteral("Alpha"), QStringLiteral("555-0001")));
    grid->AddItem(caller(3, QStringLiteral("charlie"), QStringLiteral("555-0003")));
    // Another column keeps the direction flag.
    clickHeading(*grid, 0);
    QCOMPARE(grid->intSortCol(), 0);
    QVERIFY(grid->blnAscending());
    QCOMPARE(column(*grid, 0), (QStringList{"Alpha", "bravo", "charlie"}));
    QCOMPARE(GetProperty(Section::frmMain, Key::SortCol, QString()), QStringLiteral("0"));
    QCOMPARE(GetProperty(Section::frmMain, Key::Ascending, QString()), QStringLiteral("True"));
    // The same column again flips it and stores "False".
    clickHeading(*grid, 0);
    QVERIFY(!grid->blnAscending());
    QCOMPARE(column(*grid, 0), (QStringList{"charlie", "bravo", "Alpha"}));
    QCOMPARE(GetProperty(Section::frmMain, Key::Ascending, QString()), QStringLiteral("False"));
    // The number column sorts as text without regard to case.
    clickHeading(*grid, 1);
    QCOMPARE(column(*grid, 1), (QStringList{"555-0003", "555-0002", "555-0001"}));
    // A right click, or a click on the hidden or filler column, never sorts.
    clickHeading(*grid, 0, Qt::RightButton);
    QCOMPARE(grid->intSortCol(), 1);
    grid->setColWidth(5, 300);
    clickHeading(*grid, 5);
    clickHeading(*grid, 6);
    QCOMPARE(grid->intSortCol(), 1);
    QVERIFY(!grid->blnAscending());
    // A press that began on a data row and ends on the headings is no heading click.
    QHeaderView* h = grid->innerGrid()->horizontalHeader();
    QTest::mousePress(grid->innerGrid()->viewport(), Qt::LeftButton, {}, cellCentre(*grid, 1, 0));
    QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(0) + 5, 5));
    QCOMPARE(grid->intSortCol(), 1);
}

void TestCallerIDGrid::ringsSortNumerically()
{
    grid->AddItem(caller(1, QStringLiteral("A"), QStringLiteral("1"), 10));
    grid->AddItem(caller(2, QStringLiteral("B"), QStringLiteral("2"), 2));
    grid->AddItem(caller(3, QStringLiteral("C"), QStringLiteral("3"), 1));
    grid->AddItem(caller(4, QStringLiteral("D"), QStringLiteral("4"), 21));
    clickHeading(*grid, 3);
    QCOMPARE(column(*grid, 3), (QStringList{"1", "2", "10", "21"}));
    clickHeading(*grid, 3);
    QCOMPARE(column(*grid, 3), (QStringList{"21", "10", "2", "1"}));
}

void TestCallerIDGrid::emptyGridParksTheSelection()
{
    grid->Sort();
    QCOMPARE(grid->Rows(), 1);
    QCOMPARE(grid->Col(), 5);
    QCOMPARE(grid->ColSel(), 5);
    grid->RemoveItem(); // the heading row is current: nothing to do
    QCOMPARE(grid->Rows(), 1);
}

void TestCallerIDGrid::removingSelections()
{
    for (int i = 1; i <= 10; ++i)
        grid->AddItem(caller(i, QStringLiteral("N%1").arg(i), QStringLiteral("555-%1").arg(1000 + i)));
    // Selected upwards from row 7 to row 4 (anchor below the moving end).
    grid->setRow(7);
    grid->setRowSel(4);
    QCOMPARE(grid->Row(), 7);
    QCOMPARE(grid->RowSel(), 4);
    grid->RemoveItem();
    QCOMPARE(column(*grid, 5), (QStringList{"1", "2", "3", "8", "9", "10"}));
    QCOMPARE(grid->Row(), 4);
    QCOMPARE(grid->RowSel(), 4);
    QCOMPARE(grid->TextMatrix(grid->Row(), CallListModel::ColID), QStringLiteral("8"));
    QCOMPARE(grid->Col(), 0);
    QCOMPARE(grid->ColSel(), 6);
    // The same block downwards removes the same rows.
    grid->setRow(2);
    grid->setRowSel(4);
    grid->RemoveItem();
    QCOMPARE(column(*grid, 5), (QStringList{"1", "9", "10"}));
    QCOMPARE(grid->Row(), 2);
    QCOMPARE(grid->RowSel(), 2);
    // The last row of a single-row selection: the row above gets selected.
    grid->setRow(3);
    grid->RemoveItem();
    QCOMPARE(column(*grid, 5), (QStringList{"1", "9"}));
    QCOMPARE(grid->Row(), 2);
    QCOMPARE(grid->RowSel(), 2);
    // A selection that holds every row leaves the headings alone, parked on the hidden column.
    grid->setRow(1);
    grid->setRowSel(2);
    grid->RemoveItem();
    QCOMPARE(grid->Rows(), 1);
    QCOMPARE(grid->Col(), 5);
    QCOMPARE(grid->ColSel(), 5);
}

void TestCallerIDGrid::removingByIdAndTheOnlyRow()
{
    grid->AddItem(caller(5, QStringLiteral("A"), QStringLiteral("1")));
    grid->AddItem(caller(6, QStringLiteral("B"), QStringLiteral("2")));
    grid->setRow(2);
    grid->RemoveItem(99); // no such ID: nothing changes
    QCOMPARE(grid->Rows(), 3);
    grid->RemoveItem(5);
    QCOMPARE(column(*grid, 5), QStringList{"6"});
    QCOMPARE(grid->TextMatrix(grid->Row(), CallListModel::ColID), QStringLiteral("6"));
    grid->RemoveItem(6);
    QCOMPARE(grid->Rows(), 1);
    QCOMPARE(grid->Col(), 5);
    // Forced removal works even with the heading row current (the server's delete request).
    grid->AddItem(caller(70000, QStringLiteral("A"), QStringLiteral("1")));
    grid->AddItem(caller(70001, QStringLiteral("B"), QStringLiteral("2")));
    grid->Clear();
    grid->AddItem(caller(70000, QStringLiteral("A"), QStringLiteral("1")));
    grid->AddItem(caller(70001, QStringLiteral("B"), QStringLiteral("2")));
    grid->setRow(0);
    grid->RemoveItem(70001);
    QCOMPARE(grid->Rows(), 3);
    grid->RemoveItem(70001, true);
    QCOMPARE(column(*grid, 5), QStringList{"70000"});
}

void TestCallerIDGrid::updateAndColourKeepTheRowsKey()
{
    grid->AddItem(caller(1, QStringLiteral("A"), QStringLiteral("1")));
    grid->AddItem(caller(2, QStringLiteral("B"), QStringLiteral("2")));
    grid->AddItem(caller(3, QStringLiteral("NEW"), QStringLiteral("3")), true);
    QCOMPARE(column(*grid, 5), (QStringList{"3", "1", "2"}));
    QCOMPARE(grid->Col(), 5); // a new row parks the selection
    clsCaller c = caller(1, QStringLiteral("CHANGED"), QStringLiteral("555-9999"), 4, QStringLiteral("YES"));
    grid->UpdateItem(1, c);
    QCOMPARE(grid->TextMatrix(2, CallListModel::ColName), QStringLiteral("CHANGED"));
    QCOMPARE(grid->TextMatrix(2, CallListModel::ColNumber), QStringLiteral("555-9999"));
    QCOMPARE(grid->TextMatrix(2, CallListModel::ColRings), QStringLiteral("4"));
    QCOMPARE(grid->TextMatrix(2, CallListModel::ColAnswered), QStringLiteral("YES"));
    grid->UpdateItem(42, c); // no row holds it
    QCOMPARE(column(*grid, 0), (QStringList{"NEW", "CHANGED", "B"}));
    grid->ChangeColorByID(2, 0xFF0000);
    QCOMPARE(grid->ColorByID(2).value(), 0xFF0000u);
    QCOMPARE(grid->Color(3), 0xFF0000u);
    QVERIFY(!grid->ColorByID(42).has_value());
    grid->ChangeColorByRow(3, 0); // black without force: nothing
    QCOMPARE(grid->Color(3), 0xFF0000u);
    grid->ChangeColorByRow(3, 0, true);
    QCOMPARE(grid->Color(3), 0u);
    grid->ChangeFontBoldMultRows(2, true);
    QVERIFY(grid->model()->cellBold(1, 0));
    QVERIFY(grid->model()->cellBold(2, 4));
    QVERIFY(!grid->model()->cellBold(3, 0));
}

void TestCallerIDGrid::rowsTakeTheirGroupsColour()
{
    auto friends = std::make_shared<clsAttributeGroup>();
    friends->Description = QStringLiteral("Friends");
    friends->Color = 0x00FF00;
    gAttributeGroups.add(friends->Description, friends);
    auto none = std::make_shared<clsAttributeGroup>();
    none->Description = QStringLiteral("<None>");
    none->Color = 0x0000FF;
    gAttributeGroups.add(none->Description, none);

    clsCaller a = caller(1, QStringLiteral("A"), QStringLiteral("1"));
    a.AttributeGroup = QStringLiteral("FRIENDS"); // looked up without regard to case
    clsCaller b = caller(2, QStringLiteral("B"), QStringLiteral("2"));
    b.AttributeGroup = QStringLiteral("<none>");
    clsCaller c = caller(3, QStringLiteral("C"), QStringLiteral("3"));
    c.AttributeGroup = QStringLiteral("Gone");
    grid->AddItem(a);
    grid->AddItem(b);
    grid->AddItem(c);
    QCOMPARE(grid->Color(1), 0x00FF00u);
    QCOMPARE(grid->model()->cellForeColour(1, 4), 0x00FF00u);
    QCOMPARE(grid->model()->cellForeColour(1, 5), 0u);
    QCOMPARE(grid->Color(2), 0u);
    QCOMPARE(grid->Color(3), 0u);
    // A caller whose group was removed goes back to black on update.
    gAttributeGroups.remove(QStringLiteral("Friends"));
    grid->UpdateItem(1, a);
    QCOMPARE(grid->Color(1), 0u);
}

void TestCallerIDGrid::widthsAndSortSurviveARestart()
{
    // Defaults from the design-time width: 26 % and 11 %.
    QCOMPARE(grid->ColWidth(0), 2158);
    QCOMPARE(grid->ColWidth(3), 913);
    QCOMPARE(grid->ColWidth(5), 0);
    grid->AddItem(caller(1, QStringLiteral("A"), QStringLiteral("1")));
    clickHeading(*grid, 4);
    grid->setColWidth(0, 3000);
    grid->setColWidth(4, 1500);
    // The width watch looks when the table gets the focus; that first look saves all five widths.
    grid->innerGrid()->setFocus();
    QTRY_VERIFY(grid->innerGrid()->hasFocus());
    grid->Timer1_Timer();
    QCOMPARE(GetProperty(Section::frmMain, Key::Col0, QString()), QStringLiteral("3000"));
    QCOMPARE(GetProperty(Section::frmMain, Key::Col1, QString()), QStringLiteral("2158"));
    QCOMPARE(GetProperty(Section::frmMain, Key::Col4, QString()), QStringLiteral("1500"));
    // Then it rests until a width changes: nothing runs while the focused table is idle.
    QTRY_VERIFY(!grid->widthWatchRunning());
    // A width changed by dragging the heading's edge is due to be saved at once.
    grid->innerGrid()->horizontalHeader()->resizeSection(1, 100);
    QVERIFY(grid->widthWatchRunning());
    grid->Timer1_Timer();
    const QString saved = GetProperty(Section::frmMain, Key::Col1, QString());
    QCOMPARE(saved.toInt(), grid->ColWidth(1));
    QVERIFY(saved.toInt() < 2000);

    grid.reset();
    CallerIDGrid again;
    QCOMPARE(again.ColWidth(0), 3000);
    QCOMPARE(again.ColWidth(1), saved.toInt());
    QCOMPARE(again.ColWidth(4), 1500);
    QCOMPARE(again.intSortCol(), 4);
    QVERIFY(again.blnAscending());
}

void TestCallerIDGrid::mouseSelectionKeepsAnchorAndMovingEnd()
{
    for (int i = 1; i <= 6; ++i)
        grid->AddItem(caller(i, QStringLiteral("N%1").arg(i), QStringLiteral("1")));
    QWidget* vp = grid->innerGrid()->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, cellCentre(*grid, 5, 0));
    QCOMPARE(grid->Row(), 5);
    QCOMPARE(grid->RowSel(), 5);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, cellCentre(*grid, 2, 1));
    QCOMPARE(grid->Row(), 5);
    QCOMPARE(grid->RowSel(), 2);
    QCOMPARE(grid->innerGrid()->selectionModel()->selectedRows().size(), 4);
    // The keyboard moves the moving end with Shift, both ends without.
    QTest::keyClick(grid->innerGrid(), Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(grid->Row(), 5);
    QCOMPARE(grid->RowSel(), 1);
    QTest::keyClick(grid->innerGrid(), Qt::Key_Down);
    QCOMPARE(grid->Row(), 2);
    QCOMPARE(grid->RowSel(), 2);
    // A right click does not move the selection.
    QTest::mouseClick(vp, Qt::RightButton, {}, cellCentre(*grid, 6, 0));
    QCOMPARE(grid->Row(), 2);
    QCOMPARE(grid->MouseRow(), 6);
    // Below the last row the pointer is on the last row's number, but outside its band.
    QTest::mouseMove(vp, QPoint(10, vp->height() - 2));
    QTest::mouseClick(vp, Qt::RightButton, {}, QPoint(10, vp->height() - 2));
    QCOMPARE(grid->MouseRow(), 6);
    QVERIFY(grid->RowPos(6) + grid->RowHeight(6) < int(15 * (grid->innerGrid()->viewport()->height())));
}

void TestCallerIDGrid::arrowHidesOnANarrowColumn()
{
    QVERIFY(grid->arrow()->isVisible());
    grid->setColWidth(2, 300);
    QVERIFY(!grid->arrow()->isVisible());
    grid->setColWidth(2, 2000);
    QVERIFY(grid->arrow()->isVisible());
    // The arrow's right edge meets the column's right edge.
    CallListView* v = grid->innerGrid();
    const int right = v->viewport()->x() + v->columnViewportPosition(2) + v->columnWidth(2);
    QCOMPARE(grid->arrow()->geometry().right() + 1, right);
}

void TestCallerIDGrid::editorRefusesInvalidDataAndStaysOpen()
{
    grid->AddItem(caller(4, QStringLiteral("JOHN"), QStringLiteral("555-1234")));
    grid->ShowEdit(1, 0);
    QVERIFY(grid->isEditing());
    QCOMPARE(grid->editor()->text(), QStringLiteral("JOHN"));
    QTRY_VERIFY(grid->editor()->hasFocus());
    grid->editor()->selectAll();
    QTest::keyClicks(grid->editor(), QStringLiteral("a;b"));
    QTest::keyClick(grid->editor(), Qt::Key_Return);
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Invalid data.")});
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Critical));
    QVERIFY(grid->isEditing());
    QCOMPARE(grid->editor()->text(), QStringLiteral("a;b")); // nothing inserted by Enter
    QCOMPARE(grid->editor()->selectedText(), QStringLiteral("a;b"));
    QVERIFY(host->edits.isEmpty());
    QCOMPARE(grid->TextMatrix(1, CallListModel::ColName), QStringLiteral("JOHN"));
}

void TestCallerIDGrid::editorPassesNormalisedValues()
{
    grid->AddItem(caller(4, QStringLiteral("JOHN"), QStringLiteral("555-1234")));
    grid->AddItem(caller(70000, QStringLiteral("MARY"), QStringLiteral("555-9876")));
    grid->ShowEdit(2, 1);
    grid->editor()->selectAll();
    QTest::keyClicks(grid->editor(), QStringLiteral("(555) 123 4567"));
    QTest::keyClick(grid->editor(), Qt::Key_Return);
    QVERIFY(!grid->isEditing());
    QCOMPARE(host->edits.size(), 1);
    QCOMPARE(host->edits[0].column, 1);
    QCOMPARE(host->edits[0].text, QStringLiteral("(555) 123-4567"));
    QCOMPARE(host->edits[0].id, 70000); // IDs past 16 bits are edited too
    grid->ShowEdit(1, 4);
    grid->editor()->selectAll();
    QTest::keyClicks(grid->editor(), QStringLiteral("yes"));
    QTest::keyClick(grid->editor(), Qt::Key_Enter);
    QCOMPARE(host->edits.size(), 2);
    QCOMPARE(host->edits[1].column, 4);
    QCOMPARE(host->edits[1].text, QStringLiteral("YES"));
    QCOMPARE(host->edits[1].id, 4);
    QVERIFY(Prompt::texts().isEmpty());
}

void TestCallerIDGrid::editorLeftUntouchedAsksNothing()
{
    grid->AddItem(caller(4, QStringLiteral("JOHN"), QStringLiteral("555-1234")));
    grid->AddItem(caller(5, QStringLiteral("MARY"), QStringLiteral("555-9876")));
    grid->ShowEdit(1, 0);
    QTRY_VERIFY(grid->editor()->hasFocus());
    // Leave it by clicking another row: the editor closes, nothing is asked, nothing is stored.
    QTest::mouseClick(grid->innerGrid()->viewport(), Qt::LeftButton, {}, cellCentre(*grid, 2, 1));
    // It closes from the event loop, not inside the focus change.
    QTRY_VERIFY(!grid->isEditing());
    QVERIFY(Prompt::history().isEmpty());
    QVERIFY(host->edits.isEmpty());
    // Opening another cell's editor over an open one asks nothing either.
    grid->ShowEdit(1, 1);
    grid->ShowEdit(2, 1);
    QCOMPARE(grid->editor()->text(), QStringLiteral("555-9876"));
    grid->HideEdit();
    QVERIFY(Prompt::history().isEmpty());
}

void TestCallerIDGrid::contactNamesAreNotEditedHere()
{
    auto contact = std::make_shared<clsContact>();
    contact->Name = QStringLiteral("Jane Doe");
    auto number = std::make_shared<clsNumber>(QStringLiteral("555-1234"), QStringLiteral("Home"));
    contact->Numbers.add(number->PrintNumberDescription(), number);
    gContacts.add(contact->Name, contact);
    grid->AddItem(caller(4, QStringLiteral("LINE NAME"), QStringLiteral("555-1234")));
    grid->AddItem(caller(5, QStringLiteral("STRANGER"), QStringLiteral("555-9999")));
    grid->ShowEdit(1, 0);
    QVERIFY(!grid->isEditing());
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Contact names cannot be edited from here.")});
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Critical));
    // The other cells of that row, and the name of a caller without a contact, open normally.
    grid->ShowEdit(1, 1);
    QVERIFY(grid->isEditing());
    grid->ShowEdit(2, 0);
    QVERIFY(grid->isEditing());
    QCOMPARE(grid->editor()->text(), QStringLiteral("STRANGER"));
    QCOMPARE(Prompt::texts().size(), 1);
}

void TestCallerIDGrid::editorLeftAfterTypingAsks()
{
    grid->AddItem(caller(4, QStringLiteral("JOHN"), QStringLiteral("555-1234")));
    grid->ShowEdit(1, 3);
    grid->editor()->selectAll();
    QTest::keyClicks(grid->editor(), QStringLiteral("7"));
    Prompt::queueAnswer(Prompt::Yes);
    grid->innerGrid()->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(!grid->isEditing());
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Do you want to save changes?")});
    QCOMPARE(host->edits.size(), 1);
    QCOMPARE(host->edits[0].text, QStringLiteral("7"));
    // An invalid value confirmed through the question is refused and the editor closes anyway.
    grid->ShowEdit(1, 3);
    grid->editor()->selectAll();
    QTest::keyClicks(grid->editor(), QStringLiteral("abc"));
    Prompt::queueAnswer(Prompt::Yes);
    grid->HideEdit();
    QCOMPARE(Prompt::texts().last(), QStringLiteral("Invalid data."));
    QVERIFY(!grid->isEditing());
    QCOMPARE(host->edits.size(), 1);
    // No: the change is dropped.
    grid->ShowEdit(1, 3);
    QTest::keyClicks(grid->editor(), QStringLiteral("9"));
    Prompt::queueAnswer(Prompt::No);
    grid->HideEdit();
    QCOMPARE(host->edits.size(), 1);
}

void TestCallerIDGrid::editorOnTheRightmostColumnStopsShort()
{
    grid->AddItem(caller(4, QStringLiteral("JOHN"), QStringLiteral("555-1234")));
    grid->resize(520, 300); // column 4 begins inside the table and ends beyond it
    grid->ShowEdit(1, 4);
    QVERIFY(grid->isEditing());
    const double gridWidth = 15.0 * grid->innerGrid()->width();
    const double right = 15.0 * grid->editor()->geometry().right();
    QVERIFY2(right <= gridWidth - 270, qPrintable(QString::number(gridWidth - right)));
    grid->resize(500, 300); // a resize closes the editor
    QTRY_VERIFY(!grid->isEditing());
}

void TestCallerIDGrid::aCallArrivingWhileEditingAsksLater()
{
    grid->AddItem(caller(4, QStringLiteral("JOHN"), QStringLiteral("555-1234")));
    grid->ShowEdit(1, 4);
    grid->editor()->selectAll();
    QTest::keyClicks(grid->editor(), QStringLiteral("yes"));
    // The call road adds a row from its serial handler: no question inside it.
    grid->AddItem(caller(5, QStringLiteral("NEW"), QStringLiteral("555-0000")), true);
    QVERIFY(Prompt::history().isEmpty());
    Prompt::queueAnswer(Prompt::Yes);
    QTRY_VERIFY(!grid->isEditing());
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Do you want to save changes?")});
    // The edit still goes to the call it was opened on, wherever its row is now.
    QCOMPARE(host->edits.size(), 1);
    QCOMPARE(host->edits[0].id, 4);
    QCOMPARE(host->edits[0].text, QStringLiteral("YES"));
}

void TestCallerIDGrid::fillsManyCallsQuickly()
{
    const WorkTimer t;
    grid->setGridVisible(false);
    grid->model()->beginBulkAppend();
    clsCaller c = caller(1, QStringLiteral("SOMEONE"), QStringLiteral("(555) 123-4567"));
    for (int i = 1; i <= 100000; ++i) {
        c.ID = i;
        grid->AddItem(c);
    }
    grid->model()->endBulkAppend();
    grid->Sort();
    grid->setGridVisible(true);
    const qint64 ms = t.elapsedMs();
    QCOMPARE(grid->Rows(), 100001);
    QCOMPARE(grid->TextMatrix(1, CallListModel::ColID), QStringLiteral("100000"));
    QVERIFY2(ms < 1000 * kWorkTimeScale, qPrintable(QString::number(ms)));
}

void TestCallerIDGrid::partsCarryTheirNames()
{
    QCOMPARE(ui::findByName<CallListView>(grid.get(), QStringLiteral("msfGrid")), grid->innerGrid());
    QCOMPARE(ui::findByName<QLineEdit>(grid.get(), QStringLiteral("txtEdit")), grid->editor());
    QCOMPARE(ui::findByName<SortArrow>(grid.get(), QStringLiteral("fraArrow")), grid->arrow());
    QVERIFY(ui::findByName<QFrame>(grid.get(), QStringLiteral("picBack")));
    QTimer* watch = ui::findByName<QTimer>(grid.get(), QStringLiteral("Timer1"));
    QVERIFY(watch);
    QCOMPARE(watch->interval(), 1);
}

void TestCallerIDGrid::goesWithTheFocusInsideAndItsWidthWatchRunning()
{
    // The grid goes while its table has the focus and the width watch runs: the table's focus leaving
    // must not reach a part of the grid that is already gone (the sanitizer build checks this).
    grid->AddItem(caller(1, QStringLiteral("A"), QStringLiteral("555-0001")));
    grid->innerGrid()->setFocus();
    QTRY_VERIFY(grid->widthWatchRunning());
    QPointer<QWidget> table = grid->innerGrid();
    grid.reset();
    QVERIFY(!table);

    // Again with a typed change in the editor: nothing is asked or stored while the grid goes.
    grid = std::make_unique<CallerIDGrid>();
    grid->resize(900, 400);
    grid->show();
    grid->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    grid->AddItem(caller(1, QStringLiteral("A"), QStringLiteral("555-0001")));
    grid->ShowEdit(1, 0);
    QTRY_VERIFY(grid->editor()->hasFocus());
    QTest::keyClicks(grid->editor(), QStringLiteral("BC"));
    QPointer<QLineEdit> editor = grid->editor();
    grid.reset();
    QVERIFY(!editor);
    QVERIFY(Prompt::history().isEmpty());
    QVERIFY(host->edits.isEmpty());
}

QTEST_MAIN(TestCallerIDGrid)
#include "test_calleridgrid.moc"
