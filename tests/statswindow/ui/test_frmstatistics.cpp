#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include "app/StartupWindows.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/frmProcessing.h"
#include "core/ui/modMainGui.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "mainwindow/ui/frmBaseMain.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Prompt.h"
#include "platform/Twips.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
#include "statistics/StatisticsRun.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsGridModel.h"
#include "statswindow/StatsView.h"
#include "statswindow/ui/StatsWindowProbe.h"
#include "statswindow/ui/frmStatistics.h"
#include "support/ui/ByName.h"
#include "support/ui/StandaloneSession.h"

namespace {

void addCall(const QString& name, const QString& number, const QDateTime& when, int rings, const QString& answered)
{
    clsCaller c;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = DateText::format(when);
    c.Rings = rings;
    c.Answered = answered;
    AddCaller(c);
}

void addContact(const QString& name, const QStringList& numbers)
{
    clsContact c;
    c.Name = name;
    for (const QString& n : numbers)
        c.AddNumber(std::make_shared<clsNumber>(n, QString()));
    QVERIFY(AddContact(c));
}

QString setting(const char* key) { return GetProperty(Section::frmStatistics, QString::fromLatin1(key), "?"); }

QStringList selected(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected())
            out << list->item(i)->text();
    }
    return out;
}

QStringList items(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

// The progress window of the run going on.
frmProcessing* progressWindow()
{
    for (QWidget* w : FindForms(QStringLiteral("frmProcessing"))) {
        if (w->isVisible())
            return qobject_cast<frmProcessing*>(w);
    }
    return nullptr;
}

} // namespace

class TestFrmStatistics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void init();
    void cleanup();

    void firstShowLoadsTheDefaultView();
    void savingRightAfterLoadDefaultWritesTheKeys();
    void savedViewIsRestored();
    void aRestored3DTypeSwitchesTheZoomOff();
    void aCancelledCustomPeriodChangesNothing();
    void twoStatisticsByThreeGroups();
    void stopAfterTheFirstCellSaysTheRestWereStopped();
    void closingTheWindowMidRunIsSafe();
    void freezeDisablesExactlyTheListedItems();
    void loadNumberShowsOneCallerOnly();
    void loadNumberForAGroupOrAContact();
    void timePeriodMenu();
    void headingClicksSortTheGrid();
    void eachLoadSortsByTheGroups();
    void rightClickMenuAndCopies();
    void zoomAndChartTypes();
    void refreshGraphRepaintsTheWholePlot();
    void optionFramesAndLegend();
    void tabsAndLayout();
    void graphOfTheChosenGroups();
    void fileMenuNewAndChange();
    void openedFromTheMainWindowAndThePopup();
    void hintsFollowTheOption();
    void captionsAndNames();
    void aBookOfManyContacts();
    void chartsReadAtTheWindowsSizes();

private:
    frmStatistics* open();
    StandaloneSession m_session;
    QDateTime m_now;
};

void TestFrmStatistics::init()
{
    QVERIFY(m_session.start());
    m_now = Clock::now(); // 3/21/2024 2:00 PM
    QApplication::clipboard()->clear();
    addContact(QStringLiteral("Jane Doe"), {QStringLiteral("(555) 987-6543")});
    UpdateContactCollection();
    // A fortnight of calls: Jane twice a day, private callers every other day, one long-ringing caller.
    for (int d = 14; d >= 1; --d) {
        const QDateTime day = m_now.addDays(-d);
        addCall(QStringLiteral("Jane Doe"), QStringLiteral("(555) 987-6543"), day.addSecs(-3600), 2, "YES");
        addCall(QStringLiteral("Jane Doe"), QStringLiteral("(555) 987-6543"), day.addSecs(-1800), 3, "NO");
        if (d % 2 == 0)
            addCall(QStringLiteral("PRIVATE NUMBER"), QStringLiteral("PRIVATE NUMBER"), day.addSecs(3600), 1, "NO");
    }
    addCall(QStringLiteral("Bob Ring"), QStringLiteral("555-0000"), m_now.addDays(-3), 9, "YES");
}

void TestFrmStatistics::cleanup()
{
    Prompt::resetScript();
    m_session.stop();
}

frmStatistics* TestFrmStatistics::open()
{
    frmStatistics* w = frmStatistics::instance();
    w->showWindow(StandaloneSession::window());
    QCoreApplication::processEvents(); // the first layout loads the view once the window is up
    return w;
}

void TestFrmStatistics::firstShowLoadsTheDefaultView()
{
    frmStatistics* w = open();
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (Any Time Period)"));
    QVERIFY(action(w, "mnuTime(0)")->isChecked());
    // Eleven default statistics, then the filler column; the special groups and the contact's.
    QCOMPARE(gridOf(w)->Cols(), 13);
    QCOMPARE(gridOf(w)->TextMatrix(0, 0), QStringLiteral("Groups"));
    QCOMPARE(gridOf(w)->TextMatrix(0, 1), QStringLiteral("Total Calls"));
    QCOMPARE(gridOf(w)->TextMatrix(0, 11), QStringLiteral("Average Calls Per Month"));
    QCOMPARE(gridOf(w)->TextMatrix(0, 12), QString());
    QCOMPARE(column(w, 0), QStringList({"All Callers", "Jane Doe", "NOT RECEIVED", "PRIVATE NUMBER",
                                        "UNKNOWN NUMBER"})); // sorted by the group column
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("36"));
    QCOMPARE(gridOf(w)->TextMatrix(2, 1), QStringLiteral("28"));
    QCOMPARE(gridOf(w)->TextMatrix(4, 1), QStringLiteral("7"));
    // The graph: "2D Line", daily, "Total Calls" for "All Callers", legend shown.
    QCOMPARE(named<QComboBox>(w, "cboGraphType")->currentText(), QStringLiteral("2D Line"));
    QCOMPARE(named<QComboBox>(w, "cboGraphFrequency")->currentText(), QStringLiteral("Daily"));
    QCOMPARE(named<QComboBox>(w, "cboGraphStatistic")->currentText(), QStringLiteral("Total Calls"));
    QCOMPARE(selected(named<QListWidget>(w, "lstGraphGroup")), QStringList({"All Callers"}));
    QVERIFY(named<QCheckBox>(w, "chkGraphLegend")->isChecked());
    QVERIFY(action(w, "mnuGraphLegend")->isChecked());
    QCOMPARE(chartOf(w, "mscGraph")->title(), QStringLiteral("Total Calls Graphed Daily (Any Time Period)"));
    const Graphed daily = graphed(w);
    QCOMPARE(daily.series, QStringList({"All Callers"}));
    QCOMPARE(daily.sum(0), 36.0);
    // The chart: "2D Bar" of "Total Calls".
    QCOMPARE(named<QComboBox>(w, "cboChartType")->currentText(), QStringLiteral("2D Bar"));
    QCOMPARE(named<QComboBox>(w, "cboChartStatistic")->currentText(), QStringLiteral("Total Calls"));
    QCOMPARE(chartOf(w, "mscChart")->title(), QStringLiteral("Total Calls (Any Time Period)"));
    // The chart types in their fixed order: the index is the type.
    QCOMPARE(items(named<QComboBox>(w, "cboChartType")),
             QStringList({"3D Bar", "2D Bar", "3D Line", "2D Line", "3D Area", "2D Area", "3D Step", "2D Step",
                          "3D Combination", "2D Combination"}));
    QCOMPARE(items(named<QComboBox>(w, "cboGraphType")), items(named<QComboBox>(w, "cboChartType")));
    QCOMPARE(items(named<QComboBox>(w, "cboGraphFrequency")), QStringList({"Hourly", "Daily", "Weekly", "Monthly"}));
}

