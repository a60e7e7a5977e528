#include "mainwindow/ui/SortArrow.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

SortArrow::SortArrow(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TranslucentBackground); }

void SortArrow::setPointsUp(bool up)
{
    if (m_up == up)
        return;
    m_up = up;
    update();
}

void SortArrow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width(), h = height();
    const qreal side = qMin(w, h * 1.4) * 0.7;
    const qreal cx = w / 2, cy = h / 2, half = side / 2, rise = side * 0.35;
    QPainterPath path;
    if (m_up) {
        path.moveTo(cx - half, cy + rise);
        path.lineTo(cx + half, cy + rise);
        path.lineTo(cx, cy - rise);
    } else {
        path.moveTo(cx - half, cy - rise);
        path.lineTo(cx + half, cy - rise);
        path.lineTo(cx, cy + rise);
    }
    path.closeSubpath();
    p.fillPath(path, palette().color(QPalette::ButtonText));
}

void SortArrow::mousePressEvent(QMouseEvent* event) { Q_EMIT pressed(event); }

void SortArrow::mouseReleaseEvent(QMouseEvent* event) { Q_EMIT released(event); }
