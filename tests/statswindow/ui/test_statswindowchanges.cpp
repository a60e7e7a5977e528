#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "capture/ModemPort.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/ui/ModalDialog.h"
#include "statistics/StatisticsRun.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsCustomization.h"
#include "statswindow/ui/StatsWindowProbe.h"
#include "statswindow/ui/frmAddGroup.h"
#include "statswindow/ui/frmCustomizeStatistics.h"
#include "statswindow/ui/frmCustomizeTime.h"
#include "statswindow/ui/frmStatistics.h"
#include "support/ModalChange.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

// The statistics window and its dialogs on a server with live clients, while something else goes on: the
// engine busy with a client's answer, another client changing the contact book (so the per-contact groups are
// rebuilt), the program ending. Each change lands while a command of the window waits (a run in the queue, an
// editor, a question box, a file dialog); the command then acts on what the user chose, or says it is gone.

using S = StandaloneSession;

namespace {

void addCall(const QString& name, const QString& number, const QDateTime& when, int rings)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(when);
    c.Rings = rings;
    c.Answered = QStringLiteral("YES");
    AddCaller(c);
}

clsContact contact(const QString& name, const QString& number)
{
    clsContact c;
    c.Name = name;
    c.AddNumber(std::make_shared<clsNumber>(number, QString()));
    return c;
}

// The grid's text for a group (by its row heading) and a statistic (by its column heading); "?" when the grid
// has no such row or column.
QString cell(const QWidget* w, const QString& group, const QString& statistic)
{
    const StatsGridModel* g = gridOf(w);
    for (int r = 1; r < g->Rows(); ++r) {
        for (int c = 1; c < g->Cols() - 1; ++c) {
            if (g->TextMatrix(r, 0) == group && g->TextMatrix(0, c) == statistic)
                return g->TextMatrix(r, c);
        }
    }
    return QStringLiteral("?");
}

// Statistic cells left empty (headings and the filler column aside).
int emptyCells(const QWidget* w)
{
    const StatsGridModel* g = gridOf(w);
    int empty = 0;
    for (int r = 1; r < g->Rows(); ++r) {
        for (int c = 1; c < g->Cols() - 1; ++c)
            empty += g->TextMatrix(r, c).isEmpty() ? 1 : 0;
    }
    return empty;
}

QWidget* customize() { return FindForm(QStringLiteral("frmCustomizeStatistics")); }

QStringList entries(const char* name)
{
    QStringList out;
    const auto* l = named<QListWidget>(customize(), name);
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}

QString selectedIn(const char* name)
{
    const auto* l = named<QListWidget>(customize(), name);
    return l->currentRow() >= 0 && l->currentItem()->isSelected() ? l->currentItem()->text() : QString();
}

void pick(const char* name, const QString& text)
{
    auto* l = named<QListWidget>(customize(), name);
    const QList<QListWidgetItem*> found = l->findItems(text, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(text));
    l->setCurrentItem(found.first());
}

QByteArray statsFile()
{
    QFile f(StatsFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A client's request for every cell of two statistics over the five built-in groups, any time.
const char kStatisticRequest[] = ";STATISTIC;|TIMEPERIOD||GROUP||GROUP|fldName Like 'JANE*'|GROUP|fldRings > 5|GROUP|"
                                 "fldRings < 3|GROUP|fldAnswered Like 'YES'||STAT||NONE|STAT||MOST RINGS|";

const QString kChanged = QStringLiteral(" was changed or removed while this window waited; nothing was changed.");

} // namespace

class TestStatsWindowChanges : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();

    void theGridAndTheGraphOfOneCommandBothWaitTheirTurn();
    void oneCallersStatisticsWhileTheServerIsBusy();
    void refreshingTheGraphDuringAGridRunLeavesTheGridWhole();
    void aWaitingGridShowsTheGroupsItComputes();
    void aGraphLeavesOutAGroupThatWent();
    void theSelectionFollowsItsGroupWhenTheGroupsChange();
    void removeActsOnTheChosenGroup();
    void editActsOnTheChosenGroup();
    void anEditOfAGroupChangedMeanwhileChangesNothing();
    void theEditorsOwnBoxWhileAContactArrives();
    void theProgramEndingWhileACommandWaits();

private:
    frmStatistics* openStatistics();
    QWidget* openCustomize();
    ModalChange::OtherClient& otherClient();

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<ModalChange::OtherClient> m_client;
    QDateTime m_now;
};

