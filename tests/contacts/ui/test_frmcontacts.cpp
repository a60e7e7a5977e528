#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QTest>
#include <QToolBar>

#include "ContactBookFixture.h"
#include "contacts/ContactStore.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/Twips.h"

using namespace book;

namespace {

// A control of the window, found by the name the program gives it.
template <typename T>
T* part(const QObject* window, const char* name)
{
    return ui::findByName<T>(window, QLatin1String(name));
}

} // namespace

// The contact book window on a real contact file: its modes and status texts, the list and tree as the
// user works them, saving and removing with every refusal, numbers and picture, and its commands.
class TestFrmContacts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void modesAndStatusTexts();
    void groupChoiceIsAnEditButFillingIsNot();
    void countsAndColumn();
    void unchangedFormSavesNothing();
    void saveRefusalsInOrder();
    void duplicateNameIsRefusedAndTheModeComesBack();
    void addingSelectsTheNewContact();
    void renameInTheTreeKeepsSelectionAndExpansion();
    void removingANameThatLooksLikeAPatternRemovesOnlyIt();
    void removalAsksAndShowsTheNextContact();
    void clickAsksToSaveAndAFailedSaveStays();
    void changesMadeElsewhereKeepEditsInProgress();
    void numbersAddEditRemove();
    void pictureCommands();
    void viewsMenusAndToolbar();
    void keyFiltersAndLimits();
    void closingAsksAndAFailedSaveKeepsTheWindow();
    void hintsAndPictureSizeLabels();
    void clientLayout();
    void ctrlAInTheBoxesAddsAContact();

private:
    std::unique_ptr<Fixture> f;
};

void TestFrmContacts::init()
{
    f = std::make_unique<Fixture>();
    Twips::setLogicalDpi(96);
}

void TestFrmContacts::cleanup()
{
    f.reset();
    Twips::setLogicalDpi(0);
}

void TestFrmContacts::modesAndStatusTexts()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-1234")}));
    frmContacts* w = f->open();
    const QString in = QStringLiteral(" in ") + f->path;
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    QCOMPARE(panel(w, "status"), QStringLiteral("Viewing contact Ann") + in);

    QTest::keyClicks(ui::findByName<QLineEdit>(w, QStringLiteral("txtName")), QStringLiteral("x"));
    // The text names the stored contact, not what is being typed.
    QCOMPARE(w->strState, QStringLiteral("editing"));
    QCOMPARE(panel(w, "status"), QStringLiteral("Editing contact Ann") + in);
    QTest::keyClicks(ui::findByName<QLineEdit>(w, QStringLiteral("txtName")), QStringLiteral("y"));
    QCOMPARE(w->strState, QStringLiteral("editing"));

    // A new contact while edits are pending asks first; No drops them.
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(w, QStringLiteral("mnuEditAdd"));
    QCOMPARE(Prompt::texts(), QStringList({"Do you want to save changes?"}));
    QCOMPARE(Prompt::history().first().icon, int(Prompt::NoIcon));
    QCOMPARE(w->strState, QStringLiteral("adding"));
    QCOMPARE(w->views().listSelectedRow(), -1);
    QTest::keyClicks(part<QLineEdit>(w, "txtName"), QStringLiteral("B"));
    QCOMPARE(w->strState, QStringLiteral("adding"));
    QCOMPARE(panel(w, "status"), QStringLiteral("Adding a new contact") + in);

    // Clearing the fields keeps the mode and does not write the mode's text again.
    w->SetContact(QStringLiteral("Ann"));
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    w->ClearContact();
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    QCOMPARE(panel(w, "status"), QString());
    QVERIFY(part<QLineEdit>(w, "txtName")->text().isEmpty());

    // Typing with nothing shown begins a new contact and the views lose their selection.
    w->SetContact(QString());
    QCOMPARE(w->strState, QString());
    w->views().selectListItem(QStringLiteral("Ann"));
    QTest::keyClicks(part<QLineEdit>(w, "txtName"), QStringLiteral("Zed"));
    QCOMPARE(w->strState, QStringLiteral("adding"));
    QCOMPARE(w->views().listSelectedRow(), -1);
    QCOMPARE(panel(w, "status"), QStringLiteral("Adding a new contact") + in);
}

