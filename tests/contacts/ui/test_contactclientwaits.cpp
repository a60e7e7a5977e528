#include <QApplication>
#include <QTest>

#include <memory>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modAttributeGroup.h"
#include "core/modProperties.h"
#include "mainwindow/ui/frmRemoteMain.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "platform/ui/ModalDialog.h"
#include "support/ModalChange.h"
#include "support/ScriptedServer.h"
#include "support/TempHome.h"
#include "support/ui/ClientSession.h"

#include "BookByName.h"

using namespace bookui;

namespace {

// The server's contact update: the book as a client gets it after any change.
QString bookOf(const QStringList& records)
{
    QString text = QStringLiteral(";CLEAR CONTACTS;");
    for (const QString& r : records)
        text += QStringLiteral(";CONTACT;") + r;
    return text;
}

const QString Abe = QStringLiteral("|Abe||||NUMBER|555-0001|NONE");
const QString Ann = QStringLiteral("|Ann||||NUMBER|555-0101|NONE|NUMBER|555-0102|NONE");
const QString Aaron = QStringLiteral("|Aaron||||NUMBER|555-0000|NONE");

} // namespace

// The contact book of a client while its user waits in one of its dialogs or questions and the server
// pushes another user's change meanwhile: nothing crashes, the highlight and the form agree, and every
// command acts on the contact it began on, or says it went and sends nothing. The whole client program
// against a server the test scripts.
class TestContactClientWaits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void editNumberAfterAPush();
    void addNumberAndRemoveFollowTheContactChosen();
    void theHighlightFollowsTheForm();
    void theServersCleanedEchoIsFound();
    void saveAfterARenameOffersToAdd();

private:
    // The server pushes the book; the event loop runs until the client's copy has it all.
    bool push(const QStringList& records);
    void openBookOn(const QString& name);
    ScriptedServer& server() { return m_session.server(); }
    // The client's sends but the questions of the modem's state that frame each contact change.
    QStringList changesSent()
    {
        QStringList sent = m_session.server().requests();
        sent.removeAll(QStringLiteral(";MODEMCONNECTION;"));
        return sent;
    }

    ClientSession m_session;
};

void TestContactClientWaits::init()
{
    QVERIFY(m_session.start());
    QVERIFY(push({Abe, Ann}));
    m_session.server().clearRequests();
    Prompt::resetScript();
}

void TestContactClientWaits::cleanup()
{
    ModalDialog::resetScripts();
    Prompt::resetScript();
    m_session.stop();
}

bool TestContactClientWaits::push(const QStringList& records)
{
    QStringList names;
    for (const QString& r : records)
        names << r.section(QLatin1Char('|'), 1, 1);
    return ModalChange::push(server(), bookOf(records), [names] { return storedNames() == names; });
}

void TestContactClientWaits::openBookOn(const QString& name)
{
    TRIGGER(dynamic_cast<QWidget*>(gMainForm), "mnuWindow(2)");
    QVERIFY(book() && book()->isVisible());
    QVERIFY(click(name));
    QCOMPARE(nameShown(), name);
}

