#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <memory>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modAttributeGroup.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/ui/ModalDialog.h"
#include "support/ModalChange.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"

#include "BookByName.h"

using namespace bookui;

// The contact book of a server while its user waits in one of its dialogs or questions and another client
// of the server changes the book meanwhile: nothing crashes, every command acts on the contact, number or
// group it began on, or says that it went and changes nothing. The whole program, a real second client on
// loopback.
class TestContactBookWaits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void editNumberFindsItsLineAgain();
    void addNumberAndRemoveActOnTheContactChosen();
    void saveAfterAnotherClientRenamedTheContact();
    void aClickedContactThatWentKeepsTheEdits();
    void peersRecordsAreStoredCleaned();
    void countsFollowChangesMadeElsewhere();
    void pictureAndGroupsWithAChangeMeanwhile();
    void aContactChosenInAPickerThatWent();
    void theProgramEndingWhileADialogWaits();
    void theProgramEndingWhileTheColourDialogWaits();

private:
    void openBookOn(const QString& name);
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<ModalChange::OtherClient> m_other;
};

void TestContactBookWaits::init()
{
    m_home = std::make_unique<TempHome>();
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    SaveProperty(Section::frmConfiguration, Key::ImmediateSound, QString());
    QVERIFY(Main());
    auto* main = dynamic_cast<frmBaseMain*>(gMainForm);
    QVERIFY(main);
    ui::findByName<ModemPort>(main, QStringLiteral("Comm"))->PortOpenTimer.stop(); // no modem here
    QVERIFY(gServer && gServer->isListening() && gContactDB);
    m_other = std::make_unique<ModalChange::OtherClient>(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 1);
    Prompt::resetScript();
}

void TestContactBookWaits::cleanup()
{
    m_other.reset();
    if (gMainForm)
        ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!w->parentWidget() && w->windowType() != Qt::Desktop)
            windows << w;
    for (const QPointer<QWidget>& w : std::as_const(windows))
        delete w.data();
    ModalDialog::resetScripts();
    Prompt::resetScript();
    m_home.reset();
}

void TestContactBookWaits::openBookOn(const QString& name)
{
    TRIGGER(dynamic_cast<QWidget*>(gMainForm), "mnuWindow(2)");
    QVERIFY(book() && book()->isVisible());
    QVERIFY(click(name));
    QCOMPARE(nameShown(), name);
}

// The line the dialog began on is found again by its text in whatever the form shows once it closes; a
// line or a contact that went is said, and nothing is edited.
void TestContactBookWaits::editNumberFindsItsLineAgain()
{
    QVERIFY(AddContact(contact(QStringLiteral("Abe"), {QStringLiteral("555-0001")})));
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), {QStringLiteral("555-0101"), QStringLiteral("555-0102")})));
    openBookOn(QStringLiteral("Ann"));
    numbers()->setCurrentRow(1);
    // Another client changes Ann while the dialog is open: the form shows her anew, its lines made again.
    ModalDialog::queueScript([this](QDialog& d) {
        QVERIFY(m_other->editContact(QStringLiteral("Ann"),
                                     contact(QStringLiteral("Ann"),
                                             {QStringLiteral("555-0101"), QStringLiteral("555-0102")},
                                             QStringLiteral("changed elsewhere"))));
        QCOMPARE(infoShown(), QStringLiteral("changed elsewhere"));
        okNumber(d, QStringLiteral("5550199"));
    });
    TRIGGER(book(), "cmdEditNumber");
    QCOMPARE(lines(), QStringList({"555-0101", "555-0199"}));
    QVERIFY(Prompt::history().isEmpty());
    TRIGGER(book(), "mnuEditSave");
    QCOMPARE(GetContact(QStringLiteral("Ann"))->OtherInfo, QStringLiteral("changed elsewhere"));
    QCOMPARE(GetContact(QStringLiteral("Ann"))->Numbers.count(), 2);
    QVERIFY(GetContact(QStringLiteral("Ann"))->Numbers.contains(QStringLiteral("555-0199")));

    // The line itself taken away meanwhile.
    numbers()->setCurrentRow(0);
    ModalDialog::queueScript([this](QDialog& d) {
        QVERIFY(
            m_other->editContact(QStringLiteral("Ann"), contact(QStringLiteral("Ann"), {QStringLiteral("555-0199")})));
        okNumber(d, QStringLiteral("5550150"));
    });
    TRIGGER(book(), "cmdEditNumber");
    QCOMPARE(Prompt::texts(), QStringList({QStringLiteral("The number \"555-0101\"") + Gone}));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    QCOMPARE(lines(), QStringList({"555-0199"}));

    // The contact removed meanwhile: the form moves on to Abe, whose number stays as it is.
    Prompt::clearHistory();
    numbers()->setCurrentRow(0);
    ModalDialog::queueScript([this](QDialog& d) {
        QVERIFY(m_other->deleteContact(QStringLiteral("Ann")));
        okNumber(d, QStringLiteral("5550150"));
    });
    TRIGGER(book(), "cmdEditNumber");
    QCOMPARE(Prompt::texts(), QStringList({QStringLiteral("The contact \"Ann\"") + Gone}));
    QCOMPARE(nameShown(), QStringLiteral("Abe"));
    QCOMPARE(lines(), QStringList({"555-0001"}));
    QCOMPARE(highlighted(), QStringLiteral("Abe"));
}

