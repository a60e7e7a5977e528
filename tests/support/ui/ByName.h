#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QObject>
#include <QString>
#include <QTest>
#include <QWidget>

// Tests reach a window's controls the way the program names them: by objectName (mnuFileExit, lstEvents,
// Grid, mnuViewTime(6), StatusBar1.Panels(2) ...), never through public members. Header-only: the
// widget library is linked by the ui tests alone.
namespace ui {

namespace detail {

inline QString where(const QObject* root)
{
    return root ? (root->objectName().isEmpty() ? QString::fromLatin1(root->metaObject()->className())
                                                : root->objectName())
                : QStringLiteral("(no window)");
}

} // namespace detail

// The one object of type T named name under root (root itself included); nullptr when there is none or
// more than one, with the reason as a warning.
template <typename T>
T* findByName(const QObject* root, const QString& name)
{
    if (!root)
        return nullptr;
    QList<T*> found = root->findChildren<T*>(name);
    if (auto* self = qobject_cast<T*>(const_cast<QObject*>(root)); self && root->objectName() == name)
        found.prepend(self);
    if (found.size() == 1)
        return found.first();
    qWarning("%s",
             qPrintable(QStringLiteral("%1 %2 named \"%3\" under %4")
                            .arg(found.isEmpty() ? QStringLiteral("no") : QString::number(found.size()))
                            .arg(QString::fromLatin1(T::staticMetaObject.className()), name, detail::where(root))));
    return nullptr;
}

// Whether the user could choose the action: it is enabled, and so is every menu that holds it.
inline bool reachable(const QAction* action)
{
    if (!action->isEnabled())
        return false;
    for (const QObject* p = action->parent(); p; p = p->parent()) {
        if (const auto* menu = qobject_cast<const QMenu*>(p); menu && !menu->menuAction()->isEnabled())
            return false;
        if (qobject_cast<const QWidget*>(p) && !qobject_cast<const QMenu*>(p))
            break;
    }
    return true;
}

// Chooses the action or clicks the button named name under root, as the user would. Returns why it
// could not (none or several of that name, or disabled), or an empty text when it was done.
inline QString tryTrigger(const QObject* root, const QString& name)
{
    QList<QAction*> actions = root ? root->findChildren<QAction*>(name) : QList<QAction*>();
    QList<QAbstractButton*> buttons = root ? root->findChildren<QAbstractButton*>(name) : QList<QAbstractButton*>();
    const qsizetype count = actions.size() + buttons.size();
    if (count != 1)
        return QStringLiteral("%1 action or button named \"%2\" under %3")
            .arg(count == 0 ? QStringLiteral("no") : QString::number(count), name, detail::where(root));
    if (!actions.isEmpty()) {
        QAction* a = actions.first();
        if (a->isSeparator())
            return QStringLiteral("\"%1\" is a separator").arg(name);
        if (!reachable(a))
            return QStringLiteral("\"%1\" is disabled").arg(name);
        a->trigger();
        return QString();
    }
    QAbstractButton* b = buttons.first();
    if (!b->isEnabled())
        return QStringLiteral("\"%1\" is disabled").arg(name);
    b->click();
    return QString();
}

inline bool isReachable(const QObject* root, const QString& name)
{
    const QAction* a = findByName<QAction>(root, name);
    return a && reachable(a);
}

} // namespace ui

// Chooses a named action or clicks a named button; the running test fails with the reason when there is
// none of that name or it is disabled.
#define TRIGGER(root, name)                                                                                            \
    do {                                                                                                               \
        const QString triggerProblem_ = ::ui::tryTrigger((root), QString(name));                                       \
        QVERIFY2(triggerProblem_.isEmpty(), qPrintable(triggerProblem_));                                              \
    } while (false)
