#include "mainwindow/ui/frmRemoteMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/clsSound.h"
#include "contacts/ContactForm.h"
#include "contacts/ContactStore.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/clsAttributeGroup.h"
#include "core/modAttributeGroup.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/CallListPrinter.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/ProgramIcons.h"
#include "mainwindow/ui/ShellIcon.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "network/clsRemoteSocket.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/Twips.h"
#include "platform/ui/ModalDialog.h"
#include "popup/MiniDisplay.h"
#include "popup/modLoggedRecord.h"
#include "popup/ui/frmMiniDisplay.h"
#include "popup/ui/frmOriginalCallerIDInfo.h"
#include "statistics/StatisticsProtocol.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsGridModel.h"
#include "statswindow/ui/frmStatistics.h"
#include "support/ResetForTests.h"
#include "support/ScriptedServer.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/ModalScript.h"
#include "support/ui/NamedText.h"

namespace {

const QString kNow = QStringLiteral("3/21/2024 2:00:00 PM");

clsCaller call(qint32 id, const QString& name, const QString& number, const QString& date = kNow, qint32 rings = 2,
               const QString& answered = QStringLiteral("NO"))
{
    clsCaller c;
    c.ID = id;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = date;
    c.Rings = rings;
    c.Answered = answered;
    return c;
}

// The server's answer to a query: the count, then the rows (two sends, as a server answers).
QStringList sqlAnswer(const QList<clsCaller>& rows)
{
    QString text = QStringLiteral(";CLEAR CALLERS;");
    for (const clsCaller& c : rows)
        text += QStringLiteral(";CALLER;") + c.PrintSend();
    return {QStringLiteral(";SIZE;%1;").arg(rows.size()), text};
}

// Captions of the windows a test saw shown (the progress windows come and go within one dispatch).
class ShownWindows : public QObject {
public:
    ShownWindows() { qApp->installEventFilter(this); }
    ~ShownWindows() override { qApp->removeEventFilter(this); }
    QStringList captions;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* w = qobject_cast<QWidget*>(watched); w && w->isWindow())
                captions << w->objectName() + QLatin1Char(':') + w->windowTitle();
        return false;
    }
};

} // namespace

// The client main window against a server the test scripts: what it shows of the server's messages, what
// its commands send, and its connection, window and close rules.
class TestFrmRemoteMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();
    void startsAsTheClientWindow();
    void menusReadAsTheyShould();
    void theConnectBurstsAnswerInOneUnit();
    void lostRecordsAreCountedAndDuplicatesKeepTheFirst();
    void aLargeUnitShowsTheProgressWindow();
    void emptyFieldsKeepTheirPlace();
    void theCallRoadFollowsTheServer();
    void aBadIncomingCallerLeavesTheCall();
    void ringsWithoutNewStillRing();
    void deleteSendsTheSelectedIDs();
    void deletionWaitsForTheServer();
    void clearLogAsksAndEmptiesOnConfirmation();
    void refusalsAndErrorsCloseTheWaitingNotes();
    void blockedDisconnects();
    void viewPeriodsAndTheDateRoundTrip();
    void searchesAskTheServer();
    void loggedRecordShowsTheServersValues();
    void editsGoToTheServer();
    void popupAnswersFillThePopup();
    void statisticsAskTheServer();
    void configurationOpensTheOptions();
    void aSwitchToStandaloneForgetsTheCallThatRang();
    void contactsAreAskedOfTheServer();
    void updateNeededAsksAgain();
    void reconnectingStartsClean();
    void anOversizedSendIsSkippedAndSaid();
    void aNestedRefillWaitsForTheRunningOne();
    void minimiseKeepsThePopupAndTheNotes();
    void closeBoxFollowsCloseMinimize();
    void exitEndsTheProgram();
    void loadedInAnotherModeItUnloadsItself();
    void statusBarTipsAndEvents();
    void printsTwoPagesAndCutsLongNames();
    void screenshot();

private:
    bool start();
    frmRemoteMain* window() const { return dynamic_cast<frmRemoteMain*>(gMainForm); }
    CallerIDGrid* grid() const { return ui::findByName<CallerIDGrid>(window(), QStringLiteral("Grid")); }
    QLabel* panel(int i) const
    {
        return ui::findByName<QLabel>(window(), QStringLiteral("StatusBar1.Panels(%1)").arg(i));
    }
    QAction* action(const QString& name) const { return ui::findByName<QAction>(window(), name); }
    QStringList events() const { return gMainForm ? gMainForm->lstEvents.stringList() : QStringList(); }
    QStringList waitingNotes() const;
    // Sends the texts and waits until the client has read them all: a last send whose effect shows.
    void deliver(const QStringList& sends);
    void showRows(const QList<clsCaller>& rows);
    int rowOf(qint32 id) const { return grid()->model()->findRowById(id); }
    QString rowText(int row) const;

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<ScriptedServer> m_server;
    int m_sync = 0;
    QStringList m_notesAtStart;
};

bool TestFrmRemoteMain::start()
{
    m_home = std::make_unique<TempHome>();
    m_server = std::make_unique<ScriptedServer>();
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("2"));
    SaveProperty(Section::frmConfiguration, Key::RemoteHost, QStringLiteral("127.0.0.1"));
    SaveProperty(Section::frmConfiguration, Key::RemotePort, QString::number(m_server->port()));
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::ImmediateSound, QString());
    if (!Main() || !window())
        return false;
    if (!m_server->waitForClient() || m_server->waitForRequest(QStringLiteral(";MODEMCONNECTION;")).isEmpty())
        return false;
    m_notesAtStart = waitingNotes();
    // The burst is answered as a server does, in order: the modem's state, then the query (with no rows), and
    // nothing waits any more.
    m_server->send(QStringLiteral(";MODEMCONNECTION;False;"));
    for (const QString& s : sqlAnswer({}))
        m_server->send(s);
    if (!QTest::qWaitFor([this] { return waitingNotes().isEmpty(); }))
        return false;
    Prompt::resetScript();
    return true;
}

void TestFrmRemoteMain::init()
{
    m_sync = 0;
    QVERIFY(start());
    QVERIFY(QTest::qWaitForWindowExposed(window()));
}

void TestFrmRemoteMain::cleanup()
{
    if (gMainForm)
        ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!w->parentWidget() && w->windowType() != Qt::Desktop)
            delete w;
    m_server.reset();
    m_home.reset();
}

QStringList TestFrmRemoteMain::waitingNotes() const
{
    QStringList tags;
    for (QWidget* w : FindForms(QStringLiteral("frmWaiting")))
        tags << Tag(w);
    return tags;
}

void TestFrmRemoteMain::deliver(const QStringList& sends)
{
    for (const QString& s : sends)
        m_server->send(s);
    // Units are read in order: once this one's count shows, every send before it has been read.
    const QString marker = QStringLiteral("%1 Records Displayed").arg(-1000 - ++m_sync);
    m_server->send(QStringLiteral(";SIZE;%1;").arg(-1000 - m_sync));
    QTRY_COMPARE(panel(2)->text(), marker);
}

void TestFrmRemoteMain::showRows(const QList<clsCaller>& rows)
{
    for (const QString& s : sqlAnswer(rows))
        m_server->send(s);
    QTRY_COMPARE(grid()->Rows(), int(rows.size()) + 1);
}

QString TestFrmRemoteMain::rowText(int row) const
{
    QStringList cells;
    for (int c = 0; c <= 5; ++c)
        cells << grid()->TextMatrix(row, c);
    return cells.join(QLatin1Char('|'));
}

// --- the window and its connection -----------------------------------------------------------------------

