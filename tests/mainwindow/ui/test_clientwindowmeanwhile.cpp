#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>

#include <memory>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmRemoteMain.h"
#include "network/clsRemoteSocket.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "support/ModalChange.h"
#include "support/ScriptedServer.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/ClientSession.h"

namespace {

clsCaller call(qint32 id, const QString& name)
{
    clsCaller c;
    c.ID = id;
    c.Name = name;
    c.Number.Number = QStringLiteral("555-%1").arg(id, 4, 10, QLatin1Char('0'));
    c.CallerDate = QStringLiteral("3/21/2024 1:%1:00 PM").arg(id, 2, 10, QLatin1Char('0'));
    c.Rings = 2;
    c.Answered = QStringLiteral("NO");
    return c;
}

// The server's answer to a query: the count, then the rows.
QStringList sqlAnswer(const QList<clsCaller>& rows)
{
    QString text = QStringLiteral(";CLEAR CALLERS;");
    for (const clsCaller& c : rows)
        text += QStringLiteral(";CALLER;") + c.PrintSend();
    return {QStringLiteral(";SIZE;%1;").arg(rows.size()), text};
}

QString gone(qint32 id, const QString& name)
{
    return QStringLiteral("The call from \"%1\" at 3/21/2024 1:%2:00 PM was changed or removed while this window "
                          "waited; nothing was changed.")
        .arg(name)
        .arg(id, 2, 10, QLatin1Char('0'));
}

} // namespace

// The client's main window while one of its questions waits on the user and its server's pushes go on: a
// new list, another client's deletion, a call. Each request goes out for the calls the user chose when the
// command began, or the user hears that they are gone; nothing crashes.
class TestClientWindowMeanwhile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void deleteAsksTheServerForTheCallsChosen();
    void clearLeavesACallThatRangMeanwhile();
    void anEditsQuestionFindsItsCallGone();
    void theProgramEndingWhileTheQuestionWaits();

private:
    frmRemoteMain* window() const { return ClientSession::window(); }
    CallerIDGrid* grid() const { return ui::findByName<CallerIDGrid>(window(), QStringLiteral("Grid")); }
    int rowOf(qint32 id) const { return grid()->model()->findRowById(id); }
    void click(int row, Qt::KeyboardModifiers modifiers = {}, Qt::MouseButton button = Qt::LeftButton) const;
    void showRows(const QList<clsCaller>& rows);
    // Another client deletes a call: every client hears ";DELETE OK;" and ";UPDATE NEEDED;", asks for its
    // view again and gets the rows without it.
    void anotherClientDeletes(qint32 id, const QList<clsCaller>& remaining);
    // The requests the client sent from now until it sends one holding marker (the request of a later
    // command, so that a request that never went can be told from one still on its way).
    QStringList requestsUntil(const QString& marker);

    ScriptedServer& server() { return m_session.server(); }

    ClientSession m_session;
};

void TestClientWindowMeanwhile::init()
{
    // The view is the test's own: the connect burst is answered below.
    QVERIFY(m_session.start({}, false));
    QVERIFY(QTest::qWaitForWindowExposed(window()));
    showRows({call(1, QStringLiteral("FIRST")), call(2, QStringLiteral("SECOND")), call(3, QStringLiteral("THIRD"))});
    m_session.server().clearRequests();
    Prompt::resetScript();
}

void TestClientWindowMeanwhile::cleanup() { m_session.stop(); }

void TestClientWindowMeanwhile::click(int row, Qt::KeyboardModifiers modifiers, Qt::MouseButton button) const
{
    CallListView* view = ui::findByName<CallListView>(grid(), QStringLiteral("msfGrid"));
    const QPoint at(view->columnViewportPosition(0) + view->columnWidth(0) / 2,
                    view->rowViewportPosition(row - 1) + view->rowHeight(row - 1) / 2);
    QTest::mouseClick(view->viewport(), button, modifiers, at);
}

void TestClientWindowMeanwhile::showRows(const QList<clsCaller>& rows)
{
    for (const QString& s : sqlAnswer(rows))
        server().send(s);
    QTRY_COMPARE(grid()->Rows(), int(rows.size()) + 1);
    for (const clsCaller& c : rows)
        QVERIFY(rowOf(c.ID));
}

void TestClientWindowMeanwhile::anotherClientDeletes(qint32 id, const QList<clsCaller>& remaining)
{
    server().send(QStringLiteral(";DELETE OK;"));
    server().send(QStringLiteral(";UPDATE NEEDED;"));
    QVERIFY(!server().waitForRequest(QStringLiteral(";SQL;")).isEmpty());
    for (const QString& s : sqlAnswer(remaining))
        server().send(s);
    QVERIFY(ModalChange::spinUntil([&] { return rowOf(id) == 0 && grid()->Rows() == int(remaining.size()) + 1; }));
}

QStringList TestClientWindowMeanwhile::requestsUntil(const QString& marker)
{
    if (server().waitForRequest(marker).isEmpty())
        return {QStringLiteral("(no request holding ") + marker + QLatin1Char(')')};
    return server().requests();
}