void TestFrmContacts::groupChoiceIsAnEditButFillingIsNot()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-1234")}, QStringLiteral("VIP Callers")));
    frmContacts* w = f->open();
    QComboBox* groups = ui::findByName<QComboBox>(w, QStringLiteral("cboAttributeGroup"));
    QCOMPARE(groups->count(), 4);
    QCOMPARE(groups->itemText(0), QStringLiteral("<none>"));
    // Showing a contact selected its group without counting as an edit and without a question.
    QCOMPARE(groups->currentText(), QStringLiteral("VIP Callers"));
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    QVERIFY(Prompt::history().isEmpty());

    // The program's own choice of a group is an edit.
    SelectListItem(groups, QStringLiteral("default"));
    QCOMPARE(w->strState, QStringLiteral("editing"));
    QVERIFY(w->CheckChange());

    // Showing a contact of a blocking group asks nothing either.
    f->store(contact(QStringLiteral("Bad"), {QStringLiteral("555-6666")}, QStringLiteral("Block Calls")));
    w->UpdateList();
    Prompt::queueAnswer(Prompt::No);
    w->views().listSelection.setCurrentIndex(w->views().list.index(w->views().list.row(QStringLiteral("Bad"))),
                                             QItemSelectionModel::ClearAndSelect);
    QCOMPARE(Prompt::texts(), QStringList({"Do you want to save changes?"}));
    QCOMPARE(groups->currentText(), QStringLiteral("Block Calls"));
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    Prompt::clearHistory();
    SelectListItem(groups, QStringLiteral("default"));

    // A blocking group asks; No goes back to "<none>".
    Prompt::queueAnswer(Prompt::No);
    SelectListItem(groups, QStringLiteral("Block Calls"));
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(
        Prompt::history().first().text,
        QStringLiteral("This attribute group WILL BE BLOCKED from making \r\nincoming calls? Are you sure you want "
                       "to block all \r\nof this contact's calls?"));
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Exclamation));
    QCOMPARE(groups->currentText(), QStringLiteral("<none>"));
    Prompt::queueAnswer(Prompt::Yes);
    SelectListItem(groups, QStringLiteral("Block Calls"));
    QCOMPARE(groups->currentText(), QStringLiteral("Block Calls"));
    // Edit and Remove need a group chosen; Add is always there.
    QVERIFY(ui::findByName<QPushButton>(w, QStringLiteral("cmdEditAttributeGroup"))->isEnabled());
    QVERIFY(ui::findByName<QPushButton>(w, QStringLiteral("cmdAddAttributeGroup"))->isEnabled());
    SelectListItem(groups, QStringLiteral("<none>"));
    QVERIFY(!ui::findByName<QPushButton>(w, QStringLiteral("cmdEditAttributeGroup"))->isEnabled());
    QVERIFY(!ui::findByName<QPushButton>(w, QStringLiteral("cmdRemoveAttributeGroup"))->isEnabled());
    QVERIFY(ui::findByName<QPushButton>(w, QStringLiteral("cmdAddAttributeGroup"))->isEnabled());
}

void TestFrmContacts::countsAndColumn()
{
    frmContacts* w = f->open();
    QCOMPARE(panel(w, "contacts"), QStringLiteral("0 Contacts"));
    QCOMPARE(panel(w, "numbers"), QStringLiteral("0 Numbers"));
    QCOMPARE(w->strState, QString());
    f->close();

    for (int i = 0; i < 19; ++i)
        f->store(contact(QStringLiteral("C%1").arg(i, 2, 10, QLatin1Char('0')),
                         {QStringLiteral("555-%1").arg(1000 + i), QStringLiteral("555-%1").arg(2000 + i)}));
    w = f->open();
    QCOMPARE(panel(w, "contacts"), QStringLiteral("19 Contacts"));
    QCOMPARE(panel(w, "numbers"), QStringLiteral("38 Numbers"));
    QTreeView* list = ui::findByName<QTreeView>(w, QStringLiteral("lsvContacts"));
    QCOMPARE(list->header()->sectionSize(0), Twips::toPixels(3375 - 100));
    f->store(contact(QStringLiteral("C19"), {QStringLiteral("555-3000")}));
    w->UpdateCounts();
    QCOMPARE(panel(w, "contacts"), QStringLiteral("20 Contacts"));
    QCOMPARE(list->header()->sectionSize(0), Twips::toPixels(3375 - 350));
}

void TestFrmContacts::unchangedFormSavesNothing()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-1234")}));
    frmContacts* w = f->open();
    const int before = writes();
    const QFileInfo file(f->path);
    const QFileInfo wal(f->path + QStringLiteral("-wal"));
    const QDateTime fileTime = file.lastModified();
    const QDateTime walTime = wal.lastModified();
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    TRIGGER(w, QStringLiteral("Toolbar1.Buttons(save)"));
    QCOMPARE(writes(), before);
    QCOMPARE(QFileInfo(f->path).lastModified(), fileTime);
    QCOMPARE(QFileInfo(f->path + QStringLiteral("-wal")).lastModified(), walTime);
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(w->strState, QStringLiteral("viewing"));
}