void TestFrmRemoteMain::startsAsTheClientWindow()
{
    frmRemoteMain* w = window();
    QCOMPARE(w->objectName(), QStringLiteral("frmRemoteMain"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Velquon (Client)"));
    // The connect burst asked for the stored period's calls (one day back from now) ...
    QCOMPARE(m_server->requests().first(), QStringLiteral(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;Select * From "
                                                          "tblCID Where fldDate > #3/20/2024 2:00:00 PM#"));
    // ... and the SQL note waited for them.
    QCOMPARE(m_notesAtStart, QStringList{QStringLiteral("SQL")});
    QVERIFY(events().contains(QStringLiteral("Started Velquon Client")));
    QVERIFY(events().contains(QStringLiteral("Your connection was accepted by: 127.0.0.1")));
    QCOMPARE(panel(3)->text(), QStringLiteral("Connect to 127.0.0.1"));
    QVERIFY(panel(3)->width() >= Twips::toPixels(2000));
    QCOMPARE(panel(2)->text(), QStringLiteral("0 Records Displayed"));
    QVERIFY(ui::findByName<QLabel>(w, QStringLiteral("StatusBar1.Panels(4)")));
    QCOMPARE(action(QStringLiteral("mnuOptionsConnect"))->text(), QStringLiteral("&Disconnect"));
    QCOMPARE(action(QStringLiteral("mnuPopupMenuConnect"))->text(), QStringLiteral("&Disconnect"));
    QCOMPARE(w->windowIcon().cacheKey(), ProgramIcons::icon(QStringLiteral("yicon")).cacheKey());
    // No records yet: the record commands are off.
    QVERIFY(!ui::isReachable(w, QStringLiteral("mnuEditDelete")));
    QVERIFY(!ui::isReachable(w, QStringLiteral("mnuEditClear")));
    QVERIFY(!ui::isReachable(w, QStringLiteral("Toolbar1.Buttons(3)")));

    // The server's modem port opens: green; closes again: yellow.
    deliver({QStringLiteral(";MODEMCONNECTION;TRUE;")});
    QCOMPARE(w->windowIcon().cacheKey(), ProgramIcons::icon(QStringLiteral("gicon")).cacheKey());
    QCOMPARE(ui::findByName<ShellIcon>(w, QStringLiteral("ShellIcon"))->Icon().cacheKey(),
             ProgramIcons::icon(QStringLiteral("gicon")).cacheKey());
    deliver({QStringLiteral(";MODEMCONNECTION;False;")});
    QCOMPARE(w->windowIcon().cacheKey(), ProgramIcons::icon(QStringLiteral("yicon")).cacheKey());
    // Every control is named.
    for (const char* name : {"Grid", "lstEvents", "Toolbar1", "StatusTimer", "RefreshTimer", "BlinkTimer",
                             "GridMouseUpTimer", "ShellIcon", "mnuGridOptions", "mnuPopupMenu", "mnuToolbarPopup"})
        QVERIFY2(w->findChild<QObject*>(QLatin1String(name)), name);
}

void TestFrmRemoteMain::menusReadAsTheyShould()
{
    const struct {
        const char* name;
        const char* caption;
        const char* shortcut;
    } items[] = {
        {"mnuFilePrint", "&Print Log...", ""},
        {"mnuFileExit", "E&xit", ""},
        {"mnuEditCopyAll", "Copy &All", "Ctrl+A"},
        {"mnuEditCopy", "&Copy Selected Items", "Ctrl+C"},
        {"mnuEditReset", "&Reset Columns", "Ctrl+R"},
        {"mnuEditDelete", "&Delete", "Del"},
        {"mnuEditClear", "C&lear Log", "Ctrl+X"},
        {"mnuEditOriginal", "View &Original Caller ID Info...", "Ctrl+O"},
        {"mnuEditCreateNew", "&Add As New Contact...", "Ctrl+N"},
        {"mnuEditAddToCurrent", "Add This &Number To A Contact...", "Ctrl+D"},
        {"mnuViewTime(0)", "15 minutes", ""},
        {"mnuViewTime(6)", "1 days", ""},
        {"mnuViewTime(12)", "All", ""},
        {"mnuViewTime(14)", "Custom...", ""},
        {"mnuOptionsConfiguration", "&Configuration...", ""},
        {"mnuOptionsPopupScreen", "&Mini Display Popup", ""},
        {"mnuOptionsAlways", "&Always On Top", ""},
        {"mnuOptionsSound", "Enable &Sound", ""},
        {"mnuOptionsConnect", "&Disconnect", "Ctrl+Q"},
        {"mnuWindow(0)", "&Activity Log", "Ctrl+L"},
        {"mnuWindow(2)", "&Contacts", "Ctrl+E"},
        {"mnuWindow(3)", "&Find", "Ctrl+F"},
        {"mnuWindow(4)", "&Statistics", "Ctrl+S"},
        {"mnuWindow(6)", "&Mini Display", "F12"},
        {"mnuHelpContents", "&Contents...", "F1"},
        {"mnuHelpAbout", "&About Velquon...", ""},
        {"mnuPopupMenuRestore", "&Restore", ""},
        {"mnuPopupMenuClose", "&Close", ""},
        {"mnuGridOptionsCopyAll", "Copy &All", ""},
        {"mnuGridOptionsCopy", "&Copy Selected Item", ""},
        {"mnuGridOptionsCreateNew", "Add As A New Contact...", ""},
        {"mnuGridOptionsAddToCurrent", "Add This Number To A Contact...", ""},
        {"mnuGridOptionsSearchName", "Search By Name", ""},
        {"mnuGridOptionsSearchNumber", "Search By Number", ""},
        {"mnuGridOptionsSearchContact", "Search By All Contact Numbers", ""},
        {"mnuGridOptionsStatistics", "View Statistics On This Caller...", ""},
        {"mnuGridOptionsOriginal", "View Original Caller ID Info...", ""},
        {"mnuGridOptionsEdit", "Edit", ""},
        {"mnuGridOptionsDelete", "Delete This Record", ""},
        {"mnuToolbarPopupCreateNew", "Add As New Contact...", ""},
        {"mnuToolbarPopupAddToCurrent", "Add This Number To A Contact...", ""},
    };
    for (const auto& it : items) {
        QAction* a = action(QLatin1String(it.name));
        QVERIFY2(a, it.name);
        QCOMPARE(a->text(), QLatin1String(it.caption));
        QCOMPARE(a->shortcut().toString(), QLatin1String(it.shortcut));
    }
    const struct {
        const char* name;
        const char* caption;
    } menus[] = {{"mnuFile", "&File"},
                 {"mnuEdit", "&Edit"},
                 {"mnuView", "&View"},
                 {"mnuOptions", "&Options"},
                 {"mnuWindows", "Window"},
                 {"mnuHelp", "&Help"},
                 {"mnuEditAdd", "Add &To Contact DB"},
                 {"mnuGridOptionsAdd", "Add To Contacts DB"},
                 {"mnuGridOptionsSearch", "Search For This Caller"}};
    for (const auto& m : menus)
        QCOMPARE(ui::findByName<QMenu>(window(), QLatin1String(m.name))->title(), QLatin1String(m.caption));
    // The separators carry their names too, in their places.
    const QList<QAction*> grid = ui::findByName<QMenu>(window(), QStringLiteral("mnuGridOptions"))->actions();
    QStringList names;
    for (QAction* a : grid)
        names << a->objectName();
    QCOMPARE(names, (QStringList{"mnuGridOptionsCopyAll", "mnuGridOptionsCopy", "mnuGridOptionsHyphen1", "",
                                 "mnuGridOptionsHyphen2", "", "mnuGridOptionsStatistics", "mnuGridOptionsOriginal",
                                 "mnuGridOptionsHyphen3", "mnuGridOptionsEdit", "mnuGridOptionsDelete"}));
    // The windows of the Window menu and the help are there in client mode too.
    for (const char* name : {"mnuHelpContents", "mnuHelpAbout", "mnuWindow(0)", "mnuWindow(3)", "Toolbar1.Buttons(8)"})
        QVERIFY2(ui::isReachable(window(), QLatin1String(name)), name);
    // Only the stored period carries the mark.
    QVERIFY(action(QStringLiteral("mnuViewTime(6)"))->isChecked());
    QVERIFY(!action(QStringLiteral("mnuViewTime(2)"))->isChecked());
}

// --- what the server sends -------------------------------------------------------------------------------

void TestFrmRemoteMain::theConnectBurstsAnswerInOneUnit()
{
    m_server->sendRaw(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|VIP Callers|255|False|Speech|;CLEAR CONTACTS;"
                      ";CONTACT;|JOHN|VIP Callers|||NUMBER|555-1234|Home;SIZE;1;;CLEAR CALLERS;;CALLER;|3|J SMITH|"
                      "NUMBER|555-1234|NONE|3/14/2004 5:07:09 PM|2|||NO|;COMPLETE;COMPLETE;");
    QTRY_COMPARE(grid()->Rows(), 2);
    QCOMPARE(panel(2)->text(), QStringLiteral("1 Records Displayed"));
    // The row shows the contact, in the colour of the contact's group (255: red in blue-green-red order).
    QCOMPARE(rowText(1), QStringLiteral("JOHN (Home)|555-1234|3/14/2004 5:07:09 PM|2|NO|3"));
    QCOMPARE(grid()->Color(1), quint32(255));
    QCOMPARE(gAttributeGroups.count(), 1);
    QCOMPARE(gAttributeGroups.item(QStringLiteral("vip callers"))->Sound, QStringLiteral("Speech"));
    QCOMPARE(gContacts.count(), 1);
    QCOMPARE(gRemoteCallers->size(), 1);
    // The collection keeps the record as the server sent it; the contact is matched for the list.
    QVERIFY(gRemoteCallers->first().ContactName.isEmpty());
    const QStringList ev = events();
    const qsizetype log = ev.indexOf(QStringLiteral("An update of your call log was required by your IP Address."));
    const qsizetype contacts =
        ev.indexOf(QStringLiteral("An update of your contacts was required by your IP Address."));
    QVERIFY(log >= 0 && contacts > log);
    QVERIFY(ev.filter(QStringLiteral("lost")).isEmpty());
    QVERIFY(waitingNotes().isEmpty());
    // Record commands are on now.
    QVERIFY(ui::isReachable(window(), QStringLiteral("mnuEditDelete")));
}

void TestFrmRemoteMain::lostRecordsAreCountedAndDuplicatesKeepTheFirst()
{
    clsCaller good = call(1, QStringLiteral("GOOD"), QStringLiteral("555-0001"));
    deliver({QStringLiteral(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|Family|100|True||;ATTRIBUTE GROUP;|Bad|1|maybe|"
                            "|;ATTRIBUTE GROUP;|Worse|2|sometimes||;CLEAR CONTACTS;;CONTACT;|ANN|Family||"
                            "|NUMBER|555-0001|Home;CONTACT;|ann|||first one stays|NUMBER|555-0009|Work;CLEAR CALLERS;"
                            ";CALLER;") +
             good.PrintSend() +
             QStringLiteral(";CALLER;|x|BAD|NUMBER|1|NONE|d|1|||NO|;CALLER;|2|BAD|NUMBER|1|NONE|d|lots|||NO|"
                            ";CALLER;|99999999999|BAD|NUMBER|1|NONE|d|1|||NO|")});
    QCOMPARE(grid()->Rows(), 2);
    QCOMPARE(gContacts.count(), 1);
    QCOMPARE(gContacts.item(QStringLiteral("ANN"))->AttributeGroup, QStringLiteral("Family"));
    QCOMPARE(gAttributeGroups.count(), 1);
    const QStringList ev = events();
    QVERIFY(ev.contains(QStringLiteral("2 attribute groups were lost during a file transfer.")));
    QVERIFY(ev.contains(QStringLiteral("3 callers were lost during a file transfer.")));
    // A caller ID beyond 32 bits from the server is a lost record, never a box in front of the user.
    for (const Prompt::Record& r : Prompt::history())
        QVERIFY2(r.kind != Prompt::Kind::Message, qPrintable(r.text));
    // Lines come after the refreshes, in the order groups, contacts, callers.
    QVERIFY(ev.indexOf(QStringLiteral("2 attribute groups were lost during a file transfer.")) <
            ev.indexOf(QStringLiteral("3 callers were lost during a file transfer.")));
    deliver({QStringLiteral(";CLEAR CALLERS;;CALLER;|5|ONE BAD|NUMBER|1|NONE|d|x|||NO|")});
    QVERIFY(events().contains(QStringLiteral("1 caller was lost during a file transfer.")));
}

void TestFrmRemoteMain::aLargeUnitShowsTheProgressWindow()
{
    ShownWindows shown;
    // 24 rows and a stray word: 51 tokens (the marker's two words included); no progress window.
    QString text = QStringLiteral(";X");
    for (int i = 1; i <= 24; ++i)
        text += QStringLiteral(";CALLER;") + call(i, QStringLiteral("N%1").arg(i), QStringLiteral("1")).PrintSend();
    deliver({text});
    QVERIFY(!shown.captions.join(QLatin1Char(' ')).contains(QStringLiteral("Receiving Network Data...")));
    // 25 rows: 52 tokens.
    text = QString();
    for (int i = 1; i <= 25; ++i)
        text += QStringLiteral(";CALLER;") + call(i, QStringLiteral("N%1").arg(i), QStringLiteral("1")).PrintSend();
    deliver({text});
    QVERIFY2(shown.captions.contains(QStringLiteral("frmProcessing:Receiving Network Data...")),
             qPrintable(shown.captions.join(QLatin1Char(','))));
    QCOMPARE(gRemoteCallers->size(), 49);
    // The window went with the unit.
    QTRY_VERIFY(FindForms(QStringLiteral("frmProcessing")).isEmpty());
}

void TestFrmRemoteMain::emptyFieldsKeepTheirPlace()
{
    // An empty count is not a number; the message still takes its field, so the CALLER after it is read.
    deliver({QStringLiteral(";SIZE;;CALLER;") + call(4, QStringLiteral("AFTER"), QStringLiteral("555")).PrintSend()});
    QCOMPARE(gRemoteCallers->size(), 1);
    // The logged-record window with an empty name: every value in its own label.
    m_server->send(QStringLiteral(";ORIGINAL ID;;555-0001;3/21/2024 1:00:00 PM;3;YES;"));
    QTRY_VERIFY(frmOriginalCallerIDInfo::instance(false) && frmOriginalCallerIDInfo::instance(false)->isVisible());
    frmOriginalCallerIDInfo* info = frmOriginalCallerIDInfo::instance(false);
    QCOMPARE(ui::textOf(info, QStringLiteral("lblName")), QString());
    QCOMPARE(ui::textOf(info, QStringLiteral("lblNumber")), QStringLiteral("555-0001"));
    QCOMPARE(ui::textOf(info, QStringLiteral("lblAnswered")), QStringLiteral("YES"));
    // A statistics reply whose window is not there: its field is taken, not read as keywords.
    deliver({QStringLiteral(";STATISTIC;|CALLER|NEW|;CALLER;") +
             call(5, QStringLiteral("NEXT"), QStringLiteral("556")).PrintSend()});
    QCOMPARE(gRemoteCallers->size(), 2);
    QVERIFY(!gRinging);
}

// --- the call in progress ---------------------------------------------------------------------------------

void TestFrmRemoteMain::theCallRoadFollowsTheServer()
{
    SaveProperty(Section::frmConfiguration, Key::RingSound, QStringLiteral("ring.wav"));
    SaveProperty(Section::frmConfiguration, Key::DefaultSound, QStringLiteral("default.wav"));
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True"));
    QStringList asked;
    connect(gSound.get(), &clsSound::reported, this, [&](const QString& text) {
        if (text.startsWith(QStringLiteral("Sound file not found: ")))
            asked << text.section(QLatin1Char('/'), -1).remove(QStringLiteral("Sound file not found: "));
    });
    const int rowsBefore = grid()->Rows();
    deliver({QStringLiteral(";NEW;"),
             QStringLiteral(";INCOMING CALLER;|0|NOT RECEIVED|NUMBER|NOT RECEIVED|NONE|3/21/2024 2:00:00 PM|0|||N/A|"),
             QStringLiteral(";RING;")});
    QVERIFY(gRinging);
    QCOMPARE(grid()->Rows(), rowsBefore); // no ID yet: not listed
    QTRY_COMPARE(asked, QStringList{QStringLiteral("ring.wav")});
    // The pop-up came up and the Window menu says so.
    QVERIFY(frmMiniDisplay::instance(false) && frmMiniDisplay::instance(false)->isVisible());
    QVERIFY(action(QStringLiteral("mnuWindow(6)"))->isChecked());
    QVERIFY(events().contains(QStringLiteral("Incoming Call From:  NOT RECEIVED     NOT RECEIVED     1 Rings")));

    deliver({QStringLiteral(";INCOMING CALLER;|7|JOHN SMITH|NUMBER|555-1234|NONE|3/21/2024 2:00:00 PM|1|||N/A|")});
    QCOMPARE(grid()->Rows(), rowsBefore + 1);
    QCOMPARE(rowOf(7), 1); // at the top
    QCOMPARE(gRemoteCallers->last().ID, 7);
    QTRY_COMPARE(asked, (QStringList{QStringLiteral("ring.wav"), QStringLiteral("default.wav")}));
    QVERIFY(!events().contains(QStringLiteral("The incoming call was answered")));

    // Later news of the same call rewrite its row; the sound is not played again.
    deliver({QStringLiteral(";INCOMING CALLER;|7|JOHN SMITH|NUMBER|555-1234|NONE|3/21/2024 2:00:00 PM|1|||YES|")});
    QCOMPARE(grid()->Rows(), rowsBefore + 1);
    QCOMPARE(grid()->TextMatrix(rowOf(7), CallListModel::ColAnswered), QStringLiteral("YES"));
    QCOMPARE(gRemoteCallers->last().Answered, QStringLiteral("YES"));
    QVERIFY(events().contains(QStringLiteral("The incoming call was answered")));
    QCOMPARE(asked.size(), 2);

    // The ringing ends eight ticks after the last ring; a ring in between starts the count again.
    for (int i = 0; i < 7; ++i)
        window()->RingTimer_Timer();
    QVERIFY(gRinging);
    deliver({QStringLiteral(";RING;")});
    QCOMPARE(grid()->TextMatrix(rowOf(7), CallListModel::ColRings), QStringLiteral("2"));
    for (int i = 0; i < 7; ++i)
        window()->RingTimer_Timer();
    QVERIFY(gRinging);
    window()->RingTimer_Timer();
    QVERIFY(!gRinging);

    // A contact whose group the server has deleted: no sound at all, not the default one.
    deliver({QStringLiteral(";CLEAR CONTACTS;;CONTACT;|X|Gone|||NUMBER|555-7777|Home"), QStringLiteral(";NEW;"),
             QStringLiteral(";INCOMING CALLER;|8|X|NUMBER|555-7777|NONE|3/21/2024 2:01:00 PM|1|||N/A|")});
    QCOMPARE(rowOf(8), 1);
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("X (Home)"));
    // The sound of the second ring, and none for the caller. (A later request goes out after every sound the
    // call asked for.)
    TRIGGER(window(), "mnuViewTime(12)");
    QVERIFY(!m_server->waitForRequest(QStringLiteral(";SQL;")).isEmpty());
    QVERIFY2(asked ==
                 (QStringList{QStringLiteral("ring.wav"), QStringLiteral("default.wav"), QStringLiteral("ring.wav")}),
             qPrintable(asked.join(QLatin1Char(','))));
}

void TestFrmRemoteMain::aBadIncomingCallerLeavesTheCall()
{
    deliver({QStringLiteral(";NEW;"),
             QStringLiteral(";INCOMING CALLER;|9|ANN|NUMBER|555-0101|NONE|3/21/2024 2:00:00 PM|1|||N/A|")});
    QCOMPARE(rowOf(9), 1);
    // Unreadable rings: the call keeps its record, and the next good one still updates it.
    deliver({QStringLiteral(";INCOMING CALLER;|9|WRONG|NUMBER|000|NONE|3/21/2024 2:00:00 PM|many|||N/A|")});
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("ANN"));
    QVERIFY(events().filter(QStringLiteral("lost")).isEmpty());
    deliver({QStringLiteral(";INCOMING CALLER;|9|ANN|NUMBER|555-0101|NONE|3/21/2024 2:00:00 PM|3|||NO|")});
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColRings), QStringLiteral("3"));
}

