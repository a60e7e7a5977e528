#include "platform/Colour.h"

#include <cmath>

namespace Colour {

QColor fromBgr(quint32 bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

quint32 toBgr(const QColor& colour)
{
    return quint32(colour.red()) | (quint32(colour.green()) << 8) | (quint32(colour.blue()) << 16);
}

quint32 parseBgr(const QString& text)
{
    bool ok = false;
    const QString t = text.trimmed();
    qint64 v = t.toLongLong(&ok);
    if (!ok) {
        const double d = t.toDouble(&ok);
        // "inf", "nan" and numbers beyond 64 bits are no colour either (and must not reach the cast).
        if (!ok || !std::isfinite(d) || std::fabs(d) >= 9.2e18)
            return 0;
        v = qint64(d);
    }
    return quint32(v & 0xFFFFFFFF);
}

} // namespace Colour