void TestFrmContacts::saveRefusalsInOrder()
{
    frmContacts* w = f->open();
    TRIGGER(w, QStringLiteral("mnuEditAdd"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(Prompt::history().size(), 1);
    const Prompt::Record box = Prompt::history().first();
    QCOMPARE(box.text, QStringLiteral("You must enter a contact name."));
    QCOMPARE(box.icon, int(Prompt::Critical));
    QCOMPARE(box.buttons, int(Prompt::OkOnly));
    QCOMPARE(box.title, QStringLiteral("Velquon"));
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(part<QLineEdit>(w, "txtName")));

    part<QLineEdit>(w, "txtName")->setText(QStringLiteral("Ann"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(Prompt::texts().last(), QStringLiteral("Each name must have at least one number associated with it."));
    answerNumberDialog(QStringLiteral("5551234"), QString());
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    part<QLineEdit>(w, "txtName")->setText(QStringLiteral("5551234"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(Prompt::texts().last(), QStringLiteral("Contact names cannot be all numeric."));
    // Pasted delimiters are no name.
    part<QLineEdit>(w, "txtName")->setText(QStringLiteral("';|"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(Prompt::texts().last(), QStringLiteral("You must enter a contact name."));
    QCOMPARE(gContacts.count(), 0);
    QCOMPARE(w->strState, QStringLiteral("adding"));

    // A pasted apostrophe and semicolon go; a single "/" in the other information stays.
    part<QLineEdit>(w, "txtName")->setText(QStringLiteral("Corner's; Cafe"));
    part<QPlainTextEdit>(w, "txtOtherInfo")->setPlainText(QStringLiteral("open 9/5; closed|sun'days//"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    const auto stored = GetContact(QStringLiteral("Corners Cafe"));
    QCOMPARE(stored->Name, QStringLiteral("Corners Cafe"));
    QCOMPARE(stored->OtherInfo, QStringLiteral("open 9/5 closedsundays"));
    // The form shows what was stored, so it is not "changed".
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("Corners Cafe"));
    QVERIFY(!w->CheckChange());
    QCOMPARE(w->strState, QStringLiteral("viewing"));
}

void TestFrmContacts::duplicateNameIsRefusedAndTheModeComesBack()
{
    f->store(contact(QStringLiteral("Smith"), {QStringLiteral("555-0001")}));
    frmContacts* w = f->open();
    const int before = writes();
    TRIGGER(w, QStringLiteral("Toolbar1.Buttons(add)"));
    QTest::keyClicks(part<QLineEdit>(w, "txtName"), QStringLiteral("SMITH"));
    answerNumberDialog(QStringLiteral("555 0002"), QStringLiteral("Home"));
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    TRIGGER(w, QStringLiteral("Toolbar1.Buttons(save)"));
    QCOMPARE(Prompt::texts(),
             QStringList({"Cannot perform operation.\r\nError #1: Duplicate names in database.\r\nSource: Velquon"}));
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Exclamation));
    QCOMPARE(writes(), before);
    QCOMPARE(gContacts.count(), 1);
    // Still adding: the edits are there and a corrected name is added, not edited.
    QCOMPARE(w->strState, QStringLiteral("adding"));
    QCOMPARE(lines(part<QListWidget>(w, "lstNumbers")), QStringList({"555-0002 (Home)"}));
    part<QLineEdit>(w, "txtName")->setText(QStringLiteral("Smithers"));
    TRIGGER(w, QStringLiteral("Toolbar1.Buttons(save)"));
    QCOMPARE(gContacts.count(), 2);
    QCOMPARE(GetContact(QStringLiteral("Smith"))->Numbers.count(), 1);
    QCOMPARE(GetContact(QStringLiteral("Smithers"))->Numbers.at(0)->Number, QStringLiteral("555-0002"));
}

void TestFrmContacts::addingSelectsTheNewContact()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-0001")}, QStringLiteral("VIP Callers")));
    frmContacts* w = f->open();
    TRIGGER(w, QStringLiteral("mnuEditAdd"));
    QTest::keyClicks(part<QLineEdit>(w, "txtName"), QStringLiteral("Bea"));
    answerNumberDialog(QStringLiteral("555-0002"), QString());
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    SelectListItem(part<QComboBox>(w, "cboAttributeGroup"), QStringLiteral("VIP Callers"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    QCOMPARE(panel(w, "status"), QStringLiteral("Viewing contact Bea in ") + f->path);
    QCOMPARE(w->views().listSelectedText(), QStringLiteral("Bea"));
    QCOMPARE(w->views().treeSelectedText(), QStringLiteral("Bea"));
    QCOMPARE(w->views().tree.childTexts(w->views().tree.groupIndex(QStringLiteral("VIP Callers"))),
             QStringList({"Ann", "Bea"}));
    QCOMPARE(panel(w, "contacts"), QStringLiteral("2 Contacts"));
    QCOMPARE(panel(w, "numbers"), QStringLiteral("2 Numbers"));
    QCOMPARE(w->objContact.get(), gContacts.item(QStringLiteral("Bea")).get());
}

void TestFrmContacts::renameInTheTreeKeepsSelectionAndExpansion()
{
    f->store(contact(QStringLiteral("Al"), {QStringLiteral("555-0001")}, QStringLiteral("VIP Callers")));
    f->store(contact(QStringLiteral("Bo"), {QStringLiteral("555-0002"), QStringLiteral("555-0022")},
                     QStringLiteral("VIP Callers")));
    f->store(contact(QStringLiteral("Cy"), {QStringLiteral("555-0003")}, QStringLiteral("VIP Callers")));
    f->store(contact(QStringLiteral("Dee"), {QStringLiteral("555-0004")}));
    frmContacts* w = f->open();
    TRIGGER(w, QStringLiteral("mnuViewTree"));
    QTreeView* tree = ui::findByName<QTreeView>(w, QStringLiteral("tvwContacts"));
    QVERIFY(tree->isVisible());
    // The user picks Bo.
    const QModelIndex bo = w->views().tree.contactIndex(QStringLiteral("Bo"));
    tree->selectionModel()->setCurrentIndex(bo, QItemSelectionModel::ClearAndSelect);
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("Bo"));
    QCOMPARE(lines(part<QListWidget>(w, "lstNumbers")), QStringList({"555-0002", "555-0022"}));
    tree->setExpanded(bo, true);
    part<QListWidget>(w, "lstNumbers")->setCurrentRow(1);
    part<QLineEdit>(w, "txtName")->setText(QStringLiteral("Bob"));
    part<QLineEdit>(w, "txtName")->setCursorPosition(2);
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    QCOMPARE(w->views().treeSelectedText(), QStringLiteral("Bob"));
    QVERIFY(tree->isExpanded(w->views().treeSelected()));
    QCOMPARE(part<QLineEdit>(w, "txtName")->cursorPosition(), 2);
    QCOMPARE(part<QListWidget>(w, "lstNumbers")->currentRow(), 1);
    QCOMPARE(w->views().tree.childTexts(w->views().tree.groupIndex(QStringLiteral("VIP Callers"))),
             QStringList({"Al", "Bob", "Cy"}));
    QCOMPARE(GetContact(QStringLiteral("Bob"))->Numbers.count(), 2);

    // Dee moves into VIP Callers by its group: sorted there, with its number.
    tree->selectionModel()->setCurrentIndex(w->views().tree.contactIndex(QStringLiteral("Dee")),
                                            QItemSelectionModel::ClearAndSelect);
    SelectListItem(part<QComboBox>(w, "cboAttributeGroup"), QStringLiteral("VIP Callers"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    const QModelIndex vip = w->views().tree.groupIndex(QStringLiteral("VIP Callers"));
    QCOMPARE(w->views().tree.childTexts(vip), QStringList({"Al", "Bob", "Cy", "Dee"}));
    QCOMPARE(w->views().tree.childTexts(w->views().tree.contactIndex(QStringLiteral("Dee"))),
             QStringList({"555-0004"}));
    QCOMPARE(w->views().treeSelectedText(), QStringLiteral("Dee"));
}

void TestFrmContacts::removingANameThatLooksLikeAPatternRemovesOnlyIt()
{
    for (const char* n : {"B*", "Bob", "Bill", "B%", "B_"})
        f->store(contact(QString::fromLatin1(n), {QStringLiteral("555-%1").arg(1000 + int(n[1]))}));
    frmContacts* w = f->open();
    w->views().listSelection.setCurrentIndex(w->views().list.index(w->views().list.row(QStringLiteral("B*"))),
                                             QItemSelectionModel::ClearAndSelect);
    QCOMPARE(w->objContact->Name, QStringLiteral("B*"));
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, QStringLiteral("mnuEditRemove"));
    QStringList left;
    for (const auto& e : gContacts)
        left << e.item->Name;
    QCOMPARE(left, QStringList({"Bob", "Bill", "B%", "B_"}));
    QCOMPARE(CountContacts().numbers, 4);
}

void TestFrmContacts::removalAsksAndShowsTheNextContact()
{
    f->store(contact(QStringLiteral("Al"), {QStringLiteral("555-0001")}, QStringLiteral("VIP Callers")));
    f->store(contact(QStringLiteral("Bo"), {QStringLiteral("555-0002"), QStringLiteral("555-0003")},
                     QStringLiteral("VIP Callers")));
    f->store(contact(QStringLiteral("Cy"), {QStringLiteral("555-0004")}, QStringLiteral("VIP Callers")));
    frmContacts* w = f->open();
    w->SetContact(QStringLiteral("Bo"));
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(w, QStringLiteral("Toolbar1.Buttons(delete)"));
    QCOMPARE(Prompt::texts(),
             QStringList({"Are you sure you want to permanently remove this contact from the database?"}));
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Exclamation));
    QCOMPARE(gContacts.count(), 3);

    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, QStringLiteral("Toolbar1.Buttons(delete)"));
    QCOMPARE(gContacts.count(), 2);
    // In the list the item now at its place.
    QCOMPARE(w->views().listSelectedText(), QStringLiteral("Cy"));
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("Cy"));
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    QCOMPARE(panel(w, "contacts"), QStringLiteral("2 Contacts"));
    QCOMPARE(panel(w, "numbers"), QStringLiteral("2 Numbers"));

    // In the tree the next sibling, else the one before, else the group; without a question.
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    Prompt::clearHistory();
    w->ShowTreeView();
    w->views().selectTreeContact(QStringLiteral("Cy"));
    TRIGGER(w, QStringLiteral("mnuEditRemove"));
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(w->views().treeSelectedText(), QStringLiteral("Al"));
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("Al"));
    TRIGGER(w, QStringLiteral("mnuEditRemove"));
    QCOMPARE(w->views().treeSelectedText(), QStringLiteral("VIP Callers"));
    // A group shows no contact: the form is empty and so is the mode, so typing begins a new contact.
    QVERIFY(part<QLineEdit>(w, "txtName")->text().isEmpty());
    QCOMPARE(w->strState, QString());
    QVERIFY(!ui::findByName<QAction>(w, QStringLiteral("mnuEditRemove"))->isEnabled());
    w->RemoveFormContact();
    QCOMPARE(Prompt::texts(), QStringList({"You must select a contact to remove."}));
    QCOMPARE(gContacts.count(), 0);
}

void TestFrmContacts::clickAsksToSaveAndAFailedSaveStays()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-0001")}));
    f->store(contact(QStringLiteral("Bob"), {QStringLiteral("555-0002")}));
    frmContacts* w = f->open();
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("Ann"));
    QItemSelectionModel& list = w->views().listSelection;
    auto click = [&](const char* name) {
        list.setCurrentIndex(w->views().list.index(w->views().list.row(QString::fromLatin1(name))),
                             QItemSelectionModel::ClearAndSelect);
    };

    // Clicking the contact shown asks nothing, even with edits.
    part<QPlainTextEdit>(w, "txtOtherInfo")->setPlainText(QStringLiteral("note"));
    click("Ann");
    QVERIFY(Prompt::history().isEmpty());

    // No: the edits go and the clicked contact shows.
    Prompt::queueAnswer(Prompt::No);
    click("Bob");
    QCOMPARE(Prompt::texts(), QStringList({"Do you want to save changes?"}));
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("Bob"));
    QVERIFY(GetContact(QStringLiteral("Ann"))->OtherInfo.isEmpty());

    // Yes saves, then shows the clicked one.
    part<QPlainTextEdit>(w, "txtOtherInfo")->setPlainText(QStringLiteral("bob's note"));
    Prompt::queueAnswer(Prompt::Yes);
    click("Ann");
    QCOMPARE(GetContact(QStringLiteral("Bob"))->OtherInfo, QStringLiteral("bobs note"));
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("Ann"));
    QCOMPARE(w->views().listSelectedText(), QStringLiteral("Ann"));

    // A save that is refused keeps the edits and the contact they belong to.
    Prompt::clearHistory();
    part<QLineEdit>(w, "txtName")->setText(QStringLiteral("12345"));
    Prompt::queueAnswer(Prompt::Yes);
    click("Bob");
    QCOMPARE(Prompt::texts(), QStringList({"Do you want to save changes?", "Contact names cannot be all numeric."}));
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("12345"));
    QCOMPARE(w->objContact->Name, QStringLiteral("Ann"));
    QCOMPARE(w->views().listSelectedText(), QStringLiteral("Ann"));
    QCOMPARE(w->strState, QStringLiteral("editing"));
}

