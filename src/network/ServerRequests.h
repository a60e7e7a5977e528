#pragma once

#include <QString>
#include <QStringList>

#include "network/MessageFramer.h"

// The requests a client may send to the server, with the number of fields each one carries. A unit is read
// as its ";"-separated tokens with the empty ones kept, so an empty field (a cleared cell) keeps its place;
// every request takes exactly its own fields, also when it is refused, so no field is ever read as a
// keyword. Keywords compare after upper-casing; anything else is skipped.
namespace ServerRequests {

// The tokens of a unit (empty ones kept), as views into it: a unit of megabytes is not copied to be read.
QList<QStringView> tokens(QStringView unit);

// The longest field a request may carry, in characters, checked before the field is copied or goes near the
// log. A query (a view, a search, a statistics request) may hold a condition for every number of the contact
// book: a Find over every contact makes 37 characters a number, 555,000 for 5,000 contacts of 3 numbers, and
// a statistics request with a group for each contact as much. A contact may be as large as the book lets it
// be, and a deletion's list of IDs as long as a Clear of the whole log makes: those two are bounded by the
// unit alone (kMaxRequestBytes), which the client checks before it sends. Anything else is short.
inline constexpr qsizetype kMaxQueryChars = 1024 * 1024;
inline constexpr qsizetype kMaxFieldChars = 256 * 1024;
qsizetype maxFieldChars(const QString& keyword);
// What a field too long for its request is, in the words of the refusal ("The query is longer than ...").
QString fieldNoun(const QString& keyword);
// The refusal of a field longer than its bound: "The query is longer than 1,048,576 characters: ask for less."
QString tooLongText(const QString& keyword);

// The longest request the server reads, in bytes of its UTF-8 text with the end-of-send marker; a longer one
// is skipped and its client dropped.
inline constexpr qsizetype kMaxRequestBytes = 8 * 1024 * 1024;
// Whether the server would read the request whole (its text without the marker).
bool fitsOneRequest(const QString& request);
// Why a request too long to send is not sent: "The contact takes 9,437,201 bytes as it is sent; the server
// takes at most 8,388,608 bytes a request."
QString tooLongToSendText(const QString& noun, const QString& request);

// The number of fields the request with that keyword (already upper-cased) takes; -1 for no request.
int fieldCount(const QString& keyword);

// How many ";NETCANCEL;" requests the unit holds (read the way the dispatcher will read it).
int cancelsIn(const QString& unit);

} // namespace ServerRequests
