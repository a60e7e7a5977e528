#include "platform/ui/MenuShortcuts.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace MenuShortcuts {

namespace {

class GiveWay : public QObject {
public:
    GiveWay(QWidget* window, QObject* parent) : QObject(parent), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* a : m_window->findChildren<QAction*>()) {
            // Left unaccepted, the event makes the application try its shortcuts before the box's own keys.
            if (a->isEnabled() && a->shortcuts().contains(pressed))
                return true;
        }
        return false;
    }

private:
    QWidget* m_window;
};

} // namespace

void giveWayToMenus(QWidget* window)
{
    auto* filter = new GiveWay(window, window);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w) ||
            qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w))
            w->installEventFilter(filter);
    }
}

namespace {

void keepItemsTo(QWidget* window, const QList<QAction*>& items)
{
    for (QAction* a : items) {
        if (a->menu())
            keepItemsTo(window, a->menu()->actions());
        if (a->shortcuts().isEmpty())
            continue;
        // Reached through the window itself: active while the focus is inside it, in no window of its own.
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        window->addAction(a);
    }
}

} // namespace

void keepToWindow(QMainWindow* window) { keepItemsTo(window, window->menuBar()->actions()); }

} // namespace MenuShortcuts