void TestStatsWindowChanges::init()
{
    // A server, its modem port left closed.
    m_home = std::make_unique<TempHome>();
    Clock::setNow(QDateTime(QDate(2024, 3, 21), QTime(14, 0, 0), Qt::UTC));
    m_now = Clock::now();
    SaveProperty(Section::frmConfiguration, Key::InitializedSettings, QStringLiteral("True"));
    SaveProperty(Section::frmConfiguration, Key::AutoStart, QStringLiteral("False"));
    SaveProperty(Section::frmConfiguration, Key::Networking, QStringLiteral("1"));
    SaveProperty(Section::frmConfiguration, Key::LocalPort, QStringLiteral("0"));
    QVERIFY(Main());
    QVERIFY(S::window());
    S::port()->PortOpenTimer.stop();
    QVERIFY(gServer && gServer->isListening());
    Prompt::resetScript();

    QVERIFY(AddContact(contact(QStringLiteral("Abe Early"), QStringLiteral("555-1111"))));
    QVERIFY(AddContact(contact(QStringLiteral("Jane Doe"), QStringLiteral("(555) 987-6543"))));
    // A fortnight of calls: Jane twice a day, private callers every other day, Abe twice, one long ring.
    for (int d = 14; d >= 1; --d) {
        const QDateTime day = m_now.addDays(-d);
        addCall(QStringLiteral("JANE DOE"), QStringLiteral("(555) 987-6543"), day.addSecs(-3600), 2);
        addCall(QStringLiteral("JANE DOE"), QStringLiteral("(555) 987-6543"), day.addSecs(-1800), 3);
        if (d % 2 == 0)
            addCall(QStringLiteral("PRIVATE NUMBER"), QStringLiteral("PRIVATE NUMBER"), day.addSecs(3600), 1);
    }
    addCall(QStringLiteral("ABE EARLY"), QStringLiteral("555-1111"), m_now.addDays(-1), 1);
    addCall(QStringLiteral("ABE EARLY"), QStringLiteral("555-1111"), m_now.addDays(-10), 1);
    addCall(QStringLiteral("BOB RING"), QStringLiteral("555-0000"), m_now.addDays(-3), 9);
    QVERIFY(StatsCustomization::AddGroup(QStringLiteral("Friends"), QStringLiteral("fldRings > 2")));
    QVERIFY(StatsCustomization::AddGroup(QStringLiteral("Golfers"), QStringLiteral("fldRings > 5")));
}

void TestStatsWindowChanges::cleanup()
{
    Prompt::resetScript();
    ModalDialog::resetScripts();
    m_client.reset();
    if (gMainForm)
        ShutDown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!w->parentWidget() && w->windowType() != Qt::Desktop)
            windows << w;
    for (const QPointer<QWidget>& w : std::as_const(windows))
        delete w.data();
    m_home.reset();
}

frmStatistics* TestStatsWindowChanges::openStatistics()
{
    frmStatistics* w = frmStatistics::instance();
    w->showWindow(S::window());
    // The first layout loads the default view once the window is up; its runs end before this returns.
    QCoreApplication::processEvents();
    return w;
}

QWidget* TestStatsWindowChanges::openCustomize()
{
    frmStatistics* w = openStatistics();
    const QString problem = ui::tryTrigger(w, QStringLiteral("mnuEditStatistics"));
    if (!problem.isEmpty())
        qWarning("%s", qPrintable(problem));
    return customize();
}

