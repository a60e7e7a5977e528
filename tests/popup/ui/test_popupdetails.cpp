#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Twips.h"
#include "popup/MiniDisplay.h"
#include "popup/modLoggedRecord.h"
#include "popup/ui/frmCallerInfo.h"
#include "popup/ui/frmMiniDisplay.h"
#include "popup/ui/frmOriginalCallerIDInfo.h"
#include "popup/ui/frmOtherInfo.h"
#include "statistics/modStatistics.h"
#include "support/QueuedMarker.h"
#include "support/SignalTexts.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/ModalScript.h"
#include "support/ui/NamedText.h"

namespace {

// Records what the pop-up's commands ask of the main window.
class RecordingMainWindow : public MainWindow {
public:
    int updates = 0, refreshes = 0, unchecks = 0, focus = 0;
    void UpdateSQL() override { ++updates; }
    void RefreshGrid() override { ++refreshes; }
    void UncheckTimeMenu() override { ++unchecks; }
    void SetFocus() override { ++focus; }
    void reset()
    {
        updates = refreshes = unchecks = focus = 0;
        strSQL.clear();
    }
};

clsCaller logCall(const QString& name, const QString& number, const QString& iso, int rings, const QString& answered)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(*DateText::fromIso(iso));
    c.Rings = rings;
    c.Answered = answered;
    AddCaller(c);
    return c;
}

void addContact(const QString& name, const QStringList& numbers, const QString& otherInfo)
{
    auto c = std::make_shared<clsContact>();
    c->Name = name;
    c->OtherInfo = otherInfo;
    for (const QString& n : numbers) {
        clsNumber number(n, QString());
        c->Numbers.add(number.PrintNumberDescription(), std::make_shared<clsNumber>(number));
    }
    gContacts.add(name, c);
}

} // namespace

class TestPopupDetails : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();

    void detailWindowsFollowTheCurrentCaller();
    void callerInfoListComesFromTheSetting();
    void callerInfoInClientModeAsksTheServer();
    void loggedRecordFromThePopup();
    void loggedRecordLookUp();
    void loggedRecordInClientMode();
    void searchesNarrowTheCallList();
    void searchesInClientModeAskTheServer();
    void menuShortcutsWorkWithTheMenuClosed();

private:
    frmMiniDisplay* open();
    std::unique_ptr<TempHome> m_home;
    RecordingMainWindow m_main;
    // The pop-up's requests to the server (client mode).
    std::unique_ptr<QSignalSpy> m_requests;
    clsCaller m_john, m_jane;
};

void TestPopupDetails::init()
{
    m_home = std::make_unique<TempHome>();
    Twips::setLogicalDpi(96);
    m_main.reset();
    gMainForm = &m_main;
    m_requests = std::make_unique<QSignalSpy>(&miniDisplay(), &MiniDisplay::requestSent);
    Clock::setNow(*DateText::fromIso(QStringLiteral("2024-03-20 12:00:00")));
    QVERIFY(CreateCallerDB(m_home->file("dbCID.mdb")));
    addContact(QStringLiteral("Janet"), {QStringLiteral("555-9876")}, QStringLiteral("Sister\r\nCall back after 6"));
    logCall(QStringLiteral("BOB"), QStringLiteral("555-0000"), QStringLiteral("2024-03-10 09:00:00"), 1,
            QStringLiteral("NO"));
    m_john = logCall(QStringLiteral("JOHN SMITH"), QStringLiteral("555-1234"), QStringLiteral("2024-03-20 10:00:00"), 2,
                     QStringLiteral("YES"));
    logCall(QStringLiteral("JOHN SMITH"), QStringLiteral("555-1234"), QStringLiteral("2024-03-20 10:20:00"), 3,
            QStringLiteral("BLOCKED"));
    m_jane = logCall(QStringLiteral("JANE D"), QStringLiteral("555-9876"), QStringLiteral("2024-03-20 11:00:00"), 4,
                     QStringLiteral("NO"));
    // The call road hands the pop-up its callers matched to the contact book.
    MatchCallerToContact(m_jane.Number.Number, m_jane);
    CreateDefaultStatistics();
}

void TestPopupDetails::cleanup()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_requests.reset();
    m_home.reset();
}

frmMiniDisplay* TestPopupDetails::open()
{
    frmMiniDisplay* w = frmMiniDisplay::instance();
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        qWarning("the pop-up was not exposed");
    return w;
}