void TestContactBookWaits::addNumberAndRemoveActOnTheContactChosen()
{
    QVERIFY(AddContact(contact(QStringLiteral("Abe"), {QStringLiteral("555-0001")})));
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), {QStringLiteral("555-0101")})));
    QVERIFY(AddContact(contact(QStringLiteral("Bob"), {QStringLiteral("555-0201")})));
    openBookOn(QStringLiteral("Ann"));
    // Another client removes Ann while Add Number waits: the number goes to nobody.
    ModalDialog::queueScript([this](QDialog& d) {
        QVERIFY(m_other->deleteContact(QStringLiteral("Ann")));
        okNumber(d, QStringLiteral("5550150"));
    });
    TRIGGER(book(), "cmdAddNumber");
    QCOMPARE(Prompt::texts(), QStringList({QStringLiteral("The contact \"Ann\"") + Gone}));
    QVERIFY(!lines().contains(QStringLiteral("555-0150")));
    QCOMPARE(nameShown(), highlighted());

    // Remove asks first; a contact added before Bob meanwhile moves nothing: Bob is removed, by his name.
    Prompt::clearHistory();
    QVERIFY(click(QStringLiteral("Bob")));
    Prompt::queueMeanwhile([this] { QVERIFY(m_other->addContact(contact(QStringLiteral("Al"), {"555-0002"}))); });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(book(), "mnuEditRemove");
    QCOMPARE(storedNames(), QStringList({"Abe", "Al"}));

    // Renamed meanwhile: it is not the contact the user chose to remove any more; nothing is removed.
    QVERIFY(click(QStringLiteral("Al")));
    Prompt::clearHistory();
    Prompt::queueMeanwhile(
        [this] { QVERIFY(m_other->editContact(QStringLiteral("Al"), contact(QStringLiteral("Alan"), {"555-0002"}))); });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(book(), "mnuEditRemove");
    QCOMPARE(Prompt::texts().size(), 2);
    QCOMPARE(Prompt::texts().last(), QStringLiteral("The contact \"Al\"") + Gone);
    QCOMPARE(storedNames(), QStringList({"Abe", "Alan"}));
}

// The shown contact renamed by another client while its edits stay on the form: a save neither reports the
// contact's own number as somebody else's nor ends in silence; it offers to add the form as a new contact.
void TestContactBookWaits::saveAfterAnotherClientRenamedTheContact()
{
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), {QStringLiteral("555-0101")})));
    openBookOn(QStringLiteral("Ann"));
    QTest::keyClicks(control<QPlainTextEdit>("txtOtherInfo"), QStringLiteral("mine"));
    QVERIFY(m_other->editContact(QStringLiteral("Ann"), contact(QStringLiteral("Anne"), {"555-0101"})));
    QCOMPARE(infoShown(), QStringLiteral("mine"));
    const QString question = QStringLiteral("The contact \"Ann\" is no longer stored under that name: it was renamed "
                                            "or removed elsewhere. Do you want to add it as a new contact?");
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(book(), "mnuEditSave");
    QCOMPARE(Prompt::texts(), QStringList({question}));
    QCOMPARE(storedNames(), QStringList({"Anne"}));
    QCOMPARE(infoShown(), QStringLiteral("mine"));

    // The user gives the form a number of its own and says Yes: Ann is a contact again, beside Anne.
    Prompt::clearHistory();
    numbers()->setCurrentRow(0);
    TRIGGER(book(), "cmdRemoveNumber");
    ModalDialog::queueScript([](QDialog& d) { okNumber(d, QStringLiteral("5550177")); });
    TRIGGER(book(), "cmdAddNumber");
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(book(), "mnuEditSave");
    QCOMPARE(Prompt::texts(), QStringList({question}));
    QCOMPARE(storedNames(), QStringList({"Anne", "Ann"}));
    QCOMPARE(GetContact(QStringLiteral("Ann"))->OtherInfo, QStringLiteral("mine"));
    QCOMPARE(GetContact(QStringLiteral("Ann"))->Numbers.at(0)->Number, QStringLiteral("555-0177"));
    QCOMPARE(nameShown(), QStringLiteral("Ann"));
    QCOMPARE(highlighted(), QStringLiteral("Ann"));
    QVERIFY(panel("status").startsWith(QStringLiteral("Viewing contact Ann in ")));
}

