#include "statistics/ServerStatistics.h"

#include <QCoreApplication>

#include <cmath>
#include <new>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramLinks.h"
#include "core/WindowLinks.h"
#include "core/modCallerDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "network/clsClient.h"
#include "network/clsServer.h"
#include "platform/DateText.h"
#include "platform/Memory.h"
#include "statistics/StatisticsBatch.h"
#include "statistics/StatisticsProtocol.h"
#include "statistics/StatisticsRun.h"
#include "statistics/modStatEvaluation.h"
#include "statistics/modStatistics.h"

namespace {

clsClient* requester(qint32 index) { return gServer ? gServer->Clients(index) : nullptr; }

void reply(qint32 index, const QString& text)
{
    if (requester(index))
        gServer->SendData(text, index);
}

// A client's answer, from the moment it is asked for until it has replied. The client's cancel reaches it
// through the window link at once, also while it waits behind another computation; by then the client may
// have sent other requests, so the client's own view of its current request cannot tell.
class ServerJob : public StatisticsJob {
public:
    ServerJob(qint32 index, QString address, QString tag)
        : StatisticsJob(false), m_index(index), m_address(std::move(address)), m_tag(std::move(tag))
    {
        // A cancel that came after this request, before it was read, counts too.
        const clsClient* c = requester(index);
        m_clientCancelled = c && c->NetCancel();
        live().append(this);
        windowLinks().netCancel = &CancelServerStatistics;
    }
    ~ServerJob() override
    {
        live().removeOne(this);
        if (live().isEmpty())
            windowLinks().netCancel = nullptr;
    }

    // The answer, and a client told of a run that failed (its memory ran out, say): an ERROR, then the empty
    // answer its window goes on with. What the run took has gone with its frames by then.
    void run() final
    {
        try {
            answer();
        } catch (const std::exception& e) {
            const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
            const qint32 number = memory ? kOutOfMemoryError : kInvalidCallError;
            const QString description = memory ? QStringLiteral("Out of memory") : QString::fromUtf8(e.what());
            SaveError(number, description, QStringLiteral("frmBaseMain"));
            ReportError(m_tag);
            giveMemoryBack();
            reply(m_index, ErrorReply(number, description));
            reply(m_index, emptyAnswer());
        }
    }

    QString caption() const final { return QStringLiteral("Sending Data To ") + m_address; }

    static QList<ServerJob*>& live()
    {
        static QList<ServerJob*> jobs;
        return jobs;
    }
    qint32 index() const { return m_index; }
    void clientCancelled() { m_clientCancelled = true; }

protected:
    virtual void answer() = 0;
    virtual QString emptyAnswer() const = 0;
    // The client cancelled, or left.
    bool stopped() const { return m_clientCancelled || !requester(m_index); }

    RunHooks hooks() const
    {
        RunHooks h;
        h.progressCaption = QStringLiteral("Sending Data To ") + m_address;
        h.progressOwner = dynamic_cast<QObject*>(gMainForm);
        h.stopRequested = [this] { return stopped(); };
        return h;
    }

    qint32 m_index;
    QString m_address;
    QString m_tag;

private:
    bool m_clientCancelled = false;
};

class ServerGridJob : public ServerJob {
public:
    ServerGridJob(qint32 index, QString address, StatisticRequest request)
        : ServerJob(index, std::move(address), QStringLiteral("frmBaseMain_SendStatistic")),
          m_request(std::move(request))
    {
    }

protected:
    QString emptyAnswer() const override { return QStringLiteral(";STATISTIC;;"); }

    void answer() override
    {
        if (!requester(m_index))
            return;
        const int days = PeriodDaysFromClause(m_request.timePeriod);
        GridBatch batch(m_request.statistics, m_request.groups, m_request.timePeriod, days);
        // The conditions are the client's text.
        batch.setSource(QuerySource::Peer);
        // Counting the cells that need a query of their own reads the period's calls: the read gives way, and
        // stops as the run would.
        batch.setYield({[this] {
            LongTask::yield();
            return !(Program::ending() || stopped() || cancelled());
        }});
        if (!withinBounds(batch))
            return;
        const GridRunResult result = RunStatisticsGrid(batch, hooks(), this);
        // A stopped or cancelled grid still sends the cells done so far.
        reply(m_index, QStringLiteral(";STATISTIC;") + EncodeStatisticReply(result.cells) + QLatin1Char(';'));
    }

private:
    // A grid far beyond what a window shows would hold the server for minutes: it is refused with an ERROR, and
    // an empty answer lets the client's window go on.
    bool withinBounds(GridBatch& batch)
    {
        if (batch.statisticCount() > 0 && batch.groupCount() > 0)
            batch.answeredByBatch(0, 0);
        if (batch.stopped()) {
            // Stopped while it read: the client's cancel, or the program's end, which takes the connection too.
            reply(m_index, emptyAnswer());
            return false;
        }
        const qint64 cells = qint64(batch.statisticCount()) * batch.groupCount();
        qint64 ownQueries = 0;
        for (int s = 0; s < batch.statisticCount() && cells <= kMaxStatisticCells && ownQueries <= kMaxQueryCells; ++s)
            for (int g = 0; g < batch.groupCount() && ownQueries <= kMaxQueryCells; ++g)
                if (!batch.answeredByBatch(s, g))
                    ++ownQueries;
        if (cells <= kMaxStatisticCells && ownQueries <= kMaxQueryCells)
            return true;
        AddEvent(m_address + QStringLiteral(" Requested Statistics too large to compute"));
        reply(m_index, QStringLiteral(";ERROR;%1;The statistics asked for hold %2 values, or more than %3 that need "
                                      "a query of their own: a client is answered at most %4 values.;")
                           .arg(kRequestTooLarge)
                           .arg(cells)
                           .arg(kMaxQueryCells)
                           .arg(kMaxStatisticCells));
        reply(m_index, QStringLiteral(";STATISTIC;;"));
        return false;
    }