void TestFrmRemoteMain::ringsWithoutNewStillRing()
{
    // Connected in the middle of a call: the rings come without the call's start.
    QVERIFY(!gRinging);
    deliver({QStringLiteral(";RING;")});
    QVERIFY(gRinging);
    showRows({call(1, QStringLiteral("A"), QStringLiteral("1"))});
    grid()->setRow(1);
    m_server->clearRequests();
    TRIGGER(window(), "mnuEditDelete");
    // Nothing may be deleted while the call rings: the next request is the next one sent.
    TRIGGER(window(), "mnuViewTime(12)");
    QVERIFY(!m_server->waitForRequest(QStringLiteral(";SQL;")).isEmpty());
    QCOMPARE(m_server->requests().size(), 1);
    for (int i = 0; i < 8; ++i)
        window()->RingTimer_Timer();
    QVERIFY(!gRinging);
}

// --- deleting ------------------------------------------------------------------------------------------

void TestFrmRemoteMain::deleteSendsTheSelectedIDs()
{
    QList<clsCaller> rows;
    for (int i = 1; i <= 20; ++i)
        rows << call(100 + i, QStringLiteral("C%1").arg(i), QStringLiteral("555-%1").arg(1000 + i),
                     QStringLiteral("3/21/2024 1:%1:00 PM").arg(i, 2, 10, QLatin1Char('0')));
    showRows(rows);
    CallerIDGrid* g = grid();
    // From row 5 up to row 3: the IDs of rows 3, 4 and 5 in that order, after the plural question.
    g->setRow(5);
    g->setRowSel(3);
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(window(), "mnuEditDelete");
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("Are you sure you want to permanently remove these records from the database?"));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    // Any other refusal of a contact this client saved is told too: the contact went meanwhile. The server
    // answers in order the question of the modem's state before the change, the change, and the question
    // after it; another client's change, or the server's news of its port to every client, that comes between
    // them does not answer this one.
    Prompt::clearHistory();
    clsContact ann;
    ann.Name = QStringLiteral("Ann");
    const QString modemState = QStringLiteral(";MODEMCONNECTION;False;");
    QVERIFY(SendContactRequest(ContactRequests::edit(QStringLiteral("Ann"), ann)));
    deliver({modemState, QStringLiteral(";CLEAR CONTACTS;;CONTACT;|Bob||||NUMBER|555-0102|Home"),
             QStringLiteral(";MODEMCONNECTION;TRUE;"), QStringLiteral(";ERROR;3021;No current record.;"), modemState});
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().last().kind, Prompt::Kind::Notice);
    QCOMPARE(Prompt::history().last().text, QStringLiteral("The server did not save the contact: No current record."));
    // A change the server dropped without a word leaves nothing waiting, and the refusal of a request sent
    // before the change is not the change's: neither is told as a contact not saved.
    Prompt::clearHistory();
    QVERIFY(SendContactRequest(ContactRequests::edit(QStringLiteral("Ann"), ann)));
    deliver({modemState, modemState, QStringLiteral(";ERROR;30000;Too Complex;")});
    QVERIFY(SendContactRequest(ContactRequests::edit(QStringLiteral("Ann"), ann)));
    deliver({QStringLiteral(";ERROR;30000;Too Complex;"), modemState, modemState});
    QCOMPARE(Prompt::texts(), QStringList());
    const QString expected = QStringLiteral(";DELETE SQL;|%1|%2|%3|")
                                 .arg(g->TextMatrix(3, CallListModel::ColID), g->TextMatrix(4, CallListModel::ColID),
                                      g->TextMatrix(5, CallListModel::ColID));
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";DELETE SQL;")), expected);
    QVERIFY(waitingNotes().isEmpty()); // three records: no note
    // The rows stay until the server confirms.
    QCOMPARE(g->Rows(), 21);

    // One row: the singular question; No sends nothing.
    g->setRow(2);
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(window(), "mnuEditDelete");
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("Are you sure you want to permanently remove this record from the database?"));
    // Sixteen records: no note; seventeen: a DELETE note.
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    const qsizetype asked = Prompt::history().size();
    g->setRow(1);
    g->setRowSel(16);
    TRIGGER(window(), "mnuEditDelete");
    QVERIFY(!m_server->waitForRequest(QStringLiteral(";DELETE SQL;")).isEmpty());
    QVERIFY(waitingNotes().isEmpty());
    g->setRow(1);
    g->setRowSel(17);
    TRIGGER(window(), "Toolbar1.Buttons(3)");
    const QString seventeen = m_server->waitForRequest(QStringLiteral(";DELETE SQL;"));
    QCOMPARE(seventeen.count(QLatin1Char('|')), 18);
    QCOMPARE(waitingNotes(), QStringList{QStringLiteral("DELETE")});
    QCOMPARE(Prompt::history().size(), asked); // ConfirmDeletion off: no question
}