void TestFrmContacts::changesMadeElsewhereKeepEditsInProgress()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-0001")}));
    frmContacts* w = f->open();
    // A client's edit of the contact shown reaches the server's store while the user types here.
    part<QPlainTextEdit>(w, "txtOtherInfo")->setPlainText(QStringLiteral("mine"));
    clsContact theirs = contact(QStringLiteral("Ann"), {QStringLiteral("555-0001"), QStringLiteral("555-0002")});
    theirs.OtherInfo = QStringLiteral("theirs");
    QVERIFY(EditContact(QStringLiteral("Ann"), theirs));
    QCOMPARE(part<QPlainTextEdit>(w, "txtOtherInfo")->toPlainText(), QStringLiteral("mine"));
    QCOMPARE(w->strState, QStringLiteral("editing"));
    QCOMPARE(part<QListWidget>(w, "lstNumbers")->count(), 1);
    // Without edits in progress the form shows the stored contact as it now is.
    part<QPlainTextEdit>(w, "txtOtherInfo")->setPlainText(QString());
    w->SetContact(QString());
    w->SetContact(QStringLiteral("Ann"));
    theirs.Name = QStringLiteral("Anne");
    QVERIFY(EditContact(QStringLiteral("Ann"), theirs));
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("Anne"));
    QCOMPARE(part<QListWidget>(w, "lstNumbers")->count(), 2);
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    QCOMPARE(w->views().listSelectedText(), QStringLiteral("Anne"));
    // A contact removed elsewhere leaves the list, also while the book is hidden with the main window.
    w->hide();
    QVERIFY(DeleteContact(QStringLiteral("Anne")));
    QCOMPARE(w->views().list.rowCount(), 0);
}