ModalChange::OtherClient& TestStatsWindowChanges::otherClient()
{
    if (!m_client) {
        m_client = std::make_unique<ModalChange::OtherClient>(gServer->LocalPort());
        [&] { QTRY_COMPARE(gServer->ClientCount(), 1); }();
    }
    return *m_client;
}

void TestStatsWindowChanges::theGridAndTheGraphOfOneCommandBothWaitTheirTurn()
{
    frmStatistics* w = openStatistics();
    QCOMPARE(emptyCells(w), 0);
    QCOMPARE(cell(w, QStringLiteral("All Callers"), QStringLiteral("Total Calls")), QStringLiteral("38"));
    // While the server answers a client, the user picks another period: the grid and the graph it asks for
    // wait until the answer is out, and then both are computed.
    bool picked = false;
    const auto change = ModalChange::fireWhen([] { return StatisticsQueue::busy(); },
                                              [&] {
                                                  picked = true;
                                                  TRIGGER(w, "mnuTime(3)");
                                              });
    QVERIFY(otherClient().send(QString::fromLatin1(kStatisticRequest), {QStringLiteral(";STATISTIC;|")}));
    QVERIFY(picked);
    QTRY_VERIFY(!StatisticsQueue::busy());
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (Last Week)"));
    QCOMPARE(emptyCells(w), 0);
    // Jane twelve times, three private calls, Abe and the long ring once each.
    QCOMPARE(cell(w, QStringLiteral("All Callers"), QStringLiteral("Total Calls")), QStringLiteral("17"));
    QCOMPARE(cell(w, QStringLiteral("Jane Doe"), QStringLiteral("Total Calls")), QStringLiteral("12"));
    const Graphed g = graphed(w);
    QCOMPARE(g.series, QStringList({"All Callers"}));
    QCOMPARE(g.sum(0), 17.0);
}

void TestStatsWindowChanges::oneCallersStatisticsWhileTheServerIsBusy()
{
    frmStatistics* w = openStatistics();
    // The call list's "statistics of this caller" while a client is answered: a caller known to no group and
    // no contact gets a group for the moment, which the graph waiting its turn still finds.
    bool asked = false;
    const auto change = ModalChange::fireWhen([] { return StatisticsQueue::busy(); },
                                              [&] {
                                                  asked = true;
                                                  w->LoadNumber(QStringLiteral("555-0000"), QStringLiteral("BOB RING"));
                                              });
    QVERIFY(otherClient().send(QString::fromLatin1(kStatisticRequest), {QStringLiteral(";STATISTIC;|")}));
    QVERIFY(asked);
    QTRY_VERIFY(!StatisticsQueue::busy());
    QCOMPARE(column(w, 0), QStringList({"BOB RING"}));
    QCOMPARE(emptyCells(w), 0);
    QCOMPARE(cell(w, QStringLiteral("BOB RING"), QStringLiteral("Total Calls")), QStringLiteral("1"));
    const Graphed g = graphed(w);
    QCOMPARE(g.series, QStringList({"BOB RING"}));
    QCOMPARE(g.sum(0), 1.0);
    QVERIFY(!gGroups->contains(QStringLiteral("BOB RING")));
}

void TestStatsWindowChanges::refreshingTheGraphDuringAGridRunLeavesTheGridWhole()
{
    frmStatistics* w = openStatistics();
    const int rows = gridOf(w)->Rows(), cols = gridOf(w)->Cols();
    QVERIFY(rows > 2 && cols > 3);
    // Half-way through the grid of "Any Time Period", the user asks for the graph again.
    bool refreshed = false;
    const auto change = ModalChange::fireWhen(
        [&] {
            return StatisticsQueue::busy() && !gridOf(w)->TextMatrix(1, 1).isEmpty() &&
                   gridOf(w)->TextMatrix(rows - 1, cols - 2).isEmpty();
        },
        [&] {
            refreshed = true;
            TRIGGER(w, "mnuGraphRefresh");
        });
    TRIGGER(w, "mnuTime(0)");
    QVERIFY(refreshed);
    QTRY_VERIFY(!StatisticsQueue::busy());
    QCOMPARE(emptyCells(w), 0);
    QCOMPARE(named<QComboBox>(w, "cboChartStatistic")->count(), cols - 2);
    QCOMPARE(graphed(w).sum(0), 38.0);
}

