#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <memory>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "network/clsRemoteSocket.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "platform/ui/ModalDialog.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
#include "support/ModalChange.h"
#include "support/ScriptedServer.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/ClientSession.h"

namespace {

clsCaller call(qint32 id, const QString& name, const QString& number, qint32 rings = 1)
{
    clsCaller c;
    c.ID = id;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = QStringLiteral("3/21/2024 1:%1:00 PM").arg(10 + id % 50);
    c.Rings = rings;
    c.Answered = QStringLiteral("N/A");
    return c;
}

QString incoming(const clsCaller& c) { return QStringLiteral(";INCOMING CALLER;") + c.PrintSend(); }

// The server's answer to the pop-up's request: the records newest first, then one ";".
QString popupAnswer(const QList<clsCaller>& newestFirst)
{
    QString text;
    for (const clsCaller& c : newestFirst)
        text += QStringLiteral(";MINI DISPLAY;") + c.PrintSend();
    return text + QLatin1Char(';');
}

} // namespace

// The client's pop-up and its copy of the call in progress against a server the test scripts: what a
// refill shows of a live call, how often the pop-up asks for its list, that an answer replaces the list,
// which errors it tells as refused contacts, and its commands that wait on the user while the server's
// messages go on arriving.
class TestClientPopup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void aRefillKeepsTheRingsOfALiveCall();
    void oneForeignDeletionAsksForThePopupListOnce();
    void anAnswerReplacesThePopupList();
    void aReconnectAsksForThePopupListAgain();
    void anEmptyLogsAnswerEndsTheWait();
    void everyCallIsListedOnce();
    void onlyTheStoresRefusalsAreToldAsDuplicates();
    void blockActsOnlyOnTheCallThatRang();
    void addingTheNumberTakesTheCallerShownAtTheStart();

private:
    bool start();
    CallerIDGrid* grid() const { return ui::findByName<CallerIDGrid>(dynamic_cast<QWidget*>(gMainForm), "Grid"); }
    QStringList events() const { return gMainForm ? gMainForm->lstEvents.stringList() : QStringList(); }
    frmMiniDisplay* popup() const { return frmMiniDisplay::instance(false); }
    QString popupText(const char* name) const { return ui::findByName<QLabel>(popup(), QLatin1String(name))->text(); }
    // Sends the texts and waits until the client has read them all: units are read in order, so once the count
    // of a last ";SIZE;" shows, every send before it has been.
    void deliver(const QStringList& sends);
    // The requests the client sent from now until a request that must come after them all: once the client has
    // read every unit sent so far, it is asked for another view period (a request of its menu).
    QStringList requestsUntilTheNextOne();
    void showPopup(const QList<clsCaller>& recent);

    ScriptedServer& server() { return m_session.server(); }

    ClientSession m_session;
    int m_sync = 0;
    bool m_markerAll = false;
};

bool TestClientPopup::start()
{
    return m_session.start([] { SaveProperty(Section::frmMiniDisplay, Key::Vibrate, QStringLiteral("False")); });
}

void TestClientPopup::init()
{
    m_sync = 0;
    QVERIFY(start());
}

void TestClientPopup::cleanup()
{
    ModalDialog::resetScripts();
    m_session.stop();
}

void TestClientPopup::deliver(const QStringList& sends)
{
    for (const QString& s : sends)
        server().send(s);
    const int marker = -1000 - ++m_sync;
    server().send(QStringLiteral(";SIZE;%1;").arg(marker));
    QTRY_COMPARE(ui::findByName<QLabel>(dynamic_cast<QWidget*>(gMainForm), "StatusBar1.Panels(2)")->text(),
                 QStringLiteral("%1 Records Displayed").arg(marker));
}

