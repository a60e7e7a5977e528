#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Block-call strings as the Call Blocking page keeps them: one of the three number words, or seven or ten
// digits and "*" wild cards in the program's number format ("555-1234", "(800) ***-****").

// The one stored form of what the user typed, or nothing when it is neither a number word nor 7 or 10
// digits and wild cards.
std::optional<QString> NormaliseBlockCallString(const QString& typed);

// The message shown for a text that is neither.
QString BlockCallStringLengthMessage();

// Adds the string unless the list holds it already (compared without regard to case). True when added.
bool AddBlockCallString(QStringList& list, const QString& entry);
