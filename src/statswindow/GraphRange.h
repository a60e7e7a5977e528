#pragma once

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <functional>

#include "statistics/modStatistics.h"

// The span and the groups of the statistics window's caller graph, worked out from the window's period and
// its group list. No widgets: the window reads its controls, asks here, and draws or sends what comes back.

// The custom range as the window holds it. An inclusive bound counts the call at exactly its moment (the first
// or the last call of the log).
struct CustomRange {
    QDateTime start, end;
    bool startInclusive = false, endInclusive = false;
};

struct GraphRange {
    QDateTime start, end;
    // Any time over an empty log: there is no first call to start from, so the graph is empty.
    bool noCalls = false;
};

// The window's own graph for the checked Time Period item at now. Any time starts a second before the first
// call (firstCall is asked for then only, it reads the log); a custom range's inclusive bound moves a second
// outwards, since the buckets leave out a call at exactly their bounds; the last n days end now.
GraphRange LocalGraphRange(int item, const QDateTime& now, const CustomRange& custom,
                           const std::function<QDateTime()>& firstCall);

// A client's graph request: any time goes as the zero date, which asks the server to start at its own first
// call; a custom range goes as it stands (the server's buckets bound it).
GraphRange ClientGraphRange(int item, const QDateTime& now, const CustomRange& custom);

// The groups a graph draws: those named by the selected entries of the group list, in list order, found in
// groups by description. An entry whose group went meanwhile (its contact removed elsewhere) is passed over:
// graphed, its empty condition would show every call under its name.
struct GraphGroups {
    QStringList names;
    QList<clsGroup> groups;
};
GraphGroups GraphGroupsOf(const QStringList& selected, const GroupCollection* groups);

// The event kept when a graph would need more points than a graph may have.
QString GraphTooManyPointsEvent(const QString& frequencyText);

// The graph's labels as the axis shows them. A bucket starts where the period started, often at an odd second
// (a second before the first call), so a daily, weekly or monthly graph names its buckets by their date alone
// and an hourly one by date, hour and minute. A label that is no date (from an older server) stays as it came.
QStringList GraphAxisLabels(const QStringList& labels, bool hourly);