void TestFrmStatistics::savingRightAfterLoadDefaultWritesTheKeys()
{
    frmStatistics* w = open();
    TRIGGER(w, "mnuEditDefaultSettings");
    TRIGGER(w, "mnuEditSaveSettings");
    QCOMPARE(setting(Key::SavedStats),
             QStringLiteral("Total Calls;Total Calls Answered;Total Calls Not Answered;Calls Between 9pm and 1am;Most "
                            "Calls in a Hour;Most Calls in a Day;Most Calls in a Week;Most Calls in a Month;Average "
                            "Calls Per Day;Average Calls Per Week;Average Calls Per Month;"));
    QCOMPARE(setting(Key::SavedGroups),
             QStringLiteral("All Callers;NOT RECEIVED;PRIVATE NUMBER;UNKNOWN NUMBER;Jane Doe;"));
    QCOMPARE(setting(Key::GraphGroups), QStringLiteral("All Callers;"));
    QCOMPARE(setting(Key::GraphType), QStringLiteral("3"));
    QCOMPARE(setting(Key::ChartType), QStringLiteral("1"));
    QCOMPARE(setting(Key::GraphFrequency), QStringLiteral("1"));
    QCOMPARE(setting(Key::TimePeriod), QStringLiteral("ANYTIME"));
    QCOMPARE(setting(Key::GraphLegend), QStringLiteral("True"));
    QCOMPARE(setting(Key::ChartStatistic), QStringLiteral("Total Calls"));
    QCOMPARE(setting(Key::GraphStatistic), QStringLiteral("Total Calls"));
}

void TestFrmStatistics::savedViewIsRestored()
{
    SaveProperty(Section::frmStatistics, Key::TimePeriod, QStringLiteral("week"));
    SaveProperty(Section::frmStatistics, Key::SavedStats, QStringLiteral("Most Rings;Gone;Total Calls;"));
    SaveProperty(Section::frmStatistics, Key::SavedGroups, QStringLiteral("Jane Doe;All Callers;"));
    SaveProperty(Section::frmStatistics, Key::GraphGroups, QStringLiteral("PRIVATE NUMBER;Nobody;jane doe;"));
    SaveProperty(Section::frmStatistics, Key::GraphLegend, QStringLiteral("False"));
    SaveProperty(Section::frmStatistics, Key::GraphFrequency, QStringLiteral("2"));
    SaveProperty(Section::frmStatistics, Key::ChartType, QStringLiteral("5"));
    SaveProperty(Section::frmStatistics, Key::ChartStatistic, QStringLiteral("most rings"));
    frmStatistics* w = open();
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (Last Week)"));
    QCOMPARE(w->strTimePeriod, QStringLiteral("and fldDate > #3/14/2024 2:00:00 PM#"));
    QVERIFY(action(w, "mnuTime(3)")->isChecked());
    QCOMPARE(gridOf(w)->Cols(), 4);
    QCOMPARE(gridOf(w)->TextMatrix(0, 1), QStringLiteral("Most Rings"));
    QCOMPARE(gridOf(w)->TextMatrix(0, 2), QStringLiteral("Total Calls"));
    QCOMPARE(column(w, 0), QStringList({"All Callers", "Jane Doe"}));
    QCOMPARE(column(w, 2), QStringList({"16", "12"}));
    QCOMPARE(selected(named<QListWidget>(w, "lstGraphGroup")), QStringList({"PRIVATE NUMBER", "Jane Doe"}));
    QVERIFY(!named<QCheckBox>(w, "chkGraphLegend")->isChecked());
    QCOMPARE(named<QComboBox>(w, "cboGraphFrequency")->currentText(), QStringLiteral("Weekly"));
    QCOMPARE(named<QComboBox>(w, "cboChartType")->currentIndex(), 5);
    QCOMPARE(named<QComboBox>(w, "cboChartStatistic")->currentText(), QStringLiteral("Most Rings"));
    named<QComboBox>(w, "cboChartType")->setCurrentIndex(1);
    QCOMPARE(chartValues(w), QList<double>({9, 3}));

    // A custom range as stored: two dates.
    SaveProperty(Section::frmStatistics, Key::TimePeriod, QStringLiteral("3/10/2024;3/15/2024"));
    TRIGGER(w, "mnuEditSavedSettings");
    QVERIFY(action(w, "mnuTime(8)")->isChecked());
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (3/10/2024 to 3/15/2024)"));
    QCOMPARE(w->strTimePeriod, QStringLiteral("and fldDate > #3/10/2024# and fldDate < #3/15/2024#"));
    QCOMPARE(column(w, 2), QStringList({"12", "10"}));
}

void TestFrmStatistics::twoStatisticsByThreeGroups()
{
    frmStatistics* w = open();
    gCurrentStatistics = std::make_unique<StatisticCollection>();
    gCurrentGroups = std::make_unique<GroupCollection>();
    for (const char* s : {"Total Calls", "Most Calls in a Day"})
        gCurrentStatistics->add(QString::fromLatin1(s), gStatistics->item(QString::fromLatin1(s)));
    auto broken = std::make_shared<clsGroup>();
    broken->Description = QStringLiteral("Broken");
    broken->Group = QStringLiteral("fldNmae Like '*x*'");
    gCurrentGroups->add(QStringLiteral("All Callers"), gGroups->item(QStringLiteral("All Callers")));
    gCurrentGroups->add(QStringLiteral("Broken"), broken);
    gCurrentGroups->add(QStringLiteral("PRIVATE NUMBER"), gGroups->item(QStringLiteral("PRIVATE NUMBER")));
    int steps = 0;
    QObject probe;
    QObject::connect(gridOf(w), &QAbstractItemModel::dataChanged, &probe, [&] {
        if (frmProcessing* p = progressWindow())
            steps = p->value();
    });
    w->GenerateStatistics();
    QCOMPARE(gridOf(w)->Cols(), 4);
    QCOMPARE(gridOf(w)->Rows(), 4);
    QCOMPARE(gridOf(w)->TextMatrix(0, 0), QStringLiteral("Groups"));
    // One group's query fails: its cells say so and the others are computed.
    QCOMPARE(column(w, 0), QStringList({"All Callers", "Broken", "PRIVATE NUMBER"}));
    QCOMPARE(column(w, 1), QStringList({"36", "Bad SQL", "7"}));
    QVERIFY(gridOf(w)->TextMatrix(1, 2).startsWith(QStringLiteral("4 (")));
    QCOMPARE(gridOf(w)->TextMatrix(2, 2), QStringLiteral("Bad SQL"));
    // The progress bar ran one step per cell and one per statistic, each before its cell was written.
    QCOMPARE(steps, 6);
    QVERIFY(!progressWindow() || !progressWindow()->isVisible());
    // The chart reads the numbers at the start of the cells; a failed cell counts as 0.
    named<QComboBox>(w, "cboChartStatistic")->setCurrentIndex(1);
    QCOMPARE(chartLabels(w), column(w, 0));
    QCOMPARE(chartValues(w), QList<double>({4, 0, 1}));
    QCOMPARE(chartOf(w, "mscChart")->title(), QStringLiteral("Most Calls in a Day (Any Time Period)"));
    // After a new generation the chart keeps its statistic.
    w->GenerateStatistics();
    QCOMPARE(named<QComboBox>(w, "cboChartStatistic")->currentText(), QStringLiteral("Most Calls in a Day"));
}