void TestPopupDetails::detailWindowsFollowTheCurrentCaller()
{
    frmMiniDisplay* w = open();
    MiniDisplay& list = w->list();
    list.UpdateForm(m_john);
    list.UpdateForm(m_jane); // newest: shown first
    w->openDetail(MiniDisplay::CallerInfoScreen);
    w->openDetail(MiniDisplay::OtherInfoScreen);
    frmCallerInfo* info = frmCallerInfo::instance(false);
    frmOtherInfo* other = frmOtherInfo::instance(false);
    QVERIFY(info && info->isVisible() && other && other->isVisible());

    // Jane's number belongs to Janet, who has no statistics group yet: her calls are counted by number.
    QCOMPARE(ui::textOf(info, QStringLiteral("txtCallerInfo")),
             QStringLiteral("Caller Info: Janet\nTotal Calls: 1\nCalls in the Last Day: 1\nCalls in the Last Week: 1\n"
                            "Calls Between 9pm and 1am: 0\nMost Calls in a Day: 1\nMost Calls in a Week: 1"));
    QCOMPARE(ui::textOf(other, QStringLiteral("txtOtherInfo")), QStringLiteral("Sister\nCall back after 6"));

    QVERIFY(ui::clickOn(w, QStringLiteral("lblNavigate(%1)").arg(MiniDisplay::Right)));
    QCOMPARE(list.CurrentCaller.Name, QStringLiteral("JOHN SMITH"));
    QVERIFY(ui::textOf(info, QStringLiteral("txtCallerInfo"))
                .startsWith(QStringLiteral("Caller Info: JOHN SMITH\nTotal Calls: 2\nCalls in the Last Day: 2\n")));
    QCOMPARE(ui::textOf(other, QStringLiteral("txtOtherInfo")), QStringLiteral("<other information not available>"));

    QVERIFY(ui::clickOn(w, QStringLiteral("lblNavigate(%1)").arg(MiniDisplay::Left)));
    QVERIFY(ui::textOf(info, QStringLiteral("txtCallerInfo")).startsWith(QStringLiteral("Caller Info: Janet\n")));
    QCOMPARE(ui::textOf(other, QStringLiteral("txtOtherInfo")), QStringLiteral("Sister\nCall back after 6"));
}

void TestPopupDetails::callerInfoListComesFromTheSetting()
{
    SaveProperty(Section::frmMiniDisplay, Key::CallerInfo, QStringLiteral(";Most Rings;;Nothing Like This;"));
    frmMiniDisplay* w = open();
    w->list().UpdateForm(m_john);
    w->openDetail(MiniDisplay::CallerInfoScreen);
    frmCallerInfo* info = frmCallerInfo::instance(false);
    QVERIFY(info);
    QCOMPARE(ui::textOf(info, QStringLiteral("txtCallerInfo")),
             QStringLiteral("Caller Info: JOHN SMITH\nMost Rings: 3"));
    // The customisation dialog changes the list and refills the window.
    SaveProperty(Section::frmMiniDisplay, Key::CallerInfo, QStringLiteral("Total Calls"));
    info->SetCallerInfo();
    QCOMPARE(ui::textOf(info, QStringLiteral("txtCallerInfo")),
             QStringLiteral("Caller Info: JOHN SMITH\nTotal Calls: 2"));
}

void TestPopupDetails::callerInfoInClientModeAsksTheServer()
{
    SaveProperty(Section::frmMiniDisplay, Key::CallerInfo, QStringLiteral(";Total Calls;Most Rings;"));
    frmMiniDisplay* w = open();
    w->list().UpdateForm(m_john);
    gNetworkMode = Client;
    w->openDetail(MiniDisplay::CallerInfoScreen);
    frmCallerInfo* info = frmCallerInfo::instance(false);
    QVERIFY(info);
    m_requests->clear();
    info->SetCallerInfo();
    QCOMPARE(texts(*m_requests), QStringList{QStringLiteral(";MINI DISPLAY STATS;") + m_john.PrintSend() +
                                             QStringLiteral(";|Total Calls|Most Rings|;")});
    // Empty until the server's reply comes.
    QVERIFY(ui::textOf(info, QStringLiteral("txtCallerInfo")).isEmpty());
}