void TestFrmRemoteMain::deletionWaitsForTheServer()
{
    showRows({call(1, QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("3/21/2024 1:01:00 PM")),
              call(2, QStringLiteral("B"), QStringLiteral("2"), QStringLiteral("3/21/2024 1:02:00 PM")),
              call(3, QStringLiteral("C"), QStringLiteral("3"), QStringLiteral("3/21/2024 1:03:00 PM"))});
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    // Another client's deletion is confirmed to every client: nothing goes here.
    deliver({QStringLiteral(";DELETE OK;")});
    QCOMPARE(grid()->Rows(), 4);

    grid()->setRow(rowOf(2));
    TRIGGER(window(), "mnuEditDelete");
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";DELETE SQL;")), QStringLiteral(";DELETE SQL;|2|"));
    // A call comes in before the answer: its row goes on top and moves every other row down.
    deliver({QStringLiteral(";NEW;"),
             QStringLiteral(";INCOMING CALLER;|4|NEW ONE|NUMBER|4|NONE|3/21/2024 2:00:00 PM|1|||N/A|")});
    QCOMPARE(rowOf(4), 1);
    for (int i = 0; i < 8; ++i)
        window()->RingTimer_Timer();
    // The confirmation takes away the call asked for, not what the selection points at now.
    QCOMPARE(grid()->Rows(), 5);
    m_server->send(QStringLiteral(";DELETE OK;"));
    QTRY_COMPARE(grid()->Rows(), 4);
    QCOMPARE(rowOf(2), 0);
    QVERIFY(rowOf(1) && rowOf(3) && rowOf(4));
    QCOMPARE(gRemoteCallers->size(), 3);
    QCOMPARE(panel(2)->text(), QStringLiteral("3 Records Displayed"));

    // A refused deletion is forgotten: a later confirmation meant for another client removes nothing.
    grid()->setRow(rowOf(3));
    TRIGGER(window(), "mnuEditDelete");
    QVERIFY(!m_server->waitForRequest(QStringLiteral(";DELETE SQL;|3|")).isEmpty());
    deliver({QStringLiteral("RESTRICTED"), QStringLiteral(";DELETE OK;")});
    QVERIFY(rowOf(3));
    QVERIFY(events().contains(QStringLiteral("Your IP address has been restricted by the server.")));
}

void TestFrmRemoteMain::clearLogAsksAndEmptiesOnConfirmation()
{
    showRows({call(1, QStringLiteral("ONLY"), QStringLiteral("1"))});
    // One record: the singular question.
    Prompt::queueAnswer(Prompt::No);
    TRIGGER(window(), "mnuEditClear");
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("Are you sure you want to permanently remove this record from the database?"));
    showRows({call(1, QStringLiteral("A"), QStringLiteral("1")), call(2, QStringLiteral("B"), QStringLiteral("2"))});
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(window(), "Toolbar1.Buttons(4)");
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("Are you sure you want to permanently remove these records from the database?"));
    const QString request = m_server->waitForRequest(QStringLiteral(";DELETE SQL;"));
    QVERIFY(request == QStringLiteral(";DELETE SQL;|1|2|") || request == QStringLiteral(";DELETE SQL;|2|1|"));
    QCOMPARE(waitingNotes(), QStringList{QStringLiteral("DELETE")}); // Clear Log always waits
    m_server->send(QStringLiteral(";DELETE OK;"));
    QTRY_COMPARE(grid()->Rows(), 1);
    QVERIFY(gRemoteCallers->isEmpty());
    QCOMPARE(panel(2)->text(), QStringLiteral("0 Records Displayed"));
    QVERIFY(waitingNotes().isEmpty());
}