// The save question of a click waits; the contact clicked goes meanwhile. No: the edits stay, with the
// contact they belong to highlighted, and the user hears why nothing else happened.
void TestContactBookWaits::aClickedContactThatWentKeepsTheEdits()
{
    QVERIFY(AddContact(contact(QStringLiteral("Abe"), {QStringLiteral("555-0001")})));
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), {QStringLiteral("555-0101")})));
    openBookOn(QStringLiteral("Ann"));
    QTest::keyClicks(control<QPlainTextEdit>("txtOtherInfo"), QStringLiteral("unsaved"));
    Prompt::queueMeanwhile([this] { QVERIFY(m_other->deleteContact(QStringLiteral("Abe"))); });
    Prompt::queueAnswer(Prompt::No);
    QVERIFY(click(QStringLiteral("Abe")));
    QCOMPARE(Prompt::texts(),
             QStringList({"Do you want to save changes?", QStringLiteral("The contact \"Abe\"") + Gone}));
    QCOMPARE(nameShown(), QStringLiteral("Ann"));
    QCOMPARE(infoShown(), QStringLiteral("unsaved"));
    QCOMPARE(highlighted(), QStringLiteral("Ann"));

    // Yes saves the form as it was when the question came, whatever a refill did to the form meanwhile.
    QVERIFY(AddContact(contact(QStringLiteral("Bea"), {QStringLiteral("555-0301")})));
    Prompt::clearHistory();
    Prompt::queueMeanwhile([this] {
        QVERIFY(m_other->editContact(QStringLiteral("Bea"), contact(QStringLiteral("Bea"), {"555-0301"}, "x")));
    });
    Prompt::queueAnswer(Prompt::Yes);
    QVERIFY(click(QStringLiteral("Bea")));
    QCOMPARE(Prompt::texts(), QStringList({"Do you want to save changes?"}));
    QCOMPARE(GetContact(QStringLiteral("Ann"))->OtherInfo, QStringLiteral("unsaved"));
    QCOMPARE(nameShown(), QStringLiteral("Bea"));
    QCOMPARE(infoShown(), QStringLiteral("x"));
}

// A client's record is stored as this computer's own book would store it, and every client gets it so.
void TestContactBookWaits::peersRecordsAreStoredCleaned()
{
    clsContact pasted = contact(QStringLiteral("O'Brien"), {QStringLiteral("555-0101")}, QStringLiteral("it's"));
    pasted.Numbers.at(0)->Description = QStringLiteral("Ho'me");
    QVERIFY(m_other->addContact(pasted));
    QCOMPARE(storedNames(), QStringList({"OBrien"}));
    QCOMPARE(GetContact(QStringLiteral("OBrien"))->OtherInfo, QStringLiteral("its"));
    QVERIFY(m_other->seen().last().contains(QStringLiteral(";CONTACT;|OBrien|||its|NUMBER|555-0101|Home")));
    // An edit cleans the same way; a name made only of removed characters is no contact.
    QVERIFY(m_other->editContact(QStringLiteral("OBrien"), contact(QStringLiteral("O'Brien's"), {"555-0101"})));
    QCOMPARE(storedNames(), QStringList({"OBriens"}));
    m_other->peer().send(";ADD CONTACT;|''||||NUMBER|555-0999|");
    QTRY_VERIFY(gMainForm->lstEvents.stringList().contains(
        QStringLiteral("1 contact was lost in an attempt to update the contact list.")));
    QCOMPARE(storedNames(), QStringList({"OBriens"}));
}

