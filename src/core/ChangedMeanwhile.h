#pragma once

#include <QString>

// A box or a dialog lets the event loop run until the user answers it: a call, another client's change, a
// server's push or a timer may change or remove what a command was begun on. Such a command takes the key of
// its record before the step (a call's ID, a client's connection number, a list entry's text), looks the
// record up again afterwards, and when it is gone, or no longer what the command needs, it changes nothing
// and says so with this one box, which names the record as the user knew it.
namespace ChangedMeanwhile {

// "The <what> was changed or removed while this window waited; nothing was changed."
QString text(const QString& what);
// The box: exclamation icon, OK, the program's title.
void say(const QString& what);

// How a record is named in the box, its kind first.
// A call as the list showed it: call from "CALLER 1" at 3/21/2024 8:01:00 AM
QString call(const QString& name, const QString& date);
// A server's client by its address: client "127.0.0.1"
QString client(const QString& address);

} // namespace ChangedMeanwhile
