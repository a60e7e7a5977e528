#include "statswindow/ui/frmStatistics.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>

#include <cmath>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "platform/Clock.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsPeriod.h"
#include "statswindow/StatsView.h"
#include "statswindow/ui/StatsWindowConstants.h"
#include "statswindow/ui/frmCustomizeStatistics.h"
#include "statswindow/ui/frmCustomizeTime.h"

// The statistics window's period (its Time Period menu) and its view settings: saving the view, loading the
// saved or the default one, and the view of one caller.

using namespace StatsWindow;

namespace {

void setIndexIfValid(QComboBox* box, const QString& text)
{
    bool ok = false;
    const int i = int(std::lround(QLocale::c().toDouble(text.trimmed(), &ok)));
    // An index the list does not have leaves it as it was.
    if (ok && i >= 0 && i < box->count())
        box->setCurrentIndex(i);
}

} // namespace

int frmStatistics::checkedTimeItem() const
{
    int checked = 0;
    for (int i = 0; i < mnuTime.size(); ++i) {
        if (mnuTime[i]->isCheckable() && mnuTime[i]->isChecked())
            checked = i;
    }
    return checked;
}

void frmStatistics::checkTimeItem(int item)
{
    for (int i = 0; i < mnuTime.size(); ++i)
        mnuTime[i]->setChecked(i == item && mnuTime[i]->isCheckable());
}

void frmStatistics::setPeriod(int item)
{
    checkTimeItem(item);
    strTime = StatsPeriod::captionText(item);
    setWindowTitle(QStringLiteral("Statistics ") + strTime);
    strTimePeriod = StatsPeriod::clause(item, Clock::now());
}

void frmStatistics::mnuTime_Click(int index)
{
    if (StatsPeriod::isSeparator(index) || index < 0 || index >= StatsPeriod::ItemCount)
        return;
    if (index == StatsPeriod::Custom) {
        // The item's own flip of its mark is taken back: the custom period dialog applies the range, checks
        // the item and records it as the period in use itself, and a cancelled dialog leaves all as it was.
        mnuTime[index]->setChecked(!mnuTime[index]->isChecked());
        frmCustomizeTime::showFor(QStringLiteral("Stats"), this);
        return;
    }
    intTimePeriodItem = index;
    setPeriod(index);
    generateAndGraph();
}

void frmStatistics::ApplyCustomPeriod(const QDateTime& start, const QDateTime& end, bool startInclusive,
                                      bool endInclusive)
{
    dteCustomStartDate = start;
    dteCustomEndDate = end;
    m_customStartInclusive = startInclusive;
    m_customEndInclusive = endInclusive;
    intTimePeriodItem = StatsPeriod::Custom;
    strTime = StatsPeriod::customCaption(start, end);
    setWindowTitle(QStringLiteral("Statistics ") + strTime);
    strTimePeriod = StatsPeriod::customClause(start, end, startInclusive, endInclusive);
    checkTimeItem(StatsPeriod::Custom);
    // A window closed meanwhile keeps the period for its next opening and computes nothing now.
    if (!m_loaded)
        return;
    generateAndGraph();
}

CustomRange frmStatistics::customRange() const
{
    return {dteCustomStartDate, dteCustomEndDate, m_customStartInclusive, m_customEndInclusive};
}

void frmStatistics::mnuEditStatistics_Click() { frmCustomizeStatistics::showFor(this); }

void frmStatistics::mnuEditSaveSettings_Click()
{
    QString groups;
    for (const QString& g : selectedGraphGroups())
        groups += g + QLatin1Char(';');
    QString period;
    for (int item : {StatsPeriod::AnyTime, StatsPeriod::LastDay, StatsPeriod::LastWeek, StatsPeriod::LastMonth,
                     StatsPeriod::LastSixMonths, StatsPeriod::LastYear, StatsPeriod::Custom}) {
        if (mnuTime[item]->isChecked()) {
            period = item == StatsPeriod::Custom
                         ? StatsPeriod::customSetting(dteCustomStartDate, dteCustomEndDate, m_customStartInclusive,
                                                      m_customEndInclusive)
                         : StatsPeriod::settingWord(item);
            break;
        }
    }
    const QString section = QString::fromLatin1(Section::frmStatistics);
    SettingsBatch batch;
    SaveProperty(section, QString::fromLatin1(Key::TimePeriod), period);
    SaveProperty(section, QString::fromLatin1(Key::ChartType), QString::number(m_chart->typeList()->currentIndex()));
    SaveProperty(section, QString::fromLatin1(Key::ChartStatistic), m_chart->statisticList()->currentText());
    SaveProperty(section, QString::fromLatin1(Key::GraphType), QString::number(m_graph->typeList()->currentIndex()));
    SaveProperty(section, QString::fromLatin1(Key::GraphFrequency), QString::number(cboGraphFrequency->currentIndex()));
    SaveProperty(section, QString::fromLatin1(Key::GraphStatistic), m_graph->statisticList()->currentText());
    SaveProperty(section, QString::fromLatin1(Key::GraphLegend), boolText(chkGraphLegend->isChecked()));
    SaveProperty(section, QString::fromLatin1(Key::GraphGroups), groups);
    SaveProperty(section, QString::fromLatin1(Key::SavedStats), CurrentStatisticsSetting());
    SaveProperty(section, QString::fromLatin1(Key::SavedGroups), CurrentGroupsSetting());
}

