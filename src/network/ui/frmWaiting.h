#pragma once

#include "platform/ui/TaskWindow.h"

class QLabel;
class QPushButton;
class QString;
class QTimer;

// The client's waiting note, shown while a request to the server is pending. Several may be open at once,
// each marked by its Tag (the kind of request: "SQL", "STATS", "GRAPH", "MINI DISPLAY" ...).
// ShowWaiting and UnloadWaitingForms create and close them.
//
// Stop (the button, Escape, the close box) asks the server to cancel, and the note waits for the server's
// answer, which a cancelled request still gets. A server that is hung or gone without a word never answers: a
// second Stop, or kGiveUpAfterMs after the first with no answer, gives the request up on this side
// (clsRemoteSocket::GiveUp). The note goes, what it stood for shows what it showed before, and the answer,
// should it still come, is dropped.
class frmWaiting : public TaskWindow {
    Q_OBJECT
public:
    // How long a stopped request's answer is waited for, on the socket's wait clock.
    static constexpr qint64 kGiveUpAfterMs = 5000;

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
    void stopTask() override;
    void showEvent(QShowEvent* event) override;

private:
    void GiveUpTimer_Timer();
    void giveUp();

    QLabel* Label1 = nullptr;
    QPushButton* cmdStop = nullptr;
    // Looks at the wait clock while a stopped request waits for its answer.
    QTimer* GiveUpTimer = nullptr;
    bool m_shownOnce = false;
    bool m_stopped = false;
    qint64 m_stoppedAt = 0;
};

// Client mode: while the socket is connected and no dialog is open, a new waiting note with that tag.
QWidget* ShowWaiting(const QString& tag, QWidget* owner);
// Closes the waiting notes of that tag (case ignored), or all of them with "ALL"; then clears the
// statistics window's waiting flag when no "STATS" or "GRAPH" note remains.
int UnloadWaitingForms(const QString& tag);
