#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "ContactBookFixture.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/clsTokenizer.h"
#include "core/modProperties.h"
#include "network/clsRemoteSocket.h"
#include "support/ResetForTests.h"

using namespace book;

namespace {

// The client's main window as far as contacts go, until the client's own window and dispatcher exist: the
// server's contact push replaces the client's copy, and the contact book refills, as the dispatcher does
// once a unit has been walked.
class ClientWindow : public MainWindow {
public:
    void ProcessRemoteNetworkData(const QString& data) override
    {
        clsTokenizer t(data, QStringLiteral(";"), true);
        bool contactsChanged = false;
        while (t.MoreTokens()) {
            const QString word = t.NextToken();
            if (word == QLatin1String("CLEAR CONTACTS")) {
                gContacts = KeyedCollection<clsContact>();
                contactsChanged = true;
            } else if (word == QLatin1String("CONTACT")) {
                auto c = std::make_shared<clsContact>();
                c->BuildContact(t.NextToken());
                if (!c->BadData())
                    gContacts.add(c->Name, c);
                contactsChanged = true;
            }
        }
        if (contactsChanged && Links::contactsVisible() && windowLinks().contactsRefresh)
            windowLinks().contactsRefresh();
    }
};

const QByteArray End = ";COMPLETE;COMPLETE;";

} // namespace

// The contact book of a client against a real server socket in the test: every save and removal goes out
// as one request, nothing changes here until the server sends the book back, and then the contact the
// user added or changed is found and shown.
class TestContactClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void addEditRemoveGoThroughTheServer();
    void treeViewFindsTheEchoToo();
    void aContactAsLargeAsTheServerTakes();

private:
    QByteArray nextSend();
    QByteArray nextContactChange();
    void push(const QByteArray& text);

    std::unique_ptr<Fixture> f;
    std::unique_ptr<ClientWindow> window;
    QTcpServer server;
    QTcpSocket* peer = nullptr;
    QByteArray pending;
};