void TestStatsWindowChanges::aWaitingGridShowsTheGroupsItComputes()
{
    QWidget* d = openCustomize();
    frmStatistics* w = frmStatistics::instance(false);
    QVERIFY(entries("lstCurrentGroups").contains(QStringLiteral("Abe Early")));
    // The grid asked for by Apply waits behind a client's answer; meanwhile Abe leaves the contact book, and
    // his group with him. The grid that follows has a row for each group it computed, each with its own values.
    bool applied = false;
    const auto change = ModalChange::fireWhen([] { return StatisticsQueue::busy(); },
                                              [&] {
                                                  applied = true;
                                                  TRIGGER(d, "cmdApply");
                                                  QVERIFY(DeleteContact(QStringLiteral("Abe Early")));
                                              });
    QVERIFY(otherClient().send(QString::fromLatin1(kStatisticRequest), {QStringLiteral(";STATISTIC;|")}));
    QVERIFY(applied);
    QTRY_VERIFY(!StatisticsQueue::busy());
    QCOMPARE(emptyCells(w), 0);
    QCOMPARE(column(w, 0),
             QStringList({"All Callers", "Jane Doe", "NOT RECEIVED", "PRIVATE NUMBER", "UNKNOWN NUMBER"}));
    QCOMPARE(column(w, 1), QStringList({"38", "28", "0", "7", "0"}));
}

void TestStatsWindowChanges::aGraphLeavesOutAGroupThatWent()
{
    frmStatistics* w = openStatistics();
    auto* groups = named<QListWidget>(w, "lstGraphGroup");
    groups->findItems(QStringLiteral("Abe Early"), Qt::MatchExactly).value(0)->setSelected(true);
    TRIGGER(w, "mnuGraphRefresh");
    QCOMPARE(graphed(w).series, QStringList({"All Callers", "Abe Early"}));
    QCOMPARE(graphed(w).sum(1), 2.0);
    // Abe leaves the contact book on another client; his name stays listed until the list is filled again, and
    // the graph asked for then is drawn without him, never with every call under his name.
    QVERIFY(otherClient().deleteContact(QStringLiteral("Abe Early")));
    QVERIFY(!gGroups->contains(QStringLiteral("Abe Early")));
    TRIGGER(w, "mnuGraphRefresh");
    QCOMPARE(graphed(w).series, QStringList({"All Callers"}));
    QCOMPARE(graphed(w).sum(0), 38.0);
}

void TestStatsWindowChanges::theSelectionFollowsItsGroupWhenTheGroupsChange()
{
    openCustomize();
    pick("lstGroups", QStringLiteral("Golfers"));
    // Another client adds a contact whose group sorts before it: the list grows above the chosen entry.
    QVERIFY(otherClient().addContact(contact(QStringLiteral("Aaron First"), QStringLiteral("555-2222"))));
    QTRY_VERIFY(entries("lstGroups").contains(QStringLiteral("Aaron First")));
    QCOMPARE(selectedIn("lstGroups"), QStringLiteral("Golfers"));
    // Remove then takes the entry the user sees chosen.
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(customize(), "cmdRemoveGroup");
    QVERIFY(!gGroups->contains(QStringLiteral("Golfers")));
    QVERIFY(gGroups->contains(QStringLiteral("Friends")));
    QCOMPARE(entries("lstGroups"), QStringList({"Aaron First", "Friends"}));
    // A chosen group that goes is chosen no more: nothing else takes its place.
    pick("lstCurrentGroups", QStringLiteral("Abe Early"));
    QVERIFY(otherClient().deleteContact(QStringLiteral("Abe Early")));
    QTRY_VERIFY(!entries("lstCurrentGroups").contains(QStringLiteral("Abe Early")));
    QCOMPARE(selectedIn("lstCurrentGroups"), QString());
}

