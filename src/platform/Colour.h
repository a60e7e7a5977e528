#pragma once

#include <QColor>
#include <QString>

// Colours are stored as 32-bit blue-green-red values (red in the low byte) in decimal text.
namespace Colour {

QColor fromBgr(quint32 bgr);
quint32 toBgr(const QColor& colour);
// Decimal text to BGR; text that is not a number reads as 0 (black).
quint32 parseBgr(const QString& text);

} // namespace Colour
