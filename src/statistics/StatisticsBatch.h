#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

#include "platform/QuerySource.h"
#include "statistics/GraphBuckets.h"
#include "statistics/clsGroup.h"
#include "statistics/clsStatistic.h"

// Many statistic values over one call log at once, for the statistics grid and the caller graph.
//
// Evaluated one by one (ExecuteStat), a grid of 11 statistics for 200 contacts is 2,200 queries, each a scan
// of the whole log with the Jet Like called on every row. A batch instead reads the calls it needs once (a
// date range of the index, the whole log for any time) and evaluates the conditions itself: each Like is
// matched once per distinct name, number or answer, not once per row and cell, and one pass over a group's
// calls serves every statistic of it. The answers are exactly those of ExecuteStat: a batch only takes a
// condition it can read completely (comparisons and Like on the log's fields joined by and, or, not) on a
// log whose stored values have the forms the program writes, and hands anything else (a function, a
// misspelt field, a date stored as other text) to ExecuteStat, which gives the same value, "Bad SQL" or "Too
// Complex" as before. The calls are read when the first value is asked for; later changes to the log are
// not seen by the batch.

// Called during a batch's long read of the log at most every everyMs, so the program stays responsive (the
// call road, the clients); unset, the read runs through. False stops the batch where it is (its run was
// stopped, the program is ending): it then answers nothing more (stopped()).
struct BatchYield {
    std::function<bool()> yield;
    qint64 everyMs = 20;
};

struct CellValue {
    double value = 0;
    QString note; // the busiest window, for the "most calls in" styles
};

// The statistics grid: every statistic for every group over one period clause and day count.
class GridBatch {
public:
    GridBatch(QList<clsStatistic> statistics, QList<clsGroup> groups, QString timePeriod, int days);
    ~GridBatch();
    GridBatch(const GridBatch&) = delete;
    GridBatch& operator=(const GridBatch&) = delete;

    int statisticCount() const { return int(m_statistics.size()); }
    int groupCount() const { return int(m_groups.size()); }
    // The value of statistic s for group g (both from 0), as ExecuteStat gives it.
    CellValue cell(int s, int g);
    // Whether that cell was (or would be) answered from the batch rather than by its own query.
    bool answeredByBatch(int s, int g);
    void setYield(BatchYield yield) { m_yield = std::move(yield); }
    // Whose statistics these are: a peer's cells that need a query of their own run within its bounds.
    void setSource(QuerySource source) { m_source = source; }
    // The read was stopped by its yield: every cell is empty, none is asked of the log.
    bool stopped() const;

    // Most row numbers the grid keeps between cells (16 MB): the rows of each group, found for its first
    // column, are kept for the next ones only while they fit; beyond, a group's rows are found again in each
    // column. Without it 5,000 groups of 80,000 calls each held 1.6 GB for the whole run.
    static constexpr qint64 MaxKeptRows = 4'000'000;
    qint64 keptRows() const;

private:
    struct Plan;
    Plan& plan();
    // The rows of group g: kept ones, or found into found.
    const std::vector<int>& groupRows(int g, std::vector<int>& found);

    BatchYield m_yield;
    QList<clsStatistic> m_statistics;
    QList<clsGroup> m_groups;
    QString m_timePeriod;
    int m_days;
    QuerySource m_source = QuerySource::User;
    std::unique_ptr<Plan> m_plan;
};

// The caller graph: one statistic for every group in every bucket, each over the bucket's own clause
// (GraphBucketClause) and the whole period's day count.
class GraphBatch {
public:
    GraphBatch(clsStatistic statistic, QList<clsGroup> groups, QList<GraphBucket> buckets, int days);
    ~GraphBatch();
    GraphBatch(const GraphBatch&) = delete;
    GraphBatch& operator=(const GraphBatch&) = delete;

    // The value for group g in bucket k, as ExecuteStat gives it for that bucket's clause.
    double value(int g, int k);
    bool answeredByBatch(int g);
    void setYield(BatchYield yield) { m_yield = std::move(yield); }
    void setSource(QuerySource source) { m_source = source; }
    bool stopped() const;

private:
    struct Plan;
    Plan& plan();

    BatchYield m_yield;
    clsStatistic m_statistic;
    QList<clsGroup> m_groups;
    QList<GraphBucket> m_buckets;
    int m_days;
    QuerySource m_source = QuerySource::User;
    std::unique_ptr<Plan> m_plan;
};