void TestFrmRemoteMain::refusalsAndErrorsCloseTheWaitingNotes()
{
    // A bad search leaves no note waiting for ever: the error closes it and says what failed, to the user who
    // waited as well as in the activity log.
    TRIGGER(window(), "mnuViewTime(12)");
    QCOMPARE(waitingNotes(), QStringList{QStringLiteral("SQL")});
    deliver({QStringLiteral(";ERROR;3075;Syntax error in query expression;")});
    QVERIFY(waitingNotes().isEmpty());
    QVERIFY(events().contains(QStringLiteral("Server error #3075: Syntax error in query expression")));
    // Nothing modal was opened inside the connection's handling.
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().last().kind, Prompt::Kind::Notice);
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("The server could not answer: Syntax error in query expression"));
    // An error nobody waits for (the answer to a request the program made on its own) stays in the log.
    Prompt::clearHistory();
    deliver({QStringLiteral(";ERROR;3075;Syntax error in query expression;")});
    QVERIFY(Prompt::history().isEmpty());

    // A contact the server refused as a duplicate is told in a box that does not wait.
    deliver({QStringLiteral(";ERROR;1;Duplicate names in database.;")});
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().last().kind, Prompt::Kind::Notice);
    QCOMPARE(Prompt::history().last().text, QStringLiteral("Duplicate names in database."));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));

    // Refusals: one box for the unit, each line in the events; the connection stays.
    Prompt::clearHistory();
    deliver({QStringLiteral("RESTRICTED;RESTRICTED")});
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().last().text, QStringLiteral("Your IP address has been restricted by the server."));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Critical));
    QCOMPARE(events().count(QStringLiteral("Your IP address has been restricted by the server.")), 2);
    QVERIFY(gRemoteSocket->Connected());
}

void TestFrmRemoteMain::blockedDisconnects()
{
    TRIGGER(window(), "mnuViewTime(12)");
    QCOMPARE(waitingNotes(), QStringList{QStringLiteral("SQL")});
    m_server->send(QStringLiteral("BLOCKED"));
    QTRY_VERIFY(!gRemoteSocket->Connected());
    QTRY_COMPARE(events().last(), QStringLiteral("Your IP address has been blocked by the server."));
    QCOMPARE(events().count(QStringLiteral("Your connection was dropped")), 1);
    QVERIFY(waitingNotes().isEmpty());
    QCOMPARE(Prompt::history().size(), 1);
    QCOMPARE(Prompt::history().first().kind, Prompt::Kind::Notice);
    QCOMPARE(Prompt::history().first().text, QStringLiteral("Your IP address has been blocked by the server."));
    QCOMPARE(panel(3)->text(), QStringLiteral("Offline"));
    QCOMPARE(action(QStringLiteral("mnuOptionsConnect"))->text(), QStringLiteral("Co&nnect"));
    QCOMPARE(window()->windowIcon().cacheKey(), ProgramIcons::icon(QStringLiteral("ricon")).cacheKey());
    // A request made while offline is dropped, and nothing waits for it.
    TRIGGER(window(), "mnuViewTime(12)");
    QVERIFY(waitingNotes().isEmpty());
}

// --- views, searches, logged records, edits --------------------------------------------------------------

void TestFrmRemoteMain::viewPeriodsAndTheDateRoundTrip()
{
    TRIGGER(window(), "mnuViewTime(2)");
    const QString request = m_server->waitForRequest(QStringLiteral(";SQL;"));
    QCOMPARE(request, QStringLiteral(";SQL;Select * From tblCID Where fldDate > #3/21/2024 1:00:00 PM#"));
    QCOMPARE(window()->strSQL, request.mid(5));
    QCOMPARE(GetProperty(Section::frmMain, Key::ViewTime, QString()), QStringLiteral("2"));
    for (int i : {0, 2, 3, 4, 6, 7, 9, 10, 12, 14})
        QCOMPARE(action(QStringLiteral("mnuViewTime(%1)").arg(i))->isChecked(), i == 2);
    QCOMPARE(waitingNotes(), QStringList{QStringLiteral("SQL")});

    // The server reads the query's date as the client wrote it: a call 59 minutes old is in the view, one
    // of 61 minutes is not. The server here is this process's own call log in standalone mode.
    gNetworkMode = Standalone;
    QVERIFY(CreateCallerDB(m_home->file(QStringLiteral("server.mdb"))));
    clsCaller in =
        call(0, QStringLiteral("MINUS 59"), QStringLiteral("1"), DateText::format(Clock::now().addSecs(-59 * 60)));
    clsCaller out =
        call(0, QStringLiteral("MINUS 61"), QStringLiteral("2"), DateText::format(Clock::now().addSecs(-61 * 60)));
    AddCaller(in);
    AddCaller(out);
    const QList<clsCaller> answer = SelectCallers(request.mid(5));
    CloseCallerDB();
    gNetworkMode = Client;
    QCOMPARE(answer.size(), 1);
    QCOMPARE(answer.first().Name, QStringLiteral("MINUS 59"));
    for (const QString& s : sqlAnswer(answer))
        m_server->send(s);
    QTRY_COMPARE(grid()->Rows(), 2);
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("MINUS 59"));
    QVERIFY(waitingNotes().isEmpty());

    // "Custom..." is offered only while its window is there (start-up registers the real one); it opens that
    // window over this one, changes no mark and asks for nothing by itself.
    m_server->clearRequests();
    const auto registered = windowLinks().showCustomizeTime;
    QVERIFY(registered);
    const auto relink = qScopeGuard([registered] { windowLinks().showCustomizeTime = registered; });
    windowLinks().showCustomizeTime = nullptr;
    window()->UpdateStatus();
    QVERIFY(!ui::isReachable(window(), QStringLiteral("mnuViewTime(14)")));
    QStringList opened;
    windowLinks().showCustomizeTime = [&opened, this](const QString& tag, QObject* owner) {
        opened.append(tag + (owner == window() ? QStringLiteral(" by the client window") : QString()));
    };
    window()->UpdateStatus();
    TRIGGER(window(), "mnuViewTime(14)");
    QCOMPARE(opened, QStringList{QStringLiteral("Main by the client window")});
    QVERIFY(action(QStringLiteral("mnuViewTime(2)"))->isChecked());
    QVERIFY(!action(QStringLiteral("mnuViewTime(14)"))->isChecked());
    TRIGGER(window(), "mnuViewTime(12)");
    QVERIFY(!m_server->waitForRequest(QStringLiteral(";SQL;")).isEmpty());
    QCOMPARE(m_server->requests().size(), 1);
}

void TestFrmRemoteMain::searchesAskTheServer()
{
    clsContact ann;
    ann.Name = QStringLiteral("ANN");
    auto home = std::make_shared<clsNumber>();
    home->Number = QStringLiteral("555-0101");
    ann.AddNumber(home);
    auto work = std::make_shared<clsNumber>();
    work->Number = QStringLiteral("555-0202");
    ann.AddNumber(work);
    deliver({QStringLiteral(";CLEAR CONTACTS;;CONTACT;") + ann.PrintSend()});
    showRows({call(5, QStringLiteral("O'BRIEN"), QStringLiteral("555-0101")),
              call(6, QStringLiteral("NOBODY"), QStringLiteral("555-0303"), QStringLiteral("3/21/2024 1:00:00 PM"))});
    grid()->setRow(rowOf(5));
    // The list shows the contact's name; the search is for the name the server logged, quoted safely.
    QCOMPARE(grid()->TextMatrix(rowOf(5), CallListModel::ColName), QStringLiteral("ANN"));
    TRIGGER(window(), "mnuGridOptionsSearchName");
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";SQL;")),
             QStringLiteral(";SQL;Select * From tblCID Where fldName = 'O''BRIEN'"));
    for (int i : {0, 2, 6, 12})
        QVERIFY(!action(QStringLiteral("mnuViewTime(%1)").arg(i))->isChecked());
    QCOMPARE(waitingNotes(), QStringList{QStringLiteral("SQL")});
    TRIGGER(window(), "mnuGridOptionsSearchNumber");
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";SQL;")),
             QStringLiteral(";SQL;Select * From tblCID Where fldNumber = '555-0101'"));
    TRIGGER(window(), "mnuGridOptionsSearchContact");
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";SQL;")),
             QStringLiteral(";SQL;Select * From tblCID Where (fldNumber like '*555-0101*' or fldNumber like "
                            "'*555-0202*')"));
    // A number no contact owns is searched as itself.
    grid()->setRow(rowOf(6));
    TRIGGER(window(), "mnuGridOptionsSearchContact");
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";SQL;")),
             QStringLiteral(";SQL;Select * From tblCID Where fldNumber like '*555-0303*'"));
    // Two rows selected: the single-record commands are off.
    grid()->setRow(1);
    grid()->setRowSel(2);
    QVERIFY(!ui::isReachable(window(), QStringLiteral("mnuGridOptionsSearchName")));
    QVERIFY(!ui::isReachable(window(), QStringLiteral("mnuEditOriginal")));
    grid()->setRow(1);
    QVERIFY(ui::isReachable(window(), QStringLiteral("mnuGridOptionsSearchName")));
}

