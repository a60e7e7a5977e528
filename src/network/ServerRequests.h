#pragma once

#include <QString>
#include <QStringList>

// The requests a client may send to the server, with the number of fields each one carries. A unit is read
// as its ";"-separated tokens with the empty ones kept, so an empty field (a cleared cell) keeps its place;
// every request takes exactly its own fields, also when it is refused, so no field is ever read as a
// keyword. Keywords compare after upper-casing; anything else is skipped.
namespace ServerRequests {

// The tokens of a unit (empty ones kept), as views into it: a unit of megabytes is not copied to be read.
QList<QStringView> tokens(QStringView unit);

// The longest field a request may carry, in characters, checked before the field is copied or goes near the
// log. No view, statistic or contact comes near it; only a deletion's list of IDs may fill a whole unit
// (MessageFramer's bound), as a client's Clear of a large log does.
inline constexpr qsizetype kMaxFieldChars = 256 * 1024;
qsizetype maxFieldChars(const QString& keyword);
// What a field too long for its request is, in the words of the refusal ("The query is longer than ...").
QString fieldNoun(const QString& keyword);

// The number of fields the request with that keyword (already upper-cased) takes; -1 for no request.
int fieldCount(const QString& keyword);

// How many ";NETCANCEL;" requests the unit holds (read the way the dispatcher will read it).
int cancelsIn(const QString& unit);

} // namespace ServerRequests