void frmStatistics::applySavedPeriod(const QString& word)
{
    const int item = StatsPeriod::itemOfWord(word);
    if (item >= 0) {
        intTimePeriodItem = item;
        setPeriod(item);
        return;
    }
    // A custom range: a text without two dates leaves the dates as they were. Stored bounds are exclusive.
    if (StatsPeriod::parseCustomSetting(word, dteCustomStartDate, dteCustomEndDate))
        m_customStartInclusive = m_customEndInclusive = false;
    intTimePeriodItem = StatsPeriod::Custom;
    checkTimeItem(StatsPeriod::Custom);
    strTime = StatsPeriod::customCaption(dteCustomStartDate, dteCustomEndDate);
    setWindowTitle(QStringLiteral("Statistics ") + strTime);
    strTimePeriod =
        StatsPeriod::customClause(dteCustomStartDate, dteCustomEndDate, m_customStartInclusive, m_customEndInclusive);
}

void frmStatistics::mnuEditSavedSettings_Click()
{
    const QString section = QString::fromLatin1(Section::frmStatistics);
    auto get = [&](const char* key, const char* fallback) {
        return GetProperty(section, QString::fromLatin1(key), QString::fromLatin1(fallback));
    };
    checkTimeItem(-1);
    applySavedPeriod(get(Key::TimePeriod, "ANYTIME"));
    // The zoom follows a restored type also when the list showed it already: the lists start at their
    // first type, a 3D one, before their handlers are connected.
    const auto restoreType = [this](ChartPage* page, const QString& text) {
        QComboBox* box = page->typeList();
        const int before = box->currentIndex();
        setIndexIfValid(box, text);
        if (box->currentIndex() == before)
            typeChanged(page);
    };
    restoreType(m_graph, get(Key::GraphType, "3"));
    setIndexIfValid(cboGraphFrequency, get(Key::GraphFrequency, "1"));
    selectOrFirst(m_graph->statisticList(), get(Key::GraphStatistic, "TOTAL CALLS"));
    cmdUnselectAll_Click();
    selectGraphGroups(get(Key::GraphGroups, "").split(QLatin1Char(';'), Qt::SkipEmptyParts));
    const QVariant legend = ConvertCheck(get(Key::GraphLegend, "True"));
    chkGraphLegend->setChecked(legend.toInt() == 1);
    chkGraphLegend_Click();
    LoadSavedStatistics();
    LoadSavedGroups();
    if (!generateAndGraph())
        return;
    if (m_chart->statisticList()->count() > 0)
        restoreType(m_chart, get(Key::ChartType, "1"));
    selectOrFirst(m_chart->statisticList(), get(Key::ChartStatistic, "TOTAL CALLS"));
}

void frmStatistics::mnuEditDefaultSettings_Click()
{
    intTimePeriodItem = StatsPeriod::AnyTime;
    setPeriod(StatsPeriod::AnyTime);
    m_graph->typeList()->setCurrentIndex(kTypeLine2D);
    cboGraphFrequency->setCurrentIndex(Daily);
    selectOrFirst(m_graph->statisticList(), QStringLiteral("TOTAL CALLS"));
    cmdUnselectAll_Click();
    SelectListItem(lstGraphGroup, QStringLiteral("ALL CALLERS"));
    chkGraphLegend->setChecked(true);
    chkGraphLegend_Click();
    LoadDefaultStatistics();
    LoadDefaultGroups();
    if (!generateAndGraph())
        return;
    m_chart->typeList()->setCurrentIndex(kTypeBar2D);
    selectOrFirst(m_chart->statisticList(), QStringLiteral("TOTAL CALLS"));
}

void frmStatistics::LoadNumber(const QString& number, const QString& name)
{
    blnLoadingNumber = true;
    gCurrentGroups = std::make_unique<GroupCollection>();
    const CallerGroup caller = SingleCallerGroup(number, name);
    gCurrentGroups->add(caller.group->Description, caller.group);
    if (caller.temporary && gGroups)
        gGroups->add(caller.group->Description, caller.group);
    if (!isVisible())
        showWindow(dynamic_cast<QWidget*>(gMainForm));
    intTimePeriodItem = StatsPeriod::AnyTime;
    setPeriod(StatsPeriod::AnyTime);
    m_graph->typeList()->setCurrentIndex(kTypeLine2D);
    cboGraphFrequency->setCurrentIndex(Monthly);
    selectOrFirst(m_graph->statisticList(), QStringLiteral("TOTAL CALLS"));
    if (caller.temporary)
        RefreshGraphGroupList();
    cmdUnselectAll_Click();
    SelectListItem(lstGraphGroup, caller.group->Description);
    // SelectListItem makes the entry current; in a list of many choices it must be chosen too.
    selectGraphGroups({caller.group->Description});
    chkGraphLegend->setChecked(true);
    chkGraphLegend_Click();
    LoadDefaultStatistics();
    const bool stays = generateAndGraph();
    if (stays) {
        m_chart->typeList()->setCurrentIndex(kTypeBar2D);
        selectOrFirst(m_chart->statisticList(), QStringLiteral("TOTAL CALLS"));
    }
    // The group made for the moment leaves the master groups, also when the window went meanwhile.
    if (caller.temporary && gGroups) {
        const auto held = gGroups->item(caller.group->Description);
        if (held == caller.group)
            gGroups->remove(caller.group->Description);
        if (stays)
            RefreshGraphGroupList();
    }
    if (stays)
        blnLoadingNumber = false;
}
