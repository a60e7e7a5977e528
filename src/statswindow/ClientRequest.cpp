#include "statswindow/ClientRequest.h"

#include "statistics/StatisticsProtocol.h"

ClientGridRequest AssembleGridRequest(const QList<clsStatistic>& statistics, const QList<clsGroup>& groups,
                                      const QString& timePeriod)
{
    ClientGridRequest request;
    QList<const clsStatistic*> sentStatistics;
    QList<const clsGroup*> sentGroups;
    for (int i = 0; i < statistics.size(); ++i) {
        const clsStatistic& s = statistics[i];
        if (FitsStatisticField(s.Statistic) && FitsStatisticField(s.Style)) {
            sentStatistics << &s;
            request.columns << i + 1;
        } else {
            request.refused = true;
        }
    }
    for (int i = 0; i < groups.size(); ++i) {
        const clsGroup& g = groups[i];
        if (FitsStatisticField(g.Group)) {
            sentGroups << &g;
            request.groups << g.Description;
            request.rows << i + 1;
        } else {
            request.refused = true;
        }
    }
    if (!sentStatistics.isEmpty() && !sentGroups.isEmpty()) {
        request.message = QStringLiteral(";STATISTIC;") +
                          EncodeStatisticRequest(timePeriod, sentGroups, sentStatistics) + QLatin1Char(';');
    }
    return request;
}

QString CannotTravelEvent()
{
    return QStringLiteral("A statistic or group whose condition holds \"|\" or \";\" cannot be sent to the server.");
}

QString ClientGraphRequest(const QString& statistic, const QString& unitCode, const QDateTime& start,
                           const QDateTime& end, const QStringList& groups)
{
    return QStringLiteral(";GRAPH;") + EncodeGraphRequest(statistic, unitCode, start, end, groups) + QLatin1Char(';');
}

PlacedReply PlaceStatisticReply(const QStringList& cells, const QList<int>& columns, const QStringList& groups)
{
    PlacedReply placed;
    qsizetype next = 0;
    for (int c : columns) {
        if (next >= cells.size())
            break;
        for (const QString& group : groups) {
            if (next >= cells.size())
                break;
            placed.cells << PlacedCell{group, c, cells[next++]};
        }
        placed.filledColumns << c;
    }
    return placed;
}
