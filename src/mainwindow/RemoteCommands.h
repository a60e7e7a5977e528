#pragma once

#include <QObject>
#include <QString>

#include "popup/MiniDisplay.h"

class CallListModel;
class MainWindow;
class RemoteDispatcher;

// The client main window's commands on its call list. A client holds no call log: every deletion, edit and
// new choice of rows is a request to the server, and nothing changes here until the server's answer comes
// (RemoteDispatcher). A command that waits for its answer opens a waiting note of its kind. Requests made
// while the connection is down are dropped by the socket, and no note is opened for them.
class RemoteCommands : public QObject {
    Q_OBJECT
public:
    // state: the dispatcher that keeps the pending deletions; owner: the window (owner of the notes).
    RemoteCommands(MainWindow& host, RemoteDispatcher& state, QObject* owner = nullptr);

    // Delete: the selected rows' calls, asked first while ConfirmDeletion is on; nothing while a call rings.
    void DeleteSelected(const CallListModel& list);
    // Clear Log: every call the list shows (the view's calls, not the whole log).
    void ClearLog(const CallListModel& list);
    // The three searches for the caller of the list's current row. The name searched for is the one the
    // server stored for the call, not the contact name the list may show.
    void Search(MiniDisplay::SearchKind kind, const CallListModel& list);
    // A View-menu period item: its query becomes the view, its mark the only one, and the server is asked for
    // its rows. "Custom..." only opens the custom-period window.
    void ChoosePeriod(int index);
    // The current row's call as the server logged it.
    void ViewOriginal(const CallListModel& list);
    // The list's editor accepted a value: after the question (while ConfirmDeletion is on) the server is
    // asked to store it; the list changes when the server tells every client of the edit.
    void EditGrid(int column, const QString& text, qint32 id);

    // The request that asks the server for the rows of the window's view.
    void RequestView();

    // Deletions of more calls than this open a waiting note.
    static constexpr int DeleteNoteThreshold = 16;

private:
    bool confirmRemoval(bool plural) const;
    void send(const QString& text);

    MainWindow& m_host;
    RemoteDispatcher& m_state;
    QObject* m_owner;
};
