#include "platform/ui/KeepInSight.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QList>
#include <QMessageBox>
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
const char kMayBeCovered[] = "velquonMayBeCovered";
// Where a marked window stood when the windows were last looked at; none once it shows anew.
const char kFrameSeen[] = "velquonKeepInSightFrameSeen";
// A marked window raised since then; and a window standing above the marked ones, as nothing left room beside them.
const char kRaised[] = "velquonKeepInSightRaised";
const char kStandsAbove[] = "velquonKeepInSightStandsAbove";

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

// Whether window is one the rule keeps clear: a window of ours that the window manager places, not a menu or a
// tip, not the pop-up itself or a window it is there to come over, not one the user made as large as the screen.
bool governed(const QWidget* window)
{
    if (!window || !window->isWindow() || (KeepInSight::marked(window) && kindOf(window) == KeepInSight::Kind::OnTop) ||
        window->property(kMayBeCovered).toBool() || window->isMaximized() || window->isFullScreen())
        return false;
    const Qt::WindowFlags flags = window->windowFlags();
    if (flags.testFlag(Qt::BypassWindowManagerHint) || flags.testFlag(Qt::X11BypassWindowManagerHint))
        return false;
    switch (window->windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Tool:
        return true;
    default:
        return false;
    }
}

// What the user must answer or reach while a task runs: a box or notice, a modal dialog, another progress window.
// Only these stay clear of a progress window; every window stays clear of the pop-up.
bool answered(const QWidget* window)
{
    return window->isModal() || qobject_cast<const QMessageBox*>(window) || KeepInSight::marked(window);
}

// The marked windows on the screen that window must stay clear of: all but itself and those it belongs to.
QList<const QWidget*> markedWindows(const QWidget* window)
{
    QList<const QWidget*> out;
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->isMinimized() && KeepInSight::marked(w) && !belongsTo(window, w) &&
            (kindOf(w) == KeepInSight::Kind::OnTop || answered(window)))
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
// Done right after: the window may be on its way to the screen, and its flags must not change inside its show.
void standAbove(QWidget* window, const QList<const QWidget*>& under)
{
    bool onTop = false;
    for (const QWidget* w : under)
        onTop = onTop || w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    window->setProperty(kStandsAbove, true);
    QTimer::singleShot(0, window, [window, onTop] {
        if (onTop && !window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
            // On the native window as it stands: setting the widget's flags would make it anew, hidden meanwhile.
            const Qt::WindowFlags flags = window->windowFlags() | Qt::WindowStaysOnTopHint;
            window->overrideWindowFlags(flags);
            if (QWindow* native = window->windowHandle())
                native->setFlags(flags);
        }
        window->raise();
    });
}

// The watch over every window as it shows, and over the marked windows: a window a marked window comes over is
// placed again, at once when that one shows or is raised over a window that stood above it, once it is still when
// it moves or grows. What it already covered before it moved (a window the user put there) is left where it is.
class Keeper : public QObject {
public:
    static Keeper& instance()
    {
        static QPointer<Keeper> keeper;
        if (!keeper)
            keeper = new Keeper(qApp);
        return *keeper;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // What this places or raises (a progress window is marked too) is no news.
        if (m_placing)
            return false;
        // A window of ours about to go on the screen: its native window is told it is shown once the widget's own
        // show has placed it (a dialog over its owner), before the window manager is asked to map it, so it opens
        // where it stays.
        if (watched->isWindowType() && event->type() == QEvent::Show) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->windowHandle() == watched) {
                    const QScopedValueRollback placing(m_placing, true);
                    KeepInSight::placeBeside(w);
                }
            return false;
        }
        if (!watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!window->isWindow())
            return false;
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::ZOrderChange:
            if (KeepInSight::marked(window) && window->isVisible()) {
                window->setProperty(event->type() == QEvent::Show ? kFrameSeen : kRaised,
                                    event->type() == QEvent::Show ? QVariant(QRect()) : QVariant(true));
                m_soon.start();
            }
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (KeepInSight::marked(window) && window->isVisible())
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
        qApp->installEventFilter(this);
    }

    // The marked windows that are kept clear themselves (a progress window beside the pop-up) first: the others
    // then stand clear of them where they went.
    void again()
    {
        const QScopedValueRollback placing(m_placing, true);
        QList<QPointer<QWidget>> windows;
        QList<QPointer<QWidget>> marks;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            windows << w;
            if (w->isVisible() && !w->isMinimized() && KeepInSight::marked(w))
                marks << w;
        }
        const auto cameOver = [&marks](const QWidget* window) {
            const QRect frame = window->frameGeometry();
            for (const QPointer<QWidget>& mark : std::as_const(marks))
                if (mark && mark != window && mark->frameGeometry().intersects(frame) &&
                    (!mark->property(kFrameSeen).toRect().intersects(frame) ||
                     (mark->property(kRaised).toBool() && window->property(kStandsAbove).toBool())))
                    return true;
            return false;
        };
        for (const bool markedFirst : {true, false})
            for (const QPointer<QWidget>& w : std::as_const(windows))
                if (w && w->isVisible() && !w->isMinimized() && KeepInSight::marked(w) == markedFirst && cameOver(w))
                    KeepInSight::placeBeside(w);
        for (const QPointer<QWidget>& mark : std::as_const(marks))
            if (mark) {
                mark->setProperty(kFrameSeen, mark->frameGeometry());
                mark->setProperty(kRaised, false);
            }
    }

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
    Keeper::instance();
}

void mayBeCovered(QWidget* window)
{
    if (window)
        window->setProperty(kMayBeCovered, true);
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
    if (!governed(box))
        return;
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
