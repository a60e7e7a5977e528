#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The time buckets of a caller graph: the period cut at every whole hour, midnight, Sunday midnight or first of
// the month. Dates are the program's naive wall-clock values, so an hour is a wall-clock hour on a day that
// changes to or from daylight-saving time.

enum class GraphUnit { Hour, Day, Week, Month };

// The frequency list's index (0 "Hourly", 1 "Daily", 2 "Weekly", 3 "Monthly") as the unit code that the graph
// works with and clients send: "h", "y", "ww", "m". Any other index gives "m".
QString GraphUnitCode(int frequencyIndex);
// The unit of a code ("h", "y" or "d", "ww", "m"; case ignored); false for any other text.
bool GraphUnitFromCode(const QString& code, GraphUnit& unit);

struct GraphBucket {
    QDateTime start; // the bucket's label
    QDateTime end;
};

// The buckets from start to end: the first from start to the first boundary after it, then one unit each, the
// last ending at end. At least one bucket, also when start is not before end. Both ends are taken to the
// whole second, as they are written into queries and messages. When more than maxBuckets would be made, the
// result is empty (a graph that large is refused, not computed).
QList<GraphBucket> GraphBuckets(const QDateTime& start, const QDateTime& end, GraphUnit unit, qint64 maxBuckets);

// The period clause a bucket is counted over. The first bucket leaves out a call at exactly its start (the
// period's own bound); later ones count a call at exactly their start, so no call at a boundary is lost and the
// buckets add up to the period. Every bucket leaves out a call at exactly its end.
QString GraphBucketClause(const GraphBucket& bucket, bool first);
