#pragma once

#include <QString>

#include <optional>

// The program's number format: ten digits as "(ddd) ddd-dddd", seven as "ddd-dddd". The three number words
// ("PRIVATE NUMBER", "UNKNOWN NUMBER", "NOT RECEIVED") stand as they are, in any letter case when typed.
//
// FormatPhoneNumber brings what a user typed into that form: a number word gives the word in capitals;
// otherwise the digits are taken in their order (and "*" too when wildcards are allowed, for block-call
// patterns) and everything else (blanks, brackets, hyphens, dots, letters) is dropped. Seven or ten of them
// give the formatted number; any other count gives nothing.
std::optional<QString> FormatPhoneNumber(const QString& typed, bool allowWildcards = false);