void TestStatsWindowChanges::removeActsOnTheChosenGroup()
{
    QWidget* d = openCustomize();
    pick("lstGroups", QStringLiteral("Golfers"));
    Prompt::clearHistory();
    // While the question waits, the engine answers a client's statistics, and another client adds a contact: the
    // lists are filled again under the question.
    Prompt::queueMeanwhile([this] {
        QVERIFY(otherClient().send(QString::fromLatin1(kStatisticRequest), {QStringLiteral(";STATISTIC;|")}));
        QVERIFY(otherClient().addContact(contact(QStringLiteral("Aaron First"), QStringLiteral("555-2222"))));
    });
    Prompt::queueAnswer(Prompt::Yes);
    TRIGGER(d, "cmdRemoveGroup");
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("Are you sure you want to permanently remove this group?")});
    QVERIFY(!gGroups->contains(QStringLiteral("Golfers")));
    QVERIFY(gGroups->contains(QStringLiteral("Friends")));
    QVERIFY(gGroups->contains(QStringLiteral("Aaron First")));
    QCOMPARE(entries("lstGroups"), QStringList({"Aaron First", "Friends"}));
    QVERIFY(!statsFile().contains("Golfers"));
    QVERIFY(statsFile().contains("Friends"));
}

void TestStatsWindowChanges::editActsOnTheChosenGroup()
{
    QWidget* d = openCustomize();
    pick("lstGroups", QStringLiteral("Golfers"));
    bool edited = false;
    ModalDialog::queueScript([&](QDialog& editor) {
        QCOMPARE(editor.objectName(), QStringLiteral("frmAddGroup"));
        QVERIFY(otherClient().addContact(contact(QStringLiteral("Aaron First"), QStringLiteral("555-2222"))));
        QVERIFY(entries("lstGroups").contains(QStringLiteral("Aaron First")));
        named<QLineEdit>(&editor, "txtDescription")->setText(QStringLiteral("Golf Club"));
        named<QPlainTextEdit>(&editor, "txtGroup")->setPlainText(QStringLiteral("fldRings > 4"));
        TRIGGER(&editor, "cmdSave");
        edited = true;
    });
    TRIGGER(d, "cmdEditGroup");
    QVERIFY(edited);
    QVERIFY(!gGroups->contains(QStringLiteral("Golfers")));
    QCOMPARE(gGroups->item(QStringLiteral("Golf Club"))->Group, QStringLiteral("fldRings > 4"));
    QCOMPARE(gGroups->item(QStringLiteral("Friends"))->Group, QStringLiteral("fldRings > 2"));
    QCOMPARE(entries("lstGroups"), QStringList({"Aaron First", "Friends", "Golf Club"}));
    QCOMPARE(selectedIn("lstGroups"), QStringLiteral("Golf Club"));
    QVERIFY(statsFile().contains("Golf Club"));
}