void TestFrmRemoteMain::loggedRecordShowsTheServersValues()
{
    // The server's call log (this process's own, in standalone mode for the moment).
    gNetworkMode = Standalone;
    QVERIFY(CreateCallerDB(m_home->file(QStringLiteral("server.mdb"))));
    clsCaller logged = call(0, QStringLiteral("MARY JONES"), QStringLiteral("(555) 123-4567"),
                            QStringLiteral("3/21/2024 1:15:30 PM"), 4, QStringLiteral("YES"));
    AddCaller(logged);
    const QList<clsCaller> rows = SelectCallers(QStringLiteral("Select * From tblCID"));
    gNetworkMode = Client;
    showRows(rows);
    grid()->setRow(1);
    TRIGGER(window(), "mnuEditOriginal");
    const QString request = m_server->waitForRequest(QStringLiteral(";ORIGINAL ID;"));
    QCOMPARE(request, QStringLiteral(";ORIGINAL ID;3/21/2024 1:15:30 PM;"));
    gNetworkMode = Standalone;
    const auto record = FindLoggedRecord(request.section(QLatin1Char(';'), 2, 2));
    CloseCallerDB();
    gNetworkMode = Client;
    QVERIFY(record);
    const QChar s = QLatin1Char(';');
    m_server->send(QStringLiteral(";ORIGINAL ID;") + record->Name + s + record->Number + s + record->Time + s +
                   record->Rings + s + record->Answered + s);
    QTRY_VERIFY(frmOriginalCallerIDInfo::instance(false) && frmOriginalCallerIDInfo::instance(false)->isVisible());
    frmOriginalCallerIDInfo* w = frmOriginalCallerIDInfo::instance(false);
    QCOMPARE(ui::textOf(w, QStringLiteral("lblName")), QStringLiteral("MARY JONES"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblNumber")), QStringLiteral("(555) 123-4567"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblTime")), QStringLiteral("3/21/2024 1:15:30 PM"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblRings")), QStringLiteral("4"));
    QCOMPARE(ui::textOf(w, QStringLiteral("lblAnswered")), QStringLiteral("YES"));
    QVERIFY(w->Tag.isEmpty());
}

void TestFrmRemoteMain::editsGoToTheServer()
{
    showRows({call(7, QStringLiteral("OLD"), QStringLiteral("555-1111"))});
    // The list's editor hands its value to the window, which asks first and then asks the server.
    Prompt::queueAnswer(Prompt::Yes);
    gMainForm->EditGrid(1, QStringLiteral("555-9999"), 7);
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("Are you sure you want to permanently edit the original caller id information?"));
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";EDIT CALLER;")), QStringLiteral(";EDIT CALLER;1;555-9999;7"));
    // Nothing changes here until the server tells every client of the edit.
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColNumber), QStringLiteral("555-1111"));
    deliver({QStringLiteral(";EDIT CALLER;") + call(7, QStringLiteral("OLD"), QStringLiteral("555-9999")).PrintSend() +
             QLatin1Char(';')});
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColNumber), QStringLiteral("555-9999"));
    QCOMPARE(gRemoteCallers->first().Number.Number, QStringLiteral("555-9999"));
    // Without the question; a value the editor would refuse is not sent at all.
    SaveProperty(Section::frmConfiguration, Key::ConfirmDeletion, QStringLiteral("False"));
    const qsizetype asked = Prompt::history().size();
    gMainForm->EditGrid(0, QStringLiteral("NEW;NAME"), 7);
    gMainForm->EditGrid(3, QStringLiteral("5"), 7);
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";EDIT CALLER;")), QStringLiteral(";EDIT CALLER;3;5;7"));
    QCOMPARE(Prompt::history().size(), asked);
}

void TestFrmRemoteMain::popupAnswersFillThePopup()
{
    miniDisplay().Show();
    frmMiniDisplay* popup = frmMiniDisplay::instance(false);
    QVERIFY(popup && popup->isVisible());
    // Showing it asked the server for the recent calls, as many as the pop-up keeps.
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";MINI DISPLAY;")), QStringLiteral(";MINI DISPLAY;10;"));
    QCOMPARE(waitingNotes(), QStringList{QStringLiteral("MINI DISPLAY")});
    m_server->send(QStringLiteral(";MINI DISPLAY;") +
                   call(2, QStringLiteral("NEWEST"), QStringLiteral("2")).PrintSend() +
                   QStringLiteral(";MINI DISPLAY;|x|BAD|;MINI DISPLAY;") +
                   call(1, QStringLiteral("OLDER"), QStringLiteral("1")).PrintSend() + QLatin1Char(';'));
    QTRY_COMPARE(miniDisplay().Callers.size(), 2);
    QCOMPARE(miniDisplay().Callers.first().Name, QStringLiteral("NEWEST"));
    QVERIFY(waitingNotes().isEmpty());
    QTRY_VERIFY(events().contains(QStringLiteral("1 caller was lost during a file transfer.")));
    // The statistics text of the caller shown.
    deliver({QStringLiteral(";MINI DISPLAY STATS;Caller Info: NEWEST\r\nTotal Calls: 3")});
    QCOMPARE(ui::textOf(popup, QStringLiteral("txtCallerInfo")), QStringLiteral("Caller Info: NEWEST\nTotal Calls: 3"));
    // The logged record asked for from the pop-up opens above it.
    deliver({QStringLiteral(";ORIGINAL ID MINI DISPLAY;NEWEST;2;3/21/2024 2:00:00 PM;2;NO;")});
    QVERIFY(frmOriginalCallerIDInfo::instance(false));
    QCOMPARE(frmOriginalCallerIDInfo::instance(false)->Tag, QStringLiteral("MINI DISPLAY"));
    QCOMPARE(ui::textOf(frmOriginalCallerIDInfo::instance(false), QStringLiteral("lblName")), QStringLiteral("NEWEST"));
}

void TestFrmRemoteMain::statisticsAskTheServer()
{
    TRIGGER(window(), "mnuWindow(4)");
    frmStatistics* stats = frmStatistics::instance(false);
    QVERIFY(stats && stats->isVisible());
    // The window asks the server for its grid and waits for it.
    const QString asked = m_server->waitForRequest(QStringLiteral(";STATISTIC;|TIMEPERIOD|"));
    QVERIFY(!asked.isEmpty());
    QTRY_VERIFY(waitingNotes().contains(QStringLiteral("STATS")));
    QStringList cells;
    for (int c = 0; c < gStatistics->count() * 4; ++c)
        cells << QString::number(c);
    m_server->send(QStringLiteral(";STATISTIC;") + EncodeStatisticReply(cells) + QLatin1Char(';'));
    QTRY_VERIFY(!waitingNotes().contains(QStringLiteral("STATS")));
    auto* table = ui::findByName<QTableView>(stats, QStringLiteral("msfStatistics"));
    QVERIFY(table);
    QCOMPARE(qobject_cast<StatsGridModel*>(table->model())->TextMatrix(1, 1), QStringLiteral("0"));
    // The grid menu's statistics of one caller are there for a single chosen call.
    showRows({call(1, QStringLiteral("ONE"), QStringLiteral("555-0001"))});
    grid()->setRow(1);
    QVERIFY(ui::isReachable(window(), QStringLiteral("mnuGridOptionsStatistics")));
}

void TestFrmRemoteMain::contactsAreAskedOfTheServer()
{
    deliver({QStringLiteral(";CLEAR CONTACTS;;CONTACT;|MARY|||note|NUMBER|555-0000|Home")});
    showRows({call(3, QStringLiteral("JOHN SMITH"), QStringLiteral("(212) 555-1234"))});
    grid()->setRow(1);
    // A new contact from the call: the request goes to the server, and nothing changes here before its
    // contact update comes back.
    QString proposedName;
    ModalDialog::queueScript([&](QDialog& d) {
        proposedName = d.findChild<QLineEdit*>(QStringLiteral("txtName"))->text();
        d.findChild<QComboBox*>(QStringLiteral("cmbDescription"))->setEditText(QStringLiteral("Work"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(window(), "mnuEditCreateNew");
    QCOMPARE(proposedName, QStringLiteral("JOHN SMITH"));
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";ADD CONTACT;")),
             QStringLiteral(";ADD CONTACT;|JOHN SMITH||||NUMBER|(212) 555-1234|Work"));
    QCOMPARE(gContacts.count(), 1);
    // The number added to a contact: the server gets the contact with it; the copy here waits for the server.
    ModalDialog::queueScript([](QDialog& d) {
        d.findChild<QListWidget*>(QStringLiteral("lstContacts"))->setCurrentRow(0);
        d.findChild<QComboBox*>(QStringLiteral("cmbDescription"))->setEditText(QStringLiteral("Cellular"));
        d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    TRIGGER(window(), "mnuGridOptionsAddToCurrent");
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";EDIT CONTACT;")),
             QStringLiteral(";EDIT CONTACT;MARY;|MARY|||note|NUMBER|555-0000|Home|NUMBER|(212) 555-1234|Cellular"));
    QCOMPARE(gContacts.item(QStringLiteral("MARY"))->Numbers.count(), 1);
    // The server's answer, its contact update, shows the call as Mary's.
    deliver(
        {QStringLiteral(";CLEAR CONTACTS;;CONTACT;|MARY|||note|NUMBER|555-0000|Home|NUMBER|(212) 555-1234|Cellular")});
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("MARY (Cellular)"));
    // The Window menu opens the contact book.
    TRIGGER(window(), "mnuWindow(2)");
    QTRY_VERIFY(FindForm(QStringLiteral("frmContacts")) && FindForm(QStringLiteral("frmContacts"))->isVisible());
}

