#include "mainwindow/ui/ProgramIcons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ProgramIcons {

namespace {

QPixmap draw(const QColor& disc, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(disc.darker(160), s / 16));
    p.setBrush(disc);
    p.drawEllipse(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.9));
    // A handset: two ear/mouth pieces joined by a curved grip.
    QPainterPath handset;
    handset.moveTo(s * 0.24, s * 0.40);
    handset.cubicTo(s * 0.30, s * 0.22, s * 0.70, s * 0.22, s * 0.76, s * 0.40);
    handset.lineTo(s * 0.66, s * 0.48);
    handset.cubicTo(s * 0.60, s * 0.38, s * 0.40, s * 0.38, s * 0.34, s * 0.48);
    handset.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(handset);
    // The base under it.
    QPainterPath base;
    base.moveTo(s * 0.30, s * 0.72);
    base.lineTo(s * 0.38, s * 0.52);
    base.lineTo(s * 0.62, s * 0.52);
    base.lineTo(s * 0.70, s * 0.72);
    base.closeSubpath();
    p.drawPath(base);
    p.setBrush(disc);
    p.drawEllipse(QPointF(s * 0.5, s * 0.62), s * 0.06, s * 0.06);
    return pm;
}

QColor colourOf(const QString& name)
{
    if (name == QLatin1String("gicon"))
        return QColor(0x2E, 0xA0, 0x43);
    if (name == QLatin1String("yicon"))
        return QColor(0xE0, 0xB0, 0x10);
    return QColor(0xC8, 0x28, 0x28);
}

} // namespace

QPixmap pixmap(const QString& name, int size) { return draw(colourOf(name), size); }

QIcon icon(const QString& name)
{
    static QHash<QString, QIcon> cache;
    const auto it = cache.constFind(name);
    if (it != cache.cend())
        return *it;
    QIcon result;
    for (int size : {16, 22, 24, 32, 48, 64})
        result.addPixmap(draw(colourOf(name), size));
    cache.insert(name, result);
    return result;
}

} // namespace ProgramIcons