void TestStatsWindowChanges::anEditOfAGroupChangedMeanwhileChangesNothing()
{
    QWidget* d = openCustomize();
    pick("lstGroups", QStringLiteral("Golfers"));
    const QByteArray fileBefore = statsFile();
    Prompt::clearHistory();
    // Another client saves a contact named like the group: the group now picks that contact's calls.
    ModalDialog::queueScript([&](QDialog& editor) {
        QVERIFY(otherClient().addContact(contact(QStringLiteral("Golfers"), QStringLiteral("555-3333"))));
        named<QLineEdit>(&editor, "txtDescription")->setText(QStringLiteral("Golf Club"));
        named<QPlainTextEdit>(&editor, "txtGroup")->setPlainText(QStringLiteral("fldRings > 4"));
        TRIGGER(&editor, "cmdSave");
    });
    TRIGGER(d, "cmdEditGroup");
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("The group \"Golfers\"") + kChanged});
    QCOMPARE(Prompt::history().last().title, QStringLiteral("Velquon"));
    QCOMPARE(Prompt::history().last().icon, int(Prompt::Exclamation));
    QVERIFY(!gGroups->contains(QStringLiteral("Golf Club")));
    QCOMPARE(gGroups->item(QStringLiteral("Golfers"))->Group, QStringLiteral("(fldNumber like '*555-3333*')"));
    QVERIFY(entries("lstGroups").contains(QStringLiteral("Golfers")));
    QVERIFY(!entries("lstGroups").contains(QStringLiteral("Golf Club")));
    QCOMPARE(statsFile(), fileBefore);

    // A statistic that is gone when its editor closes is not made again under the new name.
    QVERIFY(StatsCustomization::AddStatistic(QStringLiteral("Long Rings"), QStringLiteral("fldRings > 8"),
                                             QStringLiteral("NONE")));
    TRIGGER(d, "cmdCancel");
    TRIGGER(frmStatistics::instance(false), "mnuEditStatistics");
    pick("lstStatistics", QStringLiteral("Long Rings"));
    Prompt::clearHistory();
    ModalDialog::queueScript([&](QDialog& editor) {
        QVERIFY(StatsCustomization::Remove(StatsCustomization::Kind::Statistic, QStringLiteral("Long Rings")));
        named<QLineEdit>(&editor, "txtDescription")->setText(QStringLiteral("Longest Rings"));
        TRIGGER(&editor, "cmdSave");
    });
    TRIGGER(customize(), "cmdEditStatistic");
    QCOMPARE(Prompt::texts(), QStringList{QStringLiteral("The statistic \"Long Rings\"") + kChanged});
    QVERIFY(!gStatistics->contains(QStringLiteral("Longest Rings")));
    QVERIFY(!gStatistics->contains(QStringLiteral("Long Rings")));
}

void TestStatsWindowChanges::theEditorsOwnBoxWhileAContactArrives()
{
    QWidget* d = openCustomize();
    Prompt::clearHistory();
    bool saved = false;
    ModalDialog::queueScript([&](QDialog& editor) {
        // The name is free when typed; while the refusal of an empty name waits, a contact of that name comes.
        Prompt::queueMeanwhile([this] {
            QVERIFY(otherClient().addContact(contact(QStringLiteral("Bridge Club"), QStringLiteral("555-4444"))));
        });
        TRIGGER(&editor, "cmdSave");
        QVERIFY(editor.isVisible());
        named<QLineEdit>(&editor, "txtDescription")->setText(QStringLiteral("Bridge Club"));
        TRIGGER(&editor, "cmdSave");
        QVERIFY(editor.isVisible()); // now taken
        named<QLineEdit>(&editor, "txtDescription")->setText(QStringLiteral("Bridge Players"));
        TRIGGER(&editor, "cmdSave");
        saved = !editor.isVisible();
    });
    TRIGGER(d, "cmdAddGroup");
    QVERIFY(saved);
    QCOMPARE(Prompt::texts(),
             QStringList({"You must enter a description.", "You cannot have duplicate descriptions."}));
    QVERIFY(gGroups->item(QStringLiteral("Bridge Players"))->Custom);
    QVERIFY(!gGroups->item(QStringLiteral("Bridge Club"))->Custom);
    QVERIFY(entries("lstGroups").contains(QStringLiteral("Bridge Players")));
    QVERIFY(entries("lstGroups").contains(QStringLiteral("Bridge Club")));
}