void TestFrmStatistics::stopAfterTheFirstCellSaysTheRestWereStopped()
{
    frmStatistics* w = open();
    QObject probe;
    int written = 0;
    QObject::connect(gridOf(w), &QAbstractItemModel::dataChanged, &probe, [&] {
        if (++written == 1)
            progressWindow()->cmdStop->click();
    });
    w->GenerateStatistics();
    // One figure computed; every other cell says it was stopped, none is blank.
    QCOMPARE(cellsSaying(w, QStringLiteral("Stopped")), statisticCells(w) - 1);
    QCOMPARE(cellsSaying(w, QString()), 0);
    // The chart draws the one figure computed, not the stopped ones as 0.
    QCOMPARE(chartLabels(w), column(w, 0).mid(0, 1));
    QVERIFY(!StatisticsQueue::busy());
}

void TestFrmStatistics::closingTheWindowMidRunIsSafe()
{
    frmStatistics* w = open();
    QObject probe;
    int written = 0;
    QObject::connect(gridOf(w), &QAbstractItemModel::dataChanged, &probe, [&] {
        if (++written == 2)
            w->close();
    });
    w->GenerateStatistics();
    QVERIFY(!w->isVisible());
    QVERIFY(!w->isLoaded());
    QCOMPARE(written, 2);
    QVERIFY(!StatisticsQueue::busy());
    // Opened again, it computes its view as before.
    QObject::disconnect(gridOf(w), nullptr, &probe, nullptr);
    open();
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("36"));
}

void TestFrmStatistics::freezeDisablesExactlyTheListedItems()
{
    frmStatistics* w = open();
    showTab(w, 2); // the graph page's buttons are enabled only on their page
    auto enabled = [&] {
        QStringList out;
        for (QAction* a : w->findChildren<QAction*>()) {
            if (!a->objectName().isEmpty() && !a->isSeparator() && a->isEnabled())
                out << a->objectName();
        }
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            if (b->isEnabled())
                out << b->objectName();
        }
        out.sort();
        return out;
    };
    const QStringList before = enabled();
    w->Freeze(true);
    QStringList off = before;
    for (const QString& name : enabled())
        off.removeAll(name);
    // The customize statistics dialog's Apply and OK too, although that dialog was never opened.
    QCOMPARE(off, QStringList({"cmdApply", "cmdOK", "cmdRefreshGraph", "mnuEditDefaultSettings", "mnuEditSavedSettings",
                               "mnuFileChange", "mnuGraphRefresh", "mnuTimePeriod"}));
    QVERIFY(!action(w, "mnuTimePeriod")->isEnabled());
    QWidget* customize = FindForm(QStringLiteral("frmCustomizeStatistics"));
    QVERIFY(customize && !customize->isVisible());
    QVERIFY(!named<QPushButton>(customize, "cmdApply")->isEnabled());
    w->Freeze(false);
    QCOMPARE(enabled(), before);
    QVERIFY(action(w, "mnuTimePeriod")->isEnabled());
    QVERIFY(action(w, "mnuEditStatistics")->isEnabled());
    QVERIFY(action(w, "mnuTime(8)")->isEnabled());
}

