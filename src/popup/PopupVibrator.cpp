#include "popup/PopupVibrator.h"

#include <QRandomGenerator>

#include <cmath>

PopupVibrator::PopupVibrator(std::function<QPointF()> position, std::function<void(const QPointF&)> moveTo,
                             QObject* parent)
    : QObject(parent), m_position(std::move(position)), m_moveTo(std::move(moveTo)),
      m_random([] { return QRandomGenerator::global()->generateDouble(); })
{
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &PopupVibrator::tick);
}

void PopupVibrator::setRandomSource(std::function<double()> random) { m_random = std::move(random); }

int PopupVibrator::draw()
{
    double r = m_random();
    if (!(r >= 0) || r >= 1) // a source outside [0, 1) must not throw the window off the screen
        r = 0.5;
    return int(std::floor(r * (2 * MaxOffset + 1) - MaxOffset));
}

void PopupVibrator::moveAround()
{
    const int dx = draw();
    const int dy = draw();
    m_moveTo(QPointF(m_home.x() + dx, m_home.y() + dy));
}

void PopupVibrator::start(int rounds)
{
    m_rounds = std::max(0, rounds);
    m_round = 0;
    if (!m_timer.isActive()) {
        const QPointF now = m_position();
        m_home = QPointF(std::round(now.x()), std::round(now.y()));
    }
    moveAround();
    m_timer.start();
}

void PopupVibrator::tick()
{
    if (!m_timer.isActive())
        return;
    const QPointF now = m_position();
    if (std::abs(now.x() - m_home.x()) > DriftLimit)
        m_home.setX(std::round(now.x()));
    if (std::abs(now.y() - m_home.y()) > DriftLimit)
        m_home.setY(std::round(now.y()));
    if (m_round < m_rounds) {
        ++m_round;
        moveAround();
        return;
    }
    finish();
}

void PopupVibrator::stop()
{
    if (m_timer.isActive())
        finish();
}

void PopupVibrator::finish()
{
    m_timer.stop();
    m_moveTo(m_home);
    Q_EMIT finished();
}
