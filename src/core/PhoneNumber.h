#pragma once

#include <QString>

#include <optional>

// The program's number format: ten digits as "(ddd) ddd-dddd", seven as "ddd-dddd". The three number words
// ("PRIVATE NUMBER", "UNKNOWN NUMBER", "NOT RECEIVED") stand as they are, in any letter case when typed.
//
// FormatPhoneNumber is the one rule for numbers a user types (the call list's editor, the number and
// new-contact dialogs, the block-call strings). It brings what was typed into that form: a number word gives the word
// in capitals; otherwise the digits are taken in their order (and "*" too when wildcards are allowed, for block-call
// patterns) and everything else (blanks, brackets, hyphens, dots, letters) is dropped. Seven or ten of them
// give the formatted number; any other count gives nothing.
// Nothing is trimmed: " private number" is no number word.
std::optional<QString> FormatPhoneNumber(const QString& typed, bool allowWildcards = false);

// "The number must be 7 or 10 digits long."
QString numberLengthMessage();
