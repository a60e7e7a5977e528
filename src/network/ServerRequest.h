#pragma once

#include <QPointer>
#include <QString>

class clsClient;

// The client a request came from, held for as long as its answer is being made. A client is named by its
// connection number, which no other connection ever gets, and held by a guarded pointer: a client that
// leaves while its answer is made (the answer may let the event loop run) is noticed, and its answer
// reaches nobody rather than the client that moved into its place in the list.
class ServerRequest {
public:
    // The request of gServer's client with that connection number, or of nobody.
    explicit ServerRequest(qint32 index);

    qint32 index() const { return m_index; }
    // The address as it was when the request was taken, also after the client has gone.
    const QString& address() const { return m_address; }
    bool present() const;
    // The client cancelled the request (";NETCANCEL;"), or left: there is nobody to answer any more.
    bool cancelled() const;
    // The ";NETCANCEL;" of the unit being read: the requests after it are not cancelled by it.
    void cancelDispatched() const;

    // To the requester alone.
    void reply(const QString& text) const;
    // ";ERROR;" number ";" description ";" to the requester. A ";" in the description would end the field
    // early and put the rest where the client expects a keyword: it becomes ",".
    void replyError(qint32 number, const QString& description) const;
    // The error last kept (SaveError), as replyError.
    void replyLastError() const;
    // An event line: the address followed by text (which begins with a blank).
    void event(const QString& text) const;

private:
    QPointer<clsClient> m_client;
    qint32 m_index;
    QString m_address;
};
