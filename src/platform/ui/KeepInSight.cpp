#include "platform/ui/KeepInSight.h"

#include <QApplication>
#include <QGuiApplication>
#include <QList>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <limits>

namespace {

const char kKeepInSight[] = "velquonKeepInSight";

// Room left between a box and the window it stands beside.
constexpr int kGap = 8;

QList<QRect> markedFrames(const QWidget* except)
{
    QList<QRect> frames;
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w != except && w->isVisible() && !w->isMinimized() && KeepInSight::marked(w))
            frames << w->frameGeometry();
    return frames;
}

// The window manager's frame around the window's own area; none before it has framed the window.
QMargins marginsOf(const QWidget* w)
{
    const QRect f = w->frameGeometry();
    const QRect g = w->geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

bool clearOf(const QRect& box, const QList<QRect>& frames)
{
    for (const QRect& f : frames)
        if (box.intersects(f))
            return false;
    return true;
}

} // namespace

namespace KeepInSight {

void mark(QWidget* window)
{
    if (window)
        window->setProperty(kKeepInSight, true);
}

bool marked(const QWidget* window) { return window && window->property(kKeepInSight).toBool(); }

QWidget* ownerFor(QWidget* window)
{
    while (marked(window))
        window = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    return window;
}

void placeBeside(QWidget* box)
{
    if (!box)
        return;
    const QList<QRect> frames = markedFrames(box);
    if (frames.isEmpty())
        return;
    // Not framed yet, its frame is taken to be as wide as a marked window's, which the same window manager made.
    QMargins frame = marginsOf(box);
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (frame.isNull() && w != box && w->isVisible() && marked(w))
            frame = marginsOf(w);
    const QRect stands(box->pos(), box->size().grownBy(frame));
    if (clearOf(stands, frames))
        return;
    QScreen* screen = box->screen() ? box->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    // Beside each marked window, on each of its four sides, kept on the screen along that side.
    QList<QRect> beside;
    for (const QRect& f : frames) {
        const QRect& r = stands;
        beside << r.translated(0, f.bottom() + 1 + kGap - r.top()) << r.translated(0, f.top() - kGap - 1 - r.bottom())
               << r.translated(f.right() + 1 + kGap - r.left(), 0) << r.translated(f.left() - kGap - 1 - r.right(), 0);
    }
    const auto onScreen = [&area](QRect r) {
        if (area.isEmpty())
            return r;
        if (r.right() > area.right())
            r.moveRight(area.right());
        if (r.left() < area.left())
            r.moveLeft(area.left());
        if (r.bottom() > area.bottom())
            r.moveBottom(area.bottom());
        if (r.top() < area.top())
            r.moveTop(area.top());
        return r;
    };
    QRect best;
    qint64 nearest = std::numeric_limits<qint64>::max();
    for (const QRect& candidate : std::as_const(beside)) {
        const QRect r = onScreen(candidate);
        if (!clearOf(r, frames) || (!area.isEmpty() && !area.contains(r)))
            continue;
        const QPoint d = r.topLeft() - stands.topLeft();
        const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (distance < nearest) {
            nearest = distance;
            best = r;
        }
    }
    if (!best.isNull())
        box->move(best.topLeft());
}

} // namespace KeepInSight