void TestFrmContacts::numbersAddEditRemove()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-1234 (home)")}));
    frmContacts* w = f->open();
    QCOMPARE(lines(part<QListWidget>(w, "lstNumbers")), QStringList({"555-1234 (home)"}));

    // The same number and description in other capitals is the same number.
    answerNumberDialog(QStringLiteral("5551234"), QStringLiteral("Home"));
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    QCOMPARE(Prompt::texts(), QStringList({"You cannot have duplicate numbers in this database."}));
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    answerNumberDialog(QStringLiteral("555.123.4"), QStringLiteral("Work"));
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    answerNumberDialog(QStringLiteral("(212)555-0000"), QStringLiteral("Fax;//'|"));
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    QCOMPARE(lines(part<QListWidget>(w, "lstNumbers")),
             QStringList({"555-1234 (home)", "555-1234 (Work)", "(212) 555-0000 (Fax)"}));
    QCOMPARE(w->strState, QStringLiteral("editing"));
    // A cancelled dialog changes nothing.
    answerNumberDialog(QStringLiteral("555-9999"), QString(), false);
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    QCOMPARE(part<QListWidget>(w, "lstNumbers")->count(), 3);

    // Editing: "Edit Number", filled; the number moves to the end of the contact's numbers but keeps its line.
    part<QListWidget>(w, "lstNumbers")->setCurrentRow(0);
    QString caption;
    ModalDialog::queueScript([&](QDialog& d) {
        caption = d.windowTitle();
        QCOMPARE(d.findChild<QComboBox*>(QStringLiteral("cmbNumber"))->currentText(), QStringLiteral("555-1234"));
        QCOMPARE(d.findChild<QComboBox*>(QStringLiteral("cmbDescription"))->currentText(), QStringLiteral("home"));
        d.findChild<QComboBox*>(QStringLiteral("cmbDescription"))->setEditText(QStringLiteral("Cellular"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(w, QStringLiteral("cmdEditNumber"));
    QCOMPARE(caption, QStringLiteral("Edit Number"));
    QCOMPARE(lines(part<QListWidget>(w, "lstNumbers")),
             QStringList({"555-1234 (Cellular)", "555-1234 (Work)", "(212) 555-0000 (Fax)"}));
    QCOMPARE(w->colNumbers.keyAt(2), QStringLiteral("555-1234 (Cellular)"));
    // An edit onto another number of the contact is refused.
    part<QListWidget>(w, "lstNumbers")->setCurrentRow(0);
    answerNumberDialog(QStringLiteral("5551234"), QStringLiteral("work"));
    TRIGGER(w, QStringLiteral("cmdEditNumber"));
    QCOMPARE(Prompt::texts().last(), QStringLiteral("You cannot have duplicate numbers in this database."));
    QCOMPARE(part<QListWidget>(w, "lstNumbers")->item(0)->text(), QStringLiteral("555-1234 (Cellular)"));
    // Unchanged is fine.
    answerNumberDialog(QStringLiteral("555-1234"), QStringLiteral("Cellular"));
    TRIGGER(w, QStringLiteral("cmdEditNumber"));
    QCOMPARE(part<QListWidget>(w, "lstNumbers")->item(0)->text(), QStringLiteral("555-1234 (Cellular)"));

    // Removing the middle of three selects the line that took its place.
    part<QListWidget>(w, "lstNumbers")->setCurrentRow(1);
    TRIGGER(w, QStringLiteral("cmdRemoveNumber"));
    QCOMPARE(lines(part<QListWidget>(w, "lstNumbers")), QStringList({"555-1234 (Cellular)", "(212) 555-0000 (Fax)"}));
    QCOMPARE(part<QListWidget>(w, "lstNumbers")->currentRow(), 1);
    TRIGGER(w, QStringLiteral("cmdRemoveNumber"));
    QCOMPARE(part<QListWidget>(w, "lstNumbers")->currentRow(), 0);
    TRIGGER(w, QStringLiteral("cmdRemoveNumber"));
    QCOMPARE(part<QListWidget>(w, "lstNumbers")->count(), 0);
    // Nothing selected: the buttons are off, and the commands say why.
    QVERIFY(!part<QPushButton>(w, "cmdRemoveNumber")->isEnabled());
    QVERIFY(!part<QPushButton>(w, "cmdEditNumber")->isEnabled());
    Prompt::clearHistory();
    // The buttons' own signal, which the disabled buttons cannot send: the commands still check.
    Q_EMIT part<QPushButton>(w, "cmdRemoveNumber")->clicked();
    Q_EMIT part<QPushButton>(w, "cmdEditNumber")->clicked();
    QCOMPARE(Prompt::texts(),
             QStringList({"You must select a number to remove.", "You must select a number to edit."}));

    // Nothing reached the file yet.
    QCOMPARE(GetContact(QStringLiteral("Ann"))->Numbers.count(), 1);
    answerNumberDialog(QStringLiteral("5550001"), QString());
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(GetContact(QStringLiteral("Ann"))->Numbers.count(), 1);
    QCOMPARE(GetContact(QStringLiteral("Ann"))->Numbers.at(0)->Number, QStringLiteral("555-0001"));
}

void TestFrmContacts::pictureCommands()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-1234")}));
    QImage blue(40, 30, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    const QString pic = f->home->file(QStringLiteral("ann.png"));
    QVERIFY(blue.save(pic));
    frmContacts* w = f->open();

    Prompt::queueText(pic);
    TRIGGER(w, QStringLiteral("cmdChangeImage"));
    // The first dialog opens in the program folder.
    QCOMPARE(Prompt::history().first().kind, Prompt::Kind::OpenFile);
    QCOMPARE(Prompt::history().first().text, f->home->path());
    QCOMPARE(w->strImageFile, pic);
    QCOMPARE(w->shownPicture().size(), QSize(40, 30));
    QCOMPARE(w->strState, QStringLiteral("editing"));

    // The same file again: OK asks for another, Cancel ends.
    Prompt::clearHistory();
    Prompt::queueText(pic);
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(QString());
    TRIGGER(w, QStringLiteral("cmdChangeImage"));
    QCOMPARE(Prompt::history().size(), 3);
    QCOMPARE(Prompt::history().at(1).text, pic + QStringLiteral(" is already loaded. Choose another file."));
    QCOMPARE(Prompt::history().at(1).buttons, int(Prompt::OkCancel));
    // It opens on the last picture chosen here.
    QCOMPARE(Prompt::history().at(0).text, pic);

    // A file that is not there, and a name that would split the record.
    Prompt::clearHistory();
    const QString odd = f->home->file(QStringLiteral("a;b.png"));
    QVERIFY(blue.save(odd));
    Prompt::queueText(f->home->file(QStringLiteral("gone.png")));
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(odd);
    Prompt::queueAnswer(Prompt::Cancel);
    TRIGGER(w, QStringLiteral("cmdChangeImage"));
    QVERIFY(Prompt::history().at(1).text.contains(QStringLiteral("gone.png")));
    QCOMPARE(Prompt::history().at(1).icon, int(Prompt::Critical));
    QVERIFY(Prompt::history().at(3).text.startsWith(odd));
    QCOMPARE(w->strImageFile, pic);

    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(GetContact(QStringLiteral("Ann"))->ImageFile, pic);
    TRIGGER(w, QStringLiteral("cmdClearImage"));
    QVERIFY(w->strImageFile.isEmpty());
    QVERIFY(w->shownPicture().isNull());
    QCOMPARE(w->imageTag(), pic);
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QVERIFY(GetContact(QStringLiteral("Ann"))->ImageFile.isEmpty());

    // A stored path that is no picture file (a client may send any) shows nothing and hangs nothing.
    clsContact dev = *GetContact(QStringLiteral("Ann"));
    dev.ImageFile = QStringLiteral("/dev/zero");
    QVERIFY(EditContact(QStringLiteral("Ann"), dev));
    QCOMPARE(w->strImageFile, QStringLiteral("/dev/zero"));
    QVERIFY(w->shownPicture().isNull());
}

void TestFrmContacts::viewsMenusAndToolbar()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-0001")}, QStringLiteral("VIP Callers")));
    frmContacts* w = f->open();
    QAction* list = ui::findByName<QAction>(w, QStringLiteral("Toolbar1.Buttons(list)"));
    QAction* viewList = ui::findByName<QAction>(w, QStringLiteral("mnuViewList"));
    QAction* viewTree = ui::findByName<QAction>(w, QStringLiteral("mnuViewTree"));
    QVERIFY(!w->treeShown());
    QVERIFY(viewList->isChecked() && !viewTree->isChecked() && !list->isChecked());
    QCOMPARE(list->toolTip(), QStringLiteral("Tree View"));

    TRIGGER(w, QStringLiteral("Toolbar1.Buttons(list)"));
    QVERIFY(w->treeShown());
    QVERIFY(list->isChecked() && viewTree->isChecked() && !viewList->isChecked());
    QCOMPARE(GetProperty(Section::frmContacts, Key::TreeView, QString()), QStringLiteral("True"));
    // The list's selection is carried over.
    QCOMPARE(w->views().treeSelectedText(), QStringLiteral("Ann"));
    TRIGGER(w, QStringLiteral("Toolbar1.Buttons(list)"));
    QVERIFY(!w->treeShown());
    QVERIFY(!list->isChecked());

    // "&List View" while the list shows: nothing, not even the setting.
    SaveProperty(Section::frmContacts, Key::TreeView, QStringLiteral("odd"));
    TRIGGER(w, QStringLiteral("mnuViewList"));
    QCOMPARE(GetProperty(Section::frmContacts, Key::TreeView, QString()), QStringLiteral("odd"));
    QVERIFY(viewList->isChecked());

    // A group node selected in the tree leaves the list's own selection.
    TRIGGER(w, QStringLiteral("mnuViewTree"));
    w->views().selectTree(w->views().tree.groupIndex(QStringLiteral("VIP Callers")));
    TRIGGER(w, QStringLiteral("mnuViewList"));
    QCOMPARE(w->views().listSelectedText(), QStringLiteral("Ann"));

    // The next opening shows the view last chosen.
    TRIGGER(w, QStringLiteral("mnuViewTree"));
    f->close();
    w = f->open();
    QVERIFY(w->treeShown());
    QVERIFY(ui::findByName<QAction>(w, QStringLiteral("Toolbar1.Buttons(list)"))->isChecked());

    // Captions, shortcuts, and the file, print and find commands, all offered.
    QCOMPARE(ui::findByName<QAction>(w, QStringLiteral("mnuEditAdd"))->shortcut(),
             QKeySequence(QStringLiteral("Ctrl+A")));
    QCOMPARE(ui::findByName<QAction>(w, QStringLiteral("mnuEditSave"))->text(), QStringLiteral("&Save Contact"));
    QCOMPARE(ui::findByName<QAction>(w, QStringLiteral("mnuFileClose"))->text(), QStringLiteral("C&lose"));
    for (const char* offered :
         {"mnuFileNew", "mnuFileChange", "mnuFileNewAttributeGroupFile", "mnuFileChangeAttributeGroupFile",
          "mnuFileRestore", "mnuPrint", "mnuEditFind", "Toolbar1.Buttons(print)", "Toolbar1.Buttons(find)"})
        QVERIFY2(ui::isReachable(w, QLatin1String(offered)), offered);
    TRIGGER(w, QStringLiteral("mnuFileClose"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmContacts::instance(false));
}

void TestFrmContacts::keyFiltersAndLimits()
{
    frmContacts* w = f->open();
    QTest::keyClicks(part<QLineEdit>(w, "txtName"), QStringLiteral("a/b;c'd|e"));
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("abcde"));
    QTest::keyClicks(part<QPlainTextEdit>(w, "txtOtherInfo"), QStringLiteral("x;y/z"));
    QCOMPARE(part<QPlainTextEdit>(w, "txtOtherInfo")->toPlainText(), QStringLiteral("xyz"));
    part<QLineEdit>(w, "txtName")->setText(QString(49, QLatin1Char('n')));
    QTest::keyClicks(part<QLineEdit>(w, "txtName"), QStringLiteral("m"));
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QString(49, QLatin1Char('n')));
    // Pasted text is not filtered here: the save cleans it.
    part<QLineEdit>(w, "txtName")->setText(QStringLiteral("O'Neil"));
    QCOMPARE(part<QLineEdit>(w, "txtName")->text(), QStringLiteral("O'Neil"));
}

void TestFrmContacts::closingAsksAndAFailedSaveKeepsTheWindow()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-0001")}));
    frmContacts* w = f->open();
    // Closing unchanged asks nothing, and keeps the window's place.
    w->move(Twips::toPixels(1500), Twips::toPixels(900));
    QVERIFY(w->close());
    QVERIFY(Prompt::history().isEmpty());
    QCOMPARE(GetProperty(Section::frmContacts, Key::Left, QString()), QString::number(Twips::fromPixels(w->x())));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    w = f->open();
    part<QPlainTextEdit>(w, "txtOtherInfo")->setPlainText(QStringLiteral("note"));
    Prompt::queueAnswer(Prompt::Yes);
    QVERIFY(w->close());
    QCOMPARE(GetContact(QStringLiteral("Ann"))->OtherInfo, QStringLiteral("note"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Yes, but the save is refused: the edits and the window stay.
    w = f->open();
    while (part<QListWidget>(w, "lstNumbers")->count() > 0) {
        part<QListWidget>(w, "lstNumbers")->setCurrentRow(0);
        TRIGGER(w, QStringLiteral("cmdRemoveNumber"));
    }
    Prompt::clearHistory();
    Prompt::queueAnswer(Prompt::Yes);
    QVERIFY(!w->close());
    QCOMPARE(Prompt::texts(), QStringList({"Do you want to save changes?",
                                           "Each name must have at least one number associated with it."}));
    QVERIFY(w->isVisible());
    QVERIFY(frmContacts::instance(false));
    // No: closed, nothing stored.
    Prompt::queueAnswer(Prompt::No);
    QVERIFY(w->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmContacts::instance(false));
    QCOMPARE(GetContact(QStringLiteral("Ann"))->Numbers.count(), 1);

    // At shut-down the same refusal cannot keep the window.
    w = f->open();
    part<QLineEdit>(w, "txtName")->setText(QString());
    Prompt::queueAnswer(Prompt::Yes);
    frmContacts::unloadAtShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmContacts::instance(false));
}

void TestFrmContacts::hintsAndPictureSizeLabels()
{
    gToolTip = std::make_unique<cToolTip>();
    frmContacts* w = f->open();
    QVERIFY(gToolTip->toolText(w).startsWith(
        QStringLiteral("The contacts form allows you to enter contact information into the contacts database.  All")));
    QVERIFY(gToolTip->toolText(part<QLineEdit>(w, "txtName"))
                .startsWith(QStringLiteral("This is the name associated with this contact.")));
    QVERIFY(gToolTip->hasTool(part<QPushButton>(w, "cmdEditNumber")));
    QVERIFY(!gToolTip->hasTool(part<QTreeView>(w, "tvwContacts")));
    QCOMPARE(ui::findByName<QLabel>(w, QStringLiteral("lblImageHeight"))->text(), QStringLiteral("Height: 121pixels"));
    QCOMPARE(ui::findByName<QLabel>(w, QStringLiteral("lblImageWidth"))->text(), QStringLiteral("Width: 121pixels"));
    f->close();

    gToolTip = std::make_unique<cToolTip>();
    SaveProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("False"));
    Twips::setLogicalDpi(120); // 12 twips a pixel
    w = f->open();
    QVERIFY(!gToolTip->hasTool(w));
    QVERIFY(!gToolTip->hasTool(part<QLineEdit>(w, "txtName")));
    QCOMPARE(part<QLabel>(w, "lblImageHeight")->text(), QStringLiteral("Height: 151.25pixels"));
    QCOMPARE(part<QLabel>(w, "lblImageWidth")->text(), QStringLiteral("Width: 151.25pixels"));
}

