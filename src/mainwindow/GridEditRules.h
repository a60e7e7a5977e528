#pragma once

#include <QString>

#include <optional>

// What the call list accepts per column, from its in-place editor and from an edit a client sends, and the
// value it passes on: names that are not empty and hold no separator, numbers of 7 or 10 digits
// (formatted) or one of the three number words, dates the date parser reads, ring counts as whole numbers
// from 0, and the four answered words (upper-cased). Nothing means invalid.
namespace GridEditRules {

std::optional<QString> accept(int column, const QString& text);

} // namespace GridEditRules