    StatisticRequest m_request;
};

class ServerGraphJob : public ServerJob {
public:
    ServerGraphJob(qint32 index, QString address, clsStatistic statistic, QList<clsGroup> groups, GraphUnit unit,
                   QDateTime start, QDateTime end)
        : ServerJob(index, std::move(address), QStringLiteral("frmBaseMain_SendGraph")),
          m_statistic(std::move(statistic)), m_groups(std::move(groups)), m_unit(unit), m_start(std::move(start)),
          m_end(std::move(end))
    {
    }

protected:
    QString emptyAnswer() const override { return GraphPartialMessage(); }

    void answer() override
    {
        if (!requester(m_index))
            return;
        int days = 0;
        if (m_start.date() == DateText::zeroDate() && m_start.time() == QTime(0, 0)) {
            // A client without a log asks for any time: from one second before this log's first call.
            const QDateTime first = GetFirstCallDate();
            if (first.date() == DateText::zeroDate()) {
                reply(m_index, GraphPartialMessage()); // an empty log has nothing to graph
                return;
            }
            m_start = first.addSecs(-1);
            days = PeriodDaysFromClause(QString());
        } else {
            days = std::max(0, int(std::nearbyint(double(m_start.secsTo(m_end)) / 86400.0)));
        }
        const int groups = int(m_groups.size());
        const QList<GraphBucket> buckets = GraphBuckets(m_start, m_end, m_unit, kMaxGraphCells / std::max(1, groups));
        if (buckets.isEmpty()) {
            AddEvent(m_address + QStringLiteral(" Requested a Graph too large to compute"));
            reply(m_index, GraphPartialMessage());
            return;
        }
        GraphBatch batch(m_statistic, m_groups, buckets, days);
        const GraphRunResult result = RunGraph(batch, buckets, groups, hooks(), this);
        if (stopped()) {
            reply(m_index, GraphPartialMessage());
            return;
        }
        reply(m_index, QStringLiteral(";GRAPH;") + EncodeGraphReply(result.table) + QLatin1Char(';'));
    }

private:
    clsStatistic m_statistic;
    QList<clsGroup> m_groups;
    GraphUnit m_unit;
    QDateTime m_start, m_end;
};

QString addressOf(qint32 index)
{
    const clsClient* c = requester(index);
    return c ? c->RemoteHostIP() : QString();
}

} // namespace

void SendStatistic(qint32 index, const QString& payload)
{
    const QString address = addressOf(index);
    AddEvent(address + QStringLiteral(" Requested a Statistic"));
    StatisticsQueue::submit(std::make_shared<ServerGridJob>(index, address, DecodeStatisticRequest(payload)));
}

void SendGraph(qint32 index, const QString& payload)
{
    const QString address = addressOf(index);
    AddEvent(address + QStringLiteral(" Requested a Graph"));
    const GraphRequest request = DecodeGraphRequest(payload);
    const auto start = request.hasStart ? DateText::parse(request.startText) : std::nullopt;
    const auto end = request.hasEnd ? DateText::parse(request.endText) : std::nullopt;
    if (!start || !end) {
        reply(index, ErrorReply(kTypeMismatchError, QStringLiteral("Type mismatch")));
        return;
    }
    auto refuse = [&](const QString& why) {
        AddEvent(address + QStringLiteral(" Requested a Graph of ") + why);
        reply(index, GraphPartialMessage());
    };
    GraphUnit unit;
    if (!GraphUnitFromCode(request.increment, unit)) {
        refuse(QStringLiteral("an unknown frequency: ") + request.increment);
        return;
    }
    // The names must mean the same here as on the client; a name unknown here would graph every call.
    const auto statistic = GetStatistic(request.statistic, gStatistics.get());
    if (statistic->Description.isEmpty()) {
        refuse(QStringLiteral("an unknown statistic: ") + request.statistic);
        return;
    }
    QList<clsGroup> groups;
    QStringList seen;
    for (const QString& name : request.groups) {
        const auto group = GetGroup(name, gGroups.get());
        if (group->Description.isEmpty()) {
            refuse(QStringLiteral("an unknown group: ") + name);
            return;
        }
        if (seen.contains(group->Description, Qt::CaseInsensitive))
            continue; // a group named twice is graphed once
        seen << group->Description;
        groups << *group;
    }
    StatisticsQueue::submit(std::make_shared<ServerGraphJob>(index, address, *statistic, groups, unit, *start, *end));
}

void CancelServerStatistics(qint32 index)
{
    for (ServerJob* job : std::as_const(ServerJob::live())) {
        if (job->index() == index)
            job->clientCancelled();
    }
}
