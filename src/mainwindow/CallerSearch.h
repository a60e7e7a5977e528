#pragma once

#include <QString>

// The call-list queries of the grid menu's "Search For This Caller" items: the calls of one caller, by the
// name it was logged with, by its number, or by every number of the contact owning that number. Texts are
// quoted with every "'" doubled; numbers in Like patterns match as plain text, wildcards included.
namespace CallerSearch {

// Calls logged under the name the record with that ID holds (the list shows a contact's name in its place);
// the shown name stands in when the record is gone.
QString ByName(const QString& idText, const QString& shownName);
QString ByNumber(const QString& number);
// Every number of the first contact owning a number found in this one (the contact the list shows for the
// call); the number alone when no contact owns it.
QString ByContact(const QString& number);

} // namespace CallerSearch