QStringList TestClientPopup::requestsUntilTheNextOne()
{
    const qsizetype from = server().requests().size();
    // Every unit sent so far has been read first.
    deliver({});
    // Another period than the one shown: an "UPDATE NEEDED" asks again for the period shown, and the marker
    // must be told apart from that.
    m_markerAll = !m_markerAll;
    int period = m_markerAll ? ViewTime::All : ViewTime::Week1;
    const QString marker = QStringLiteral(";SQL;") + ViewTimeSQL(period);
    if (!ui::tryTrigger(dynamic_cast<QWidget*>(gMainForm), QStringLiteral("mnuViewTime(%1)").arg(period)).isEmpty())
        return {QStringLiteral("<the period could not be chosen>")};
    qsizetype at = -1;
    if (!QTest::qWaitFor([&] {
            at = server().requests().indexOf(marker, from);
            return at >= 0;
        }))
        return {QStringLiteral("<the marker request never came>")};
    // Its answer, so that nothing waits for it afterwards.
    server().send(QStringLiteral(";SIZE;0;"));
    server().send(QStringLiteral(";CLEAR CALLERS;"));
    return server().requests().mid(from, at - from);
}

void TestClientPopup::showPopup(const QList<clsCaller>& recent)
{
    miniDisplay().Show();
    QVERIFY(popup() && popup()->isVisible());
    QCOMPARE(server().waitForRequest(QStringLiteral(";MINI DISPLAY;")), QStringLiteral(";MINI DISPLAY;10;"));
    deliver({popupAnswer(recent)});
    QCOMPARE(popupText("lblPosition"), QStringLiteral("1/%1").arg(recent.size()));
    QVERIFY(FindForms(QStringLiteral("frmWaiting")).isEmpty());
}