void TestFrmRemoteMain::configurationOpensTheOptions()
{
    // The options dialog opens over the client's window in client mode; Cancel leaves the window and its
    // connection as they were.
    ModalScript script;
    script.expect(QStringLiteral("frmConfiguration"), [&](QDialog* d) {
        QCOMPARE(d->parentWidget(), static_cast<QWidget*>(window()));
        auto* client = ui::findByName<QRadioButton>(d, QStringLiteral("optNetworking(2)"));
        QVERIFY(client && client->isChecked());
        auto* cancel = ui::findByName<QPushButton>(d, QStringLiteral("cmdCancel"));
        QVERIFY(cancel);
        cancel->click();
    });
    QPointer<frmRemoteMain> before = window();
    TRIGGER(window(), "mnuOptionsConfiguration");
    QTRY_VERIFY(script.done());
    QCOMPARE(script.unexpected(), QStringList());
    QCOMPARE(window(), before.data());
    QVERIFY(gRemoteSocket && gRemoteSocket->Connected());
}

void TestFrmRemoteMain::aSwitchToStandaloneForgetsTheCallThatRang()
{
    // The server's call rings when the user makes this copy standalone: the call went with the server, and the
    // new mode's log commands are not refused for it. The pop-up it opened keeps nothing of it either.
    SaveProperty(Section::frmConfiguration, Key::PopupScreen, QStringLiteral("True"));
    deliver({QStringLiteral(";NEW;"),
             QStringLiteral(";INCOMING CALLER;|0|NOT RECEIVED|NUMBER|NOT RECEIVED|NONE|3/21/2024 2:00:00 PM|0|||N/A|"),
             QStringLiteral(";RING;")});
    QVERIFY(gRinging);
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    ModalScript script;
    script.expect(QStringLiteral("frmConfiguration"), [](QDialog* d) {
        ui::findByName<QRadioButton>(d, QStringLiteral("optNetworking(0)"))->click();
        TRIGGER(d, "cmdOK");
    });
    TRIGGER(window(), "mnuOptionsConfiguration");
    QTRY_VERIFY(dynamic_cast<frmBaseMain*>(gMainForm));
    QVERIFY(miniDisplay().liveCall().Name.isEmpty());
    TRIGGER(dynamic_cast<QObject*>(gMainForm), "mnuWindow(6)");
    QCOMPARE(ui::textOf(frmMiniDisplay::instance(false), QStringLiteral("lblPosition")), QStringLiteral("0/0"));
    const QString made = m_home->file(QStringLiteral("made.mdb"));
    Prompt::queueText(made);
    TRIGGER(dynamic_cast<QObject*>(gMainForm), "mnuFileNewDB");
    QVERIFY(QFile::exists(made));
}

void TestFrmRemoteMain::updateNeededAsksAgain()
{
    m_server->clearRequests();
    TRIGGER(window(), "mnuViewTime(12)");
    QVERIFY(!m_server->waitForRequest(QStringLiteral(";SQL;")).isEmpty());
    for (const QString& s : sqlAnswer({}))
        m_server->send(s);
    QTRY_VERIFY(waitingNotes().isEmpty());
    m_server->send(QStringLiteral(";UPDATE NEEDED;"));
    QCOMPARE(m_server->waitForRequest(QStringLiteral(";SQL;")), QStringLiteral(";SQL;Select * From tblCID"));
    QCOMPARE(waitingNotes(), QStringList{QStringLiteral("SQL")});
    QVERIFY(events().contains(QStringLiteral("An update of your call log was required by your IP Address.")));
}

// --- the connection ----------------------------------------------------------------------------------------

void TestFrmRemoteMain::reconnectingStartsClean()
{
    // A contact change the server never answers, half a message, then the server goes.
    clsContact ann;
    ann.Name = QStringLiteral("Ann");
    QVERIFY(SendContactRequest(ContactRequests::edit(QStringLiteral("Ann"), ann)));
    m_server->sendRaw(";CLEAR CALLERS;;CALLER;|5|HALF");
    m_server->dropClient();
    QTRY_VERIFY(!gRemoteSocket->Connected());
    QCOMPARE(events().last(), QStringLiteral("Your connection was dropped"));
    QCOMPARE(panel(3)->text(), QStringLiteral("Offline"));
    QVERIFY(waitingNotes().isEmpty());
    QCOMPARE(action(QStringLiteral("mnuPopupMenuConnect"))->text(), QStringLiteral("Co&nnect"));

    // Connecting again sends the whole burst again; the first answer is read on its own, and a refusal among
    // the burst's answers is no answer to the change asked on the connection before.
    m_server->clearRequests();
    TRIGGER(window(), "mnuOptionsConnect");
    QVERIFY(m_server->waitForClient());
    QVERIFY(!m_server->waitForRequest(QStringLiteral(";MODEMCONNECTION;GET CONTACT UPDATE;SQL;")).isEmpty());
    Prompt::clearHistory();
    deliver({QStringLiteral(";MODEMCONNECTION;False;"), QStringLiteral(";ERROR;30000;Too Complex;")});
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("The server could not answer: Too Complex")});
    showRows({call(9, QStringLiteral("CLEAN"), QStringLiteral("1"))});
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("CLEAN"));
    QCOMPARE(gRemoteCallers->size(), 1);
    QVERIFY(events().filter(QStringLiteral("lost")).isEmpty());

    // The user's Disconnect: offline, said once.
    const qsizetype dropped = events().count(QStringLiteral("Your connection was dropped"));
    TRIGGER(window(), "mnuPopupMenuConnect");
    QVERIFY(!gRemoteSocket->Connected());
    QCOMPARE(events().count(QStringLiteral("Your connection was dropped")), dropped + 1);
    QCOMPARE(gRemoteSocket->State(), SocketState::Closed);
}

void TestFrmRemoteMain::anOversizedSendIsSkippedAndSaid()
{
    // A connection that holds at most 4 KiB of an unfinished send.
    install(gRemoteSocket, nullptr, 4096);
    QVERIFY(m_server->waitForClient());
    QVERIFY(!m_server->waitForRequest(QStringLiteral(";MODEMCONNECTION;")).isEmpty());
    m_server->sendRaw(QByteArray(";CLEAR CALLERS;;CALLER;|1|") + QByteArray(10000, 'A'));
    m_server->send(QStringLiteral("|NUMBER|1|NONE|d|1|||NO|"));
    showRows({call(2, QStringLiteral("AFTER"), QStringLiteral("1"))});
    QCOMPARE(events().count(QStringLiteral("A message from the server was too large and was skipped.")), 1);
    QCOMPARE(grid()->TextMatrix(1, CallListModel::ColName), QStringLiteral("AFTER"));
}

void TestFrmRemoteMain::aNestedRefillWaitsForTheRunningOne()
{
    QList<clsCaller> first, second;
    for (int i = 1; i <= 40; ++i)
        first << call(i, QStringLiteral("FIRST %1").arg(i), QStringLiteral("1"));
    for (int i = 1; i <= 30; ++i)
        second << call(100 + i, QStringLiteral("SECOND %1").arg(i), QStringLiteral("2"));
    *gRemoteCallers = first;
    // While the refill's progress window lets the event loop run, new rows come and ask for a refill.
    bool replaced = false;
    QTimer::singleShot(0, this, [&] {
        *gRemoteCallers = second;
        gMainForm->RefreshGrid();
        replaced = true;
    });
    gMainForm->RefreshGrid();
    QVERIFY(replaced);
    QCOMPARE(grid()->Rows(), 31);
    QSet<QString> ids;
    for (int r = 1; r < grid()->Rows(); ++r)
        ids.insert(grid()->TextMatrix(r, CallListModel::ColID));
    QCOMPARE(ids.size(), 30);
    QVERIFY(ids.contains(QStringLiteral("101")) && ids.contains(QStringLiteral("130")));
    QCOMPARE(panel(2)->text(), QStringLiteral("30 Records Displayed"));
}

// --- the window ----------------------------------------------------------------------------------------------