void TestFrmContacts::clientLayout()
{
    f->close();
    gNetworkMode = Client;
    CloseContactDB();
    frmContacts* w = f->open();
    QCOMPARE(w->width(), Twips::toPixels(6855 - 120));
    for (const char* hidden : {"cboAttributeGroup", "imgContactImage", "cmdChangeImage", "label3", "Label4"})
        QVERIFY2(!ui::findByName<QWidget>(w, QLatin1String(hidden))->isVisibleTo(w), hidden);
    for (const char* hidden : {"mnuFileNew", "mnuFileChange", "mnuFileRestore", "mnuFileHyphen3"})
        QVERIFY2(!ui::findByName<QAction>(w, QLatin1String(hidden))->isVisible(), hidden);
    QVERIFY(ui::findByName<QAction>(w, QStringLiteral("mnuPrint"))->isVisible());
    QCOMPARE(part<QListWidget>(w, "lstNumbers")->height(), Twips::toPixels(1035));
    QCOMPARE(part<QPlainTextEdit>(w, "txtOtherInfo")->geometry(),
             QRect(Twips::toPixels(3480), Twips::toPixels(2880 - 360), Twips::toPixels(3135), Twips::toPixels(1575)));
    QVERIFY(panel(w, "contacts").isEmpty());
    QVERIFY(panel(w, "numbers").isEmpty());
    // No contact file to name: the panel keeps its text.
    QTest::keyClicks(part<QLineEdit>(w, "txtName"), QStringLiteral("Bob"));
    QCOMPARE(w->strState, QStringLiteral("adding"));
    QVERIFY(panel(w, "status").isEmpty());
    // Clearing the picture means nothing here.
    TRIGGER(w, QStringLiteral("cmdClearImage"));
    QCOMPARE(w->strState, QStringLiteral("adding"));
}

