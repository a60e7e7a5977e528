#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "statistics/clsGroup.h"
#include "statistics/clsStatistic.h"

// What the statistics window of a client asks its server for, and where the answer goes. No widgets and no
// socket: the window sends the message and fills its grid.

// The grid's request for the current statistics (grid columns from 1) and groups (grid rows from 1). A
// statistic or group whose texts hold "|" or ";" would split the request: it cannot travel, is not asked for,
// and its cells show "Bad SQL".
struct ClientGridRequest {
    QList<int> columns;   // the statistics' columns asked for, in order
    QList<int> rows;      // the groups' rows asked for, in order
    QStringList groups;   // those groups' descriptions, in the order sent
    bool refused = false; // some statistic or group cannot travel
    // ";STATISTIC;" and the field and ";"; empty when no statistic or no group is to be asked for.
    QString message;
    bool asks(int row, int column) const { return rows.contains(row) && columns.contains(column); }
};
ClientGridRequest AssembleGridRequest(const QList<clsStatistic>& statistics, const QList<clsGroup>& groups,
                                      const QString& timePeriod);
// The event kept when some statistic or group could not be asked for.
QString CannotTravelEvent();

// The graph's request: ";GRAPH;" and the field and ";".
QString ClientGraphRequest(const QString& statistic, const QString& unitCode, const QDateTime& start,
                           const QDateTime& end, const QStringList& groups);

// A reply's cells placed: they come column by column, each column's in the order its groups were sent, and
// go to the row of their group by description, since the grid may have been sorted since. A short reply (a
// cancelled run) fills what it holds; filledColumns are the columns that received cells, in order.
struct PlacedCell {
    QString group;
    int column = 0;
    QString text;
};
struct PlacedReply {
    QList<PlacedCell> cells;
    QList<int> filledColumns;
};
PlacedReply PlaceStatisticReply(const QStringList& cells, const QList<int>& columns, const QStringList& groups);