void TestFrmStatistics::loadNumberShowsOneCallerOnly()
{
    // A saved view that LoadNumber must not load.
    SaveProperty(Section::frmStatistics, Key::SavedStats, QStringLiteral("Most Rings;"));
    SaveProperty(Section::frmStatistics, Key::SavedGroups, QStringLiteral("PRIVATE NUMBER;"));
    QStringList before;
    for (const auto& e : *gGroups)
        before << e.key;
    frmStatistics* w = frmStatistics::instance();
    QVERIFY(!w->isVisible());
    w->LoadNumber(QStringLiteral("555-0000"), QStringLiteral("Bob Ring"));
    QCoreApplication::processEvents();
    QVERIFY(w->isVisible());
    QStringList after;
    for (const auto& e : *gGroups)
        after << e.key;
    QCOMPARE(after, before);
    QCOMPARE(gridOf(w)->Rows(), 2);
    QCOMPARE(gridOf(w)->TextMatrix(1, 0), QStringLiteral("Bob Ring"));
    QCOMPARE(gridOf(w)->TextMatrix(0, 1), QStringLiteral("Total Calls"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("1"));
    QCOMPARE(gridOf(w)->Cols(), 13);
    QVERIFY(named<QListWidget>(w, "lstGraphGroup")->findItems(QStringLiteral("Bob Ring"), Qt::MatchExactly).isEmpty());
    // Its graph was drawn while it was listed: monthly, one series of one call.
    QCOMPARE(named<QComboBox>(w, "cboGraphFrequency")->currentText(), QStringLiteral("Monthly"));
    const Graphed monthly = graphed(w);
    QCOMPARE(monthly.series, QStringList({"Bob Ring"}));
    QCOMPARE(monthly.sum(0), 1.0);
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (Any Time Period)"));
    QCOMPARE(named<QComboBox>(w, "cboChartType")->currentText(), QStringLiteral("2D Bar"));
    QCOMPARE(named<QComboBox>(w, "cboChartStatistic")->currentText(), QStringLiteral("Total Calls"));

    // Again while the window is open: the same, and the list is as it was.
    w->LoadNumber(QStringLiteral("555-0000"), QStringLiteral("Bob Ring"));
    QCOMPARE(gridOf(w)->Rows(), 2);
    QCOMPARE(named<QListWidget>(w, "lstGraphGroup")->count(), int(before.size()));
}

void TestFrmStatistics::loadNumberForAGroupOrAContact()
{
    frmStatistics* w = frmStatistics::instance();
    w->LoadNumber(QStringLiteral("PRIVATE NUMBER"), QStringLiteral("PRIVATE NUMBER"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 0), QStringLiteral("PRIVATE NUMBER"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("7"));
    QCOMPARE(selected(named<QListWidget>(w, "lstGraphGroup")), QStringList({"PRIVATE NUMBER"}));
    // A number of the contact's under another name: the contact's group.
    w->LoadNumber(QStringLiteral("1 (555) 987-6543"), QStringLiteral("DOE J"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 0), QStringLiteral("Jane Doe"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("28"));
    QCOMPARE(selected(named<QListWidget>(w, "lstGraphGroup")), QStringList({"Jane Doe"}));
}

void TestFrmStatistics::timePeriodMenu()
{
    frmStatistics* w = open();
    TRIGGER(w, "mnuTime(3)");
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (Last Week)"));
    QCOMPARE(w->strTime, QStringLiteral("(Last Week)"));
    QCOMPARE(w->strTimePeriod, QStringLiteral("and fldDate > #3/14/2024 2:00:00 PM#"));
    QVERIFY(action(w, "mnuTime(3)")->isChecked());
    QVERIFY(!action(w, "mnuTime(0)")->isChecked());
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("16"));
    QCOMPARE(chartOf(w, "mscGraph")->title(), QStringLiteral("Total Calls Graphed Daily (Last Week)"));
    // Averages count the week as seven days: 16 calls a week.
    QCOMPARE(gridOf(w)->TextMatrix(1, 10), QStringLiteral("16"));
    TRIGGER(w, "mnuTime(0)");
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (Any Time Period)"));
    QCOMPARE(w->strTimePeriod, QString());
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("36"));

    // Closed and opened again, the window loads the saved view with its period.
    TRIGGER(w, "mnuTime(4)");
    TRIGGER(w, "mnuEditSaveSettings");
    QCOMPARE(setting(Key::TimePeriod), QStringLiteral("MONTH"));
    w->close();
    open();
    QCOMPARE(w->windowTitle(), QStringLiteral("Statistics (Last Month)"));
    QVERIFY(action(w, "mnuTime(4)")->isChecked());
}

void TestFrmStatistics::headingClicksSortTheGrid()
{
    frmStatistics* w = open();
    QCOMPARE(sortGlyph(w), QStringLiteral("6"));
    // A click on a statistic's heading sorts by it ascending; a second one descending.
    clickHeading(w, 1);
    QCOMPARE(column(w, 1), QStringList({"0", "0", "7", "28", "36"}));
    QCOMPARE(sortGlyph(w), QStringLiteral("6"));
    clickHeading(w, 1);
    QCOMPARE(column(w, 1), QStringList({"36", "28", "7", "0", "0"}));
    QCOMPARE(sortGlyph(w), QStringLiteral("5"));
    // The filler column never sorts; a press on a row released on the heading does not either.
    clickHeading(w, gridOf(w)->Cols() - 1);
    QCOMPARE(column(w, 1), QStringList({"36", "28", "7", "0", "0"}));
    QTest::mousePress(named<QTableView>(w, "msfStatistics")->viewport(), Qt::LeftButton, Qt::NoModifier,
                      rowPoint(w, 2));
    QTest::mouseRelease(header(w)->viewport(), Qt::LeftButton, Qt::NoModifier, headingPoint(w, 0));
    QCOMPARE(column(w, 1), QStringList({"36", "28", "7", "0", "0"}));
    // A click on another heading sorts by it in the direction kept.
    clickHeading(w, 0);
    QCOMPARE(column(w, 0).first(), QStringLiteral("UNKNOWN NUMBER"));
    QCOMPARE(sortGlyph(w), QStringLiteral("5"));
    // A click on the arrow counts as one on the heading under it.
    QTest::mouseClick(named<QLabel>(w, "lblArrow"), Qt::LeftButton);
    QCOMPARE(column(w, 0).first(), QStringLiteral("All Callers"));
    QCOMPARE(sortGlyph(w), QStringLiteral("6"));

    // Sorted by the last of eleven statistics, then shown with two: the sort falls back to the last one there.
    clickHeading(w, 11);
    gCurrentStatistics = std::make_unique<StatisticCollection>();
    for (const char* name : {"Most Rings", "Total Calls"})
        gCurrentStatistics->add(QString::fromLatin1(name), gStatistics->item(QString::fromLatin1(name)));
    w->GenerateStatistics();
    QCOMPARE(gridOf(w)->Cols(), 4);
    QCOMPARE(column(w, 2), QStringList({"0", "0", "7", "28", "36"}));
    QVERIFY(named<QFrame>(w, "fraArrow")->isVisible());
}

void TestFrmStatistics::eachLoadSortsByTheGroups()
{
    frmStatistics* w = open();
    clickHeading(w, 1);
    clickHeading(w, 1);
    w->close();
    open();
    QCOMPARE(column(w, 0),
             QStringList({"All Callers", "Jane Doe", "NOT RECEIVED", "PRIVATE NUMBER", "UNKNOWN NUMBER"}));
    // The group column is the sorted one: a first click on it turns it round.
    clickHeading(w, 0);
    QCOMPARE(column(w, 0).first(), QStringLiteral("UNKNOWN NUMBER"));
}

void TestFrmStatistics::rightClickMenuAndCopies()
{
    frmStatistics* w = open();
    auto* view = named<QTableView>(w, "msfStatistics");
    auto* timer = named<QTimer>(w, "GridMouseUpTimer");
    // A right click on the heading row or below the last row opens no menu.
    QTest::mouseClick(header(w)->viewport(), Qt::RightButton, Qt::NoModifier, headingPoint(w, 1));
    QVERIFY(!timer->isActive());
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier,
                      QPoint(rowPoint(w, 1).x(), view->viewport()->height() - 2));
    QVERIFY(!timer->isActive());
    // On a row: the row is selected, then the menu opens once the click is over.
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, rowPoint(w, 2));
    QVERIFY(timer->isActive());
    QCOMPARE(view->currentIndex().row(), 1);
    w->GridMouseUpTimer_Timer();
    QVERIFY(named<QMenu>(w, "mnuPopupMenu")->isVisible());
    QVERIFY(!timer->isActive());
    named<QMenu>(w, "mnuPopupMenu")->hide();

    TRIGGER(w, "mnuPopupMenuCopy");
    const QString janeRow = QApplication::clipboard()->text();
    QVERIFY(janeRow.startsWith(QStringLiteral("Jane Doe\t28\t14\t14\t")));
    QCOMPARE(janeRow.count(QLatin1Char('\t')), 11); // no filler column
    TRIGGER(w, "mnuGridCopyAll");
    const QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines.first().startsWith(QStringLiteral("All Callers\t36\t")));

    // Reset Columns gives each column its heading's width again (the groups' the longest group's).
    const int groupWidth = view->columnWidth(0);
    view->setColumnWidth(2, view->columnWidth(2) + 200);
    view->setColumnWidth(0, 3);
    TRIGGER(w, "mnuGridReset");
    const int heading = view->fontMetrics().horizontalAdvance(gridOf(w)->TextMatrix(0, 2));
    QVERIFY(qAbs(view->columnWidth(2) - heading - Twips::toPixels(100)) <= 1);
    QCOMPARE(view->columnWidth(0), groupWidth);

    // The graph's data in Excel form.
    TRIGGER(w, "mnuGraphCopy");
    const QStringList graph = QApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    QCOMPARE(graph.first(), QStringLiteral("\tAll Callers"));
    QVERIFY(graph.size() > 10);
    QVERIFY(graph[1].startsWith(QStringLiteral("3/7/2024 12:59:59 PM\t3")));
}