void TestFrmContacts::ctrlAInTheBoxesAddsAContact()
{
    f->store(contact(QStringLiteral("Ann"), {QStringLiteral("555-1234")}));
    frmContacts* w = f->open();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    const QString in = QStringLiteral(" in ") + f->path;
    auto* name = ui::findByName<QLineEdit>(w, QStringLiteral("txtName"));
    auto* info = ui::findByName<QPlainTextEdit>(w, QStringLiteral("txtOtherInfo"));
    QCOMPARE(panel(w, "status"), QStringLiteral("Viewing contact Ann") + in);

    // In the other-information box Ctrl+A is the menu's Add Contact, not a selection.
    info->setFocus();
    QTest::keyClick(info, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(panel(w, "status"), QStringLiteral("Adding a new contact") + in);
    QVERIFY(name->text().isEmpty());

    // The same in the name box, with a name typed: the pending edit is asked about, then dropped.
    QTest::keyClicks(name, QStringLiteral("Bo"));
    QCOMPARE(name->text(), QStringLiteral("Bo"));
    Prompt::queueAnswer(Prompt::No);
    name->setFocus();
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(name->text().isEmpty());
    QVERIFY(name->selectedText().isEmpty());
    QCOMPARE(panel(w, "status"), QStringLiteral("Adding a new contact") + in);

    // Keys no menu item carries stay the box's own.
    QTest::keyClicks(name, QStringLiteral("Cy"));
    QTest::keyClick(name, Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(name->selectedText(), QStringLiteral("Cy"));
}

QTEST_MAIN(TestFrmContacts)
#include "test_frmcontacts.moc"
