#include "platform/ui/KeepInSight.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <limits>

namespace {

const char kKeepInSight[] = "velquonKeepInSight";

// Room left between a box and the window it stands beside (more than the pop-up's shake).
constexpr int kGap = 8;
// A marked window that moves or grows is looked at again once it has been still this long: the pop-up's shake, a
// drag or the window manager's framing is over by then, and what stands under it moves once.
constexpr int kSettleMs = 250;

KeepInSight::Kind kindOf(const QWidget* w) { return KeepInSight::Kind(w->property(kKeepInSight).toInt() - 1); }

// Whether window belongs to owner (is it, or a window it is owned by).
bool belongsTo(const QWidget* window, const QWidget* owner)
{
    for (const QWidget* w = window; w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
        if (w == owner)
            return true;
    return false;
}

// The marked windows on the screen that window must stay clear of: all but itself and those it belongs to.
QList<const QWidget*> markedWindows(const QWidget* window)
{
    QList<const QWidget*> out;
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->isMinimized() && KeepInSight::marked(w) && !belongsTo(window, w))
            out << w;
    return out;
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

// Where nothing leaves room for window beside the marked windows it would stand under, it stands above them: raised
// over them, and kept on top with them while one of them is kept on top (the pop-up). It stays so while it is open.
void standAbove(QWidget* window, const QList<const QWidget*>& under)
{
    bool onTop = false;
    for (const QWidget* w : under)
        onTop = onTop || w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (onTop && !window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        // On the native window as it stands: setting the widget's flags would make it anew, hidden meanwhile.
        const Qt::WindowFlags flags = window->windowFlags() | Qt::WindowStaysOnTopHint;
        window->overrideWindowFlags(flags);
        if (QWindow* native = window->windowHandle())
            native->setFlags(flags);
    }
    window->raise();
}

// The windows placed beside the marked ones, while they are open; and the watch on the marked windows that places
// them again when one of those comes over them: at once when it shows or is raised, once it is still when it moves
// or grows.
class Keeper : public QObject {
public:
    static Keeper& instance()
    {
        static QPointer<Keeper> keeper;
        if (!keeper)
            keeper = new Keeper(qApp);
        return *keeper;
    }

    void watch(QWidget* marked) { marked->installEventFilter(this); }

    void keep(QWidget* window)
    {
        m_kept.removeAll(QPointer<QWidget>());
        if (!m_kept.contains(window))
            m_kept.append(window);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A progress window this places or raises is a marked window too: that is no news.
        if (m_placing || !static_cast<QWidget*>(watched)->isVisible())
            return false;
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::ZOrderChange:
            m_soon.start();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            m_settle.start();
            break;
        default:
            break;
        }
        return false;
    }

private:
    explicit Keeper(QObject* parent) : QObject(parent)
    {
        for (QTimer* timer : {&m_soon, &m_settle}) {
            timer->setSingleShot(true);
            connect(timer, &QTimer::timeout, this, [this] { again(); });
        }
        m_soon.setInterval(0);
        m_settle.setInterval(kSettleMs);
    }

    // The marked windows that are kept clear themselves (a progress window beside the pop-up) first: the boxes then
    // stand clear of them where they went.
    void again()
    {
        const QScopedValueRollback placing(m_placing, true);
        m_kept.removeAll(QPointer<QWidget>());
        const QList<QPointer<QWidget>> kept = m_kept;
        for (const bool markedFirst : {true, false})
            for (const QPointer<QWidget>& w : kept)
                if (w && w->isVisible() && !w->isMinimized() && KeepInSight::marked(w) == markedFirst)
                    KeepInSight::placeBeside(w);
    }

    QList<QPointer<QWidget>> m_kept;
    bool m_placing = false;
    QTimer m_soon;
    QTimer m_settle;
};

} // namespace

namespace KeepInSight {

void mark(QWidget* window, Kind kind)
{
    if (!window)
        return;
    window->setProperty(kKeepInSight, int(kind) + 1);
    Keeper::instance().watch(window);
}

bool marked(const QWidget* window) { return window && window->property(kKeepInSight).toInt() > 0; }

QWidget* ownerFor(QWidget* window)
{
    while (marked(window) && kindOf(window) == Kind::Reach)
        window = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    return window;
}

void placeBeside(QWidget* box)
{
    if (!box)
        return;
    Keeper::instance().keep(box);
    const QList<const QWidget*> marks = markedWindows(box);
    if (marks.isEmpty())
        return;
    QList<QRect> frames;
    for (const QWidget* w : marks)
        frames << w->frameGeometry();
    // Not framed yet, its frame is taken to be as wide as that of a shown window of its kind (a dialog's, not the
    // pop-up's thin tool frame), which the same window manager made; and its place is then that of its own area,
    // which the frame will surround.
    QMargins frame = marginsOf(box);
    const bool framed = !frame.isNull();
    for (const bool sameKind : {true, false})
        for (const QWidget* w : QApplication::topLevelWidgets())
            if (frame.isNull() && w != box && w->isVisible() && (!sameKind || w->windowType() == box->windowType()))
                frame = marginsOf(w);
    const QPoint ownArea = framed ? QPoint() : QPoint(frame.left(), frame.top());
    const QRect stands(box->pos() - ownArea, box->size().grownBy(frame));
    if (clearOf(stands, frames))
        return;
    QScreen* screen = box->screen() ? box->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    // Beside each marked window, on each of its four sides, kept on the screen along that side.
    QList<QRect> beside;
    for (const QRect& f : std::as_const(frames)) {
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
    if (!best.isNull()) {
        box->move(best.topLeft() + ownArea);
        return;
    }
    QList<const QWidget*> under;
    for (const QWidget* w : marks)
        if (stands.intersects(w->frameGeometry()))
            under << w;
    standAbove(box, under);
}

} // namespace KeepInSight
