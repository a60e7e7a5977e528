#pragma once

#include <QString>
#include <QStringList>

// The contact search: the names of the contacts whose name, number, group or other information matches a
// pattern of the database's Like (* any run, ? one character, # one digit, [a-z], [!a]; case ignored, any
// other character, the apostrophe included, is itself), and its history of patterns.
//
// The pattern is a bound value, never part of the query text. A pattern Like cannot read (an unclosed "[")
// finds nothing.
namespace ContactSearch {

enum Field { ContactName = 0, ContactNumber = 1, AttributeGroup = 2, OtherInfo = 3 };

struct Result {
    QStringList names; // each contact once (case ignored), in the order of the records
    int records = 0;   // matching records: a contact with two matching numbers counts twice
};

// Runs the search on the open contact file; nothing found without one (client mode).
Result run(Field field, const QString& pattern);

// The pattern becomes the newest history entry (an older one equal to it without regard to case goes; at
// most 10 are kept).
void remember(const QString& pattern);
// The stored history, newest first.
QStringList history();

} // namespace ContactSearch
