#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "contacts/ui/frmContacts.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "platform/DateText.h"
#include "platform/SqlDatabase.h"
#include "platform/ui/ModalDialog.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

using S = StandaloneSession;

namespace {

void storeCall(const QString& name, const QString& number, int minutesAgo)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(Clock::now().addSecs(-60LL * minutesAgo));
    c.Answered = QStringLiteral("N/A");
    AddCaller(c);
}

// The grid row of the call with that number.
int rowOf(const QString& number)
{
    for (int r = 1; r < S::grid()->Rows(); ++r)
        if (S::grid()->TextMatrix(r, CallListModel::ColNumber) == number)
            return r;
    return -1;
}

clsContact contact(const QString& name, const QString& number)
{
    clsContact c;
    c.Name = name;
    c.AddNumber(std::make_shared<clsNumber>(number, QString()));
    return c;
}

} // namespace

// The main window's ways into the contact book: a call row turned into a new contact or added to one
// (Edit menu, grid menu, toolbar drop-down), and the book opened and closed from the Window menu and the
// toolbar, on the whole standalone program.
class TestContactCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void aCallBecomesANewContact();
    void aNumberIsAddedToAContact();
    void theBookOpensFromTheWindowMenuAndTheToolbar();
    void aRefusedSaveKeepsTheBookOpenAndChecked();
    void shutDownSavesWhatTheUserWants();

private:
    S session;
};

void TestContactCommands::init()
{
    QVERIFY(session.start());
    storeCall(QStringLiteral("JOHN SMITH"), QStringLiteral("(212) 555-1234"), 5);
    storeCall(QStringLiteral("MARY JONES"), QStringLiteral("(555) 777-8888"), 3);
    TRIGGER(S::window(), "mnuViewTime(12)");
    QCOMPARE(S::grid()->Rows(), 3);
}

void TestContactCommands::cleanup() { session.stop(); }

