#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <memory>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/CallHandler.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "mainwindow/ui/frmRemoteMain.h"
#include "network/clsClient.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/SingleInstance.h"
#include "platform/SqlDatabase.h"
#include "platform/SqlStatement.h"
#include "platform/SqlTransaction.h"
#include "platform/ui/ModalDialog.h"
#include "support/FakeModem.h"
#include "support/ModalChange.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/RealBoxes.h"
#include "support/ui/StandaloneSession.h"

namespace {

// Calls from .. from + count - 1, one a minute from 21 March 2024 8:00, named "CALLER n" with the number
// 555-000n.
void storeCalls(int count, int from = 1)
{
    SqlTransaction tx(*gCallerDB);
    SqlStatement st = gCallerDB->prepare(QStringLiteral(
        "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) VALUES (?, ?, ?, ?, ?)"));
    const QDateTime first(QDate(2024, 3, 21), QTime(8, 0), Qt::UTC);
    for (int i = from; i < from + count; ++i) {
        st.bind(1, QStringLiteral("CALLER %1").arg(i));
        st.bind(2, QStringLiteral("555-%1").arg(i, 4, 10, QLatin1Char('0')));
        st.bind(3, DateText::toIso(first.addSecs(i * 60)));
        st.bind(4, qint64(1));
        st.bind(5, QStringLiteral("NO"));
        st.exec();
        st.reset();
    }
    tx.commit();
}

// The IDs the call log holds, read from its file (so also after the program has closed it).
QList<qint64> logIDs(const QString& path)
{
    SqlDatabase db(path, SqlDatabase::Mode::ReadOnly);
    SqlStatement st = db.prepare(QStringLiteral("SELECT ID FROM tblCID ORDER BY ID"));
    QList<qint64> ids;
    while (st.step())
        ids << st.int64(0);
    return ids;
}

QString gone(int call)
{
    return QStringLiteral("The call from \"CALLER %1\" at 3/21/2024 8:%2:00 AM was changed or removed while this "
                          "window waited; nothing was changed.")
        .arg(call)
        .arg(call, 2, 10, QLatin1Char('0'));
}

// A long task is at one of its steps: its progress window (with this caption, when one is given) is shown.
bool stepping(const QString& caption = QString())
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmProcessing") && w->isVisible() &&
            (caption.isEmpty() || w->windowTitle() == caption))
            return true;
    return false;
}

// The user makes the program a client in the options while a long task yields.
void switchToClient()
{
    ModalDialog::queueScript([](QDialog& d) {
        ui::findByName<QRadioButton>(&d, QStringLiteral("optNetworking(2)"))->click();
        ui::findByName<QComboBox>(&d, QStringLiteral("cmbRemoteHost"))->setEditText(QStringLiteral("127.0.0.1"));
        TRIGGER(&d, "cmdOK");
    });
    TRIGGER(StandaloneSession::window(), "mnuOptionsConfiguration");
}

} // namespace

// The server's main window while one of its boxes or dialogs waits on the user: a call comes in, another
// client deletes or edits calls and contacts, clients come and go, the program ends. Each command acts on
// what the user chose when it began, or says that it is gone; nothing crashes.
class TestServerWindowMeanwhile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        registerStartupWindows();
        // SIGTERM and SIGINT end the program as they do outside the tests, whatever this test's runner ignores.
        ::signal(SIGINT, SIG_DFL);
        installExitHooks();
    }
    void init();
    void cleanup();
    void deleteActsOnTheCallsChosen();
    void clearLeavesACallThatRangMeanwhile();
    void theEditorsQuestionFindsItsCallGone();
    void theClientMenuActsOnTheClientChosen();
    void theContactPickedIsLookedUpAgain();
    void theProgramEndingWhileAStepWaits_data();
    void theProgramEndingWhileAStepWaits();
    void aLongTaskMeetsEveryChange_data();
    void aLongTaskMeetsEveryChange();
    void aQuestionBehindANoticeMeetsEveryChange_data();
    void aQuestionBehindANoticeMeetsEveryChange();
    void aSecondSignalEndsWhatTheFirstCouldNot_data();
    void aSecondSignalEndsWhatTheFirstCouldNot();
    void aChangeDuringTheRefillReachesTheList_data();
    void aChangeDuringTheRefillReachesTheList();
    void copyAllCopiesTheRowsItWasAskedFor();
    void aLogThatCannotBeWrittenKeepsNoOneWaiting();

private:
    static frmBaseMain* window() { return StandaloneSession::window(); }
    static CallerIDGrid* grid() { return StandaloneSession::grid(); }
    static QWidget* cells() { return ui::findByName<CallListView>(grid(), QStringLiteral("msfGrid"))->viewport(); }
    static int rowOf(qint32 id) { return grid()->model()->findRowById(id); }
    // A click on the row's name cell, as the user selects it (Shift extends the selection).
    static void click(int row, Qt::KeyboardModifiers modifiers = {});
    QString logPath() const { return GetProperty(Section::frmConfiguration, Key::CallerDBPath, QString()); }
    void showAll();
    // Opens the list's editor on a call's name through the list's menu, as the user does, and types.
    static QLineEdit* editName(qint32 id, const QString& typed);
    void openPort();
    void endCall();
    // A call from "JUST RANG" comes in; the event loop runs until done() holds.
    bool justRang(const std::function<bool()>& done)
    {
        return ModalChange::ring(*m_modem, QStringLiteral("5559876543"), QStringLiteral("JUST RANG"), done);
    }

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<FakeModem> m_modem;
};

