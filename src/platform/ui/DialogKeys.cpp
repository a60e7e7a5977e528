#include "platform/ui/DialogKeys.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Sees the keys no control of the window took: a key a control does not use goes on to the window.
class KeyWatcher : public QObject {
public:
    KeyWatcher(QWidget* window, QAbstractButton* defaultButton, QAbstractButton* cancelButton)
        : QObject(window), m_default(defaultButton), m_cancel(cancelButton)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        QAbstractButton* button = nullptr;
        if (mods == Qt::NoModifier && key->key() == Qt::Key_Escape)
            button = m_cancel;
        else if (mods == Qt::NoModifier && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
            button = m_default;
        if (!button || !button->isVisible() || !button->isEnabled())
            return QObject::eventFilter(watched, event);
        button->click();
        return true;
    }

private:
    QPointer<QAbstractButton> m_default;
    QPointer<QAbstractButton> m_cancel;
};

} // namespace

namespace DialogKeys {

void install(QWidget* window, QAbstractButton* defaultButton, QAbstractButton* cancelButton)
{
    if (window)
        window->installEventFilter(new KeyWatcher(window, defaultButton, cancelButton));
}

} // namespace DialogKeys
