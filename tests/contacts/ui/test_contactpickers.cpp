#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "ContactBookFixture.h"
#include "contacts/ui/ContactPickers.h"
#include "contacts/ui/frmAddNumber.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "support/ui/ByName.h"

using namespace book;

namespace {

bool onTop(const QWidget* w) { return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

// A control of the dialog, found by the name the program gives it.
template <typename T>
T* part(const QObject* dialog, const char* name)
{
    return ui::findByName<T>(dialog, QLatin1String(name));
}

void click(QDialog& d, const char* name) { d.findChild<QPushButton*>(QLatin1String(name))->click(); }

} // namespace

// The number dialog and the two dialogs that turn a caller into contact data, shown as their openers show
// them (modal, answered by a script): what they return, what they refuse, what they clean.
class TestContactPickers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void newContactNormalisesAndCleans();
    void newContactRefusesAndLetsTheUserCorrect();
    void newContactCancelAndEmptyName();
    void newContactTypingRules();
    void selectContactListsTheBook();
    void dialogsStayAboveThePopupTheyCameFrom();
    void theOpenersWindowGoingClosesThePicker();
    void numberDialog();

private:
    std::unique_ptr<Fixture> f;
};

void TestContactPickers::init() { f = std::make_unique<Fixture>(); }

void TestContactPickers::cleanup() { f.reset(); }

void TestContactPickers::newContactNormalisesAndCleans()
{
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {{"555-1234", "555-1234"}, {"555 123 4567", "(555) 123-4567"}, {"private number", "PRIVATE NUMBER"}};
    for (const auto& c : cases) {
        frmNewContact dialog;
        dialog.Prefill(QStringLiteral("Corner's Cafe"), QString::fromLatin1(c.typed));
        ModalDialog::queueScript([](QDialog& d) {
            // The whole proposed name is selected, so typing replaces it; the results start empty.
            auto* dlg = static_cast<frmNewContact*>(&d);
            QVERIFY(IsDialogOpen());
            QCOMPARE(part<QLineEdit>(dlg, "txtName")->selectedText(), QStringLiteral("Corner's Cafe"));
            QVERIFY(dlg->ContactName().isEmpty());
            part<QComboBox>(dlg, "cmbDescription")->setEditText(QStringLiteral("Ho;me"));
            click(d, "cmdOK");
        });
        QCOMPARE(execDialog(dialog), int(QDialog::Accepted));
        QCOMPARE(dialog.Number(), QString::fromLatin1(c.stored));
        QCOMPARE(dialog.ContactName(), QStringLiteral("Corners Cafe"));
        QCOMPARE(dialog.Description(), QStringLiteral("Home"));
    }
    QVERIFY(!IsDialogOpen());
}

void TestContactPickers::newContactRefusesAndLetsTheUserCorrect()
{
    frmNewContact dialog;
    dialog.Prefill(QStringLiteral("JOHN SMITH"), QStringLiteral("1 (555) 123-4567"));
    ModalDialog::queueScript([](QDialog& d) {
        click(d, "cmdOK");
        QVERIFY(d.isVisible());
        QVERIFY(static_cast<frmNewContact&>(d).Number().isEmpty());
        d.findChild<QComboBox*>(QStringLiteral("cmbNumber"))->setEditText(QStringLiteral("555 1234"));
        click(d, "cmdOK");
    });
    QCOMPARE(execDialog(dialog), int(QDialog::Accepted));
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().first().text, QStringLiteral("The number must be 7 or 10 digits long."));
    QCOMPARE(Prompt::history().first().icon, int(Prompt::Critical));
    QCOMPARE(dialog.Number(), QStringLiteral("555-1234"));
    QCOMPARE(dialog.ContactName(), QStringLiteral("JOHN SMITH"));
}

void TestContactPickers::newContactCancelAndEmptyName()
{
    frmNewContact dialog;
    dialog.Prefill(QStringLiteral("Ann"), QStringLiteral("5551234"));
    ModalDialog::queueScript([](QDialog& d) { click(d, "cmdCancel"); });
    QCOMPARE(execDialog(dialog), int(QDialog::Rejected));
    QVERIFY(dialog.ContactName().isEmpty() && dialog.Number().isEmpty() && dialog.Description().isEmpty());

    // The close box leaves the results as the display set-up left them.
    ModalDialog::queueScript([](QDialog&) {});
    QCOMPARE(execDialog(dialog), int(QDialog::Rejected));
    QVERIFY(dialog.ContactName().isEmpty() && dialog.Number().isEmpty());

    frmNewContact unnamed;
    part<QComboBox>(&unnamed, "cmbNumber")->setEditText(QStringLiteral("5551234"));
    ModalDialog::queueScript([](QDialog& d) { click(d, "cmdOK"); });
    QCOMPARE(execDialog(unnamed), int(QDialog::Accepted));
    QVERIFY(unnamed.ContactName().isEmpty());
    QCOMPARE(unnamed.Number(), QStringLiteral("555-1234"));
    // Without anyone to answer a dialog counts as closed without OK.
    frmNewContact headless;
    QCOMPARE(execDialog(headless), int(QDialog::Rejected));
}