void TestFrmStatistics::zoomAndChartTypes()
{
    frmStatistics* w = open();
    showTab(w, 1);
    w->resize(Twips::toPixels(8000), Twips::toPixels(6000));
    QCoreApplication::processEvents();
    const int page = w->centralWidget()->width();
    QCOMPARE(named<QChartView>(w, "mscChart")->width(), page);
    TRIGGER(w, "mnuChartZoomIn");
    QCOMPARE(named<QLabel>(w, "lblChartZoom")->text(), QStringLiteral("Zoom: 150%"));
    QVERIFY(qAbs(named<QChartView>(w, "mscChart")->width() - page * 1.5) <= 2);
    QVERIFY(named<QScrollBar>(w, "hscChart")->maximum() > 0);
    named<QScrollBar>(w, "hscChart")->setValue(named<QScrollBar>(w, "hscChart")->maximum());
    QVERIFY(named<QChartView>(w, "mscChart")->x() < 0);
    // A 3D type switches the zoom off and shows the chart at the page's width; back to 2D brings the zoom back.
    named<QComboBox>(w, "cboChartType")->setCurrentIndex(0);
    QVERIFY(!named<QPushButton>(w, "cmdChartZoomIn")->isEnabled());
    QVERIFY(!named<QPushButton>(w, "cmdChartZoomOut")->isEnabled());
    QVERIFY(!action(w, "mnuChartZoomIn")->isEnabled());
    QCOMPARE(named<QChartView>(w, "mscChart")->width(), page);
    named<QComboBox>(w, "cboChartType")->setCurrentIndex(2); // 3D to 3D changes nothing
    QCOMPARE(named<QChartView>(w, "mscChart")->width(), page);
    named<QComboBox>(w, "cboChartType")->setCurrentIndex(1);
    QVERIFY(named<QPushButton>(w, "cmdChartZoomIn")->isEnabled());
    QVERIFY(action(w, "mnuChartZoomOut")->isEnabled());
    QVERIFY(qAbs(named<QChartView>(w, "mscChart")->width() - page * 1.5) <= 2);
    TRIGGER(w, "mnuChartZoomOut");
    QCOMPARE(named<QLabel>(w, "lblChartZoom")->text(), QStringLiteral("Zoom: 100%"));
    QCOMPARE(named<QChartView>(w, "mscChart")->width(), page);
    QCOMPARE(named<QChartView>(w, "mscChart")->x(), 0);

    // The graph zooms on its own; "Refresh Graph" keeps the zoom.
    showTab(w, 2);
    TRIGGER(w, "cmdGraphZoomIn");
    TRIGGER(w, "cmdGraphZoomIn");
    QCOMPARE(named<QLabel>(w, "lblGraphZoom")->text(), QStringLiteral("Zoom: 225%"));
    const int zoomed = named<QChartView>(w, "mscGraph")->width();
    TRIGGER(w, "cmdRefreshGraph");
    QCOMPARE(named<QChartView>(w, "mscGraph")->width(), zoomed);
    // A window widened beyond the zoomed chart takes it along; an unzoomed chart follows the page.
    w->resize(Twips::toPixels(8000) * 3, Twips::toPixels(6000));
    QCoreApplication::processEvents();
    QCOMPARE(named<QChartView>(w, "mscGraph")->width(), w->centralWidget()->width());
    QCOMPARE(named<QChartView>(w, "mscChart")->width(), w->centralWidget()->width());
}

// A graph of one period shows its point as a marker; a new graph drawn over it leaves nothing of it on the
// screen. Before, the old marker stayed painted (in part) until the page was shown again.
void TestFrmStatistics::refreshGraphRepaintsTheWholePlot()
{
    frmStatistics* w = open();
    w->resize(Twips::toPixels(12000), Twips::toPixels(9000));
    showTab(w, 2);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    named<QComboBox>(w, "cboGraphFrequency")->setCurrentIndex(3); // the calls are all of one month
    named<QComboBox>(w, "cboGraphType")->setCurrentIndex(2);      // 3D Line
    auto* view = named<QChartView>(w, "mscGraph");
    // What the window shows of the graph, and the graph drawn afresh.
    auto shown = [w, view] {
        const QPoint at = view->mapTo(w, QPoint(0, 0));
        return w->screen()->grabWindow(w->winId(), at.x(), at.y(), view->width(), view->height()).toImage();
    };
    auto drawn = [view] { return view->grab().toImage(); };
    for (const char* statistic : {"Average Rings", "Blocked Calls"}) {
        named<QComboBox>(w, "cboGraphStatistic")->setCurrentText(QLatin1String(statistic));
        TRIGGER(w, "cmdRefreshGraph");
        QCOMPARE(graphed(w).labels.size(), 1);
        QTRY_COMPARE(shown().convertToFormat(QImage::Format_RGB32), drawn().convertToFormat(QImage::Format_RGB32));
    }
}