void TestServerWindowMeanwhile::init()
{
    m_home = std::make_unique<TempHome>();
    m_modem = std::make_unique<FakeModem>();
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    SaveProperty(Section::frmConfiguration, Key::CommPort, m_modem->slavePath());
    SaveProperty(Section::frmConfiguration, Key::ImmediateSound, QString());
    SaveProperty(Section::frmConfiguration, Key::DialToneTest, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("False"));
    QVERIFY(Main());
    QVERIFY(window());
    StandaloneSession::port()->PortOpenTimer.stop();
    QVERIFY(gServer && gServer->isListening());
    window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(window()));
    storeCalls(4);
    showAll();
    Prompt::resetScript();
}

void TestServerWindowMeanwhile::cleanup()
{
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
    m_modem.reset();
    m_home.reset();
}

void TestServerWindowMeanwhile::click(int row, Qt::KeyboardModifiers modifiers)
{
    CallListView* view = ui::findByName<CallListView>(grid(), QStringLiteral("msfGrid"));
    const QPoint at(view->columnViewportPosition(0) + view->columnWidth(0) / 2,
                    view->rowViewportPosition(row - 1) + view->rowHeight(row - 1) / 2);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, at);
}

QLineEdit* TestServerWindowMeanwhile::editName(qint32 id, const QString& typed)
{
    CallListView* view = ui::findByName<CallListView>(grid(), QStringLiteral("msfGrid"));
    QLineEdit* editor = ui::findByName<QLineEdit>(grid(), QStringLiteral("txtEdit"));
    QMenu* menu = StandaloneSession::menu(QStringLiteral("mnuGridOptions"));
    const int row = rowOf(id);
    const QPoint at(view->columnViewportPosition(0) + view->columnWidth(0) / 2,
                    view->rowViewportPosition(row - 1) + view->rowHeight(row - 1) / 2);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }))
        return nullptr;
    const QString problem = ui::tryTrigger(window(), QStringLiteral("mnuGridOptionsEdit"));
    menu->hide();
    if (!problem.isEmpty() || !QTest::qWaitFor([editor] { return editor->isVisible(); }))
        return nullptr;
    editor->selectAll();
    QTest::keyClicks(editor, typed);
    return editor;
}

void TestServerWindowMeanwhile::showAll()
{
    TRIGGER(window(), "mnuViewTime(12)");
    QTRY_COMPARE(grid()->Rows(), int(logIDs(logPath()).size()) + 1);
}

void TestServerWindowMeanwhile::openPort()
{
    StandaloneSession::port()->OpenPort(true);
    QVERIFY(StandaloneSession::port()->ModemConnected);
}

void TestServerWindowMeanwhile::endCall()
{
    // No ring for eight seconds: the call has ended, and the list's commands work again.
    for (int i = 0; i < 8; ++i)
        StandaloneSession::calls()->RingTimer_Timer();
    QVERIFY(!gRinging);
}

