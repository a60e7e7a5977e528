#include "platform/ui/KeepInSight.h"

#include "platform/ui/TaskWindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QInputDialog>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <limits>
#include <optional>

namespace {

// Room left between a box and the window it stands beside (more than the pop-up's shake).
constexpr int kGap = 8;
// A window that moves or grows is looked at again once it has been still this long: the pop-up's shake, a drag, a
// dialog's growing or the window manager's framing is over by then, and what stands under it moves once.
constexpr int kSettleMs = 250;

// What the rule knows of one window: what it is to the rule, and what the rule set for it, beside what takes that
// back.
struct Memory {
    std::optional<KeepInSight::Kind> kind; // marked: the others stay clear of it
    bool mayBeCovered = false;
    // It stands above the marked windows under it, as nothing left room beside them; and it is kept on top for
    // that while one of them is. Both go as soon as none of them covers it any more, or it hides.
    bool standsAbove = false;
    bool onTopForRule = false;
    // The program's own stay-on-top, once it has said it; what the window has when the rule takes its own back.
    std::optional<bool> ownOnTop;
    // Its size when the rule last looked at it: a window that grew since is brought back onto the screen.
    QSize sizeSeen;
};

// The window system makes a native window anew at its next show once its stay-on-top hint has changed, and the
// widget's winId() goes on naming the old one, which is gone. So a hidden window is given its new native window at
// once, through the widget, which then knows it.
void remakeHidden(QWidget* w, Qt::WindowFlags flags);

// Watches a shown window whose stay-on-top hint was changed in place and remakes its native window as soon as it
// is hidden, before anything can show it again.
class RemakeWhenHidden : public QObject {
public:
    static constexpr const char* Name = "velquonRemakeWhenHidden";

    explicit RemakeWhenHidden(QWidget* window) : QObject(window)
    {
        setObjectName(QLatin1String(Name));
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w == parent() && event->type() == QEvent::Hide && !w->isVisible())
            remakeHidden(w, w->windowFlags());
        return false;
    }
};

void remakeHidden(QWidget* w, Qt::WindowFlags flags)
{
    // Remade now: a watcher waiting for its hide has nothing left to do.
    if (QObject* watcher = w->findChild<QObject*>(QLatin1String(RemakeWhenHidden::Name), Qt::FindDirectChildrenOnly)) {
        w->removeEventFilter(watcher);
        watcher->setObjectName(QString());
        watcher->deleteLater();
    }
    if (QWindow* native = w->windowHandle(); native && native->handle())
        native->destroy();
    w->setParent(w->parentWidget(), flags);
}

// Sets or clears the stay-on-top flag only when it differs. A window on the screen is told through its native
// window, which keeps it: setting the widget's flags would destroy and re-make the native window, hiding it
// meanwhile; done inside a click (Apply in the options dialog) that loses the dialog and the mouse with it.
// Its native window is made anew once it is hidden; a hidden window has nothing to lose and is remade now.
// True when the flag changed.
bool setStaysOnTop(QWidget* w, bool onTop)
{
    if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return false;
    Qt::WindowFlags flags = w->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    QWindow* native = w->windowHandle();
    if (!native || !native->handle()) {
        w->setWindowFlags(flags);
        return true;
    }
    if (!w->isVisible()) {
        remakeHidden(w, flags);
        return true;
    }
    w->overrideWindowFlags(flags);
    native->setFlags(flags);
    if (!w->findChild<QObject*>(QLatin1String(RemakeWhenHidden::Name), Qt::FindDirectChildrenOnly))
        new RemakeWhenHidden(w);
    return true;
}