void TestFrmStatistics::optionFramesAndLegend()
{
    frmStatistics* w = open();
    showTab(w, 1);
    QVERIFY(action(w, "mnuChartOptions")->isChecked());
    QCOMPARE(named<QLabel>(w, "lblChartArrow")->property("marlett").toString(), QStringLiteral("5"));
    const int openHeight = named<QChartView>(w, "mscChart")->height();
    QTest::mouseClick(named<QLabel>(w, "lblChartArrow"), Qt::LeftButton);
    QVERIFY(!action(w, "mnuChartOptions")->isChecked());
    QCOMPARE(named<QLabel>(w, "lblChartArrow")->property("marlett").toString(), QStringLiteral("6"));
    QVERIFY(named<QChartView>(w, "mscChart")->height() > openHeight);
    // The title strip alone stays above the scroll bar, and a resize keeps the frame closed.
    QCOMPARE(named<QFrame>(w, "fraChartOptions")->y() + Twips::toPixels(195), named<QScrollBar>(w, "hscChart")->y());
    w->resize(w->width() + 40, w->height() + 40);
    QCoreApplication::processEvents();
    QVERIFY(!action(w, "mnuChartOptions")->isChecked());
    TRIGGER(w, "mnuChartOptions");
    QCOMPARE(named<QLabel>(w, "lblChartArrow")->property("marlett").toString(), QStringLiteral("5"));
    TRIGGER(w, "mnuGraphOptions");
    QCOMPARE(named<QLabel>(w, "lblGraphArrow")->property("marlett").toString(), QStringLiteral("6"));

    showTab(w, 2);
    TRIGGER(w, "mnuGraphLegend");
    QVERIFY(!named<QCheckBox>(w, "chkGraphLegend")->isChecked());
    QVERIFY(!named<QChartView>(w, "mscGraph")->chart()->legend()->isVisible());
    QVERIFY(!action(w, "mnuGraphLegend")->isChecked());
    named<QCheckBox>(w, "chkGraphLegend")->click();
    QVERIFY(named<QChartView>(w, "mscGraph")->chart()->legend()->isVisible());
    QVERIFY(action(w, "mnuGraphLegend")->isChecked());

    // Hovering the title turns it blue, the frame black again.
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), named<QLabel>(w, "lblGraph")->mapToGlobal(QPointF(2, 2)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(named<QLabel>(w, "lblGraph"), &move);
    QCOMPARE(named<QLabel>(w, "lblGraph")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QApplication::sendEvent(named<QFrame>(w, "fraGraphOptions"), &move);
    QCOMPARE(named<QLabel>(w, "lblGraph")->palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

void TestFrmStatistics::tabsAndLayout()
{
    frmStatistics* w = open();
    QCOMPARE(named<QTabBar>(w, "tbsStats")->count(), 3);
    QCOMPARE(named<QTabBar>(w, "tbsStats")->tabText(2), QStringLiteral("Caller Graph"));
    showTab(w, 2);
    QCOMPARE(named<QWidget>(w, "picStats(2)")->x(), 0);
    QVERIFY(named<QWidget>(w, "picStats(2)")->isEnabled());
    QVERIFY(named<QWidget>(w, "picStats(0)")->x() < 0);
    QVERIFY(!named<QWidget>(w, "picStats(0)")->isEnabled());
    // Ctrl+Tab on the last tab goes round to the first.
    QApplication::setActiveWindow(w);
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(named<QTabBar>(w, "tbsStats")->currentIndex(), 0);
    QCOMPARE(named<QWidget>(w, "picStats(0)")->x(), 0);

    // A normal window is held at 4000 x 2000 twips at least.
    w->resize(Twips::toPixels(2000), Twips::toPixels(1000));
    QCoreApplication::processEvents();
    QVERIFY(w->frameGeometry().width() >= Twips::toPixels(4000));
    QVERIFY(w->frameGeometry().height() >= Twips::toPixels(2000));
    // The placement is kept in its own section when the window closes.
    w->move(Twips::toPixels(1500), Twips::toPixels(900));
    w->close();
    QCOMPARE(GetProperty(Section::frmStatistics, Key::WindowState, "?"), QStringLiteral("0"));
    QCOMPARE(GetProperty(Section::frmStatistics, Key::Width, "0").toInt(), qRound(Twips::fromPixels(w->width())));
}

void TestFrmStatistics::graphOfTheChosenGroups()
{
    frmStatistics* w = open();
    showTab(w, 2);
    TRIGGER(w, "cmdUnselectAll");
    named<QListWidget>(w, "lstGraphGroup")
        ->findItems(QStringLiteral("Jane Doe"), Qt::MatchExactly)
        .first()
        ->setSelected(true);
    named<QListWidget>(w, "lstGraphGroup")
        ->findItems(QStringLiteral("PRIVATE NUMBER"), Qt::MatchExactly)
        .first()
        ->setSelected(true);
    named<QComboBox>(w, "cboGraphFrequency")->setCurrentIndex(2);
    named<QComboBox>(w, "cboGraphStatistic")->setCurrentText(QStringLiteral("Total Calls Answered"));
    // Nothing changes until the graph is refreshed.
    QCOMPARE(graphed(w).groups(), 1);
    TRIGGER(w, "cmdRefreshGraph");
    const Graphed weekly = graphed(w);
    QCOMPARE(weekly.series, QStringList({"PRIVATE NUMBER", "Jane Doe"})); // in the list's order
    QCOMPARE(chartOf(w, "mscGraph")->title(), QStringLiteral("Total Calls Graphed Weekly (Any Time Period)"));
    QCOMPARE(weekly.sum(1), 14.0);
    QCOMPARE(weekly.sum(0), 0.0);
    QCOMPARE(named<QChartView>(w, "mscGraph")->chart()->series().size(), 2);
    TRIGGER(w, "cmdSelectAll");
    QCOMPARE(selected(named<QListWidget>(w, "lstGraphGroup")).size(), named<QListWidget>(w, "lstGraphGroup")->count());
    // No group chosen: a graph of labels only.
    TRIGGER(w, "cmdUnselectAll");
    TRIGGER(w, "mnuGraphRefresh");
    const Graphed none = graphed(w);
    QCOMPARE(none.groups(), 0);
    QVERIFY(!none.labels.isEmpty());

    // A graph far too large (every hour since the year 2000) is refused with an event line, and shown empty.
    addCall(QStringLiteral("Old Caller"), QStringLiteral("555-2000"), m_now.addYears(-24), 1, "YES");
    TRIGGER(w, "cmdSelectAll");
    named<QComboBox>(w, "cboGraphFrequency")->setCurrentIndex(0);
    TRIGGER(w, "cmdRefreshGraph");
    QCOMPARE(graphed(w).labels, QStringList());
    QCOMPARE(StandaloneSession::window()->lstEvents.stringList().last(),
             QStringLiteral("The graph was not drawn: too many hourly points for the period and groups chosen."));
}

void TestFrmStatistics::fileMenuNewAndChange()
{
    frmStatistics* w = open();
    const QString current = StatsFilePath();
    QFile mine(m_session.home().file(QStringLiteral("Mine.dat")));
    QVERIFY(mine.open(QIODevice::WriteOnly));
    mine.write(
        "\"Statistic\",\"Long Calls\",\"fldRings > 5\",\"NONE\"\r\n\"Group\",\"Bobs\",\"fldName Like 'Bob*'\"\r\n");
    mine.close();

    // New on a name that exists: the message, OK and another name.
    const QString fresh = m_session.home().file(QStringLiteral("Fresh.dat"));
    Prompt::queueText(mine.fileName());
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(fresh);
    TRIGGER(w, "mnuFileNew");
    QVERIFY(Prompt::texts().contains(QStringLiteral("This file name already exits. Choose another file name.")));
    QFile made(fresh);
    QVERIFY(made.open(QIODevice::ReadOnly));
    QCOMPARE(made.readAll(), QByteArray("\r\n"));
    QCOMPARE(StatsFilePath(), fresh);

    // Change: a missing file, then the one in use, then Cancel: nothing changes.
    Prompt::clearHistory();
    Prompt::queueText(m_session.home().file(QStringLiteral("Missing.dat")));
    Prompt::queueAnswer(Prompt::Ok);
    Prompt::queueText(fresh);
    Prompt::queueAnswer(Prompt::Cancel);
    TRIGGER(w, "mnuFileChange");
    QStringList said = Prompt::texts();
    QVERIFY(said.contains(m_session.home().file(QStringLiteral("Missing.dat")) +
                          QStringLiteral(" is not a valid statistics data file. Choose another file.")));
    QVERIFY(said.contains(fresh + QStringLiteral(" is already loaded. Choose another file.")));
    QCOMPARE(StatsFilePath(), fresh);

    // Change to a file of user-made items: the graph lists show them.
    Prompt::queueText(mine.fileName());
    TRIGGER(w, "mnuFileChange");
    QCOMPARE(StatsFilePath(), mine.fileName());
    QVERIFY(items(named<QComboBox>(w, "cboGraphStatistic")).contains(QStringLiteral("Long Calls")));
    QVERIFY(!named<QListWidget>(w, "lstGraphGroup")->findItems(QStringLiteral("Bobs"), Qt::MatchExactly).isEmpty());
    // A cancelled dialog changes nothing.
    Prompt::queueText(QString());
    TRIGGER(w, "mnuFileNew");
    QCOMPARE(StatsFilePath(), mine.fileName());
    Q_UNUSED(current);
}

void TestFrmStatistics::openedFromTheMainWindowAndThePopup()
{
    frmBaseMain* main = StandaloneSession::window();
    // The Window menu's "&Statistics" shows the window and is checked while it is open.
    QCOMPARE(action(main, "mnuWindow(4)")->text(), QStringLiteral("&Statistics"));
    QCOMPARE(action(main, "mnuWindow(4)")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    TRIGGER(main, "mnuWindow(4)");
    QCoreApplication::processEvents();
    frmStatistics* w = frmStatistics::instance(false);
    QVERIFY(w && w->isVisible());
    QVERIFY(action(main, "mnuWindow(4)")->isChecked());
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("36"));
    // Closing the window unchecks the item; unchecking the item closes the window.
    TRIGGER(w, "mnuFileClose");
    QVERIFY(!w->isVisible());
    QVERIFY(!action(main, "mnuWindow(4)")->isChecked());
    TRIGGER(main, "mnuWindow(4)");
    QVERIFY(w->isVisible());
    TRIGGER(main, "mnuWindow(4)");
    QVERIFY(!w->isVisible());
    // The toolbar's "View Statistics" only ever shows it.
    QCOMPARE(action(main, "Toolbar1.Buttons(9)")->toolTip(), QStringLiteral("View Statistics"));
    TRIGGER(main, "Toolbar1.Buttons(9)");
    TRIGGER(main, "Toolbar1.Buttons(9)");
    QVERIFY(w->isVisible());
    QVERIFY(action(main, "mnuWindow(4)")->isChecked());

    // The call list's grid menu: the chosen call's caller (its contact's group, under the contact's name).
    TRIGGER(main, "mnuViewTime(12)"); // all calls
    auto* grid = named<CallerIDGrid>(main, "Grid");
    QVERIFY(grid->Rows() > 2);
    int jane = 1;
    while (grid->TextMatrix(jane, 0) != QLatin1String("Jane Doe"))
        ++jane;
    grid->setRow(jane);
    TRIGGER(main, "mnuGridOptionsStatistics");
    QCOMPARE(gridOf(w)->Rows(), 2);
    QCOMPARE(gridOf(w)->TextMatrix(1, 0), QStringLiteral("Jane Doe"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("28"));
    // More than one call chosen: no single caller to show.
    grid->setRowSel(jane == 1 ? 2 : 1);
    QVERIFY(!ui::isReachable(main, QStringLiteral("mnuGridOptionsStatistics")));
    grid->setRow(jane);
    QVERIFY(ui::isReachable(main, QStringLiteral("mnuGridOptionsStatistics")));

    // The pop-up's "View Statistics On This Caller..." for the caller it shows.
    clsCaller bob;
    bob.ID = 99;
    bob.Name = QStringLiteral("Bob Ring");
    bob.Number.Number = QStringLiteral("555-0000");
    bob.CallerDate = DateText::format(m_now);
    miniDisplay().Show();
    miniDisplay().UpdateForm(bob);
    frmMiniDisplay* popup = frmMiniDisplay::instance(false);
    QVERIFY(popup);
    TRIGGER(popup, "mnuPopupViewStats");
    QCOMPARE(gridOf(w)->TextMatrix(1, 0), QStringLiteral("Bob Ring"));
    QCOMPARE(gridOf(w)->TextMatrix(1, 1), QStringLiteral("1"));
}

void TestFrmStatistics::hintsFollowTheOption()
{
    QVERIFY(gToolTip);
    SaveProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("False"));
    frmStatistics* w = open();
    for (const char* name : {"msfStatistics", "mscChart", "cboGraphFrequency", "chkGraphLegend"})
        QVERIFY2(!gToolTip->hasTool(named<QWidget>(w, name)), name);
    SaveProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"));
    w->AddHints();
    QCOMPARE(gToolTip->toolText(named<QWidget>(w, "cmdRefreshGraph")),
             QStringLiteral("This refreshs the graph above if a change is made to the statistic, groups or frequency "
                            "of the graph."));
    QCOMPARE(gToolTip->toolText(named<QWidget>(w, "cmdSelectAll")),
             QStringLiteral("This selects all the groups in the list above."));
    QVERIFY(gToolTip->hasTool(named<QWidget>(w, "fraGraphOptions")));
}

void TestFrmStatistics::captionsAndNames()
{
    frmStatistics* w = open();
    // The progress windows of the first computations stood over this window; they go once the loop runs.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const struct {
        const char* name;
        const char* caption;
        const char* shortcut;
    } kItems[] = {
        {"mnuFile", "&File", ""},
        {"mnuFileNew", "&New Custom Statistics and Groups File...", ""},
        {"mnuFileChange", "&Change Custom Statistics and Groups File...", ""},
        {"mnuFileClose", "&Close", ""},
        {"mnuEdit", "&Edit", ""},
        {"mnuEditSaveSettings", "&Save Current Settings", "Ctrl+S"},
        {"mnuEditSavedSettings", "&Load Saved Settings", "Ctrl+L"},
        {"mnuEditDefaultSettings", "Load &Default Settings", "Ctrl+D"},
        {"mnuEditStatistics", "C&ustomize Statistics...", "Ctrl+U"},
        {"mnuTimePeriod", "&Time Period", ""},
        {"mnuTime(0)", "Any Time Period", ""},
        {"mnuTime(2)", "Last Day", ""},
        {"mnuTime(3)", "Last Week (7 days)", ""},
        {"mnuTime(4)", "Last Month (30 days)", ""},
        {"mnuTime(5)", "Last 6 Months (182 days)", ""},
        {"mnuTime(6)", "Last Year (365 days)", ""},
        {"mnuTime(8)", "Custom...", ""},
        {"mnuGrid", "&Stats Grid", ""},
        {"mnuGridCopyAll", "Copy &All", ""},
        {"mnuGridCopy", "&Copy Selected Items", ""},
        {"mnuGridReset", "&Reset Columns", ""},
        {"mnuChart", "Stats &Chart", ""},
        {"mnuChartZoomIn", "Zoom &In", ""},
        {"mnuChartZoomOut", "Zoom &Out", ""},
        {"mnuChartOptions", "&View Chart Options", ""},
        {"mnuGraph", "Caller &Graph", ""},
        {"mnuGraphZoomIn", "Zoom &In", ""},
        {"mnuGraphZoomOut", "Zoom &Out", ""},
        {"mnuGraphOptions", "&View Graph Options", ""},
        {"mnuGraphLegend", "&Legend", ""},
        {"mnuGraphCopy", "&Copy Graph Data In Excel Format", ""},
        {"mnuGraphRefresh", "&Refresh Graph", ""},
        {"mnuPopupMenuCopyAll", "Copy &All", ""},
        {"mnuPopupMenuCopy", "&Copy Selected Item", ""},
    };
    for (const auto& item : kItems) {
        QAction* a = action(w, item.name);
        QVERIFY2(a, item.name);
        QCOMPARE(a->text(), QString::fromLatin1(item.caption));
        QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(item.shortcut)));
    }
    for (const char* separator : {"mnuTime(1)", "mnuTime(7)", "mnuFileHyphen1", "mnuGridHyphen1", "mnuChartHyphen1",
                                  "mnuGraphHyphen1", "mnuGraphHyphen2", "mnuGraphHyphen3"})
        QVERIFY2(action(w, separator)->isSeparator(), separator);
    const struct {
        const char* name;
        const char* text;
    } kTexts[] = {{"lblChart", "Chart Options"},  {"lblGraph", "Graph Options"}, {"lblChartZoom", "Zoom: 100%"},
                  {"lblGraphZoom", "Zoom: 100%"}, {"Label1", "Chart Type:"},     {"Label2", "Statistic:"},
                  {"label3", "Graph Frequency:"}, {"Label4", "Graph Type:"},     {"Label5", "Groups:"},
                  {"Label6", "Statistic:"}};
    for (const auto& t : kTexts)
        QCOMPARE(named<QLabel>(w, t.name)->text(), QString::fromLatin1(t.text));
    const struct {
        const char* name;
        const char* text;
    } kButtons[] = {{"cmdChartZoomIn", "Zoom In"},        {"cmdChartZoomOut", "Zoom Out"},
                    {"cmdGraphZoomIn", "Zoom In"},        {"cmdGraphZoomOut", "Zoom Out"},
                    {"cmdSelectAll", "Select All"},       {"cmdUnselectAll", "Unselect All"},
                    {"cmdRefreshGraph", "Refresh Graph"}, {"chkGraphLegend", "Legend"}};
    for (const auto& b : kButtons)
        QCOMPARE(named<QAbstractButton>(w, b.name)->text(), QString::fromLatin1(b.text));
    for (const char* name :
         {"tbsStats",         "picStats(0)",       "picStats(1)",  "picStats(2)",       "msfStatistics",
          "fraArrow",         "lblArrow",          "mscChart",     "hscChart",          "fraChartOptions",
          "lblChartArrow",    "mscGraph",          "hscGraph",     "fraGraphOptions",   "lblGraphArrow",
          "lstGraphGroup",    "cboChartStatistic", "cboChartType", "cboGraphStatistic", "cboGraphType",
          "cboGraphFrequency"})
        QVERIFY2(named<QWidget>(w, name), name);
    for (const char* name : {"ArrowTimer", "GridMouseUpTimer"})
        QCOMPARE(named<QTimer>(w, name)->interval(), 1);
    QVERIFY(named<QMenu>(w, "mnuPopupMenu"));
}

