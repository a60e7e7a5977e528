#pragma once

#include <QDateTime>

// The program's one source of "now". Values are naive local wall-clock times (Qt::UTC spec holding the
// local time), so date arithmetic and the stored text never move across a DST change.
// Tests freeze or move the clock with setNow()/advance(); reset() returns to the wall clock.
namespace Clock {

QDateTime now();
QDate today();

void setNow(const QDateTime& fixed);
void advance(qint64 seconds);
void reset();
bool isFrozen();

// Converts a real (zoned) QDateTime to the naive form.
QDateTime naive(const QDateTime& zoned);

} // namespace Clock