void TestContactPickers::newContactTypingRules()
{
    frmNewContact dialog;
    dialog.show();
    QTest::keyClicks(part<QLineEdit>(&dialog, "txtName"), QStringLiteral("Corner's /Cafe;|"));
    QCOMPARE(part<QLineEdit>(&dialog, "txtName")->text(), QStringLiteral("Corners Cafe"));
    QTest::keyClicks(part<QComboBox>(&dialog, "cmbNumber")->lineEdit(), QStringLiteral("555;1234"));
    QCOMPARE(part<QComboBox>(&dialog, "cmbNumber")->currentText(), QStringLiteral("5551234"));
    // The description box has no key filter; its text is cleaned at OK.
    QTest::keyClicks(part<QComboBox>(&dialog, "cmbDescription")->lineEdit(), QStringLiteral("a;b"));
    QCOMPARE(part<QComboBox>(&dialog, "cmbDescription")->currentText(), QStringLiteral("a;b"));
    part<QLineEdit>(&dialog, "txtName")->setText(QString(60, QLatin1Char('x')));
    QCOMPARE(part<QLineEdit>(&dialog, "txtName")->text().size(), 49);
    part<QComboBox>(&dialog, "cmbDescription")->setEditText(QString(60, QLatin1Char('d')));
    QCOMPARE(part<QComboBox>(&dialog, "cmbDescription")->currentText().size(), 49);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("New Contact Info"));
    QCOMPARE(part<QComboBox>(&dialog, "cmbNumber")->count(), 3);
    QCOMPARE(part<QComboBox>(&dialog, "cmbDescription")->itemText(1), QStringLiteral("Cellular"));
}