void TestFrmRemoteMain::minimiseKeepsThePopupAndTheNotes()
{
    frmRemoteMain* w = window();
    QWidget contacts;
    contacts.setObjectName(QStringLiteral("frmContacts"));
    contacts.show();
    miniDisplay().Show();
    QWidget* popup = frmMiniDisplay::instance(false);
    QVERIFY(popup && popup->isVisible());
    // The pop-up asked for its recent calls; the view asks for its rows.
    QCOMPARE(waitingNotes(), QStringList{QStringLiteral("MINI DISPLAY")});
    TRIGGER(w, "mnuViewTime(12)");
    QWidget* note = nullptr;
    for (QWidget* n : FindForms(QStringLiteral("frmWaiting")))
        if (Tag(n) == QLatin1String("SQL"))
            note = n;
    QVERIFY(note);

    w->setWindowState(w->windowState() | Qt::WindowMinimized);
    QTRY_VERIFY(!contacts.isVisible());
    QVERIFY(!note->isVisible());
    QVERIFY(popup->isVisible());
    // No tray here: the window itself stays reachable.
    QVERIFY(!ShellIcon::trayAvailable());
    QVERIFY(w->isVisible());
    // The hidden note keeps its kind: its answer still closes it.
    QCOMPARE(Tag(note), QStringLiteral("SQL"));
    for (const QString& s : sqlAnswer({}))
        m_server->send(s);
    QTRY_COMPARE(waitingNotes(), QStringList{QStringLiteral("MINI DISPLAY")});

    w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    QTRY_VERIFY(contacts.isVisible());
    QVERIFY(popup->isVisible());
}

void TestFrmRemoteMain::closeBoxFollowsCloseMinimize()
{
    frmRemoteMain* w = window();
    QSignalSpy quit(qApp, &QCoreApplication::aboutToQuit);
    QVERIFY(!w->close());
    QVERIFY(w->windowState() & Qt::WindowMinimized);
    QCOMPARE(gMainForm, static_cast<MainWindow*>(w));
    QVERIFY(gRemoteSocket && gRemoteSocket->Connected());
    QVERIFY(!ProgramEnded());
    QCOMPARE(quit.count(), 0);

    SaveProperty(Section::frmConfiguration, Key::CloseMinimize, QStringLiteral("False"));
    w->setWindowState(Qt::WindowNoState);
    QPointer<QWidget> guard = w;
    QVERIFY(w->close());
    QVERIFY(!gMainForm);
    QVERIFY(!gRemoteSocket);
    QTRY_VERIFY(!m_server->hasClient());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!guard);
}

void TestFrmRemoteMain::exitEndsTheProgram()
{
    frmRemoteMain* w = window();
    w->resize(700, 450);
    QCoreApplication::processEvents();
    QPointer<ShellIcon> tray = ui::findByName<ShellIcon>(w, QStringLiteral("ShellIcon"));
    TRIGGER(w, "mnuFileExit");
    QVERIFY(!gMainForm);
    QVERIFY(!gRemoteSocket && !gRemoteCallers);
    QCOMPARE(GetProperty(Section::frmMain, Key::Width, QString()).toInt(), int(Twips::fromPixels(700)));
    QCOMPARE(GetProperty(Section::frmMain, Key::WindowState, QString()), QStringLiteral("0"));
    QVERIFY(!tray || !tray->Visible());
}

void TestFrmRemoteMain::loadedInAnotherModeItUnloadsItself()
{
    ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QByteArray before = [] {
        QFile f(settingsFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    gNetworkMode = Server;
    QPointer<frmRemoteMain> w = new frmRemoteMain;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w);
    QVERIFY(!gMainForm);
    QVERIFY(!ProgramEnded());
    QFile f(settingsFilePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestFrmRemoteMain::statusBarTipsAndEvents()
{
    frmRemoteMain* w = window();
    w->resize(1000, 500);
    QCoreApplication::processEvents();
    QStatusBar* bar = ui::findByName<QStatusBar>(w, QStringLiteral("StatusBar1"));
    auto tipOver = [&](int i) {
        QLabel* p = panel(i);
        QMouseEvent move(QEvent::MouseMove, QPointF(p->width() / 2.0, p->height() / 2.0),
                         p->mapToGlobal(QPointF(p->width() / 2.0, p->height() / 2.0)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(p, &move);
        return bar->toolTip();
    };
    QCOMPARE(tipOver(1), QStringLiteral("Events (double click to expand)"));
    QCOMPARE(tipOver(2), QStringLiteral("Records Displayed"));
    QCOMPARE(tipOver(3), QStringLiteral("Host IP Address"));
    QCOMPARE(tipOver(4), QStringLiteral("Current Time"));
    QCOMPARE(panel(4)->text(), QStringLiteral("2:00 PM"));
    // A double click on the first panel folds the events out over it; one on the list folds it back.
    QListView* list = ui::findByName<QListView>(w, QStringLiteral("lstEvents"));
    QTest::mouseDClick(panel(1), Qt::LeftButton);
    QVERIFY(list->isVisible());
    QCOMPARE(list->width(), panel(1)->width());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton);
    QVERIFY(!list->isVisible());
    // The status text goes after ten ticks.
    AddEvent(QStringLiteral("something"));
    QCOMPARE(panel(1)->text(), QStringLiteral("something"));
    for (int i = 0; i < 10; ++i)
        w->StatusTimer_Timer();
    QCOMPARE(panel(1)->text(), QString());
}

void TestFrmRemoteMain::printsTwoPagesAndCutsLongNames()
{
    const QString longName(60, QLatin1Char('W'));
    QList<clsCaller> rows;
    for (int i = 1; i <= 60; ++i)
        rows << call(i, i == 1 ? longName : QStringLiteral("CALLER %1").arg(i), QStringLiteral("555-%1").arg(1000 + i),
                     QStringLiteral("3/21/2024 1:%1:00 PM").arg(i % 60, 2, 10, QLatin1Char('0')));
    showRows(rows);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_home->file(QStringLiteral("list.pdf")));
    printer.setPageSize(QPageSize(QPageSize::Letter));
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(CallListPrinter(grid(), CallListPrintOptions::client()).PrintList(printer));
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), printer.outputFileName(), QStringLiteral("-")});
    QVERIFY(p.waitForFinished(30000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    QCOMPARE(html.count(QStringLiteral("<page ")), 2);
    for (const QString& footer : {QStringLiteral(">Page</word>")})
        QCOMPARE(html.count(footer), 2);
    QCOMPARE(html.count(QStringLiteral(">Velquon</word>")), 2);
    QCOMPARE(html.count(QStringLiteral(">Answered</word>")), 2);
    // The 60-character name ends before its column does: nothing printed over the number.
    static const QRegularExpression word(QStringLiteral(R"re(xMax="([\d.]+)"[^>]*>(W+)</word>)re"));
    const auto m = word.match(html);
    QVERIFY(m.hasMatch());
    QVERIFY(m.captured(2).size() < 60);
    QVERIFY2(m.captured(1).toDouble() <= (0.5 + 2.3) * 72, qPrintable(m.captured(1)));

    // A printer that cannot print gets the client's own words (one blank after "Printer error.").
    QPrinter broken(QPrinter::HighResolution);
    broken.setOutputFormat(QPrinter::PdfFormat);
    broken.setOutputFileName(m_home->file(QStringLiteral("no/such/folder/list.pdf")));
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(!CallListPrinter(grid(), CallListPrintOptions::client()).PrintList(broken));
    QCOMPARE(Prompt::history().last().text,
             QStringLiteral("Printer error. Possible causes are no printer installed, "
                            "\r\nthe printer is offline or the printer has a paper jam."));
    // Headless, the window's print command shows the print dialog, which is cancelled: nothing printed.
    TRIGGER(window(), "mnuFilePrint");
    QCOMPARE(Prompt::history().last().kind, Prompt::Kind::Print);
}

void TestFrmRemoteMain::screenshot()
{
    const QByteArray buildDir = qgetenv("VELQUON_BUILD_DIR");
    if (buildDir.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (run through ctest)");
    deliver({QStringLiteral(";CLEAR ATTRIBUTE GROUPS;;ATTRIBUTE GROUP;|VIP Callers|255|False||;CLEAR CONTACTS;"
                            ";CONTACT;|JOHN|VIP Callers|||NUMBER|555-1234|Home")});
    QList<clsCaller> rows;
    for (int i = 1; i <= 12; ++i)
        rows << call(i, QStringLiteral("CALLER %1").arg(i),
                     i % 4 ? QStringLiteral("555-%1").arg(2000 + i) : QStringLiteral("555-1234"),
                     QStringLiteral("3/21/2024 1:%1:00 PM").arg(i * 4, 2, 10, QLatin1Char('0')), i % 5,
                     i % 3 ? QStringLiteral("YES") : QStringLiteral("NO"));
    showRows(rows);
    frmRemoteMain* w = window();
    w->resize(900, 560);
    QCoreApplication::processEvents();
    const QString dir = QString::fromLocal8Bit(buildDir) + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(dir));
    const QString file = dir + QStringLiteral("/clientwindow.png");
    const QImage image = w->grab().toImage();
    QVERIFY(image.save(file));
    QCOMPARE(image.size(), w->size() * w->devicePixelRatio());
    // Something was drawn: more than a handful of colours, among them the red of the contact's rows.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 10);
}

QTEST_MAIN(TestFrmRemoteMain)
#include "test_frmremotemain.moc"