void TestContactCommands::aCallBecomesANewContact()
{
    frmBaseMain* w = S::window();
    const int row = rowOf(QStringLiteral("(212) 555-1234"));
    S::grid()->setRow(row);
    QString proposedName, proposedNumber, dialogName;
    ModalDialog::queueScript([&](QDialog& d) {
        dialogName = d.objectName();
        proposedName = d.findChild<QLineEdit*>(QStringLiteral("txtName"))->text();
        proposedNumber = d.findChild<QComboBox*>(QStringLiteral("cmbNumber"))->currentText();
        d.findChild<QComboBox*>(QStringLiteral("cmbDescription"))->setEditText(QStringLiteral("Work"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(w, "mnuEditCreateNew");
    QCOMPARE(dialogName, QStringLiteral("frmNewContact"));
    QCOMPARE(proposedName, QStringLiteral("JOHN SMITH"));
    QCOMPARE(proposedNumber, QStringLiteral("(212) 555-1234"));
    const auto john = GetContact(QStringLiteral("JOHN SMITH"));
    QCOMPARE(john->Name, QStringLiteral("JOHN SMITH"));
    QCOMPARE(john->Numbers.count(), 1);
    QCOMPARE(john->Numbers.at(0)->PrintNumberDescription(), QStringLiteral("(212) 555-1234 (Work)"));
    // The call list shows the contact at once.
    QCOMPARE(S::grid()->TextMatrix(rowOf(QStringLiteral("(212) 555-1234")), CallListModel::ColName),
             QStringLiteral("JOHN SMITH (Work)"));
    QVERIFY(Prompt::history().isEmpty());

    // The same from the grid's menu and the toolbar's drop-down: the row now proposes "JOHN SMITH (Work)",
    // whose number is John's already, and the store says so; a cancelled dialog does nothing.
    S::grid()->setRow(rowOf(QStringLiteral("(212) 555-1234")));
    ModalDialog::queueScript([](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click(); });
    TRIGGER(w, "mnuGridOptionsCreateNew");
    QCOMPARE(Prompt::texts(), QStringList({"Cannot perform operation.\r\nError #2: (212) 555-1234 was found to be a "
                                           "duplicate numbers in the database.\r\nSource: Velquon"}));
    S::grid()->setRow(rowOf(QStringLiteral("(555) 777-8888")));
    ModalDialog::queueScript([](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click(); });
    TRIGGER(w, "mnuToolbarPopupCreateNew");
    QCOMPARE(gContacts.count(), 1);
    QCOMPARE(ModalDialog::pendingScripts(), 0);
}

void TestContactCommands::aNumberIsAddedToAContact()
{
    QVERIFY(AddContact(contact(QStringLiteral("Mary"), QStringLiteral("555-0000"))));
    QVERIFY(AddContact(contact(QStringLiteral("Zed"), QStringLiteral("555-9999"))));
    frmBaseMain* w = S::window();
    S::grid()->setRow(rowOf(QStringLiteral("(555) 777-8888")));
    QStringList offered;
    ModalDialog::queueScript([&](QDialog& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("lstContacts"));
        for (int i = 0; i < list->count(); ++i)
            offered << list->item(i)->text();
        list->setCurrentRow(0);
        d.findChild<QComboBox*>(QStringLiteral("cmbDescription"))->setEditText(QStringLiteral("Cellular"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(w, "mnuEditAddToCurrent");
    QCOMPARE(offered, QStringList({"Mary", "Zed"}));
    const auto mary = GetContact(QStringLiteral("Mary"));
    QCOMPARE(mary->Numbers.count(), 2);
    QCOMPARE(mary->Numbers.at(1)->PrintNumberDescription(), QStringLiteral("(555) 777-8888 (Cellular)"));
    QCOMPARE(S::grid()->TextMatrix(rowOf(QStringLiteral("(555) 777-8888")), CallListModel::ColName),
             QStringLiteral("Mary (Cellular)"));

    // A later call from that number is matched to her.
    storeCall(QStringLiteral("WIRELESS CALLER"), QStringLiteral("(555) 777-8888"), 1);
    w->RefreshGrid();
    int matched = 0;
    for (int r = 1; r < S::grid()->Rows(); ++r)
        matched += S::grid()->TextMatrix(r, CallListModel::ColName) == QLatin1String("Mary (Cellular)") ? 1 : 0;
    QCOMPARE(matched, 2);

    // Zed's number added to Mary is refused, and Mary keeps her numbers.
    storeCall(QStringLiteral("ZED"), QStringLiteral("555-9999"), 0);
    w->RefreshGrid();
    S::grid()->setRow(rowOf(QStringLiteral("555-9999")));
    ModalDialog::queueScript([](QDialog& d) {
        d.findChild<QListWidget*>(QStringLiteral("lstContacts"))->setCurrentRow(0);
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(w, "mnuToolbarPopupAddToCurrent");
    QCOMPARE(Prompt::texts().size(), 1);
    QVERIFY(Prompt::texts().first().contains(QStringLiteral("was found to be a duplicate numbers in the database.")));
    QCOMPARE(GetContact(QStringLiteral("Mary"))->Numbers.count(), 2);
    QCOMPARE(mary->Numbers.count(), 2);
}

void TestContactCommands::theBookOpensFromTheWindowMenuAndTheToolbar()
{
    frmBaseMain* w = S::window();
    QAction* item = S::action(QStringLiteral("mnuWindow(2)"));
    QCOMPARE(item->text(), QStringLiteral("&Contacts"));
    QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
    TRIGGER(w, "mnuWindow(2)");
    frmContacts* book = frmContacts::instance(false);
    QVERIFY(book && book->isVisible());
    QVERIFY(item->isChecked());
    QCOMPARE(book->parentWidget(), static_cast<QWidget*>(w));
    // Closing it by its own menu takes the mark away.
    TRIGGER(book, "mnuFileClose");
    QVERIFY(!item->isChecked());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmContacts::instance(false));

    // The toolbar only ever shows it.
    TRIGGER(w, "Toolbar1.Buttons(12)");
    QVERIFY(frmContacts::instance(false) && frmContacts::instance(false)->isVisible());
    QVERIFY(item->isChecked());
    TRIGGER(w, "Toolbar1.Buttons(12)");
    QVERIFY(frmContacts::instance(false)->isVisible());
    // Unchecking the item unloads it.
    TRIGGER(w, "mnuWindow(2)");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmContacts::instance(false));
    QVERIFY(!item->isChecked());
}

void TestContactCommands::aRefusedSaveKeepsTheBookOpenAndChecked()
{
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), QStringLiteral("555-1234"))));
    frmBaseMain* w = S::window();
    TRIGGER(w, "mnuWindow(2)");
    frmContacts* book = frmContacts::instance(false);
    QCOMPARE(book->txtName->text(), QStringLiteral("Ann"));
    // Every number taken away.
    book->lstNumbers->setCurrentRow(0);
    TRIGGER(book, "cmdRemoveNumber");
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuWindow(2)");
    QCOMPARE(Prompt::texts(), QStringList({"Do you want to save changes?",
                                           "Each name must have at least one number associated with it."}));
    QCOMPARE(frmContacts::instance(false), book);
    QVERIFY(book->isVisible());
    QVERIFY(S::action(QStringLiteral("mnuWindow(2)"))->isChecked());

    Prompt::queueAnswer(Prompt::No);
    TRIGGER(w, "mnuWindow(2)");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmContacts::instance(false));
    QVERIFY(!S::action(QStringLiteral("mnuWindow(2)"))->isChecked());
    QCOMPARE(GetContact(QStringLiteral("Ann"))->Numbers.count(), 1);
}

void TestContactCommands::shutDownSavesWhatTheUserWants()
{
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), QStringLiteral("555-1234"))));
    const QString file = gContactDB->path();
    TRIGGER(S::window(), "Toolbar1.Buttons(12)");
    frmContacts::instance(false)->txtOtherInfo->setPlainText(QStringLiteral("kept at exit"));
    Prompt::queueAnswer(Prompt::Yes);
    ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmContacts::instance(false));
    QCOMPARE(Prompt::texts(), QStringList({"Do you want to save changes?"}));
    SqlDatabase db(file, SqlDatabase::Mode::ReadOnly);
    SqlStatement st = db.prepare(QStringLiteral("SELECT fldOtherInfo FROM tblContacts"));
    QVERIFY(st.step());
    QCOMPARE(st.text(0), QStringLiteral("kept at exit"));
}

QTEST_MAIN(TestContactCommands)
#include "test_contactcommands.moc"
