#include "platform/ui/TaskWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QWindow>

#include "platform/ui/ModalDialog.h"

TaskWindow::TaskWindow(QWidget* parent) : QDialog(parent) {}

void TaskWindow::setVisible(bool visible)
{
    if (visible != isVisible()) {
        if (visible)
            showing();
        else
            hiding();
    }
    QDialog::setVisible(visible);
}

void TaskWindow::showing()
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Read by the window system as the window is shown; set on the window too when it is already made.
    if (QWindow* handle = windowHandle())
        handle->setProperty("_q_showWithoutActivating", true);
    if (m_began)
        return;
    m_began = true;
    ModalDialog::followKeyboard();
    // A box that closed just now gave the keyboard back to its window; the window system may not have said so yet.
    QWidget* has = ModalDialog::givenBackTo() ? ModalDialog::givenBackTo() : QApplication::activeWindow();
    m_before = has != this ? has : nullptr;
}

void TaskWindow::hiding()
{
    const QPointer<QWidget> before = m_before;
    if (!taskRunning()) {
        // The task has ended: a later show begins another one.
        m_before = nullptr;
        m_began = false;
    }
    if (QApplication::activeWindow() != this || !before || !before->isVisible() || before->isMinimized())
        return;
    ModalDialog::giveBack(before, true);
}

void TaskWindow::closeEvent(QCloseEvent* event)
{
    // A close while the task runs is Stop, whoever asks for it (the close box, the window manager, another window
    // of ours): the window, and its Stop, stay until the task has stopped.
    if (taskRunning()) {
        stopTask();
        event->ignore();
        return;
    }
    event->accept();
}

void TaskWindow::reject()
{
    // Escape is Stop, as the close box is; it never hides the window while the task runs.
    if (taskRunning())
        stopTask();
}
