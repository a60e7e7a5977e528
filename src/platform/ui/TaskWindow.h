#pragma once

#include <QDialog>
#include <QPointer>

// A window that stands for a running task: the progress window, a client's waiting note. What they share is the
// user's way out and the keyboard.
//
// Escape and the close box do what the window's Stop does while the task runs, and the window stays until the task
// has stopped: hiding it would leave the task running with no way left to stop it.
//
// The keyboard: one rule for the end of every task. The window never takes the keyboard as it shows: the user goes
// on typing where they were (the contact book while the call list refills behind it, another program while a
// call's note waits over the pop-up). When it goes with the keyboard (the user clicked it, or restoring the program
// put it in front), the keyboard goes back to the window that had it as the task began, asked for before the window
// goes, so that the window manager gives it to no other (the task window's owner, the main window). Where the user
// took it meanwhile, to another window of ours or to another program, it stays. Where the keyboard was is kept
// until the task ends, whatever hides and shows the window meanwhile (the minimise to the tray hides every window).
class TaskWindow : public QDialog {
    Q_OBJECT
public:
    // Every show and hide passes here: the keyboard's rule.
    void setVisible(bool visible) override;

protected:
    explicit TaskWindow(QWidget* parent = nullptr);

    // Whether the task still runs; a hide once it has ended ends what the window remembers of it.
    virtual bool taskRunning() const = 0;
    // What the window's Stop does.
    virtual void stopTask() = 0;

    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void showing();
    void hiding();

    QPointer<QWidget> m_before;
    bool m_began = false;
};
