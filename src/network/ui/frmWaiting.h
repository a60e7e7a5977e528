#pragma once

#include "platform/ui/TaskWindow.h"

class QLabel;
class QPushButton;
class QString;

// The client's waiting note, shown while a request to the server is pending. Several may be open at once,
// each marked by its Tag (the kind of request: "SQL", "STATS", "GRAPH", "MINI DISPLAY" ...).
// ShowWaiting and UnloadWaitingForms create and close them.
class frmWaiting : public TaskWindow {
    Q_OBJECT
public:
    explicit frmWaiting(QWidget* parent = nullptr);

    // Asks the server to cancel the pending request (";NETCANCEL;"). The note stays until the reply arrives.
    void SendStop();
    // The note has no hints.
    void AddHints() {}
    // Lets the layers below reach ShowWaiting and UnloadWaitingForms (ProgramLinks); once per process.
    static void install();

protected:
    // A note is on show only while its request waits for the server.
    bool taskRunning() const override { return true; }
    void stopTask() override { SendStop(); }
    void showEvent(QShowEvent* event) override;

private:
    QLabel* Label1 = nullptr;
    QPushButton* cmdStop = nullptr;
    bool m_shownOnce = false;
};

// Client mode: while the socket is connected and no dialog is open, a new waiting note with that tag.
QWidget* ShowWaiting(const QString& tag, QWidget* owner);
// Closes the waiting notes of that tag (case ignored), or all of them with "ALL"; then clears the
// statistics window's waiting flag when no "STATS" or "GRAPH" note remains.
int UnloadWaitingForms(const QString& tag);
