#pragma once

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

// Answers the program's modal dialogs the way a user at the desk would, while the program runs its real
// modal loops (exec) with its windows on the stack. Each expected dialog, by objectName and in the order
// they open, gets one step; the step runs once that dialog is the active modal window, from the event loop
// (so it may click a button that opens the next dialog). A modal dialog nobody expected is recorded and
// rejected, so a test never hangs on it. Header-only: the window tests alone link the widgets.
//
// While it exists, VELQUON_NONINTERACTIVE is unset: dialogs really run modal.
class ModalScript : public QObject {
public:
    using Step = std::function<void(QDialog*)>;

    ModalScript()
    {
        m_previous = qgetenv("VELQUON_NONINTERACTIVE");
        qunsetenv("VELQUON_NONINTERACTIVE");
        m_poll.setInterval(5);
        connect(&m_poll, &QTimer::timeout, this, &ModalScript::look);
        m_poll.start();
    }
    ~ModalScript() override
    {
        m_poll.stop();
        qputenv("VELQUON_NONINTERACTIVE", m_previous);
    }

    // The next dialog expected to open, by objectName, and what the user does in it.
    void expect(const QString& name, Step step) { m_steps.append({name, std::move(step)}); }

    // Every expected dialog has opened and had its step run.
    bool done() const { return m_steps.isEmpty() && m_running == 0; }
    // The modal dialogs seen, in order, expected or not.
    QStringList seen() const { return m_seen; }
    // Dialogs nobody expected, and expected ones a step left open ("left open: name").
    QStringList unexpected() const { return m_unexpected; }

private:
    void look()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        // A gone dialog's pointer is null here, so a new one at the same address is not taken for it.
        for (const QPointer<QDialog>& h : std::as_const(m_handled)) {
            if (h == dialog)
                return;
        }
        m_handled.append(dialog);
        m_seen << dialog->objectName();
        if (m_steps.isEmpty() || m_steps.first().first != dialog->objectName()) {
            m_unexpected << dialog->objectName();
            QPointer<QDialog> d = dialog;
            QTimer::singleShot(0, this, [d] {
                if (d)
                    d->reject();
            });
            return;
        }
        Step step = m_steps.takeFirst().second;
        ++m_running;
        QPointer<QDialog> d = dialog;
        // Not from inside this timer's own tick: a step that opens another modal dialog would hold the tick
        // and nothing would answer that one.
        QTimer::singleShot(0, this, [this, d, step] {
            if (d)
                step(d);
            // A step is the user's whole visit: a dialog still open after it (a failed check returned early)
            // is closed, so the test goes on to report rather than wait for ever.
            if (d && d->isVisible()) {
                m_unexpected << QStringLiteral("left open: ") + d->objectName();
                d->reject();
            }
            --m_running;
        });
    }

    QByteArray m_previous;
    QTimer m_poll;
    QList<std::pair<QString, Step>> m_steps;
    QList<QPointer<QDialog>> m_handled;
    QStringList m_seen;
    QStringList m_unexpected;
    int m_running = 0;
};
