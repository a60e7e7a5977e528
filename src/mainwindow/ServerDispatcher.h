#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "mainwindow/ServerReplies.h"

class ServerRequest;

// The server's answer to one unit of a client's requests (MainWindow::ProcessNetworkData on the
// standalone/server main window): reads its requests front to back and answers each, or hands it to the
// long replies. Requests that change data are refused to a restricted client (event line and
// "RESTRICTED"). Every request takes exactly its own fields, also when refused, so a field is never read as
// a keyword. Event lines about a request begin with the client's address. Nothing a client sends ever opens
// a message box on the server.
//
// The main window the edits, blocking and the modem state belong to is gMainForm.
class ServerDispatcher : public QObject {
    Q_OBJECT
public:
    // owner: the main window (owner of the progress windows of long replies), or nullptr.
    explicit ServerDispatcher(QObject* owner = nullptr);

    void ProcessNetworkData(const QString& data, qint32 index, qint64 bytesTotal, bool restricted);

    ServerReplies* replies() const { return m_replies; }

    // The ";CLEAR ATTRIBUTE GROUPS;" ... ";CLEAR CONTACTS;" ... reply to ";GET CONTACT UPDATE;".
    static QString contactUpdate();

private:
    // False when the unit's remaining requests are to be dropped (a failure the requester was told of).
    bool dispatch(const ServerRequest& request, const QString& key, const QStringList& fields, bool restricted,
                  int& lostContacts);
    bool contactChange(const ServerRequest& request, const QString& key, const QStringList& fields, int& lostContacts);
    // A contact change the store refused or could not make: the requester gets the kept error, the event list
    // the event text and the reason. False when the dispatch ends (an unforeseen failure).
    bool refused(const ServerRequest& request, const QString& event);
    void refuse(const ServerRequest& request);
    // A request with a field longer than its request may carry: an event line and an ERROR that says so.
    void tooLong(const ServerRequest& request, const QString& key, const QList<QStringView>& fields, qsizetype longest);
    bool fail(const ServerRequest& request);

    ServerReplies* m_replies;
};