void TestPopupDetails::loggedRecordFromThePopup()
{
    frmMiniDisplay* w = open();
    w->list().UpdateForm(m_jane);
    QCOMPARE(w->list().CurrentCaller.ContactName, QStringLiteral("Janet"));
    TRIGGER(w, "mnuPopupViewOriginal");
    frmOriginalCallerIDInfo* record = frmOriginalCallerIDInfo::instance(false);
    QVERIFY(record && record->isVisible());
    QCOMPARE(record->windowTitle(), QStringLiteral("Original Caller ID Info"));
    // The name received from the line, not the contact's.
    QCOMPARE(ui::textOf(record, QStringLiteral("lblName")), QStringLiteral("JANE D"));
    QCOMPARE(ui::textOf(record, QStringLiteral("lblNumber")), QStringLiteral("555-9876"));
    QCOMPARE(ui::textOf(record, QStringLiteral("lblTime")), QStringLiteral("3/20/2024 11:00:00 AM"));
    QCOMPARE(ui::textOf(record, QStringLiteral("lblRings")), QStringLiteral("4"));
    QCOMPARE(ui::textOf(record, QStringLiteral("lblAnswered")), QStringLiteral("NO"));
    QCOMPARE(record->Tag, QStringLiteral("MINI DISPLAY"));
    QVERIFY(record->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // A second request overwrites the values in place.
    w->list().UpdateForm(m_john);
    TRIGGER(w, "mnuPopupViewOriginal");
    QCOMPARE(frmOriginalCallerIDInfo::instance(false), record);
    QCOMPARE(ui::textOf(record, QStringLiteral("lblName")), QStringLiteral("JOHN SMITH"));
    QCOMPARE(ui::textOf(record, QStringLiteral("lblAnswered")), QStringLiteral("YES"));

    // OK closes it and hands the focus back to the main window; without a main window it still closes.
    TRIGGER(record, "cmdOK");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmOriginalCallerIDInfo::instance(false));
    QCOMPARE(m_main.focus, 1);

    // Opened from the main window, or with its OnTop switched off, it is an ordinary window.
    const LoggedRecord values = *FindLoggedRecord(m_john.CallerDate);
    frmOriginalCallerIDInfo::instance()->showRecord(values, QString());
    QVERIFY(!frmOriginalCallerIDInfo::instance(false)->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    gMainForm = nullptr;
    TRIGGER(frmOriginalCallerIDInfo::instance(false), "cmdOK");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmOriginalCallerIDInfo::instance(false));
    SaveProperty(Section::frmOriginalCallerIDInfo, Key::OnTop, QStringLiteral("False"));
    frmOriginalCallerIDInfo::instance()->showRecord(values, QStringLiteral("Mini Display"));
    QVERIFY(!frmOriginalCallerIDInfo::instance(false)->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

void TestPopupDetails::loggedRecordLookUp()
{
    QVERIFY(!FindLoggedRecord(QString()));
    QVERIFY(!FindLoggedRecord(QStringLiteral("3/20/2024 11:00:01 AM"))); // no call then
    QVERIFY(!FindLoggedRecord(QStringLiteral("#') or 1=1 --")));
    const auto bob = FindLoggedRecord(QStringLiteral("3/10/2024 9:00:00 AM"));
    QVERIFY(bob);
    QCOMPARE(bob->Name, QStringLiteral("BOB"));
    QCOMPARE(bob->Rings, QStringLiteral("1"));

    // A caller without a date opens nothing.
    frmMiniDisplay* w = open();
    clsCaller undated = m_john;
    undated.CallerDate.clear();
    w->list().UpdateForm(undated);
    w->list().ViewOriginal();
    QVERIFY(!frmOriginalCallerIDInfo::instance(false));
}

void TestPopupDetails::loggedRecordInClientMode()
{
    frmMiniDisplay* w = open();
    w->list().UpdateForm(m_john);
    gNetworkMode = Client;
    m_requests->clear();
    w->list().ViewOriginal();
    QCOMPARE(texts(*m_requests), QStringList{QStringLiteral(";ORIGINAL ID MINI DISPLAY;3/20/2024 10:00:00 AM;")});
    QVERIFY(!frmOriginalCallerIDInfo::instance(false));
    QCOMPARE(w->list().GenerateCallerInfo(m_john, QStringLiteral("Total Calls")), QString());
}

void TestPopupDetails::searchesNarrowTheCallList()
{
    clsCaller c;
    c.Name = QStringLiteral("O'BRIEN");
    c.Number.Number = QStringLiteral("555-9876 x2");
    QCOMPARE(MiniDisplay::searchSQL(MiniDisplay::SearchName, c),
             QStringLiteral("Select * From tblCID Where fldName = 'O''BRIEN'"));
    QCOMPARE(MiniDisplay::searchSQL(MiniDisplay::SearchNumber, c),
             QStringLiteral("Select * From tblCID Where fldNumber = '555-9876 x2'"));
    // The number holds Janet's: the search covers all her numbers.
    addContact(QStringLiteral("Other"), {QStringLiteral("555-1111")}, QString());
    QCOMPARE(MiniDisplay::searchSQL(MiniDisplay::SearchContact, c),
             QStringLiteral("Select * From tblCID Where (fldNumber like '*555-9876*')"));
    // With two owners the first one in the book counts: the contact the call list and the pop-up show.
    addContact(QStringLiteral("Desk"), {QStringLiteral("x2"), QStringLiteral("555-2222")}, QString());
    QCOMPARE(MiniDisplay::searchSQL(MiniDisplay::SearchContact, c),
             QStringLiteral("Select * From tblCID Where (fldNumber like '*555-9876*')"));
    clsCaller shown = c;
    MatchCallerToContact(c.Number.Number, shown);
    QCOMPARE(MiniDisplay::searchSQL(MiniDisplay::SearchContact, c),
             QStringLiteral("Select * From tblCID Where ") + ContactCondition(*GetContact(shown.ContactName)));
    c.Number.Number = QStringLiteral("777");
    QCOMPARE(MiniDisplay::searchSQL(MiniDisplay::SearchContact, c),
             QStringLiteral("Select * From tblCID Where fldNumber like '*777*'"));

    frmMiniDisplay* w = open();
    w->list().UpdateForm(m_john);
    TRIGGER(w, "mnuPopupSearchNumber");
    QCOMPARE(m_main.strSQL, QStringLiteral("Select * From tblCID Where fldNumber = '555-1234'"));
    QCOMPARE(CountCallers(m_main.strSQL), 2);
    QCOMPARE(m_main.unchecks, 1);
    QCOMPARE(m_main.updates, 1);
    QCOMPARE(m_main.refreshes, 1);
    TRIGGER(w, "mnuPopupSearchName");
    QCOMPARE(m_main.strSQL, QStringLiteral("Select * From tblCID Where fldName = 'JOHN SMITH'"));
    QCOMPARE(m_main.refreshes, 2);
    QVERIFY(m_requests->isEmpty());
}

void TestPopupDetails::searchesInClientModeAskTheServer()
{
    frmMiniDisplay* w = open();
    w->list().UpdateForm(m_john);
    gNetworkMode = Client;
    m_requests->clear();
    TRIGGER(w, "mnuPopupSearchContact");
    QCOMPARE(texts(*m_requests),
             QStringList{QStringLiteral(";SQL;Select * From tblCID Where fldNumber like '*555-1234*'")});
    QCOMPARE(m_main.updates, 0);
    QCOMPARE(m_main.unchecks, 1);
}

void TestPopupDetails::menuShortcutsWorkWithTheMenuClosed()
{
    frmMiniDisplay* w = open();
    w->list().UpdateForm(m_jane);
    const auto activate = [w] {
        w->activateWindow();
        return QTest::qWaitForWindowActive(w);
    };

    // Ctrl+O: the original caller-ID record.
    QVERIFY(activate());
    QVERIFY(!frmOriginalCallerIDInfo::instance(false));
    QTest::keyClick(w, Qt::Key_O, Qt::ControlModifier);
    QVERIFY(frmOriginalCallerIDInfo::instance(false) && frmOriginalCallerIDInfo::instance(false)->isVisible());

    // Ctrl+Q: the statistics of this caller.
    QVERIFY(activate());
    QVERIFY(!FindForm(QStringLiteral("frmStatistics")));
    QTest::keyClick(w, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(FindForm(QStringLiteral("frmStatistics")));

    // Ctrl+N and Ctrl+D: the two contact pickers, for the caller shown.
    ModalScript script;
    QString prefilled;
    script.expect(QStringLiteral("frmNewContact"), [&](QDialog* d) {
        if (auto* name = ui::findByName<QLineEdit>(d, QStringLiteral("txtName")))
            prefilled = name->text();
        d->reject();
    });
    script.expect(QStringLiteral("frmSelectContact"), [](QDialog* d) { d->reject(); });
    QVERIFY(activate());
    QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(activate());
    QTest::keyClick(w, Qt::Key_D, Qt::ControlModifier);
    QTRY_VERIFY(script.done());
    QCOMPARE(script.seen(), (QStringList{QStringLiteral("frmNewContact"), QStringLiteral("frmSelectContact")}));
    QCOMPARE(prefilled, QStringLiteral("JANE D"));

    // Without a caller the commands are disabled, and so are their keys.
    script.expect(QStringLiteral("frmNewContact"), [](QDialog* d) { d->reject(); });
    w->enablePopupMenu(false);
    QVERIFY(activate());
    QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
    // Any dialog the key opened would have been seen before the marker.
    QVERIFY(waitForQueuedMarker());
    QCOMPARE(script.seen().size(), 2);
}

QTEST_MAIN(TestPopupDetails)
#include "test_popupdetails.moc"