void TestContactClient::init()
{
    f = std::make_unique<Fixture>();
    CloseContactDB();
    // A client's contacts and groups are what its server sends.
    gContacts = KeyedCollection<clsContact>();
    gAttributeGroups = KeyedCollection<clsAttributeGroup>();
    gNetworkMode = Client;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(server.serverPort()));
    window = std::make_unique<ClientWindow>();
    window->strSQL = QStringLiteral("Select * From tblCID");
    gMainForm = window.get();
    install(gRemoteSocket);
    QTRY_VERIFY(server.hasPendingConnections());
    peer = server.nextPendingConnection();
    QTRY_VERIFY(gRemoteSocket->State() == SocketState::Connected);
    // What every client says first.
    QCOMPARE(nextSend(), QByteArray(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;Select * From tblCID"));
}

void TestContactClient::cleanup()
{
    f->close();
    gRemoteSocket.reset();
    gMainForm = nullptr;
    f.reset();
    window.reset();
    delete peer;
    peer = nullptr;
    pending.clear();
    server.close();
}

// The next whole send of the client, without its end marker.
QByteArray TestContactClient::nextSend()
{
    // The client's socket writes from the event loop: let it run until the bytes are here.
    QDeadlineTimer deadline(5000);
    while (!pending.contains(End) && !deadline.hasExpired()) {
        QTest::qWait(5);
        pending += peer->readAll();
    }
    if (!pending.contains(End))
        return QByteArray("(nothing sent)");
    const int at = int(pending.indexOf(End));
    const QByteArray one = pending.left(at);
    pending.remove(0, at + End.size());
    return one;
}

// The next contact change: a send of its own between two questions of the modem's state, whose answers frame
// the change's own answer.
QByteArray TestContactClient::nextContactChange()
{
    if (nextSend() != ";MODEMCONNECTION;")
        return "(no question before it)";
    const QByteArray change = nextSend();
    if (nextSend() != ";MODEMCONNECTION;")
        return "(no question after it)";
    return change;
}

void TestContactClient::push(const QByteArray& text)
{
    peer->write(text + End);
    peer->flush();
}

void TestContactClient::addEditRemoveGoThroughTheServer()
{
    frmContacts* w = f->open();
    TRIGGER(w, QStringLiteral("mnuEditAdd"));
    QTest::keyClicks(w->txtName, QStringLiteral("Bob"));
    answerNumberDialog(QStringLiteral("5551234"), QString());
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    QTest::keyClicks(w->txtOtherInfo, QStringLiteral("x"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(nextContactChange(), QByteArray(";ADD CONTACT;|Bob|||x|NUMBER|555-1234|NONE"));
    // Nothing changed here: no contact, still adding, the typed fields still there.
    QCOMPARE(gContacts.count(), 0);
    QCOMPARE(w->strState, QStringLiteral("adding"));
    QCOMPARE(w->txtName->text(), QStringLiteral("Bob"));
    QCOMPARE(w->views().list.rowCount(), 0);

    // Other contacts arrive first (another client's change): the typed contact is not on the server yet,
    // so the form keeps what is being added.
    push(";CLEAR CONTACTS;;CONTACT;|Ann|||y|NUMBER|555-0001|Home");
    QTRY_COMPARE(w->views().list.rowCount(), 1);
    QCOMPARE(w->txtName->text(), QStringLiteral("Bob"));
    QCOMPARE(w->strState, QStringLiteral("adding"));

    // The server's echo: Bob is found by the typed name, selected and shown.
    push(";CLEAR CONTACTS;;CONTACT;|Ann|||y|NUMBER|555-0001|Home;CONTACT;|Bob|||x|NUMBER|555-1234|NONE");
    QTRY_COMPARE(w->views().list.rowCount(), 2);
    QCOMPARE(w->views().listSelectedText(), QStringLiteral("Bob"));
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    QCOMPARE(w->objContact.get(), gContacts.item(QStringLiteral("Bob")).get());
    QCOMPARE(w->lstNumbers->item(0)->text(), QStringLiteral("555-1234"));

    // Renamed: the request carries the stored name; the client's copy stays as it was.
    w->txtName->setText(QStringLiteral("Robert"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(nextContactChange(), QByteArray(";EDIT CONTACT;Bob;|Robert|||x|NUMBER|555-1234|NONE"));
    QCOMPARE(gContacts.item(QStringLiteral("Bob"))->Name, QStringLiteral("Bob"));
    QCOMPARE(w->strState, QStringLiteral("editing"));
    push(";CLEAR CONTACTS;;CONTACT;|Ann|||y|NUMBER|555-0001|Home;CONTACT;|Robert|||x|NUMBER|555-1234|NONE");
    QTRY_VERIFY(gContacts.contains(QStringLiteral("Robert")));
    QCOMPARE(w->views().listSelectedText(), QStringLiteral("Robert"));
    QCOMPARE(w->objContact->Name, QStringLiteral("Robert"));
    QCOMPARE(w->strState, QStringLiteral("viewing"));
    QVERIFY(!w->CheckChange());

    // Removed: asked, sent, and gone only when the server says so.
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, QStringLiteral("mnuEditRemove"));
    QCOMPARE(nextContactChange(), QByteArray(";DELETE CONTACT;Robert"));
    QVERIFY(gContacts.contains(QStringLiteral("Robert")));
    QCOMPARE(w->txtName->text(), QStringLiteral("Robert"));
    push(";CLEAR CONTACTS;;CONTACT;|Ann|||y|NUMBER|555-0001|Home");
    QTRY_COMPARE(w->views().list.rowCount(), 1);
    QCOMPARE(w->txtName->text(), QStringLiteral("Ann"));
    // A client shows no counts and names no contact file.
    QVERIFY(panel(w, "contacts").isEmpty());
    QVERIFY(!panel(w, "status").contains(QStringLiteral(" in ")));
}

void TestContactClient::treeViewFindsTheEchoToo()
{
    SaveProperty(Section::frmContacts, Key::TreeView, QStringLiteral("True"));
    push(";CLEAR CONTACTS;;CONTACT;|Ann|||y|NUMBER|555-0001|Home");
    frmContacts* w = f->open();
    QTRY_COMPARE(w->views().tree.rowCount(), 1);
    QVERIFY(w->treeShown());
    TRIGGER(w, QStringLiteral("Toolbar1.Buttons(add)"));
    QTest::keyClicks(w->txtName, QStringLiteral("cy"));
    answerNumberDialog(QStringLiteral("555-0003"), QStringLiteral("Work"));
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    TRIGGER(w, QStringLiteral("Toolbar1.Buttons(save)"));
    QCOMPARE(nextContactChange(), QByteArray(";ADD CONTACT;|cy||||NUMBER|555-0003|Work"));
    // The server stored it in other capitals: the typed name still finds it.
    push(";CLEAR CONTACTS;;CONTACT;|Ann|||y|NUMBER|555-0001|Home;CONTACT;|Cy||||NUMBER|555-0003|Work");
    QTRY_COMPARE(w->views().tree.rowCount(), 2);
    QCOMPARE(w->views().treeSelectedText(), QStringLiteral("Cy"));
    QCOMPARE(w->txtName->text(), QStringLiteral("Cy"));
    QCOMPARE(w->strState, QStringLiteral("viewing"));
}

// A contact may be as large as the book lets it be: a megabyte of notes goes to the server; one too large for
// the server to read whole is refused here, where it was saved, and stays on the form unsaved.
void TestContactClient::aContactAsLargeAsTheServerTakes()
{
    frmContacts* w = f->open();
    TRIGGER(w, QStringLiteral("mnuEditAdd"));
    QTest::keyClicks(w->txtName, QStringLiteral("Bob"));
    answerNumberDialog(QStringLiteral("5551234"), QString());
    TRIGGER(w, QStringLiteral("cmdAddNumber"));
    const QString line = QString(99, QLatin1Char('n')) + QLatin1Char('\n');
    w->txtOtherInfo->setPlainText(line.repeated(10 * 1024).trimmed());
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    const QByteArray record = "|Bob|||" + line.repeated(10 * 1024).trimmed().toUtf8() + "|NUMBER|555-1234|NONE";
    QCOMPARE(nextContactChange(), ";ADD CONTACT;" + record);
    push(";CLEAR CONTACTS;;CONTACT;" + record);
    QTRY_COMPARE(w->strState, QStringLiteral("viewing"));

    const QString tooLarge = line.repeated(90 * 1024).trimmed();
    w->txtOtherInfo->setPlainText(tooLarge);
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(Prompt::history().size(), 1);
    // Counted as it goes out: the request's UTF-8 bytes with the end marker.
    const qsizetype bytes =
        (";EDIT CONTACT;Bob;|Bob|||" + tooLarge + "|NUMBER|555-1234|NONE").toUtf8().size() + End.size();
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("The contact takes %1 bytes as it is sent; the server takes at most 8,388,608 bytes a "
                            "request. Nothing was saved.")
                 .arg(QLocale(QLocale::English, QLocale::UnitedStates).toString(qlonglong(bytes))));
    QCOMPARE(w->strState, QStringLiteral("editing"));
    QCOMPARE(w->txtOtherInfo->toPlainText().size(), tooLarge.size());
    QVERIFY(w->CheckChange());
    // Nothing went: the next request the server reads is the next save.
    w->txtOtherInfo->setPlainText(QStringLiteral("y"));
    TRIGGER(w, QStringLiteral("mnuEditSave"));
    QCOMPARE(nextContactChange(), QByteArray(";EDIT CONTACT;Bob;|Bob|||y|NUMBER|555-1234|NONE"));
}

QTEST_MAIN(TestContactClient)
#include "test_contactclient.moc"
