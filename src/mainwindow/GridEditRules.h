#pragma once

#include <QString>

#include <optional>

// What the call list's in-place editor accepts per column, and the value it passes on: names without
// separators, numbers of 7 or 10 digits (formatted) or one of the three number words, dates the date
// parser reads, numeric ring counts, and the four answered words (upper-cased). Nothing means invalid.
namespace GridEditRules {

std::optional<QString> accept(int column, const QString& text);

} // namespace GridEditRules