// The status bar's counts follow what other windows and other clients change while the book is open.
void TestContactBookWaits::countsFollowChangesMadeElsewhere()
{
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), {QStringLiteral("555-0101")})));
    openBookOn(QStringLiteral("Ann"));
    QCOMPARE(panel("contacts"), QStringLiteral("1 Contacts"));
    QCOMPARE(panel("numbers"), QStringLiteral("1 Numbers"));

    // The call list's "Add As New Contact...".
    clsCaller call;
    call.Name = QStringLiteral("JOHN SMITH");
    call.Number.Number = QStringLiteral("(212) 555-1234");
    call.CallerDate = DateText::format(Clock::now().addSecs(-60));
    call.Answered = QStringLiteral("N/A");
    AddCaller(call);
    auto* main = dynamic_cast<QWidget*>(gMainForm);
    TRIGGER(main, "mnuViewTime(12)");
    auto* grid = ui::findByName<CallerIDGrid>(main, QStringLiteral("Grid"));
    QCOMPARE(grid->Rows(), 2);
    grid->setRow(1);
    ModalDialog::queueScript([](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click(); });
    TRIGGER(main, "mnuEditCreateNew");
    QTRY_COMPARE(panel("contacts"), QStringLiteral("2 Contacts"));
    QTRY_COMPARE(panel("numbers"), QStringLiteral("2 Numbers"));

    // Another client's add, edit and removal.
    QVERIFY(m_other->addContact(contact(QStringLiteral("Bob"), {"555-0201", "555-0202"})));
    QTRY_COMPARE(panel("contacts"), QStringLiteral("3 Contacts"));
    QTRY_COMPARE(panel("numbers"), QStringLiteral("4 Numbers"));
    QVERIFY(m_other->editContact(QStringLiteral("Bob"), contact(QStringLiteral("Bob"), {"555-0201"})));
    QTRY_COMPARE(panel("numbers"), QStringLiteral("3 Numbers"));
    QVERIFY(m_other->deleteContact(QStringLiteral("JOHN SMITH")));
    QTRY_COMPARE(panel("contacts"), QStringLiteral("2 Contacts"));
    QTRY_COMPARE(panel("numbers"), QStringLiteral("2 Numbers"));
}

void TestContactBookWaits::pictureAndGroupsWithAChangeMeanwhile()
{
    QVERIFY(AddContact(contact(QStringLiteral("Abe"), {QStringLiteral("555-0001")})));
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), {QStringLiteral("555-0101")})));
    openBookOn(QStringLiteral("Ann"));
    const QString picture = m_home->file(QStringLiteral("ann.png"));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(picture));

    // The picture dialog waits; Ann goes meanwhile: the picture is not put on the contact shown now.
    Prompt::queueMeanwhile([this] { QVERIFY(m_other->deleteContact(QStringLiteral("Ann"))); });
    Prompt::queueText(picture);
    TRIGGER(book(), "cmdChangeImage");
    QCOMPARE(Prompt::texts().last(), QStringLiteral("The contact \"Ann\"") + Gone);
    QCOMPARE(nameShown(), QStringLiteral("Abe"));
    QVERIFY(control<QLabel>("imgContactImage")->pixmap().isNull());
    QVERIFY(panel("status").startsWith(QStringLiteral("Viewing contact Abe")));

    // The group editor waits while another client changes the contact shown: the group is added, and the
    // form is the re-shown contact with the new group chosen.
    ModalDialog::queueScript([this](QDialog& d) {
        QVERIFY(m_other->editContact(QStringLiteral("Abe"), contact(QStringLiteral("Abe"), {"555-0001"}, "new")));
        d.findChild<QLineEdit*>(QStringLiteral("txtDescription"))->setText(QStringLiteral("Friends"));
        d.findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
    });
    TRIGGER(book(), "cmdAddAttributeGroup");
    QVERIFY(gAttributeGroups.contains(QStringLiteral("Friends")));
    QCOMPARE(control<QComboBox>("cboAttributeGroup")->currentText(), QStringLiteral("Friends"));
    QCOMPARE(infoShown(), QStringLiteral("new"));
    TRIGGER(book(), "mnuEditSave");
    QCOMPARE(GetContact(QStringLiteral("Abe"))->AttributeGroup, QStringLiteral("Friends"));

    // The editor of that group waits while the contact is edited again; the rename reaches the contact.
    ModalDialog::queueScript([this](QDialog& d) {
        clsContact changed = contact(QStringLiteral("Abe"), {"555-0001", "555-0002"}, "newer");
        changed.AttributeGroup = QStringLiteral("Friends");
        QVERIFY(m_other->editContact(QStringLiteral("Abe"), changed));
        d.findChild<QLineEdit*>(QStringLiteral("txtDescription"))->setText(QStringLiteral("Family"));
        d.findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
    });
    TRIGGER(book(), "cmdEditAttributeGroup");
    QVERIFY(gAttributeGroups.contains(QStringLiteral("Family")) && !gAttributeGroups.contains("Friends"));
    QCOMPARE(GetContact(QStringLiteral("Abe"))->AttributeGroup, QStringLiteral("Family"));
    QCOMPARE(GetContact(QStringLiteral("Abe"))->Numbers.count(), 2);
    QCOMPARE(infoShown(), QStringLiteral("newer"));
    QCOMPARE(control<QComboBox>("cboAttributeGroup")->currentText(), QStringLiteral("Family"));
}

