#include "statswindow/ui/StatsWindowJobs.h"

#include "core/ProgramLinks.h"
#include "statistics/StatisticsBatch.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"
#include "statswindow/StatsGridModel.h"
#include "statswindow/ui/StatsGridPage.h"
#include "statswindow/ui/frmStatistics.h"

namespace {

QList<clsStatistic> currentStatistics()
{
    QList<clsStatistic> out;
    if (gCurrentStatistics) {
        for (const auto& e : *gCurrentStatistics)
            out << *e.item;
    }
    return out;
}

QList<clsGroup> currentGroups()
{
    QList<clsGroup> out;
    if (gCurrentGroups) {
        for (const auto& e : *gCurrentGroups)
            out << *e.item;
    }
    return out;
}

} // namespace

LocalGridJob::LocalGridJob(frmStatistics* window, quint64 command)
    : StatisticsJob(true, StatisticsJobKind::Grid, window), m_window(window), m_command(command)
{
}

void LocalGridJob::run()
{
    const QPointer<frmStatistics> window = m_window;
    if (!window || !window->isLoaded())
        return;
    // The grid is worked out from the view as it stands when its turn comes: while it waited, groups may have
    // come and gone (a contact removed elsewhere), and its rows must be the groups it computes.
    const QList<clsStatistic> statistics = currentStatistics();
    const QList<clsGroup> groups = currentGroups();
    const int days = PeriodDays(window->checkedTimeItem(), window->dteCustomStartDate, window->dteCustomEndDate);
    window->SetupGrid();
    GridBatch batch(statistics, groups, window->strTimePeriod, days);
    RunHooks hooks;
    hooks.progressCaption = QStringLiteral("Processing Statistics...");
    hooks.progressOwner = window;
    hooks.stopRequested = [window] { return !window || !window->isLoaded(); };
    const GridRunResult result = RunStatisticsGrid(batch, hooks, this, [window](int s, int g, const QString& text) {
        if (window)
            window->m_grid->model()->setTextMatrix(g + 1, s + 1, text);
    });
    if (cancelled() || !window || !window->isLoaded())
        return; // replaced by a newer view, or the window closed
    // The user's Stop: the whole computation stops, the graph that was to follow too.
    if (result.stopped && !Program::ending())
        window->computationStopped(m_command);
    QStringList names;
    for (const clsStatistic& s : statistics)
        names << s.Description;
    window->fillChartStatistics(names);
    window->m_grid->sort();
}

LocalGraphJob::LocalGraphJob(frmStatistics* window, quint64 command, clsStatistic statistic, QList<clsGroup> groups,
                             QStringList series, QList<GraphBucket> buckets, int days)
    : StatisticsJob(true, StatisticsJobKind::Graph, window), m_window(window), m_command(command),
      m_statistic(std::move(statistic)), m_groups(std::move(groups)), m_series(std::move(series)),
      m_buckets(std::move(buckets)), m_days(days)
{
}

void LocalGraphJob::run()
{
    // Its command was stopped in its grid: it computes nothing, and no graph shows rather than the one before.
    if (m_window && m_window->isLoaded() && m_window->commandStopped(m_command)) {
        m_window->showNoGraph();
        return;
    }
    GraphBatch batch(m_statistic, m_groups, m_buckets, m_days);
    RunHooks hooks;
    hooks.progressCaption = QStringLiteral("Processing Graph Data...");
    hooks.progressOwner = m_window;
    const QPointer<frmStatistics> window = m_window;
    hooks.stopRequested = [window] { return !window || !window->isLoaded(); };
    const GraphRunResult result = RunGraph(batch, m_buckets, int(m_groups.size()), hooks, this);
    if (cancelled() || !window || !window->isLoaded())
        return;
    // A graph stopped by the user is shown empty; it is the last stage of its command.
    window->m_graphSeries = result.stopped ? QStringList() : m_series;
    window->SetArray(result.stopped ? GraphTable() : result.table);
    window->drawGraph();
}
