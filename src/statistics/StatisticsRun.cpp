#include "statistics/StatisticsRun.h"

#include <QCoreApplication>

#include <algorithm>
#include <deque>

#include "core/Processing.h"
#include "core/ProgramLinks.h"
#include "core/ProgressWindow.h"
#include "core/modError.h"
#include "platform/DateText.h"
#include "statistics/StatisticsBatch.h"

StatisticsJob::~StatisticsJob() = default;

namespace {

// A job holds a long task from the moment it is queued until it has run: an end or a mode switch asked for
// meanwhile waits for it at the gate, and the job, waiting or running, stops at its next step.
struct Entry {
    std::shared_ptr<StatisticsJob> job;
    std::unique_ptr<LongTask> task;
};

struct Queue {
    Entry running;
    std::deque<Entry> waiting;
};

Queue& queue()
{
    static Queue q;
    return q;
}

// One step of a run: the progress window's step, which yields; without a window the run still yields, so the
// program stays responsive and a cancel from a client can arrive.
void step(Processing& progress)
{
    if (const ProgressWindow* w = progress.window(); w && w->active())
        progress.Increment();
    else
        LongTask::yield();
}

bool mustStop(const Processing& progress, const RunHooks& hooks, const StatisticsJob* job)
{
    return progress.StopProcessing() || (hooks.stopRequested && hooks.stopRequested()) || (job && job->cancelled());
}

// The batch's read gives way as a cell does, and stops on what stops the run.
BatchYield runYield(const Processing& progress, const RunHooks& hooks, const StatisticsJob* job)
{
    return {[&progress, &hooks, job] {
        LongTask::yield();
        return !mustStop(progress, hooks, job);
    }};
}

qint32 progressMaximum(qint64 steps) { return qint32(std::clamp<qint64>(steps, 1, 0x7fffffff)); }

} // namespace

namespace StatisticsQueue {

void submit(std::shared_ptr<StatisticsJob> job)
{
    Queue& q = queue();
    if (job->isLocal()) {
        // Only the newest grid, and the newest graph, of a window counts.
        const auto replaced = [&job](const std::shared_ptr<StatisticsJob>& other) {
            return other && other->isLocal() && other->kind() == job->kind() && other->owner() == job->owner();
        };
        if (replaced(q.running.job))
            q.running.job->cancel();
        for (auto& w : q.waiting) {
            if (replaced(w.job))
                w.job->cancel();
        }
    }
    auto task = std::make_unique<LongTask>(job->caption());
    q.waiting.push_back({std::move(job), std::move(task)});
    if (q.running.job)
        return; // it runs once the running one has returned to us
    while (!q.waiting.empty()) {
        // The program is ending or switching its mode: what waits is not begun (its requester and its window
        // go with the end), and the end runs once the queue is empty.
        if (Program::ending()) {
            q.waiting.clear();
            break;
        }
        q.running = std::move(q.waiting.front());
        q.waiting.pop_front();
        try {
            if (!q.running.job->cancelled())
                q.running.job->run();
        } catch (const std::exception& e) {
            // One failed job must not keep the engine busy for good.
            SaveError(kInvalidCallError, QString::fromUtf8(e.what()));
            ReportError(QStringLiteral("modStatistics_RunJob"));
        }
        q.running = Entry{};
    }
}

bool busy() { return bool(queue().running.job); }

int waiting() { return int(queue().waiting.size()); }

void cancelLocal(const void* owner)
{
    Queue& q = queue();
    const auto ofOwner = [owner](const std::shared_ptr<StatisticsJob>& job) {
        return job && job->isLocal() && (!owner || job->owner() == owner);
    };
    if (ofOwner(q.running.job))
        q.running.job->cancel();
    for (auto& w : q.waiting) {
        if (ofOwner(w.job))
            w.job->cancel();
    }
}

} // namespace StatisticsQueue

GridRunResult RunStatisticsGrid(GridBatch& batch, const RunHooks& hooks, const StatisticsJob* job,
                                const std::function<void(int, int, const QString&)>& cell)
{
    GridRunResult result;
    const int statistics = batch.statisticCount(), groups = batch.groupCount();
    // The bar runs one step per cell and one more per statistic, so it reaches its end with the last step and
    // every step before it still yields.
    Processing progress(progressMaximum(qint64(statistics) * groups + statistics), hooks.progressCaption,
                        hooks.progressOwner);
    // The first cell reads the period's calls: a long read gives way too, as every cell does.
    batch.setYield(runYield(progress, hooks, job));
    for (int s = 0; s < statistics && !result.stopped; ++s) {
        for (int g = 0; g < groups; ++g) {
            const CellValue v = batch.cell(s, g);
            if (batch.stopped()) {
                result.stopped = true;
                break;
            }
            const QString text = StatisticCellText(v.value, v.note);
            result.cells << text;
            if (cell)
                cell(s, g, text);
            step(progress);
            if (mustStop(progress, hooks, job)) {
                result.stopped = true;
                break;
            }
        }
        if (result.stopped)
            break;
        step(progress);
        result.stopped = mustStop(progress, hooks, job);
    }
    return result;
}

GraphRunResult RunGraph(GraphBatch& batch, const QList<GraphBucket>& buckets, int groupCount, const RunHooks& hooks,
                        const StatisticsJob* job)
{
    GraphRunResult result;
    // Every row is labelled before anything is computed, so a graph stopped half-way still reads back whole.
    for (const GraphBucket& b : buckets) {
        result.table.labels << DateText::format(b.start);
        result.table.values << QList<double>(groupCount, 0.0);
    }
    const qint64 k = buckets.size();
    Processing progress(progressMaximum(k * groupCount + groupCount), hooks.progressCaption, hooks.progressOwner);
    batch.setYield(runYield(progress, hooks, job));
    for (int g = 0; g < groupCount && !result.stopped; ++g) {
        for (int b = 0; b < k; ++b) {
            result.table.values[b][g] = std::max(0.0, batch.value(g, b));
            if (batch.stopped()) {
                result.stopped = true;
                break;
            }
            step(progress);
            if (mustStop(progress, hooks, job)) {
                result.stopped = true;
                break;
            }
        }
        if (result.stopped)
            break;
        step(progress);
        result.stopped = mustStop(progress, hooks, job);
    }
    return result;
}