void TestFrmStatistics::aRestored3DTypeSwitchesTheZoomOff()
{
    // "3D Bar" is the lists' first entry, the one they show before anything is restored.
    SaveProperty(Section::frmStatistics, Key::SavedStats, QStringLiteral("Total Calls;"));
    SaveProperty(Section::frmStatistics, Key::SavedGroups, QStringLiteral("All Callers;"));
    SaveProperty(Section::frmStatistics, Key::ChartType, QStringLiteral("0"));
    SaveProperty(Section::frmStatistics, Key::GraphType, QStringLiteral("0"));
    frmStatistics* w = open();
    for (const char* kind : {"Chart", "Graph"}) {
        // Each on its own page, where its options are enabled.
        showTab(w, qstrcmp(kind, "Chart") == 0 ? 1 : 2);
        const QString k = QLatin1String(kind);
        QCOMPARE(ui::findByName<QComboBox>(w, "cbo" + k + "Type")->currentText(), QStringLiteral("3D Bar"));
        for (const char* zoom : {"ZoomIn", "ZoomOut"}) {
            QVERIFY2(!ui::findByName<QPushButton>(w, "cmd" + k + QLatin1String(zoom))->isEnabled(), kind);
            QVERIFY2(!ui::findByName<QAction>(w, "mnu" + k + QLatin1String(zoom))->isEnabled(), kind);
        }
    }
    // A 2D type brings the zoom back.
    named<QComboBox>(w, "cboGraphType")->setCurrentIndex(1);
    QVERIFY(named<QPushButton>(w, "cmdGraphZoomIn")->isEnabled());
    QVERIFY(action(w, "mnuGraphZoomOut")->isEnabled());
}