void TestServerWindowMeanwhile::deleteActsOnTheCallsChosen()
{
    frmBaseMain* w = window();
    ModalChange::OtherClient other(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 1);

    // Another client deletes the chosen call while the question waits; its row goes and the selection moves
    // on to the next call. Nothing is deleted, and the user hears which call was gone.
    click(rowOf(2));
    Prompt::queueMeanwhile([&] {
        QVERIFY(other.send(QStringLiteral(";DELETE SQL;|2|"), {QStringLiteral(";DELETE OK;")}));
        QCOMPARE(rowOf(2), 0);
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditDelete");
    QCOMPARE(Prompt::texts(),
             (QStringList{QStringLiteral("Are you sure you want to permanently remove this record from the database?"),
                          gone(2)}));
    QCOMPARE(logIDs(logPath()), (QList<qint64>{1, 3, 4}));
    QVERIFY(rowOf(1) && rowOf(3) && rowOf(4));

    // Another client adds a contact while the question waits: the list is read again (no row is selected
    // after that). The calls chosen still go, and only they.
    click(rowOf(4));
    click(rowOf(3), Qt::ShiftModifier);
    clsContact ann;
    ann.Name = QStringLiteral("Ann");
    ann.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-0001"), QStringLiteral("Home")));
    Prompt::clearHistory();
    Prompt::queueMeanwhile([&] {
        QVERIFY(other.addContact(ann));
        QCOMPARE(grid()->TextMatrix(rowOf(1), CallListModel::ColName), QStringLiteral("Ann (Home)"));
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuEditDelete");
    QCOMPARE(Prompt::texts().size(), 1);
    QCOMPARE(logIDs(logPath()), QList<qint64>{1});
    QCOMPARE(grid()->Rows(), 2);
    QVERIFY(rowOf(1));
}

void TestServerWindowMeanwhile::clearLeavesACallThatRangMeanwhile()
{
    openPort();
    // A call rings while Clear Log asks: it belongs to the view, but the user never saw it. It stays, in the
    // log and in the list; the calls shown go.
    Prompt::queueMeanwhile([&] {
        // The whole call, its name included, is in before the box is answered.
        QVERIFY(ModalChange::ring(*m_modem, QStringLiteral("5559876543"), QStringLiteral("JUST RANG"), [&] {
            return rowOf(5) == 1 && grid()->TextMatrix(1, CallListModel::ColName) == QLatin1String("JUST RANG");
        }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(window(), "mnuEditClear");
    QCOMPARE(Prompt::texts().first(),
             QStringLiteral("Are you sure you want to permanently remove these records from the database?"));
    QCOMPARE(logIDs(logPath()), QList<qint64>{5});
    QCOMPARE(grid()->Rows(), 2);
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("JUST RANG"));
    QCOMPARE(StandaloneSession::panel(2)->text(), QStringLiteral("1 Record Displayed"));
    endCall();
}

void TestServerWindowMeanwhile::theEditorsQuestionFindsItsCallGone()
{
    ModalChange::OtherClient other(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 1);
    openPort();

    // A call comes in while "Do you want to save changes?" waits: every row moves down, and the edit still
    // goes to call 2.
    QLineEdit* editor = editName(2, QStringLiteral("SECOND"));
    QVERIFY(editor);
    Prompt::queueMeanwhile([&] {
        // The whole call, its name included, is in before the box is answered.
        QVERIFY(ModalChange::ring(*m_modem, QStringLiteral("5559876543"), QStringLiteral("JUST RANG"), [&] {
            return rowOf(5) == 1 && grid()->TextMatrix(1, CallListModel::ColName) == QLatin1String("JUST RANG");
        }));
    });
    Prompt::queueAnswer(Prompt::Yes);
    click(rowOf(4));
    QTRY_VERIFY(!editor->isVisible());
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Do you want to save changes?")});
    QCOMPARE(SelectCallers(QStringLiteral("Select * From tblCID Where ID = 2")).value(0).Name,
             QStringLiteral("SECOND"));
    QCOMPARE(grid()->TextMatrix(rowOf(2), CallListModel::ColName), QStringLiteral("SECOND"));
    QCOMPARE(SelectCallers(QStringLiteral("Select * From tblCID Where ID = 5")).value(0).Name,
             QStringLiteral("JUST RANG"));
    endCall();

    // Another client deletes call 3 while the question waits: nothing is stored, and the user hears which
    // call was gone.
    QVERIFY(editName(3, QStringLiteral("THIRD")));
    Prompt::clearHistory();
    Prompt::queueMeanwhile(
        [&] { QVERIFY(other.send(QStringLiteral(";DELETE SQL;|3|"), {QStringLiteral(";DELETE OK;")})); });
    Prompt::queueAnswer(Prompt::Yes);
    click(rowOf(4));
    QTRY_VERIFY(!editor->isVisible());
    QCOMPARE(Prompt::texts(), (QStringList{QStringLiteral("Do you want to save changes?"), gone(3)}));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    for (const clsCaller& c : SelectCallers(QStringLiteral("Select * From tblCID")))
        QVERIFY(c.Name != QStringLiteral("THIRD"));
    QCOMPARE(logIDs(logPath()), (QList<qint64>{1, 2, 4, 5}));
}

void TestServerWindowMeanwhile::theClientMenuActsOnTheClientChosen()
{
    frmBaseMain* w = window();
    ModalChange::OtherClient first(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 1);
    ModalChange::OtherClient second(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 2);
    ModalChange::OtherClient third(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 3);
    QListWidget* list = ui::findByName<QListWidget>(w, QStringLiteral("lstClients"));
    QMenu* menu = StandaloneSession::menu(QStringLiteral("mnuClientOptions"));
    QTest::mouseDClick(StandaloneSession::panel(3), Qt::LeftButton);
    QVERIFY(list->isVisible());
    auto rightClick = [&](int row) {
        QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, list->visualItemRect(list->item(row)).center());
        QTRY_VERIFY(menu->isVisible());
    };
    const qint32 secondIndex = gServer->ClientAt(2)->Index();
    const qint32 thirdIndex = gServer->ClientAt(3)->Index();

    // The menu is open on the second client when the first one leaves: the rows move up, the highlight
    // stays with the second client, and "Drop" drops it, not the one now at its old row.
    rightClick(1);
    first.peer().socket.disconnectFromHost();
    QTRY_COMPARE(gServer->ClientCount(), 2);
    QCOMPARE(list->currentRow(), 0);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(w, "mnuClientOption(0)");
    menu->hide();
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Do you want to drop this client?")});
    QCOMPARE(gServer->ClientCount(), 1);
    QVERIFY(!gServer->Clients(secondIndex));
    QVERIFY(gServer->Clients(thirdIndex));

    // The client the menu was opened on leaves before an item is chosen: nothing is asked or done, and the
    // user hears which client it was.
    rightClick(0);
    third.peer().socket.disconnectFromHost();
    QTRY_COMPARE(gServer->ClientCount(), 0);
    QCOMPARE(list->currentRow(), -1);
    Prompt::clearHistory();
    TRIGGER(w, "mnuClientOption(1)");
    menu->hide();
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("The client \"127.0.0.1\" was changed or removed while "
                                                         "this window waited; nothing was changed.")});
    QCOMPARE(GetProperty(Section::frmConfiguration, Key::BlockedIPs, QString()), QString());
}

void TestServerWindowMeanwhile::theContactPickedIsLookedUpAgain()
{
    frmBaseMain* w = window();
    ModalChange::OtherClient other(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 1);
    clsContact ann;
    ann.Name = QStringLiteral("Ann");
    ann.AddNumber(std::make_shared<clsNumber>(QStringLiteral("555-7777"), QStringLiteral("Home")));
    QVERIFY(other.addContact(ann));
    // The number of call 2 goes to a contact through the picker; while it waits another client removes the
    // contact chosen. Nothing is stored, and the user hears which contact was gone.
    click(rowOf(2));
    ModalDialog::queueScript([&](QDialog& picker) {
        auto* contacts = ui::findByName<QListWidget>(&picker, QStringLiteral("lstContacts"));
        QCOMPARE(contacts->count(), 1);
        contacts->setCurrentRow(0);
        contacts->item(0)->setSelected(true);
        QVERIFY(other.deleteContact(QStringLiteral("Ann")));
        TRIGGER(&picker, "cmdOK");
    });
    TRIGGER(w, "mnuEditAddToCurrent");
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("The contact \"Ann\" was changed or removed while this "
                                                         "window waited; nothing was changed.")});
    QVERIFY(GetContact(QStringLiteral("Ann"))->Name.isEmpty());
    QVERIFY(FindContactByNumber(QStringLiteral("555-0002"))->Name.isEmpty());
}

void TestServerWindowMeanwhile::theProgramEndingWhileAStepWaits_data()
{
    QTest::addColumn<QString>("step");
    QTest::newRow("the delete question") << "delete";
    QTest::newRow("the clear question") << "clear";
    QTest::newRow("the editor's save question") << "edit";
    QTest::newRow("the new log file's dialog") << "newdb";
    QTest::newRow("the print dialog") << "print";
    QTest::newRow("the new contact dialog") << "createnew";
    QTest::newRow("the contact picker") << "addtocurrent";
    QTest::newRow("the about box") << "about";
    QTest::newRow("the client menu's question") << "client";
    QTest::newRow("the modem's wait") << "modemwait";
    QTest::newRow("the modem's box") << "modembox";
}

void TestServerWindowMeanwhile::theProgramEndingWhileAStepWaits()
{
    QFETCH(QString, step);
    frmBaseMain* w = window();
    const QString log = logPath();
    const auto end = [] { ModalChange::endProgram([] { ShutDown(); }); };
    std::unique_ptr<ModalChange::OtherClient> client;
    click(rowOf(3));
    if (step == QLatin1String("delete") || step == QLatin1String("clear")) {
        Prompt::queueMeanwhile(end);
        Prompt::queueAnswer(Prompt::Yes);
        TRIGGER(w, step == QLatin1String("delete") ? "mnuEditDelete" : "mnuEditClear");
    } else if (step == QLatin1String("edit")) {
        QVERIFY(editName(3, QStringLiteral("X")));
        Prompt::queueMeanwhile(end);
        Prompt::queueAnswer(Prompt::Yes);
        click(rowOf(4));
        QTRY_VERIFY(!gMainForm);
    } else if (step == QLatin1String("newdb")) {
        Prompt::queueMeanwhile(end);
        Prompt::queueText(m_home->file(QStringLiteral("another.mdb")));
        TRIGGER(w, "mnuFileNewDB");
        QVERIFY(!QFile::exists(m_home->file(QStringLiteral("another.mdb"))));
    } else if (step == QLatin1String("print")) {
        Prompt::queueMeanwhile(end);
        Prompt::queueAnswer(Prompt::Ok);
        TRIGGER(w, "mnuFilePrint");
    } else if (step == QLatin1String("createnew") || step == QLatin1String("addtocurrent")) {
        ModalDialog::queueScript([end](QDialog&) { end(); });
        TRIGGER(w, step == QLatin1String("createnew") ? "mnuEditCreateNew" : "mnuEditAddToCurrent");
    } else if (step == QLatin1String("about")) {
        ModalDialog::queueScript([end](QDialog&) { end(); });
        TRIGGER(w, "mnuHelpAbout");
    } else if (step == QLatin1String("client")) {
        client = std::make_unique<ModalChange::OtherClient>(gServer->LocalPort());
        QTRY_COMPARE(gServer->ClientCount(), 1);
        QListWidget* list = ui::findByName<QListWidget>(w, QStringLiteral("lstClients"));
        list->setCurrentRow(0);
        Prompt::queueMeanwhile(end);
        Prompt::queueAnswer(Prompt::Yes);
        TRIGGER(w, "mnuClientOption(0)");
    } else if (step == QLatin1String("modemwait")) {
        // The program ends while the port's set-up waits for the modem's answer to its reset.
        m_modem->setReply(QStringLiteral("ATZ"), QString());
        m_modem->setCommandHook([end](const QString& command) {
            if (command.compare(QStringLiteral("ATZ"), Qt::CaseInsensitive) == 0)
                QTimer::singleShot(0, end);
        });
        StandaloneSession::port()->OpenPort(true);
        QVERIFY(!gMainForm);
        QCOMPARE(m_modem->count(QStringLiteral("AT#CLS=8")), 0);
    } else if (step == QLatin1String("modembox")) {
        // The modem stays silent: "not responding" waits on the user while the program ends.
        m_modem->setReply(QStringLiteral("ATZ"), QString());
        Prompt::queueMeanwhile(end);
        StandaloneSession::port()->OpenPort(true);
        QVERIFY(Prompt::texts().first().startsWith(QStringLiteral("Comm port ")));
        QCOMPARE(m_modem->count(QStringLiteral("ATZ")), 1);
    }
    QVERIFY(!gMainForm);
    // Nothing was deleted, edited or made on the way out.
    QCOMPARE(logIDs(log), (QList<qint64>{1, 2, 3, 4}));
    for (const qint64 id : {1, 2, 3, 4})
        QVERIFY(!Prompt::texts().contains(gone(int(id))));
}

void TestServerWindowMeanwhile::aLongTaskMeetsEveryChange_data()
{
    QTest::addColumn<QString>("task");    // a menu command, or a client's request, that starts it
    QTest::addColumn<QString>("caption"); // the task as the program names it
    QTest::addColumn<int>("calls");       // as few as let it yield
    QTest::addColumn<QString>("change");  // what comes at its first yield
    const struct {
        const char *name, *start, *caption;
        int calls;
    } tasks[] = {
        {"the refill", "mnuViewTime(12)", "Processing Grid Data...", 120},
        {"Copy All", "mnuEditCopyAll", "Coping Data...", 120},
        {"Delete", "mnuEditDelete", "Processing...", 120},
        {"a client's deletion", ";DELETE SQL;", "Processing Request From 127.0.0.1", 120},
        {"a client's query", ";SQL;Select * From tblCID;", "Sending Data To 127.0.0.1", 120},
        {"a client's statistics", ";STATISTIC;|TIMEPERIOD||GROUP|||STAT||NONE|;", "Sending Data To 127.0.0.1", 1100},
        {"a client's graph",
         ";GRAPH;|STATISTIC|Total Calls|INCREMENT|y|STARTDATE|12:00:00 AM|ENDDATE|3/23/2024|GROUP|All Callers|;",
         "Sending Data To 127.0.0.1", 1100},
        {"the statistics grid", "mnuWindow(4)", "Processing Statistics...", 1100},
        {"the graph", "mnuWindow(4)", "Processing Graph Data...", 1100},
        {"the pop-up's list", "mnuWindow(6)", "Processing Mini Display Data...", 120},
        // A text that takes longer than one yield to parse: the change may come while it is read, else as its
        // rows are sent.
        {"a client's Find", nullptr, "Sending Data To 127.0.0.1", 120},
    };
    static QByteArray find;
    find = ";SQL;Select * From tblCID Where fldNumber In ('555-0001'";
    for (int i = 0; i < 15000; ++i)
        find += ", '(800) " + QByteArray::number(100000 + i) + "-0'";
    find += ") Or ID > 0;";
    for (const auto& t : tasks)
        for (const char* change : {"SIGTERM", "mode switch", "File > Exit", "New DB", "Change DB", "Clear Log",
                                   "a refusal, SIGTERM", "a refusal, File > Exit", "a second SIGTERM"})
            QTest::addRow("%s, %s", t.name, change)
                << QString::fromLatin1(t.start ? t.start : find.constData()) << QString::fromLatin1(t.caption)
                << t.calls << QString::fromLatin1(change);
}

// Whatever comes while a long task yields: an end or a mode switch waits at the gate until the task has
// stopped at its next step, and says what it stopped; a command that would replace or empty the log is refused,
// in a box that waits for nobody: an end asked for while it is on show goes on without an answer.
// Nothing reaches a log the task did not begin on, and the list stays the open log's.
void TestServerWindowMeanwhile::aLongTaskMeetsEveryChange()
{
    QFETCH(QString, task);
    QFETCH(QString, caption);
    QFETCH(int, calls);
    QFETCH(QString, change);
    storeCalls(calls - 4, 5);
    showAll();
    SaveProperty(Section::frmMiniDisplay, Key::LogSize, QStringLiteral("120"));
    const QString log = logPath();
    // Another log holding the same IDs, and a name for a new one.
    const QString other = m_home->file(QStringLiteral("other.mdb"));
    const QString made = m_home->file(QStringLiteral("made.mdb"));
    gCallerDB->exec(QStringLiteral("VACUUM INTO '%1'").arg(other));
    const QList<qint64> otherIDs = logIDs(other);
    const QString socket = SingleInstance::socketPath(settingsFilePath());
    QVERIFY(QFile::exists(socket));
    ModalChange::OtherClient client(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 1);

    bool underATask = false;
    bool underThisTask = false;
    const std::function<void()> shutDown = programLinks().shutDown;
    const auto restore = qScopeGuard([&] { programLinks().shutDown = shutDown; });
    programLinks().shutDown = [&] {
        underATask = underATask || LongTask::running();
        underThisTask = underThisTask || LongTask::runningTasks().contains(caption);
        shutDown();
    };
    // The refusal of Change DB is a real box ('"Processing..." is still running: ...'), on show when the program is
    // told to end; only the watchdog would answer it, too late, had the end waited for it.
    const bool refusal = change.startsWith(QLatin1String("a refusal"));
    const auto boxes = refusal ? std::make_unique<RealBoxes>() : nullptr;
    bool answeredLate = false;
    bool refusedOnShow = false;
    QObject watchdog;
    QTimer::singleShot(10000, &watchdog, [&] {
        if (QMessageBox* box = RealBoxes::shown(QStringLiteral("\"")); box && (answeredLate = true))
            box->button(QMessageBox::Ok)->click();
    });
    const auto fire = ModalChange::fireWhen([&] { return LongTask::runningTasks().contains(caption); },
                                            [&] {
                                                if (refusal) {
                                                    TRIGGER(window(), "mnuFileChangeDB");
                                                    refusedOnShow = RealBoxes::shown(QStringLiteral("\""));
                                                }
                                                if (change.endsWith(QLatin1String("SIGTERM")))
                                                    ::raise(SIGTERM);
                                                // The user insists: the end goes on under the task.
                                                if (change == QLatin1String("a second SIGTERM"))
                                                    ::raise(SIGTERM);
                                                if (change == QLatin1String("mode switch"))
                                                    switchToClient();
                                                if (change.endsWith(QLatin1String("File > Exit")))
                                                    TRIGGER(window(), "mnuFileExit");
                                                if (change == QLatin1String("New DB")) {
                                                    Prompt::queueText(made);
                                                    TRIGGER(window(), "mnuFileNewDB");
                                                }
                                                if (change == QLatin1String("Change DB")) {
                                                    Prompt::queueText(other);
                                                    TRIGGER(window(), "mnuFileChangeDB");
                                                }
                                                if (change == QLatin1String("Clear Log")) {
                                                    Prompt::queueAnswer(Prompt::Yes);
                                                    TRIGGER(window(), "mnuEditClear");
                                                }
                                            });
    if (task == QLatin1String(";DELETE SQL;")) {
        QString all = task + QLatin1Char('|');
        for (int id = 1; id <= 120; ++id)
            all += QString::number(id) + QLatin1Char('|');
        client.peer().send(all.toUtf8());
    } else if (task.startsWith(QLatin1Char(';'))) {
        client.peer().send(task.toUtf8());
    } else {
        if (task == QLatin1String("mnuEditDelete")) {
            click(1);
            ui::findByName<CallListView>(grid(), QStringLiteral("msfGrid"))->scrollToBottom();
            click(calls, Qt::ShiftModifier);
            Prompt::queueAnswer(Prompt::Yes);
        }
        QCOMPARE(ui::tryTrigger(window(), task), QString());
    }

    const bool ends = change.endsWith(QLatin1String("SIGTERM")) || change.endsWith(QLatin1String("File > Exit"));
    const bool switches = change == QLatin1String("mode switch");
    if (ends)
        QTRY_VERIFY_WITH_TIMEOUT(ProgramEnded(), 10000);
    else if (switches)
        QTRY_VERIFY_WITH_TIMEOUT(dynamic_cast<frmRemoteMain*>(gMainForm), 10000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(!fire->isActive() && !LongTask::running(), 10000);
    QVERIFY(!fire->isActive());
    QVERIFY(!underATask);
    QCOMPARE(underThisTask, change == QLatin1String("a second SIGTERM"));
    QCOMPARE(logIDs(other), otherIDs);
    QVERIFY(!QFile::exists(made));
    QFile activity(m_home->file(QStringLiteral("ActivityLog.dat")));
    const QString said = activity.open(QIODevice::ReadOnly) ? QString::fromUtf8(activity.readAll()) : QString();
    if (ends || switches) {
        QVERIFY2(said.contains((ends ? QStringLiteral("Stopped as the program ended: ")
                                     : QStringLiteral("Stopped for the change of network mode: ")) +
                               caption),
                 qPrintable(said));
        // A deletion stopped half-way says how many calls it left, as many as the log holds.
        if (task == QLatin1String(";DELETE SQL;") || task == QLatin1String("mnuEditDelete"))
            QVERIFY2(said.contains(QStringLiteral("%1 of 120 calls").arg(logIDs(log).size())), qPrintable(said));
    } else {
        QVERIFY(Prompt::texts().contains(
            QLatin1Char('"') + caption +
            QStringLiteral("\" is still running: the call "
                           "log cannot be ") +
            (change == QLatin1String("Clear Log") ? QStringLiteral("cleared") : QStringLiteral("changed")) +
            QStringLiteral(" until it has finished. Nothing was changed.")));
        QCOMPARE(logPath(), log);
        QList<qint64> listed;
        for (int row = 1; row < grid()->Rows(); ++row)
            listed << grid()->TextMatrix(row, CallListModel::ColID).toLongLong();
        std::sort(listed.begin(), listed.end());
        QCOMPARE(listed, logIDs(log));
    }
    if (ends) {
        QVERIFY(!gCallerDB);
        QVERIFY(!QFile::exists(SingleInstance::lockPath(settingsFilePath())));
        QVERIFY(!QFile::exists(socket));
    }
    if (refusal)
        QVERIFY(refusedOnShow && !answeredLate && !RealBoxes::shown(QString()));
    // A copy reads its rows before its first step: they all go, whatever stopped it.
    if (task == QLatin1String("mnuEditCopyAll"))
        QCOMPARE(QGuiApplication::clipboard()->text().count(QStringLiteral("\r\n")), calls - 1);
}

void TestServerWindowMeanwhile::aQuestionBehindANoticeMeetsEveryChange_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("change");
    for (const char* command : {"mnuEditClear", "mnuEditDelete"})
        for (const char* change : {"Change DB", "New DB", "SIGTERM", "mode switch"})
            QTest::addRow("%s, %s", command, change) << QString::fromLatin1(command) << QString::fromLatin1(change);
}

// The question of Clear Log or Delete waits for a notice not closed yet, which is then the modal step: what comes
// meanwhile (what the user can no longer choose, a script still can) never makes it delete from a log it did not read.
void TestServerWindowMeanwhile::aQuestionBehindANoticeMeetsEveryChange()
{
    QFETCH(QString, command);
    QFETCH(QString, change);
    const QString log = logPath();
    const QString other = m_home->file(QStringLiteral("other.mdb"));
    const QString made = m_home->file(QStringLiteral("made.mdb"));
    gCallerDB->exec(QStringLiteral("VACUUM INTO '%1'").arg(other));
    RealBoxes boxes;
    boxes.answer(QStringLiteral("Are you sure"), QMessageBox::Yes);
    boxes.answer(QStringLiteral("The call from"), QMessageBox::Ok);
    Prompt::notice(QStringLiteral("Not closed yet."));
    // What the user could still reach while the question waited: only the notice.
    QString modalMeanwhile;
    bool asked = false;
    Prompt::queueMeanwhile([&] { asked = true; });
    const auto fire = ModalChange::fireWhen(
        [&] { return asked; },
        [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                modalMeanwhile = box->text();
            Prompt::queueText(change == QLatin1String("Change DB") ? other : made);
            if (change == QLatin1String("SIGTERM"))
                ::raise(SIGTERM);
            else if (change == QLatin1String("mode switch"))
                switchToClient();
            else
                TRIGGER(window(), change == QLatin1String("Change DB") ? "mnuFileChangeDB" : "mnuFileNewDB");
            boxes.answer(QStringLiteral("Not closed yet."), QMessageBox::Ok);
        });
    click(rowOf(2));
    QCOMPARE(ui::tryTrigger(window(), command), QString());
    QTRY_VERIFY(!fire->isActive());
    QCOMPARE(logIDs(log), (QList<qint64>{1, 2, 3, 4}));
    QCOMPARE(logIDs(other), (QList<qint64>{1, 2, 3, 4}));
    QCOMPARE(modalMeanwhile, QStringLiteral("Not closed yet."));
}

void TestServerWindowMeanwhile::aSecondSignalEndsWhatTheFirstCouldNot_data()
{
    QTest::addColumn<QString>("request"); // a client's request whose answer is the task; none: a bare task
    QTest::newRow("a task that never looks") << QString();
    // A query that reads until it is stopped: the signals come in one of its give-ways, inside its statement.
    QTest::newRow("a client's long answer, SIGTERM then SIGINT")
        << QStringLiteral(";SQL;Select count(*) From (With Recursive c(x) As (Select 1 Union All Select x + 1 From c) "
                          "Select x From c);");
}

// A task that never stops (it never looks) keeps the end waiting, until the user insists with a second signal:
// the end then goes on at once, and the task is told to stop at its next step; once it has, nothing else is.
// A client's answer reads the log on a connection of its own, still open while the end goes on under it: once
// it has stopped, nothing is left beside the stores either.
void TestServerWindowMeanwhile::aSecondSignalEndsWhatTheFirstCouldNot()
{
    QFETCH(QString, request);
    if (request.isEmpty()) {
        {
            const LongTask stuck(QStringLiteral("Stuck"));
            ::raise(SIGTERM);
            QVERIFY(QTest::qWaitFor([] { return Program::endWaits(); }));
            ::raise(SIGTERM);
            QTRY_VERIFY(ProgramEnded());
            QVERIFY(!gCallerDB && !QFile::exists(SingleInstance::lockPath(settingsFilePath())));
            QVERIFY(Program::ending());
        }
        QVERIFY(!Program::ending());
        return;
    }
    const QStringList stores{logPath(), GetProperty(Section::frmConfiguration, Key::ContactDBPath, QString())};
    ModalChange::OtherClient client(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 1);
    const auto insist = ModalChange::fireWhen(
        [] { return LongTask::runningTasks().contains(QStringLiteral("Sending Data To 127.0.0.1")); },
        [] {
            ::raise(SIGTERM);
            ::raise(SIGINT);
        });
    client.peer().send(request.toUtf8());
    QTRY_VERIFY(ProgramEnded());
    QVERIFY(!insist->isActive());
    QTRY_VERIFY(!Program::ending());
    QVERIFY(!gCallerDB && !gContactDB);
    for (const QString& store : stores) {
        QVERIFY(QFile::exists(store));
        for (const char* beside : {"-wal", "-shm"})
            QVERIFY2(!QFile::exists(store + QLatin1String(beside)), qPrintable(store + QLatin1String(beside)));
    }
}

void TestServerWindowMeanwhile::aChangeDuringTheRefillReachesTheList_data()
{
    QTest::addColumn<bool>("stop");
    QTest::newRow("the refill runs on") << false;
    // The change would run the refill again; the user's Stop holds all the same.
    QTest::newRow("the user stops it") << true;
}

void TestServerWindowMeanwhile::aChangeDuringTheRefillReachesTheList()
{
    QFETCH(bool, stop);
    storeCalls(196, 5);
    ModalChange::OtherClient other(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 1);
    // Another client deletes call 150 and renames call 149 while the list refills, before their rows are in.
    const auto change = ModalChange::fireWhen(
        [] { return stepping(QStringLiteral("Processing Grid Data...")); },
        [&] {
            QVERIFY(other.send(QStringLiteral(";DELETE SQL;|150|"), {QStringLiteral(";DELETE OK;")}));
            QVERIFY(other.send(QStringLiteral(";EDIT CALLER;0;ELSEWHERE;149"), {QStringLiteral(";EDIT CALLER;")}));
            for (QWidget* w : QApplication::topLevelWidgets())
                if (stop && w->objectName() == QLatin1String("frmProcessing"))
                    TRIGGER(w, "cmdStop");
        });
    TRIGGER(window(), "mnuViewTime(12)");
    QVERIFY(!change->isActive());
    if (stop) {
        QVERIFY2(grid()->Rows() - 1 < logIDs(logPath()).size(), qPrintable(QString::number(grid()->Rows())));
        QVERIFY(!stepping());
        return;
    }
    QTRY_COMPARE(grid()->Rows(), int(logIDs(logPath()).size()) + 1);
    QCOMPARE(rowOf(150), 0);
    QCOMPARE(grid()->TextMatrix(rowOf(149), CallListModel::ColName), QStringLiteral("ELSEWHERE"));
}

void TestServerWindowMeanwhile::copyAllCopiesTheRowsItWasAskedFor()
{
    storeCalls(76, 5);
    showAll();
    openPort();
    // A call rings while Copy All steps, its row on top: the clipboard holds the 80 calls listed, each once.
    const auto change = ModalChange::fireWhen([] { return stepping(QStringLiteral("Coping Data...")); },
                                              [&] { QVERIFY(justRang([&] { return rowOf(81) == 1; })); });
    TRIGGER(window(), "mnuEditCopyAll");
    const QStringList lines = QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 80);
    QCOMPARE(QSet<QString>(lines.cbegin(), lines.cend()).size(), 80);
    endCall();
}

void TestServerWindowMeanwhile::aLogThatCannotBeWrittenKeepsNoOneWaiting()
{
    ModalChange::OtherClient other(gServer->LocalPort());
    QTRY_COMPARE(gServer->ClientCount(), 1);
    openPort();
    // The log takes new calls but refuses to change one, as a full disk would. A client's edit, then a call:
    // each failure is said without waiting, so the request after the edit is answered and the call goes on.
    SqlDatabase(logPath(), SqlDatabase::Mode::ReadWrite)
        .exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON tblCID BEGIN SELECT RAISE(ABORT, 'full'); END"));
    QVERIFY(other.send(QStringLiteral(";EDIT CALLER;0;X;2;MODEMCONNECTION;"), {QStringLiteral(";MODEMCONNECTION;")}));
    QVERIFY(justRang([] { return Prompt::history().size() == 2; }));
    for (const Prompt::Record& r : Prompt::history()) {
        QVERIFY(r.text.startsWith(QStringLiteral("Cannot perform operation.")));
        QCOMPARE(r.kind, Prompt::Kind::Notice);
    }
    endCall();
    // The server's user edits a call while a client's long answer yields: the failure is the user's own, said
    // in a box as always.
    Prompt::resetScript();
    QString ids = QStringLiteral(";DELETE SQL;|");
    for (int id = 1000; id < 1100; ++id)
        ids += QString::number(id) + QLatin1Char('|');
    const auto edit =
        ModalChange::fireWhen([] { return stepping(QStringLiteral("Processing Request From 127.0.0.1")); },
                              [] {
                                  if (QLineEdit* editor = editName(2, QStringLiteral("Y")))
                                      QTest::keyClick(editor, Qt::Key_Return);
                              });
    QVERIFY(other.send(ids, {QStringLiteral(";DELETE OK;")}));
    QVERIFY(!edit->isActive());
    QCOMPARE(Prompt::history().size(), 1);
    QVERIFY(Prompt::history().first().text.startsWith(QStringLiteral("Cannot perform operation.")));
    QCOMPARE(Prompt::history().first().kind, Prompt::Kind::Message);
}

QTEST_MAIN(TestServerWindowMeanwhile)
#include "test_serverwindowmeanwhile.moc"
