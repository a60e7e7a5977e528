#pragma once

#include <QString>
#include <QStringList>

// What a server sends of its calls: for each name a record as the call log sends it, IDs from firstId up, dated
// now on the program's clock, each after tag (";CALLER;", ";MINI DISPLAY;" ...).
QString callerRecords(const QString& tag, const QStringList& names, int firstId);
// The answer to a query for those calls: the list cleared, then their rows.
QString callListAnswer(const QStringList& names, int firstId);
