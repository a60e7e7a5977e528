#pragma once

#include <QDialog>

#include "platform/ui/ModalDialog.h"

class QLabel;
class QPushButton;
class QString;

// The client's waiting note, shown while a request to the server is pending. Several may be open at once,
// each marked by its Tag (the kind of request: "SQL", "STATS", "GRAPH", "MINI DISPLAY" ...).
// ShowWaiting and UnloadWaitingForms create and close them.
class frmWaiting : public QDialog {
    Q_OBJECT
public:
    explicit frmWaiting(QWidget* parent = nullptr);

    // Asks the server to cancel the pending request (";NETCANCEL;"). The note stays until the reply arrives.
    void SendStop();
    // The note has no hints.
    void AddHints() {}
    // Lets the layers below reach ShowWaiting and UnloadWaitingForms (ProgramLinks); once per process.
    static void install();

    // Every show and hide: the keyboard's rule for a task's window (ModalDialog::TaskKeyboard).
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* Label1 = nullptr;
    QPushButton* cmdStop = nullptr;
    bool m_shownOnce = false;
    ModalDialog::TaskKeyboard m_keyboard;
};

// Client mode: while the socket is connected and no dialog is open, a new waiting note with that tag.
QWidget* ShowWaiting(const QString& tag, QWidget* owner);
// Closes the waiting notes of that tag (case ignored), or all of them with "ALL"; then clears the
// statistics window's waiting flag when no "STATS" or "GRAPH" note remains.
int UnloadWaitingForms(const QString& tag);
