#include "platform/Clock.h"

namespace Clock {

namespace {
QDateTime g_fixed;
}

QDateTime naive(const QDateTime& zoned)
{
    const QDateTime local = zoned.toLocalTime();
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

QDateTime now()
{
    if (g_fixed.isValid())
        return g_fixed;
    const QDateTime n = naive(QDateTime::currentDateTime());
    // Whole seconds: every stored and shown form has second resolution.
    return QDateTime(n.date(), QTime(n.time().hour(), n.time().minute(), n.time().second()), Qt::UTC);
}

QDate today() { return now().date(); }

void setNow(const QDateTime& fixed) { g_fixed = QDateTime(fixed.date(), fixed.time(), Qt::UTC); }

void advance(qint64 seconds)
{
    if (!g_fixed.isValid())
        g_fixed = now();
    g_fixed = g_fixed.addSecs(seconds);
}

void reset() { g_fixed = QDateTime(); }

bool isFrozen() { return g_fixed.isValid(); }

} // namespace Clock
