#pragma once

#include <QString>
#include <QStringList>

// The requests a client may send to the server, with the number of fields each one carries. A unit is read
// as its ";"-separated tokens with the empty ones kept, so an empty field (a cleared cell) keeps its place;
// every request takes exactly its own fields, also when it is refused, so no field is ever read as a
// keyword. Keywords compare after upper-casing; anything else is skipped.
namespace ServerRequests {

// The tokens of a unit (empty ones kept).
QStringList tokens(const QString& unit);

// The number of fields the request with that keyword (already upper-cased) takes; -1 for no request.
int fieldCount(const QString& keyword);

// How many ";NETCANCEL;" requests the unit holds (read the way the dispatcher will read it).
int cancelsIn(const QString& unit);

} // namespace ServerRequests