void TestContactPickers::selectContactListsTheBook()
{
    f->store(contact(QStringLiteral("Zoe"), {QStringLiteral("555-0001")}));
    f->store(contact(QStringLiteral("adam"), {QStringLiteral("555-0002")}));
    f->store(contact(QStringLiteral("Bea"), {QStringLiteral("555-0003")}));
    frmSelectContact dialog;
    QStringList listed;
    ModalDialog::queueScript([&](QDialog& d) {
        auto* dlg = static_cast<frmSelectContact*>(&d);
        for (int i = 0; i < part<QListWidget>(dlg, "lstContacts")->count(); ++i)
            listed << part<QListWidget>(dlg, "lstContacts")->item(i)->text();
        QCOMPARE(part<QListWidget>(dlg, "lstContacts")->currentRow(), 0);
        part<QListWidget>(dlg, "lstContacts")->setCurrentRow(1);
        part<QComboBox>(dlg, "cmbDescription")->setEditText(QStringLiteral("Wo'rk"));
        click(d, "cmdOK");
    });
    QCOMPARE(execDialog(dialog), int(QDialog::Accepted));
    QCOMPARE(listed, QStringList({"adam", "Bea", "Zoe"}));
    QCOMPARE(dialog.ContactName(), QStringLiteral("Bea"));
    QCOMPARE(dialog.Description(), QStringLiteral("Work"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select A Contact"));

    ModalDialog::queueScript([](QDialog& d) { click(d, "cmdCancel"); });
    execDialog(dialog);
    QVERIFY(dialog.ContactName().isEmpty());

    // An empty book: OK gives no contact.
    gContacts = KeyedCollection<clsContact>();
    frmSelectContact empty;
    ModalDialog::queueScript([](QDialog& d) { click(d, "cmdOK"); });
    QCOMPARE(execDialog(empty), int(QDialog::Accepted));
    QVERIFY(empty.ContactName().isEmpty());
}

void TestContactPickers::dialogsStayAboveThePopupTheyCameFrom()
{
    frmNewContact fromMain;
    ModalDialog::queueScript([](QDialog& d) { QVERIFY(!onTop(&d)); });
    execDialog(fromMain);

    frmNewContact fromPopup;
    fromPopup.Tag = QStringLiteral("Mini Display");
    ModalDialog::queueScript([](QDialog& d) { QVERIFY(onTop(&d)); });
    execDialog(fromPopup);

    frmSelectContact select;
    select.Tag = QStringLiteral("MINI DISPLAY");
    ModalDialog::queueScript([](QDialog& d) { QVERIFY(onTop(&d)); });
    execDialog(select);

    // Switched off in the dialog's own section.
    SaveProperty(Section::frmSelectContact, Key::OnTop, QStringLiteral("False"));
    frmSelectContact notAbove;
    notAbove.Tag = QStringLiteral("MINI DISPLAY");
    ModalDialog::queueScript([](QDialog& d) { QVERIFY(!onTop(&d)); });
    execDialog(notAbove);
    QCOMPARE(ModalDialog::pendingScripts(), 0);
}

// The program ends while a picker waits: every window is unloaded and the opener's window deleted. The
// picker, which the opener's command holds on its stack, is not deleted under it: it closes as cancelled.
void TestContactPickers::theOpenersWindowGoingClosesThePicker()
{
    auto* opener = new QWidget;
    opener->setObjectName(QStringLiteral("frmMiniDisplay"));
    opener->show();
    QPointer<QWidget> openerAlive(opener);
    for (int kind = 0; kind < 2; ++kind) {
        if (!openerAlive) {
            opener = new QWidget;
            opener->show();
            openerAlive = opener;
        }
        std::unique_ptr<QDialog> dialog;
        if (kind == 0)
            dialog = std::make_unique<frmNewContact>(opener);
        else
            dialog = std::make_unique<frmSelectContact>(opener);
        ModalDialog::queueScript([&](QDialog& d) {
            UnloadAllForms();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!openerAlive);
            QVERIFY(!d.isVisible());
        });
        QCOMPARE(execDialog(*dialog), int(QDialog::Rejected));
        if (kind == 0)
            QVERIFY(static_cast<frmNewContact&>(*dialog).ContactName().isEmpty());
        else
            QVERIFY(static_cast<frmSelectContact&>(*dialog).ContactName().isEmpty());
    }
}

void TestContactPickers::numberDialog()
{
    gToolTip = std::make_unique<cToolTip>();
    frmAddNumber dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Add Number"));
    QCOMPARE(part<QComboBox>(&dialog, "cmbDescription")->count(), 7);
    QCOMPARE(part<QComboBox>(&dialog, "cmbDescription")->itemText(1), QStringLiteral("Calling Card"));
    QVERIFY(gToolTip->toolText(part<QComboBox>(&dialog, "cmbNumber"))
                .startsWith(QStringLiteral("This is where you enter the number")));
    QVERIFY(gToolTip->hasTool(part<QPushButton>(&dialog, "cmdCancel")));

    ModalDialog::queueScript([](QDialog& d) {
        auto* dlg = static_cast<frmAddNumber*>(&d);
        QTest::keyClicks(part<QComboBox>(dlg, "cmbNumber")->lineEdit(), QStringLiteral(" private number"));
        click(d, "cmdOK");
        QVERIFY(d.isVisible());
        part<QComboBox>(dlg, "cmbNumber")->setEditText(QStringLiteral("pRivate NUMBER"));
        QTest::keyClicks(part<QComboBox>(dlg, "cmbDescription")->lineEdit(), QStringLiteral("h/o;m'e|"));
        click(d, "cmdOK");
    });
    QCOMPARE(execDialog(dialog), int(QDialog::Accepted));
    QCOMPARE(Prompt::texts(), QStringList({"The number must be 7 or 10 digits long."}));
    QCOMPARE(dialog.Number(), QStringLiteral("PRIVATE NUMBER"));
    QCOMPARE(dialog.Description(), QStringLiteral("home"));

    // Shown again: nothing of the last use is left in the results; Cancel empties the boxes.
    ModalDialog::queueScript([](QDialog& d) {
        QVERIFY(static_cast<frmAddNumber&>(d).Number().isEmpty());
        click(d, "cmdCancel");
    });
    execDialog(dialog);
    QVERIFY(dialog.Number().isEmpty());
    QVERIFY(part<QComboBox>(&dialog, "cmbNumber")->currentText().isEmpty());
    QVERIFY(part<QComboBox>(&dialog, "cmbDescription")->currentText().isEmpty());
    // A pasted "/" is kept in the description: only "//" goes.
    part<QComboBox>(&dialog, "cmbNumber")->setEditText(QStringLiteral("5551234"));
    part<QComboBox>(&dialog, "cmbDescription")->setEditText(QStringLiteral("a/b//c"));
    ModalDialog::queueScript([](QDialog& d) { click(d, "cmdOK"); });
    execDialog(dialog);
    QCOMPARE(dialog.Description(), QStringLiteral("a/bc"));
}

QTEST_MAIN(TestContactPickers)
#include "test_contactpickers.moc"
