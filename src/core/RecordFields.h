#pragma once

#include <QString>

// Reading numeric fields of the record text forms and the data files.
namespace RecordFields {

enum Conversion { Converted, TypeMismatch, Overflow };

// A whole decimal number (blanks around it allowed, fractions rounded half to even) into 32 bits.
// Empty or non-numeric text is a type mismatch; a value beyond 32 bits an overflow.
Conversion toInt32(const QString& text, qint32& out);

// The longest leading part of the text that forms a number, blanks anywhere ignored ("12ab" gives 12,
// "" gives 0); an exponent too large for a double gives an infinity.
double leadingNumber(const QString& text);

// Rounds half to even into 32 bits; false when the value does not fit.
bool roundToInt32(double value, qint32& out);

// Keeps the failure of a record read (SaveError and the hook). A type mismatch is a quiet bad record; an
// overflow is also shown in the general error report unless showOverflow is false.
void recordFailure(Conversion conversion, const QString& tag, bool showOverflow = true);

} // namespace RecordFields