// Whether window belongs to owner (is it, or a window it is owned by).
bool belongsTo(const QWidget* window, const QWidget* owner)
{
    for (const QWidget* w = window; w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
        if (w == owner)
            return true;
    return false;
}

bool clearOf(const QRect& box, const QList<QRect>& frames)
{
    for (const QRect& f : frames)
        if (box.intersects(f))
            return false;
    return true;
}

// The window manager's frame around the window's own area; none before it has framed the window.
QMargins marginsOf(const QWidget* w)
{
    const QRect f = w->frameGeometry();
    const QRect g = w->geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

// Where the window stands on the screen, its frame included. Not framed yet (on its way to the screen), its frame
// is taken to be as wide as that of a shown window of its kind (a dialog's, not the pop-up's thin tool frame), which
// the same window manager made, around its own area.
QRect frameOf(const QWidget* w)
{
    QMargins frame = marginsOf(w);
    if (!frame.isNull())
        return w->frameGeometry();
    for (const bool sameKind : {true, false})
        for (const QWidget* other : QApplication::topLevelWidgets())
            if (frame.isNull() && other != w && other->isVisible() &&
                (!sameKind || other->windowType() == w->windowType()))
                frame = marginsOf(other);
    return w->geometry().marginsAdded(frame);
}

// The watch over every window of ours through its life, and the rule's memory of each: a window is placed as it
// shows, looked at again once it has moved or grown, and so is every window a marked window comes over as it
// shows or is raised, or once it is still after it moved or grew. What the rule itself places, raises or sets is
// no news: a raise of its own never starts it again.
class Keeper : public QObject {
public:
    static Keeper* existing() { return s_keeper; }
    bool settling() const { return m_soon.isActive() || m_settle.isActive() || m_raise.isActive(); }
    static Keeper& instance()
    {
        if (!s_keeper)
            s_keeper = new Keeper(qApp);
        return *s_keeper;
    }

    Memory& memoryOf(QWidget* window)
    {
        auto it = m_memory.find(window);
        if (it == m_memory.end()) {
            connect(window, &QObject::destroyed, this, [this, window] { m_memory.remove(window); });
            it = m_memory.insert(window, Memory());
        }
        return *it;
    }
    const Memory* find(const QWidget* window) const
    {
        const auto it = m_memory.constFind(window);
        return it == m_memory.cend() ? nullptr : &*it;
    }

    bool marked(const QWidget* window) const
    {
        const Memory* m = find(window);
        return m && m->kind.has_value();
    }
    bool markedAs(const QWidget* window, KeepInSight::Kind kind) const
    {
        const Memory* m = find(window);
        return m && m->kind == kind;
    }

    // Whether window is one the rule keeps clear: a window of ours that the window manager places, not a menu or a
    // tip, not the pop-up itself or a window it is there to come over, not one the user made as large as the
    // screen.
    bool governed(const QWidget* window) const
    {
        if (!window || !window->isWindow() || markedAs(window, KeepInSight::Kind::OnTop) || window->isMaximized() ||
            window->isFullScreen())
            return false;
        if (const Memory* m = find(window); m && m->mayBeCovered)
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

    // What the user must answer or reach while a task runs: a box or notice, a modal dialog, another progress
    // window. Only these stay clear of a progress window; every window stays clear of the pop-up.
    bool answered(const QWidget* window) const
    {
        return window->isModal() || qobject_cast<const QMessageBox*>(window) || marked(window);
    }

    // The buttons for which window may stand above a marked window where no room is left beside it: a question
    // box's answers (a message box, a prompt) and a task's Stop. Any other window, modal or not (the options and
    // the windows they open, with buttons all over them), has none: it stays below the pop-up, which is there to
    // show the caller.
    static QList<const QAbstractButton*> answerButtons(const QWidget* window)
    {
        QList<const QAbstractButton*> out;
        if (qobject_cast<const QMessageBox*>(window) || qobject_cast<const QInputDialog*>(window)) {
            if (const auto* answers = window->findChild<QDialogButtonBox*>())
                for (const QAbstractButton* b : answers->buttons())
                    out << b;
        } else if (qobject_cast<const TaskWindow*>(window)) {
            for (const QPushButton* b : window->findChildren<QPushButton*>())
                out << b;
        }
        return out;
    }

    // The marked windows on the screen that window must stay clear of: all but itself and those it belongs to.
    QList<const QWidget*> markedWindows(const QWidget* window) const
    {
        QList<const QWidget*> out;
        for (const QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !w->isMinimized() && marked(w) && !belongsTo(window, w) &&
                (markedAs(w, KeepInSight::Kind::OnTop) || answered(window)))
                out << w;
        return out;
    }

    // Where nothing leaves room for window beside the marked windows under it, it stands above them: raised over
    // them, and kept on top with them while one of them is kept on top (the pop-up). Done right after: the window
    // may be on its way to the screen, and its flags must not change inside its show.
    void standAbove(QWidget* window, const QList<const QWidget*>& under)
    {
        bool onTop = false;
        for (const QWidget* w : under)
            onTop = onTop || w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        Memory& m = memoryOf(window);
        if (!m.ownOnTop)
            m.ownOnTop = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !m.onTopForRule;
        m.standsAbove = true;
        m.onTopForRule = onTop;
        if (!m_standing.contains(window))
            m_standing << window;
        m_raise.start();
    }

    // No marked window covers window any more, or it hides: what the rule set for it goes.
    void takeBack(QWidget* window)
    {
        if (const Memory* held = find(window); !held || !held->standsAbove)
            return;
        const QScopedValueRollback placing(m_placing, true);
        Memory& m = memoryOf(window);
        m.standsAbove = false;
        if (std::exchange(m.onTopForRule, false))
            setStaysOnTop(window, m.ownOnTop.value_or(false));
    }

    void setOwnOnTop(QWidget* window, bool onTop)
    {
        Memory& m = memoryOf(window);
        m.ownOnTop = onTop;
        const bool kept = onTop || m.onTopForRule;
        // A window standing above the pop-up is kept on top only while the pop-up is.
        if (setStaysOnTop(window, kept) && m.kind && !m_placing)
            m_soon.start();
        // Said while it is on top, changed or not, it comes up (the pop-up as it changes size).
        if (kept && window->isVisible())
            window->raise();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_placing)
            return false;
        if (watched->isWindowType()) {
            // A window of ours about to go on the screen: its native window is told it is shown once the widget's
            // own show has placed it (a dialog over its owner), before the window manager is asked to map it, so
            // it opens where it stays. A marked window is looked at with every window it comes over, so that what
            // it would cover is beside it as it comes on the screen.
            if (event->type() == QEvent::Show) {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (w->windowHandle() == watched) {
                        if (marked(w)) {
                            again();
                        } else {
                            const QScopedValueRollback placing(m_placing, true);
                            KeepInSight::placeBeside(w);
                        }
                    }
            }
            return false;
        }
        if (!watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!window->isWindow())
            return false;
        const bool isMarked = marked(window);
        switch (event->type()) {
        case QEvent::ZOrderChange:
            if (isMarked && window->isVisible())
                m_soon.start();
            break;
        case QEvent::Hide:
            if (!window->isVisible()) {
                takeBack(window);
                if (isMarked)
                    m_soon.start();
            }
            break;
        case QEvent::WindowStateChange:
            // Restored from the task bar: what stood above a marked window may have nothing left under it.
            if (const Memory* m = find(window); m && m->standsAbove && window->isVisible() && !window->isMinimized())
                m_soon.start();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (!window->isVisible())
                break;
            if (governed(window) && !m_changed.contains(window))
                m_changed << window;
            if (isMarked || governed(window))
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
        m_raise.setSingleShot(true);
        m_raise.setInterval(0);
        connect(&m_raise, &QTimer::timeout, this, [this] { raiseStanding(); });
        qApp->installEventFilter(this);
    }
    void raiseStanding()
    {
        const QScopedValueRollback placing(m_placing, true);
        for (const QPointer<QWidget>& w : std::exchange(m_standing, {})) {
            if (!w || !w->isVisible())
                continue;
            const Memory& m = memoryOf(w.data());
            if (!m.standsAbove)
                continue;
            // On the native window as it stands: setting the widget's flags would make it anew, hidden meanwhile.
            setStaysOnTop(w, m.ownOnTop.value_or(false) || m.onTopForRule);
            w->raise();
        }
    }

    // Every window a marked window covers, every window that moved or grew, and every window standing above one is
    // looked at again; the marked windows that are kept clear themselves (a progress window beside the pop-up)
    // first: the others then stand clear of them where they went.
    void again()
    {
        const QScopedValueRollback placing(m_placing, true);
        const QList<QPointer<QWidget>> changed = std::exchange(m_changed, {});
        QList<QPointer<QWidget>> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            windows << w;
        const auto covered = [this](const QWidget* window) {
            const QRect frame = frameOf(window);
            for (const QWidget* mark : markedWindows(window))
                if (frameOf(mark).intersects(frame))
                    return true;
            return false;
        };
        for (const bool markedFirst : {true, false})
            for (const QPointer<QWidget>& w : std::as_const(windows)) {
                if (!w || !w->isVisible() || w->isMinimized() || marked(w) != markedFirst)
                    continue;
                const Memory* m = find(w);
                if ((m && m->standsAbove) || changed.contains(w) || (governed(w) && covered(w)))
                    KeepInSight::placeBeside(w);
            }
    }

    static inline QPointer<Keeper> s_keeper;
    QHash<const QWidget*, Memory> m_memory;
    bool m_placing = false;
    QTimer m_soon;
    QTimer m_settle;
    QTimer m_raise;
    QList<QPointer<QWidget>> m_changed;
    QList<QPointer<QWidget>> m_standing;
};

} // namespace

namespace KeepInSight {

void mark(QWidget* window, Kind kind)
{
    if (window)
        Keeper::instance().memoryOf(window).kind = kind;
}

void mayBeCovered(QWidget* window)
{
    if (window)
        Keeper::instance().memoryOf(window).mayBeCovered = true;
}

bool marked(const QWidget* window)
{
    const Keeper* keeper = Keeper::existing();
    return window && keeper && keeper->marked(window);
}

bool settling()
{
    const Keeper* keeper = Keeper::existing();
    return keeper && keeper->settling();
}

QWidget* ownerFor(QWidget* window)
{
    const Keeper* keeper = Keeper::existing();
    while (keeper && window && keeper->markedAs(window, Kind::Reach))
        window = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    return window;
}

void placeBeside(QWidget* box)
{
    if (!box)
        return;
    Keeper& keeper = Keeper::instance();
    if (!keeper.governed(box)) {
        // Made as large as the screen, say: nothing of the rule's stays on it.
        keeper.takeBack(box);
        return;
    }
    const QList<const QWidget*> marks = keeper.markedWindows(box);
    QList<QRect> frames;
    for (const QWidget* w : marks)
        frames << frameOf(w);
    // A window not framed yet is moved by its own area, which the frame will surround.
    const QRect stands = frameOf(box);
    const QPoint ownArea = box->pos() - stands.topLeft();
    QScreen* screen = box->screen() ? box->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
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
    // A window that grew since it was last looked at (a details section opened) ends on the screen; one the user
    // only moved stays where it was put, off the screen's edge too.
    Memory& memory = keeper.memoryOf(box);
    const bool grew = memory.sizeSeen.isValid() &&
                      (box->width() > memory.sizeSeen.width() || box->height() > memory.sizeSeen.height());
    memory.sizeSeen = box->size();
    const QRect here = grew ? onScreen(stands) : stands;
    if (clearOf(here, frames)) {
        keeper.takeBack(box);
        if (here != stands)
            box->move(here.topLeft() + ownArea);
        return;
    }
    // Beside each marked window, on each of its four sides, kept on the screen along that side.
    QList<QRect> beside;
    for (const QRect& f : std::as_const(frames)) {
        const QRect& r = here;
        beside << r.translated(0, f.bottom() + 1 + kGap - r.top()) << r.translated(0, f.top() - kGap - 1 - r.bottom())
               << r.translated(f.right() + 1 + kGap - r.left(), 0) << r.translated(f.left() - kGap - 1 - r.right(), 0);
    }
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
        keeper.takeBack(box);
        box->move(best.topLeft() + ownArea);
        return;
    }
    // Its answers where the window manager shows them, inside the frame (a title bar's height below its corner),
    // carried along as the window is moved to here: taken before the move, since once moved they are there already.
    QList<QRect> buttons;
    for (const QAbstractButton* b : Keeper::answerButtons(box))
        if (b->isVisibleTo(box))
            buttons << QRect(b->mapToGlobal(QPoint()), b->size()).translated(here.topLeft() - stands.topLeft());
    if (here != stands)
        box->move(here.topLeft() + ownArea);
    QList<const QWidget*> under;
    for (const QWidget* w : marks)
        if (!clearOf(frameOf(w), buttons))
            under << w;
    if (under.isEmpty()) {
        keeper.takeBack(box);
        return;
    }
    keeper.standAbove(box, under);
}

void setOnTop(QWidget* window, bool onTop)
{
    if (window)
        Keeper::instance().setOwnOnTop(window, onTop);
}

} // namespace KeepInSight
