#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "statistics/GraphBuckets.h"
#include "statistics/StatisticsProtocol.h"

class GridBatch;
class GraphBatch;

// Running the statistics grid and the caller graph: the loop both the window's own use and a server answering a
// client go through, cell by cell behind a progress window, and the engine's one-at-a-time rule.
//
// A run yields to the event loop once per cell, so anything may happen meanwhile: Stop, a client's cancel, the
// window closing, a new period, another client's request. Two runs never interleave: StatisticsQueue runs one
// job at a time and keeps the others waiting in arrival order. A window's own job replaces only the running or
// waiting job of its own kind and its own window: one command asks for the grid and then the graph, and a graph
// asked for while the grid runs must not leave the grid half filled.

// What a window's own job computes; each kind has its own "newest wins" slot per window.
enum class StatisticsJobKind { Grid, Graph };

class StatisticsJob {
public:
    // local: a window's own use (as opposed to a server answering a client, which is never replaced); kind and
    // owner (the window) say which of the window's jobs it replaces.
    explicit StatisticsJob(bool local, StatisticsJobKind kind = StatisticsJobKind::Grid, const void* owner = nullptr)
        : m_local(local), m_kind(kind), m_owner(owner)
    {
    }
    virtual ~StatisticsJob();
    StatisticsJob(const StatisticsJob&) = delete;
    StatisticsJob& operator=(const StatisticsJob&) = delete;

    bool isLocal() const { return m_local; }
    StatisticsJobKind kind() const { return m_kind; }
    const void* owner() const { return m_owner; }
    // Asks a running job to stop at its next cell; a waiting one will not run.
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }

    virtual void run() = 0;
    // The job as the user knows it, while it waits or runs ("Processing Statistics...").
    virtual QString caption() const { return QStringLiteral("Processing Statistics..."); }

private:
    bool m_local;
    StatisticsJobKind m_kind;
    const void* m_owner;
    bool m_cancelled = false;
};

namespace StatisticsQueue {
// Runs the job now when none runs (and after it every job asked for meanwhile, first come first served);
// otherwise it waits its turn and this returns at once. A local job cancels the local job of its own kind and
// owner that runs or waits.
void submit(std::shared_ptr<StatisticsJob> job);
bool busy();
int waiting();
// Cancels the running and waiting local jobs of that owner (its window closes); of every owner when null.
void cancelLocal(const void* owner = nullptr);
} // namespace StatisticsQueue

// What a run shows and asks while it goes.
struct RunHooks {
    QString progressCaption;          // "Processing Statistics...", "Sending Data To " address ...
    QObject* progressOwner = nullptr; // the window the progress window stands over
    // True when the run must end now (a client's cancel, the requester gone, the window closed).
    std::function<bool()> stopRequested;
};

struct GridRunResult {
    QStringList cells; // the texts computed, statistic-major (all groups of the first statistic, ...)
    bool stopped = false;
};

// Computes every cell of the batch in statistic-major order. cell(s, g, text) is told of each as soon as it is
// done (the window writes it into its grid). Stops after the current cell on the progress window's Stop, on
// hooks.stopRequested or when job is cancelled; the cells done so far are in the result.
GridRunResult RunStatisticsGrid(GridBatch& batch, const RunHooks& hooks, const StatisticsJob* job,
                                const std::function<void(int s, int g, const QString& text)>& cell = {});

struct GraphRunResult {
    GraphTable table; // every row labelled; values not reached are 0
    bool stopped = false;
};

// Computes the graph of the batch's groups over the buckets (values of 0 or less stored as 0).
GraphRunResult RunGraph(GraphBatch& batch, const QList<GraphBucket>& buckets, int groupCount, const RunHooks& hooks,
                        const StatisticsJob* job);

// The most cells (buckets x groups) a graph may have: beyond it the graph is refused with an event line
// rather than computed for minutes.
inline constexpr qint64 kMaxGraphCells = 200'000;
// The same for a client's statistics grid: at most this many cells, of which at most kMaxQueryCells may need
// a query of their own (a condition the batch cannot read, each a scan of the whole log).
inline constexpr qint64 kMaxStatisticCells = 20'000;
inline constexpr qint64 kMaxQueryCells = 500;