void TestClientPopup::aRefillKeepsTheRingsOfALiveCall()
{
    // A call of three rings whose record came once, at the first ring (no caller-ID lines after it and no
    // final record: the server tests no dial tone).
    deliver({QStringLiteral(";NEW;"),
             incoming(call(7, QStringLiteral("NOT RECEIVED"), QStringLiteral("NOT RECEIVED"), 0)),
             QStringLiteral(";RING;"), QStringLiteral(";RING;"), QStringLiteral(";RING;")});
    const int row = grid()->model()->findRowById(7);
    QVERIFY(row > 0);
    QCOMPARE(grid()->TextMatrix(row, CallListModel::ColRings), QStringLiteral("3"));

    // Every refill reads the stored copy: a contact push, a group push.
    deliver({QStringLiteral(";CLEAR CONTACTS;;CONTACT;|MARY|||note|NUMBER|555-0000|Home")});
    QCOMPARE(grid()->TextMatrix(grid()->model()->findRowById(7), CallListModel::ColRings), QStringLiteral("3"));
    deliver({QStringLiteral(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|Family|100|False||")});
    QCOMPARE(grid()->TextMatrix(grid()->model()->findRowById(7), CallListModel::ColRings), QStringLiteral("3"));
    // A fourth ring after the refills still counts on from three.
    deliver({QStringLiteral(";RING;"), QStringLiteral(";CLEAR CONTACTS;")});
    QCOMPARE(grid()->TextMatrix(grid()->model()->findRowById(7), CallListModel::ColRings), QStringLiteral("4"));
}

void TestClientPopup::oneForeignDeletionAsksForThePopupListOnce()
{
    showPopup({call(3, QStringLiteral("THREE"), QStringLiteral("3")),
               call(2, QStringLiteral("TWO"), QStringLiteral("2")),
               call(1, QStringLiteral("ONE"), QStringLiteral("1"))});

    // Another client's deletion: "DELETE OK" to every client, "UPDATE NEEDED" to the others, in two sends.
    server().clearRequests();
    server().send(QStringLiteral(";DELETE OK;"));
    server().send(QStringLiteral(";UPDATE NEEDED;"));
    QStringList asked = requestsUntilTheNextOne();
    QVERIFY2(asked.filter(QStringLiteral(";MINI DISPLAY;")).size() == 1, qPrintable(asked.join(QLatin1Char('|'))));
    QCOMPARE(asked.filter(QStringLiteral(";SQL;")).size(), 1);
    deliver({popupAnswer(
        {call(3, QStringLiteral("THREE"), QStringLiteral("3")), call(1, QStringLiteral("ONE"), QStringLiteral("1"))})});
    QCOMPARE(popupText("lblPosition"), QStringLiteral("1/2"));

    // The same in one send.
    server().clearRequests();
    server().send(QStringLiteral(";DELETE OK;;UPDATE NEEDED;"));
    asked = requestsUntilTheNextOne();
    QCOMPARE(asked.filter(QStringLiteral(";MINI DISPLAY;")).size(), 1);

    // A log cleared on the server alone ("UPDATE NEEDED" without a deletion before it) asks too.
    server().clearRequests();
    server().send(QStringLiteral(";UPDATE NEEDED;"));
    asked = requestsUntilTheNextOne();
    QCOMPARE(asked.filter(QStringLiteral(";MINI DISPLAY;")).size(), 1);
}

void TestClientPopup::anEmptyLogsAnswerEndsTheWait()
{
    miniDisplay().Show();
    QVERIFY(popup() && popup()->isVisible());
    QVERIFY(!server().waitForRequest(QStringLiteral(";MINI DISPLAY;")).isEmpty());
    QCOMPARE(FindForms(QStringLiteral("frmWaiting")).size(), 1);
    // The server's log holds no call: its answer is a bare ";".
    deliver({popupAnswer({})});
    QVERIFY(FindForms(QStringLiteral("frmWaiting")).isEmpty());
    QCOMPARE(popupText("lblPosition"), QStringLiteral("0/0"));
    // A send without words is nothing else's answer: with no list asked for, it changes nothing.
    deliver({popupAnswer({call(1, QStringLiteral("ONE"), QStringLiteral("1"))})});
    deliver({popupAnswer({})});
    QCOMPARE(popupText("lblPosition"), QStringLiteral("1/1"));
}

void TestClientPopup::anAnswerReplacesThePopupList()
{
    const QList<clsCaller> recent = {call(3, QStringLiteral("THREE"), QStringLiteral("3")),
                                     call(2, QStringLiteral("TWO"), QStringLiteral("2")),
                                     call(1, QStringLiteral("ONE"), QStringLiteral("1"))};
    showPopup(recent);
    // Two requests out at once (the list size applied while a request waited); both answers come.
    server().clearRequests();
    miniDisplay().LoadData();
    miniDisplay().LoadData();
    QTRY_COMPARE(server().requests().filter(QStringLiteral(";MINI DISPLAY;")).size(), 2);
    deliver({popupAnswer(recent), popupAnswer(recent)});
    QCOMPARE(popupText("lblPosition"), QStringLiteral("1/3"));
    QCOMPARE(popupText("lblName"), QStringLiteral("THREE"));
    // A newer answer holding fewer calls leaves only those.
    deliver({popupAnswer({recent.at(0)})});
    QCOMPARE(popupText("lblPosition"), QStringLiteral("1/1"));
}

void TestClientPopup::aReconnectAsksForThePopupListAgain()
{
    showPopup(
        {call(2, QStringLiteral("TWO"), QStringLiteral("2")), call(1, QStringLiteral("ONE"), QStringLiteral("1"))});
    // Away (Options, Connect) while the server's log loses call 1 and gains call 3, then back.
    auto* window = dynamic_cast<QWidget*>(gMainForm);
    TRIGGER(window, "mnuOptionsConnect");
    QVERIFY(!gRemoteSocket->Connected());
    server().clearRequests();
    TRIGGER(window, "mnuOptionsConnect");
    QVERIFY(!server().waitForRequest(QStringLiteral(";MODEMCONNECTION;")).isEmpty());
    // After the burst the pop-up asks for its list, and the answer replaces the one it kept.
    QCOMPARE(server().waitForRequest(QStringLiteral(";MINI DISPLAY;")), QStringLiteral(";MINI DISPLAY;10;"));
    deliver({popupAnswer(
        {call(3, QStringLiteral("THREE"), QStringLiteral("3")), call(2, QStringLiteral("TWO"), QStringLiteral("2"))})});
    QCOMPARE(popupText("lblName"), QStringLiteral("THREE"));
    QCOMPARE(popupText("lblPosition"), QStringLiteral("1/2"));
}

void TestClientPopup::everyCallIsListedOnce()
{
    // The pop-up comes up by itself at a call; the first call's first ring is all it can ask about then.
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True"));
    QVERIFY(!popup());
    for (int id = 1; id <= 5; ++id) {
        const QString number = QStringLiteral("555-010%1").arg(id);
        const QString name = QStringLiteral("CALLER %1").arg(id);
        clsCaller first = call(id, QStringLiteral("NOT RECEIVED"), QStringLiteral("NOT RECEIVED"), 0);
        deliver({QStringLiteral(";NEW;"), incoming(first), QStringLiteral(";RING;")});
        if (id == 1) {
            // The server answers the request the showing made with the log as it stood then: this call at its
            // first ring.
            QVERIFY(popup() && popup()->isVisible());
            QVERIFY(!server().waitForRequest(QStringLiteral(";MINI DISPLAY;")).isEmpty());
            first.Rings = 1;
            deliver({popupAnswer({first})});
        }
        deliver({incoming(call(id, name, number, 1)), QStringLiteral(";RING;")});
        QCOMPARE(popupText("lblName"), name);
        QCOMPARE(popupText("lblPosition"), QStringLiteral("1/%1").arg(id));
    }
    QSet<qint32> ids;
    for (const clsCaller& c : std::as_const(miniDisplay().Callers)) {
        QVERIFY2(c.Name != QLatin1String("NOT RECEIVED"), qPrintable(c.PrintSend()));
        ids << c.ID;
    }
    QCOMPARE(ids, (QSet<qint32>{1, 2, 3, 4, 5}));
}

void TestClientPopup::onlyTheStoresRefusalsAreToldAsDuplicates()
{
    // A query the server could not run: said in the events, never as a contact refused.
    deliver({QStringLiteral(";ERROR;1;near \"Selct\": syntax error;")});
    QVERIFY(events().contains(QStringLiteral("Server error #1: near \"Selct\": syntax error")));
    QVERIFY(Prompt::history().isEmpty());
    deliver({QStringLiteral(";ERROR;2;no such table: tblNumbers;")});
    QVERIFY(Prompt::history().isEmpty());
    // The contact store's own refusals are told as a contact saved here would be.
    deliver({QStringLiteral(";ERROR;1;Duplicate names in database.;")});
    QTRY_COMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().last().text, QStringLiteral("Duplicate names in database."));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    deliver({QStringLiteral(";ERROR;2;555-0100 was found to be a duplicate numbers in the database.;")});
    QTRY_COMPARE(Prompt::history().size(), 2);
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("555-0100 was found to be a duplicate numbers in the database."));
}

void TestClientPopup::blockActsOnlyOnTheCallThatRang()
{
    showPopup({call(1, QStringLiteral("ONE"), QStringLiteral("1"))});
    deliver({QStringLiteral(";NEW;"), incoming(call(11, QStringLiteral("PEST"), QStringLiteral("555-0011"), 0)),
             QStringLiteral(";RING;")});
    auto* block = ui::findByName<QLabel>(popup(), "lblBlock");
    QTRY_VERIFY(block->isVisible());

    // While the question waits, that call ends and another one begins.
    Prompt::queueMeanwhile([this] {
        server().send(QStringLiteral(";NEW;") +
                      incoming(call(12, QStringLiteral("AUNT"), QStringLiteral("555-0012"), 0)) +
                      QStringLiteral(";RING;"));
        QVERIFY(ModalChange::spinUntil([this] { return popupText("lblName") == QLatin1String("AUNT"); }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    server().clearRequests();
    QTest::mouseClick(block, Qt::LeftButton);
    QStringList asked = requestsUntilTheNextOne();
    QVERIFY2(asked.filter(QStringLiteral("BLOCK CALL")).isEmpty(), qPrintable(asked.join(QLatin1Char('|'))));
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("The call from \"PEST\" ended while this window waited; nothing was changed."));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));

    // The call still ringing when the question is answered is the one blocked; a ring meanwhile changes nothing.
    Prompt::queueMeanwhile([this] {
        server().send(QStringLiteral(";RING;"));
        QVERIFY(ModalChange::spinUntil([this] { return popupText("lblRings") == QLatin1String("2 Rings"); }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    server().clearRequests();
    QTest::mouseClick(block, Qt::LeftButton);
    asked = requestsUntilTheNextOne();
    QCOMPARE(asked, QStringList{QStringLiteral(";BLOCK CALL;")});

    // The pop-up closes while the question waits (the program ends): nothing is sent and nothing crashes.
    Prompt::queueMeanwhile([this] {
        popup()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    Prompt::queueAnswer(Prompt::Yes);
    server().clearRequests();
    const QPointer<frmMiniDisplay> closing = popup();
    closing->lblBlock_Click();
    QVERIFY(!closing);
    asked = requestsUntilTheNextOne();
    QVERIFY(asked.filter(QStringLiteral("BLOCK CALL")).isEmpty());
}

void TestClientPopup::addingTheNumberTakesTheCallerShownAtTheStart()
{
    deliver({QStringLiteral(";CLEAR CONTACTS;;CONTACT;|MARY|||note|NUMBER|555-0000|Home")});
    showPopup({call(4, QStringLiteral("CELL"), QStringLiteral("555-0104"))});

    // While the chooser waits, a call arrives (the pop-up now shows it) and the server pushes its book anew.
    ModalDialog::queueScript([this](QDialog& d) {
        deliver({QStringLiteral(";NEW;"), incoming(call(5, QStringLiteral("OTHER"), QStringLiteral("555-0105"), 0)),
                 QStringLiteral(";CLEAR CONTACTS;;CONTACT;|MARY|||note|NUMBER|555-0000|Home")});
        QCOMPARE(popupText("lblName"), QStringLiteral("OTHER"));
        auto* contacts = d.findChild<QListWidget*>(QStringLiteral("lstContacts"));
        QVERIFY(contacts && contacts->count() == 1);
        contacts->setCurrentRow(0);
        d.findChild<QComboBox*>(QStringLiteral("cmbDescription"))->setEditText(QStringLiteral("Cellular"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    server().clearRequests();
    TRIGGER(popup(), "mnuPopupAddToCurrent");
    const QStringList asked = requestsUntilTheNextOne();
    QCOMPARE(
        asked.filter(QStringLiteral("EDIT CONTACT")),
        QStringList{QStringLiteral(";EDIT CONTACT;MARY;|MARY|||note|NUMBER|555-0000|Home|NUMBER|555-0104|Cellular")});

    // The pop-up goes while the chooser waits: the dialog is its own window, so nothing is deleted under it,
    // and nothing is sent for a pop-up that is gone.
    ModalDialog::queueScript([this](QDialog& d) {
        popup()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        d.findChild<QListWidget*>(QStringLiteral("lstContacts"))->setCurrentRow(0);
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    server().clearRequests();
    TRIGGER(popup(), "mnuPopupAddToCurrent");
    QVERIFY(!popup());
    QVERIFY(requestsUntilTheNextOne().filter(QStringLiteral("CONTACT")).isEmpty());
}

QTEST_MAIN(TestClientPopup)
#include "test_clientpopup.moc"
