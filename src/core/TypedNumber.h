#pragma once

#include <QString>

#include <optional>

// The one rule for telephone numbers a user types (the call list's editor, the number and new-contact
// dialogs, the block-call strings): upper-cased, the three number words "PRIVATE NUMBER", "UNKNOWN NUMBER"
// and "NOT RECEIVED" kept as they are, otherwise the digits alone formatted as ddd-dddd (7 digits) or
// (ddd) ddd-dddd (10 digits). Nothing is trimmed: " private number" is no number word. Any other count of
// digits gives nothing.
std::optional<QString> NormaliseTypedNumber(const QString& text);

// "The number must be 7 or 10 digits long."
QString numberLengthMessage();