void TestContactClientWaits::editNumberAfterAPush()
{
    openBookOn(QStringLiteral("Ann"));
    numbers()->setCurrentRow(1);
    // Another user's change reaches this client while Edit Number waits: the book is refilled and Ann's
    // lines are made again.
    ModalDialog::queueScript([this](QDialog& d) {
        QVERIFY(push({Aaron, Abe, Ann}));
        QCOMPARE(listed(), 3);
        okNumber(d, QStringLiteral("5550199"));
    });
    TRIGGER(book(), "cmdEditNumber");
    QCOMPARE(nameShown(), QStringLiteral("Ann"));
    QCOMPARE(lines(), QStringList({"555-0101", "555-0199"}));
    QCOMPARE(highlighted(), QStringLiteral("Ann"));
    QVERIFY(Prompt::history().isEmpty());

    // A change of the attribute groups meanwhile refills the book too; the form keeps its edits, and the
    // line is found again by its text.
    numbers()->setCurrentRow(0);
    ModalDialog::queueScript([this](QDialog& d) {
        ModalChange::push(server(), QStringLiteral(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|VIP|255|False|Speech|"),
                          [] { return gAttributeGroups.contains(QStringLiteral("VIP")); });
        okNumber(d, QStringLiteral("5550150"));
    });
    TRIGGER(book(), "cmdEditNumber");
    QCOMPARE(lines(), QStringList({"555-0150", "555-0199"}));
    // An edited number goes to the end of the contact's numbers.
    TRIGGER(book(), "mnuEditSave");
    QCOMPARE(server().waitForRequest(QStringLiteral(";EDIT CONTACT;")),
             QStringLiteral(";EDIT CONTACT;Ann;|Ann||||NUMBER|555-0199|NONE|NUMBER|555-0150|NONE"));
}

void TestContactClientWaits::addNumberAndRemoveFollowTheContactChosen()
{
    openBookOn(QStringLiteral("Ann"));
    // A contact inserted before Ann while Add Number waits: the number still goes to Ann.
    ModalDialog::queueScript([this](QDialog& d) {
        QVERIFY(push({Aaron, Abe, Ann}));
        okNumber(d, QStringLiteral("5550150"));
    });
    TRIGGER(book(), "cmdAddNumber");
    QCOMPARE(nameShown(), QStringLiteral("Ann"));
    QCOMPARE(lines(), QStringList({"555-0101", "555-0102", "555-0150"}));
    QCOMPARE(highlighted(), QStringLiteral("Ann"));
    TRIGGER(book(), "mnuEditSave");
    QCOMPARE(
        server().waitForRequest(QStringLiteral(";EDIT CONTACT;")),
        QStringLiteral(";EDIT CONTACT;Ann;|Ann||||NUMBER|555-0101|NONE|NUMBER|555-0102|NONE|NUMBER|555-0150|NONE"));
    const QString annNow = QStringLiteral("|Ann||||NUMBER|555-0101|NONE|NUMBER|555-0102|NONE|NUMBER|555-0150|NONE");
    QVERIFY(push({Aaron, Abe, annNow}));
    QCOMPARE(highlighted(), QStringLiteral("Ann"));

    // Remove asks; Ann is renamed meanwhile: nothing goes to the server but a message here.
    server().clearRequests();
    Prompt::queueMeanwhile([this] {
        QVERIFY(push({Aaron, Abe, QStringLiteral("|Anne||||NUMBER|555-0101|NONE|NUMBER|555-0102|NONE")}));
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(book(), "mnuEditRemove");
    QCOMPARE(Prompt::texts().last(), QStringLiteral("The contact \"Ann\"") + Gone);

    // Remove on Abe while a contact is inserted before him: Abe, by his name, is what is asked for. The
    // server reads in order: this request is the first since the one above sent nothing.
    QVERIFY(click(QStringLiteral("Abe")));
    Prompt::queueMeanwhile([this] {
        QVERIFY(push({QStringLiteral("|Aardvark||||NUMBER|555-0009|NONE"), Aaron, Abe,
                      QStringLiteral("|Anne||||NUMBER|555-0101|NONE|NUMBER|555-0102|NONE")}));
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(book(), "mnuEditRemove");
    QVERIFY(!server().waitForRequest(QStringLiteral(";DELETE CONTACT;")).isEmpty());
    QCOMPARE(changesSent(), QStringList({";DELETE CONTACT;Abe"}));
}

// Edits stay on the form when another user's change arrives (the form is not overwritten), and the list
// then highlights the form's contact, or nothing once it is gone: Remove can never reach a neighbour.
void TestContactClientWaits::theHighlightFollowsTheForm()
{
    openBookOn(QStringLiteral("Ann"));
    QTest::keyClicks(control<QPlainTextEdit>("txtOtherInfo"), QStringLiteral("unsaved"));
    QVERIFY(push({Aaron, Abe, Ann}));
    QCOMPARE(highlighted(), QStringLiteral("Ann"));
    QCOMPARE(infoShown(), QStringLiteral("unsaved"));
    QVERIFY(push({Aaron, Abe}));
    QCOMPARE(highlighted(), QString());
    QCOMPARE(nameShown(), QStringLiteral("Ann"));
    QCOMPARE(infoShown(), QStringLiteral("unsaved"));
    TRIGGER(book(), "mnuEditRemove");
    QCOMPARE(Prompt::texts(), QStringList({"You must select a contact to remove."}));
    // Nothing was sent: the next request the server reads is the new contact that follows (its question
    // drops the edits).
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(book(), "mnuEditAdd");
    control<QLineEdit>("txtName")->setText(QStringLiteral("Cy"));
    ModalDialog::queueScript([](QDialog& d) { okNumber(d, QStringLiteral("5550301")); });
    TRIGGER(book(), "cmdAddNumber");
    TRIGGER(book(), "mnuEditSave");
    QVERIFY(!server().waitForRequest(QStringLiteral(";ADD CONTACT;")).isEmpty());
    QCOMPARE(changesSent(), QStringList({";ADD CONTACT;|Cy||||NUMBER|555-0301|NONE"}));
}

// A pasted name is cleaned on its way to the server, and the server's cleaned echo is the contact being
// added: it is shown, and a second save sends nothing.
void TestContactClientWaits::theServersCleanedEchoIsFound()
{
    TRIGGER(dynamic_cast<QWidget*>(gMainForm), "mnuWindow(2)");
    QVERIFY(book());
    TRIGGER(book(), "mnuEditAdd");
    control<QLineEdit>("txtName")->setText(QStringLiteral("O'Neil"));
    ModalDialog::queueScript([](QDialog& d) { okNumber(d, QStringLiteral("5550199")); });
    TRIGGER(book(), "cmdAddNumber");
    TRIGGER(book(), "mnuEditSave");
    QCOMPARE(server().waitForRequest(QStringLiteral(";ADD CONTACT;")),
             QStringLiteral(";ADD CONTACT;|ONeil||||NUMBER|555-0199|NONE"));
    QVERIFY(push({Abe, Ann, QStringLiteral("|ONeil||||NUMBER|555-0199|NONE")}));
    QCOMPARE(nameShown(), QStringLiteral("ONeil"));
    QCOMPARE(highlighted(), QStringLiteral("ONeil"));
    TRIGGER(book(), "mnuEditSave");
    // What it sends next is the change below, not the contact again.
    QTest::keyClicks(control<QPlainTextEdit>("txtOtherInfo"), QStringLiteral("x"));
    TRIGGER(book(), "mnuEditSave");
    QVERIFY(!server().waitForRequest(QStringLiteral(";EDIT CONTACT;")).isEmpty());
    QCOMPARE(changesSent(), QStringList({";ADD CONTACT;|ONeil||||NUMBER|555-0199|NONE",
                                         ";EDIT CONTACT;ONeil;|ONeil|||x|NUMBER|555-0199|NONE"}));
}

// The contact shown is renamed by another user while its edits stay here: the save asks to add the form
// as a new contact instead of sending a change of a name the server no longer has.
void TestContactClientWaits::saveAfterARenameOffersToAdd()
{
    openBookOn(QStringLiteral("Ann"));
    QTest::keyClicks(control<QPlainTextEdit>("txtOtherInfo"), QStringLiteral("mine"));
    QVERIFY(push({Abe, QStringLiteral("|Anne||||NUMBER|555-0101|NONE|NUMBER|555-0102|NONE")}));
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(book(), "mnuEditSave");
    QCOMPARE(Prompt::texts(), QStringList({"The contact \"Ann\" is no longer stored under that name: it was renamed "
                                           "or removed elsewhere. Do you want to add it as a new contact?"}));
    QCOMPARE(server().waitForRequest(QStringLiteral("CONTACT;")),
             QStringLiteral(";ADD CONTACT;|Ann|||mine|NUMBER|555-0101|NONE|NUMBER|555-0102|NONE"));
    // The server refuses it (the numbers are Anne's); the form keeps what was typed.
    QCOMPARE(infoShown(), QStringLiteral("mine"));
    QCOMPARE(nameShown(), QStringLiteral("Ann"));
}

QTEST_MAIN(TestContactClientWaits)
#include "test_contactclientwaits.moc"