void TestStatsWindowChanges::theProgramEndingWhileACommandWaits()
{
    // SIGTERM, the session's end or a mode switch queued from the options may run while a command waits on the
    // user or on a run: ShutDown deletes the statistics window and its dialogs with the main window that owns
    // them. The command then ends without touching them, and changes nothing.
    const auto inTheBox = [] { Prompt::queueMeanwhile([] { ModalChange::programEnds(); }); };
    const auto inTheEditor = [] {
        ModalDialog::queueScript([](QDialog& editor) {
            named<QLineEdit>(&editor, "txtDescription")->setText(QStringLiteral("Golf Club"));
            ModalChange::programEnds();
        });
    };
    std::unique_ptr<QTimer> change;
    const auto inTheRun = [&] {
        change = ModalChange::fireWhen([] { return StatisticsQueue::busy(); }, [] { ModalChange::programEnds(); });
    };
    const QList<std::function<void(frmStatistics*)>> commands = {
        [&](frmStatistics* w) {
            TRIGGER(w, "mnuEditStatistics");
            pick("lstGroups", QStringLiteral("Golfers"));
            inTheBox();
            Prompt::queueAnswer(Prompt::Yes);
            TRIGGER(customize(), "cmdRemoveGroup");
        },
        [&](frmStatistics* w) {
            TRIGGER(w, "mnuEditStatistics");
            pick("lstGroups", QStringLiteral("Golfers"));
            inTheEditor();
            TRIGGER(customize(), "cmdEditGroup");
        },
        [&](frmStatistics* w) {
            TRIGGER(w, "mnuEditStatistics");
            inTheEditor();
            TRIGGER(customize(), "cmdAddStatistic");
        },
        [&](frmStatistics* w) {
            TRIGGER(w, "mnuTime(8)");
            QWidget* time = FindForm(QStringLiteral("frmCustomizeTime"));
            named<QComboBox>(time, "cboStartingDate")->setEditText(QStringLiteral("not a date"));
            inTheBox(); // "Starting date must be a date."
            TRIGGER(time, "cmdOK");
        },
        [&](frmStatistics* w) {
            inTheBox();
            Prompt::queueText(m_home->file(QStringLiteral("New.dat")));
            TRIGGER(w, "mnuFileNew");
        },
        [&](frmStatistics* w) {
            QFile other(m_home->file(QStringLiteral("Other.dat")));
            QVERIFY(other.open(QIODevice::WriteOnly));
            other.write("\"Group\",\"Chess Club\",\"fldRings > 7\"\r\n");
            other.close();
            inTheBox();
            Prompt::queueText(other.fileName());
            TRIGGER(w, "mnuFileChange");
        },
        [&](frmStatistics* w) {
            inTheRun();
            TRIGGER(w, "mnuTime(3)");
        },
        [&](frmStatistics* w) {
            inTheRun();
            TRIGGER(w, "mnuEditDefaultSettings");
        },
        [&](frmStatistics* w) {
            inTheRun();
            w->LoadNumber(QStringLiteral("555-0000"), QStringLiteral("BOB RING"));
        },
        [&](frmStatistics* w) {
            TRIGGER(w, "mnuEditStatistics");
            inTheRun();
            TRIGGER(customize(), "cmdOK");
        },
        [&](frmStatistics*) {
            inTheRun(); // the first showing loads the view
            frmStatistics::instance()->showWindow(S::window());
            QCoreApplication::processEvents();
        },
    };
    for (qsizetype i = 0; i < commands.size(); ++i) {
        cleanup();
        init();
        frmStatistics* w = i + 1 < commands.size() ? openStatistics() : nullptr;
        const QString file = StatsFilePath();
        const QByteArray content = statsFile();
        commands[i](w);
        change.reset();
        const QByteArray which = QByteArray::number(i);
        QVERIFY2(!gMainForm, which);
        QVERIFY2(!frmStatistics::instance(false) && !customize() && !FindForm(QStringLiteral("frmCustomizeTime")),
                 which);
        QVERIFY2(!StatisticsQueue::busy(), which);
        QCOMPARE(StatsFilePath(), file);
        QCOMPARE(statsFile(), content);
    }
}

QTEST_MAIN(TestStatsWindowChanges)
#include "test_statswindowchanges.moc"
