#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

#include "core/clsCaller.h"
#include "popup/modLoggedRecord.h"

class MainWindow;
class RemoteCallRoad;

// The client main window's reading of what its server sends (MainWindow::ProcessRemoteNetworkData): one
// completed send of the server at a time, its messages front to back, and then, once for the whole send,
// the refreshes of the call list, the contact book, the search window and the pop-up. It keeps the client's
// copies of the calls, contacts and attribute groups (replaced whole by each new answer), follows the call
// in progress (RemoteCallRoad) and closes the waiting notes of the answered requests.
//
// A unit is read as its ";"-separated tokens with the empty ones kept, and every message takes exactly its
// own fields, so an empty field keeps its place and no field is ever read as a keyword. What the window
// shows of it goes out through the signals; the rest of the window is reached through MainWindow.
// Nothing a server sends opens a modal box: refusals are told in a box that does not wait.
class RemoteDispatcher : public QObject {
    Q_OBJECT
public:
    // owner: the window (owner of the progress and waiting windows); host: the same window as the program's
    // main window; calls: its copy of the server's call in progress.
    RemoteDispatcher(MainWindow& host, RemoteCallRoad& calls, QObject* owner = nullptr);

    void ProcessRemoteNetworkData(const QString& unit);
    // The user gave up waiting for a request of that kind (upper case; clsRemoteSocket::GiveUp): what waited for
    // its answer stops waiting, and the views stay as they were. Its answer, should it come, is dropped.
    void RequestGivenUp(const QString& kind);

    // --- the client window's state that the commands set and the answers consume ---
    // A Clear Log request waits for its "DELETE OK".
    bool DeleteAllPending = false;
    // The selection changed since the last Delete request was sent.
    bool SelectionChanged = false;
    // The IDs of the Delete request that waits for its "DELETE OK".
    std::optional<QList<qint32>> PendingDeletes;
    // Forgets a deletion waiting for its answer (the server refused it or failed).
    void ForgetPendingDeletes();

    // The number of fields of a server message with that (upper-cased) keyword; -1 for none.
    static int fieldCount(const QString& keyword);
    // Units with more tokens than this (not counting empty ones) show the progress window.
    static constexpr int ProgressTokens = 51;

Q_SIGNALS:
    // "MODEMCONNECTION": the window's and the tray's icon ("ricon", "yicon" or "gicon").
    void connectionIconChanged(const QString& key);
    // "SIZE": status panel 2.
    void recordCountShown(const QString& text);
    // "ORIGINAL ID" / "ORIGINAL ID MINI DISPLAY": the logged-record window, above the pop-up when asked
    // from the pop-up while it is shown.
    void loggedRecordArrived(const LoggedRecord& record, bool overPopup);
    // "EDIT CALLER": the call's row is rewritten.
    void callerEdited(qint32 id, const clsCaller& caller);
    // "MINI DISPLAY STATS": the pop-up's (and the caller-statistics window's) text.
    void callerInfoArrived(const QString& text);
    // "DELETE OK" for a Clear Log: every row goes.
    void logCleared();
    // "DELETE OK" for a Delete: the rows of these calls go.
    void callsDeleted(const QList<qint32>& ids);

private:
    struct Pass;
    void dispatch(Pass& pass, const QString& key, const QStringList& fields);
    void deletionConfirmed(Pass& pass);
    void afterLoop(Pass& pass);
    void keep(qint32 number, const QString& description);

    MainWindow& m_host;
    RemoteCallRoad& m_calls;
    QObject* m_owner;
};