void TestClientWindowMeanwhile::deleteAsksTheServerForTheCallsChosen()
{
    frmRemoteMain* w = window();
    // The server sends a new list while the question waits (a call came in on the server): the rows move,
    // and no row is selected any more. The request names the calls chosen.
    click(rowOf(2));
    click(rowOf(3), Qt::ShiftModifier);
    Prompt::queueMeanwhile([&] {
        for (const QString& s : sqlAnswer({call(4, QStringLiteral("FOURTH")), call(1, QStringLiteral("FIRST")),
                                           call(2, QStringLiteral("SECOND")), call(3, QStringLiteral("THIRD"))}))
            server().send(s);
        QVERIFY(ModalChange::spinUntil([&] { return rowOf(4) == 1; }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditDelete");
    const QString request = server().waitForRequest(QStringLiteral(";DELETE SQL;"));
    QVERIFY(request == QStringLiteral(";DELETE SQL;|2|3|") || request == QStringLiteral(";DELETE SQL;|3|2|"));

    // Another client deletes the call chosen while the question waits: nothing goes out, and the user
    // hears which call was gone.
    server().clearRequests();
    click(rowOf(1));
    Prompt::clearHistory();
    Prompt::queueMeanwhile([&] {
        anotherClientDeletes(1, {call(4, QStringLiteral("FOURTH")), call(3, QStringLiteral("THIRD"))});
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditDelete");
    QCOMPARE(Prompt::texts(),
             (QStringList{QStringLiteral("Are you sure you want to permanently remove this record from the database?"),
                          gone(1, QStringLiteral("FIRST"))}));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    TRIGGER(w, "mnuViewTime(12)");
    const QStringList sent = requestsUntil(QStringLiteral(";SQL;Select * From tblCID"));
    for (const QString& r : sent)
        QVERIFY2(!r.contains(QStringLiteral("DELETE SQL")), qPrintable(r));
}

void TestClientWindowMeanwhile::clearLeavesACallThatRangMeanwhile()
{
    frmRemoteMain* w = window();
    // A call comes in while Clear Log asks: its row goes on top, but the user never saw it.
    Prompt::queueMeanwhile([&] {
        server().send(QStringLiteral(";NEW;"));
        server().send(
            QStringLiteral(";INCOMING CALLER;|9|JUST RANG|NUMBER|555-0009|NONE|3/21/2024 2:00:00 PM|1|||N/A|"));
        server().send(QStringLiteral(";RING;"));
        QVERIFY(ModalChange::spinUntil([&] { return rowOf(9) == 1; }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditClear");
    QCOMPARE(Prompt::texts().first(),
             QStringLiteral("Are you sure you want to permanently remove these records from the database?"));
    QStringList ids = server()
                          .waitForRequest(QStringLiteral(";DELETE SQL;"))
                          .mid(QStringLiteral(";DELETE SQL;").size())
                          .split(QLatin1Char('|'), Qt::SkipEmptyParts);
    ids.sort();
    QCOMPARE(ids, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    for (int i = 0; i < 8; ++i)
        w->RingTimer_Timer();
}

void TestClientWindowMeanwhile::anEditsQuestionFindsItsCallGone()
{
    frmRemoteMain* w = window();
    QLineEdit* editor = ui::findByName<QLineEdit>(grid(), QStringLiteral("txtEdit"));
    QMenu* menu = ui::findByName<QMenu>(w, QStringLiteral("mnuGridOptions"));
    auto editName = [&](qint32 id, const QString& typed) {
        click(rowOf(id), {}, Qt::RightButton);
        QTRY_VERIFY(menu->isVisible());
        TRIGGER(w, "mnuGridOptionsEdit");
        menu->hide();
        QTRY_VERIFY(editor->isVisible());
        editor->selectAll();
        QTest::keyClicks(editor, typed);
    };

    // A new list arrives while the question waits, the call still in it: the edit goes to that call.
    editName(2, QStringLiteral("SECOND CALL"));
    Prompt::queueMeanwhile([&] {
        for (const QString& s : sqlAnswer({call(4, QStringLiteral("FOURTH")), call(1, QStringLiteral("FIRST")),
                                           call(2, QStringLiteral("SECOND")), call(3, QStringLiteral("THIRD"))}))
            server().send(s);
        QVERIFY(ModalChange::spinUntil([&] { return rowOf(4) == 1; }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(server().waitForRequest(QStringLiteral(";EDIT CALLER;")), QStringLiteral(";EDIT CALLER;0;SECOND CALL;2"));
    QTRY_VERIFY(!editor->isVisible());

    // Another client deletes the call while the question waits: no edit goes out, and the user hears which
    // call was gone.
    server().clearRequests();
    editName(3, QStringLiteral("THIRD CALL"));
    Prompt::clearHistory();
    Prompt::queueMeanwhile([&] {
        anotherClientDeletes(3, {call(4, QStringLiteral("FOURTH")), call(1, QStringLiteral("FIRST")),
                                 call(2, QStringLiteral("SECOND"))});
    });
    Prompt::queueAnswer(Prompt::Yes);
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(
        Prompt::texts(),
        (QStringList{QStringLiteral("Are you sure you want to permanently edit the original caller id information?"),
                     gone(3, QStringLiteral("THIRD"))}));
    TRIGGER(w, "mnuViewTime(12)");
    for (const QString& r : requestsUntil(QStringLiteral(";SQL;Select * From tblCID")))
        QVERIFY2(!r.contains(QStringLiteral("EDIT CALLER")), qPrintable(r));
}

void TestClientWindowMeanwhile::theProgramEndingWhileTheQuestionWaits()
{
    click(rowOf(2));
    Prompt::queueMeanwhile([] { ModalChange::endProgram([] { ShutDown(); }); });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(window(), "mnuEditDelete");
    QVERIFY(!gMainForm);
    // The connection went with the program, and nothing was asked of the server on the way out.
    QTRY_VERIFY(!server().hasClient());
    for (const QString& r : server().requests())
        QVERIFY2(!r.contains(QStringLiteral("DELETE SQL")), qPrintable(r));
}

QTEST_MAIN(TestClientWindowMeanwhile)
#include "test_clientwindowmeanwhile.moc"