// A contact chosen in the call list's "Add To Current Contact..." dialog, removed by another client while
// the dialog waited: the number is added to nobody, and the user is told.
void TestContactBookWaits::aContactChosenInAPickerThatWent()
{
    QVERIFY(AddContact(contact(QStringLiteral("Mary"), {QStringLiteral("555-0000")})));
    QVERIFY(AddContact(contact(QStringLiteral("Zed"), {QStringLiteral("555-9999")})));
    clsCaller call;
    call.Name = QStringLiteral("WIRELESS CALLER");
    call.Number.Number = QStringLiteral("(555) 777-8888");
    call.CallerDate = DateText::format(Clock::now().addSecs(-60));
    call.Answered = QStringLiteral("N/A");
    AddCaller(call);
    auto* main = dynamic_cast<QWidget*>(gMainForm);
    TRIGGER(main, "mnuViewTime(12)");
    ui::findByName<CallerIDGrid>(main, QStringLiteral("Grid"))->setRow(1);
    ModalDialog::queueScript([this](QDialog& d) {
        d.findChild<QListWidget*>(QStringLiteral("lstContacts"))->setCurrentRow(0);
        QVERIFY(m_other->deleteContact(QStringLiteral("Mary")));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(main, "mnuEditAddToCurrent");
    QCOMPARE(Prompt::texts(), QStringList({QStringLiteral("The contact \"Mary\"") + Gone}));
    QCOMPARE(storedNames(), QStringList({"Zed"}));
    QCOMPARE(GetContact(QStringLiteral("Zed"))->Numbers.count(), 1);
}

// The program ends (its exit closes every window) while a dialog of the book waits: nothing runs on the
// deleted window, nothing is stored, and the book is gone once its command has returned.
void TestContactBookWaits::theProgramEndingWhileADialogWaits()
{
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), {QStringLiteral("555-0101")})));
    openBookOn(QStringLiteral("Ann"));
    ModalDialog::queueScript([](QDialog& d) {
        ShutDown();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        okNumber(d, QStringLiteral("5550150"));
    });
    TRIGGER(book(), "cmdAddNumber");
    QTRY_VERIFY(!book());
    QVERIFY(Prompt::history().isEmpty());
}

// The same two dialogs deep: the group editor's colour dialog waits when the program ends. The editor
// gets its colour and closes; the book's command then adds no group to a program that has ended.
void TestContactBookWaits::theProgramEndingWhileTheColourDialogWaits()
{
    QVERIFY(AddContact(contact(QStringLiteral("Ann"), {QStringLiteral("555-0101")})));
    openBookOn(QStringLiteral("Ann"));
    QString colourShown;
    ModalDialog::queueScript([&](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("txtDescription"))->setText(QStringLiteral("Friends"));
        Prompt::queueMeanwhile([] {
            ShutDown();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        });
        Prompt::queueText(QStringLiteral("255"));
        auto* colour = d.findChild<QPushButton*>(QStringLiteral("picColor"));
        colour->click();
        colourShown = colour->styleSheet();
        d.findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
    });
    TRIGGER(book(), "cmdAddAttributeGroup");
    QVERIFY(colourShown.contains(QStringLiteral("#ff0000")));
    QTRY_VERIFY(!book());
    QVERIFY(gAttributeGroups.isEmpty());
    QVERIFY(!gMainForm);
}

QTEST_MAIN(TestContactBookWaits)
#include "test_contactbookwaits.moc"
