#pragma once

#include <QString>

// The access-list entry the "Add IP" dialog makes of a typed address: the address followed by " R"
// (restricted) or " B" (blocked). An empty text gives an empty entry and is valid (nothing to add). An
// address is valid when it has exactly four parts separated by ".", each of digits only with a value
// from 0 to 255; valid is false otherwise (the dialog then says "Invalid IP entry" and stays open). The
// entry holds the address as peers are named (leading zeros dropped: "010.1.1.7" is "10.1.1.7"), so it
// matches the connection it is meant for.
QString IPEntry(const QString& typed, bool restricted, bool& valid);