void TestFrmStatistics::aCancelledCustomPeriodChangesNothing()
{
    frmStatistics* w = open();
    TRIGGER(w, "mnuTime(3)");
    const QString title = w->windowTitle();
    TRIGGER(w, "mnuTime(8)");
    auto* custom = qobject_cast<QDialog*>(FindForm(QStringLiteral("frmCustomizeTime")));
    QVERIFY(custom && custom->isVisible());
    TRIGGER(custom, "cmdCancel");
    QCOMPARE(w->windowTitle(), title);
    QVERIFY(action(w, "mnuTime(3)")->isChecked());
    QVERIFY(!action(w, "mnuTime(8)")->isChecked());

    // Shown again, the window marks the period it computes, before and without any saved view.
    w->close();
    QCoreApplication::processEvents();
    w = frmStatistics::instance();
    w->showWindow(StandaloneSession::window());
    QVERIFY(!action(w, "mnuTime(8)")->isChecked());
}

void TestFrmStatistics::aBookOfManyContacts()
{
    // More groups than a chart can label: 150 contacts, the first owning Bob Ring's number.
    for (int k = 0; k < 150; ++k) {
        addContact(QStringLiteral("Contact %1").arg(k, 3, 10, QLatin1Char('0')),
                   {k == 0 ? QStringLiteral("555-0000") : QStringLiteral("555-%1").arg(7000 + k)});
    }
    UpdateContactCollection();
    frmStatistics* w = open();
    QTRY_COMPARE(gridOf(w)->Rows(), 156);
    QTRY_COMPARE(chartValues(w).size(), 155);
    // The chart holds the grid's column in the grid's order, without labels.
    QList<double> totals;
    for (const QString& cell : column(w, 1))
        totals << cell.toDouble();
    QCOMPARE(chartValues(w), totals);
    QCOMPARE(totals[0], 36.0);                                           // All Callers
    QCOMPARE(totals[1], 1.0);                                            // Contact 000
    QCOMPARE(int(std::count(totals.cbegin(), totals.cend(), 0.0)), 151); // and NOT RECEIVED, UNKNOWN NUMBER
    QCOMPARE(chartLabels(w), QStringList());
    // Fewer groups again: labelled as before.
    LoadDefaultStatistics();
    gCurrentGroups = std::make_unique<GroupCollection>();
    for (const QString& name : {QStringLiteral("All Callers"), QStringLiteral("Contact 000")})
        gCurrentGroups->add(name, GetGroup(name, gGroups.get()));
    w->GenerateStatistics();
    QTRY_COMPARE(chartLabels(w), QStringList({"All Callers", "Contact 000"}));
    QCOMPARE(chartValues(w), QList<double>({36, 1}));

    // Every group chosen for the graph, saved, and chosen again from the saved view.
    auto* list = named<QListWidget>(w, "lstGraphGroup");
    showTab(w, 2);
    TRIGGER(w, "cmdSelectAll");
    QCOMPARE(selected(list).size(), list->count());
    QCOMPARE(list->count(), 155);
    TRIGGER(w, "mnuEditSaveSettings");
    TRIGGER(w, "cmdUnselectAll");
    QVERIFY(selected(list).isEmpty());
    TRIGGER(w, "mnuEditSavedSettings");
    QCOMPARE(selected(list).size(), list->count());
    // A saved name chooses its entry whatever its capitals, once; unknown names choose nothing.
    SaveProperty(Section::frmStatistics, Key::GraphGroups,
                 QStringLiteral("contact 149;Nobody;CONTACT 000;Contact 149;contact 001;"));
    TRIGGER(w, "mnuEditSavedSettings");
    QCOMPARE(selected(list), QStringList({"Contact 000", "Contact 001", "Contact 149"}));
    TRIGGER(w, "cmdRefreshGraph");
    QTRY_COMPARE(graphed(w).series, QStringList({"Contact 000", "Contact 001", "Contact 149"}));
}

// What the charts draw at the window's first size and at the smallest it can be made: no title, legend or axis
// label cut short to an ellipsis, and a plot the height of two lines of its labels at least.
void TestFrmStatistics::chartsReadAtTheWindowsSizes()
{
    frmStatistics* w = open();
    for (const QSize asked : {QSize(), QSize(1, 1)}) {
        if (asked.isValid())
            w->resize(asked);
        for (int tab : {1, 2}) {
            showTab(w, tab);
            QCoreApplication::processEvents();
            QChartView* view = named<QChartView>(w, tab == 1 ? "mscChart" : "mscGraph");
            for (QGraphicsItem* item : view->scene()->items()) {
                if (auto* text = qgraphicsitem_cast<QGraphicsTextItem*>(item); text && text->isVisible())
                    QVERIFY2(!text->toPlainText().contains(QLatin1String("...")), qPrintable(text->toPlainText()));
            }
            QVERIFY2(view->chart()->plotArea().height() >= 2 * QFontMetrics(view->font()).height(),
                     qPrintable(QString::number(view->chart()->plotArea().height())));
        }
    }
}

QTEST_MAIN(TestFrmStatistics)
#include "test_frmstatistics.moc"
