#pragma once

#include <QPointer>
#include <QStringList>

#include "statistics/GraphBuckets.h"
#include "statistics/StatisticsRun.h"
#include "statistics/clsGroup.h"
#include "statistics/clsStatistic.h"

class frmStatistics;

// The statistics window's own computations, run on the engine's queue. A job that finds the window closed, or
// is replaced by a newer one of its kind, leaves the window as it is.

// The grid of the current statistics and groups as they stand when its turn comes, then the chart's
// statistic list and the sort.
//
// Each belongs to one command of the window (frmStatistics::beginCommand): a Stop of one stage stops the command
// whole, and a stage of it whose turn comes later computes nothing.
class LocalGridJob : public StatisticsJob {
public:
    LocalGridJob(frmStatistics* window, quint64 command);
    void run() override;

private:
    QPointer<frmStatistics> m_window;
    quint64 m_command;
};

// One graph: the statistic for the groups over the buckets; a graph stopped by the user is shown empty.
class LocalGraphJob : public StatisticsJob {
public:
    LocalGraphJob(frmStatistics* window, quint64 command, clsStatistic statistic, QList<clsGroup> groups,
                  QStringList series, QList<GraphBucket> buckets, int days);
    void run() override;
    QString caption() const override { return QStringLiteral("Processing Graph Data..."); }

private:
    QPointer<frmStatistics> m_window;
    quint64 m_command;
    clsStatistic m_statistic;
    QList<clsGroup> m_groups;
    QStringList m_series;
    QList<GraphBucket> m_buckets;
    int m_days;
};
