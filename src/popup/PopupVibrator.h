#pragma once

#include <QObject>
#include <QPointF>
#include <QTimer>

#include <functional>

// Shakes a window around its place: N + 1 random moves of up to 100 twips each way, then back home.
// The moves are paced by a timer rather than a wait loop, so the program keeps handling rings, clicks and
// network messages while the window shakes. A window dragged more than 201 twips away meanwhile shakes
// around, and ends at, its new place.
class PopupVibrator : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 15;
    static constexpr int MaxOffset = 100;
    static constexpr int DriftLimit = 201;

    // position and moveTo work on the window's Left/Top in twips.
    PopupVibrator(std::function<QPointF()> position, std::function<void(const QPointF&)> moveTo,
                  QObject* parent = nullptr);

    // Uniform in [0, 1); replaced by tests for a repeatable shake.
    void setRandomSource(std::function<double()> random);

    // rounds: the number of moves minus one. A shake asked for while one runs starts the count again
    // around the same home, so the window still ends where it was before the first one.
    void start(int rounds);
    // Ends the shaking at once with the move home (the window is closing).
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    QPointF home() const { return m_home; }

    // One pacing step: follow a drag, then the next move or the return home.
    void tick();

Q_SIGNALS:
    void finished();

private:
    int draw();
    void moveAround();
    void finish();

    std::function<QPointF()> m_position;
    std::function<void(const QPointF&)> m_moveTo;
    std::function<double()> m_random;
    QTimer m_timer;
    QPointF m_home;
    int m_round = 0;
    int m_rounds = 0;
};
