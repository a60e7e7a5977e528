#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "statistics/clsGroup.h"
#include "statistics/clsStatistic.h"

// The STATISTIC and GRAPH exchange between a client and its server: what each side writes and reads, as pure
// functions over the message's one field (the framing and the keyword around it are the network's). Both
// fields are "|"-tagged lists; conditions, styles, names and clauses therefore cannot carry "|" or ";".

// The text a grid cell shows for a result: "Too Complex" (-1), "Bad SQL" (-2), else the number in its shortest
// plain form ("5", "0.67", "100000"), locale-free, followed by the busiest-window note when there is one.
QString StatisticCellText(double value, const QString& note = QString());
// The number at the start of a cell's text, as the chart reads it ("5 (...)" gives 5, "Bad SQL" 0).
double StatisticCellNumber(const QString& cellText);
// What a grid cell shows when its figure was not computed because the computation was stopped (by the user, a
// client's cancel, the server's Stop) or its answer never came: a grid whose run stopped must not read as whole.
QString StoppedCellText();
// A value in the same plain form (graph values).
QString StatisticNumberText(double value);

// --- STATISTIC ---

struct StatisticRequest {
    QString timePeriod;             // the period clause, possibly empty
    QList<clsGroup> groups;         // only Group (the condition) is carried
    QList<clsStatistic> statistics; // only Statistic (the condition) and Style are carried
};

// The request's field: "|TIMEPERIOD|" clause, then "|GROUP|" condition per group and one "|", then "|STAT|"
// condition "|" style per statistic and one "|". Names are not sent.
QString EncodeStatisticRequest(const QString& timePeriod, const QList<const clsGroup*>& groups,
                               const QList<const clsStatistic*>& statistics);
// Reads a request field: pieces split at "|" with the empty ones kept (an empty condition keeps its place);
// tags compared exactly; "STAT" takes two pieces, "GROUP" and "TIMEPERIOD" one; other pieces are skipped.
StatisticRequest DecodeStatisticRequest(const QString& field);
// True when a text can travel inside the field as it is (no "|", no ";").
bool FitsStatisticField(const QString& text);

// The reply's field: every cell text as "|" text "|", statistic-major (all groups of the first statistic, ...).
QString EncodeStatisticReply(const QStringList& cells);
// The reply's cell texts, empty pieces dropped, in the order sent.
QStringList DecodeStatisticReply(const QString& field);

// --- GRAPH ---

struct GraphRequest {
    QString statistic; // a Description
    QString increment; // unit code: "h", "y", "ww", "m"
    QString startText, endText;
    QStringList groups; // Descriptions, in the order of the graph's group list
    bool hasStart = false, hasEnd = false;
};

// The request's field: "|STATISTIC|" name "|INCREMENT|" code "|STARTDATE|" date "|ENDDATE|" date, "|GROUP|" name
// per group, and a final "|". Dates in the general date text; the zero date asks the server to start at its
// first call.
QString EncodeGraphRequest(const QString& statistic, const QString& increment, const QDateTime& start,
                           const QDateTime& end, const QStringList& groups);
// Reads a request field: pieces split at "|" with the empty ones dropped, tags compared exactly.
GraphRequest DecodeGraphRequest(const QString& field);

// The caller graph's numbers: one row per bucket (its label, the bucket's start) and in it one value per
// group. No row at all stands for the empty graph (a single 0 on the chart).
struct GraphTable {
    QStringList labels;
    QList<QList<double>> values;
    bool isEmpty() const { return labels.isEmpty(); }
    int groupCount() const { return values.isEmpty() ? 0 : int(values.first().size()); }
};

// The reply's field: per row "|LINE|" label "|" and each value followed by "|".
QString EncodeGraphReply(const GraphTable& table);
// The whole reply message for a cancelled or failed graph.
inline QString GraphPartialMessage() { return QStringLiteral(";GRAPH;PARTIAL;"); }
// Reads a reply field (or "PARTIAL"): two passes as the client has always read it: the rows are counted by
// their "LINE" pieces and sized by the values after the last row's label; a "PARTIAL" piece, or no value at
// all, gives the empty graph. Values that are not numbers read as 0.
GraphTable DecodeGraphReply(const QString& field);

// ";ERROR;" number ";" description ";" for a request that could not be read; ";" in the description becomes
// "," so that the reply stays one message.
QString ErrorReply(int number, const QString& description);
