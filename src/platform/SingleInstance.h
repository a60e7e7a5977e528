#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

// Lets one copy of Velquon run per settings location. The first copy holds a lock file and listens on a
// local socket, both named after the settings file; a later copy finds the lock taken, asks the first one
// over the socket to show its main window, and gives up. The lock is the system's own lock on the open file,
// which goes with the process that held it: a file left behind by a killed copy is simply taken again.
// Both live in the user's own runtime folder (XDG_RUNTIME_DIR), which nobody else can enter; without one, in
// the shared temporary folder, named after the user too. Whatever else stands at their names (a named pipe,
// a folder, a link, a device) is never opened: it is taken over when it can be removed (a folder only when
// empty), else refused, and this copy runs without that guard (refusal() says what stood there).
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The process-wide instance.
    static SingleInstance& instance();

    // True when this process is (now) the running copy for settingsKey; false when another copy runs,
    // which has then been asked to show itself (waiting at most timeoutMs for it to answer).
    bool acquire(const QString& settingsKey, int timeoutMs = 1500);
    // Gives up the lock and the socket, and removes their files (a clean exit; tests).
    void release();
    // Removes the lock's and the socket's files with nothing else released, from any thread: the process is
    // ending through exit() from elsewhere (a library's) and ends them with it.
    void removeFilesAtExit() const;
    // After acquire gave false: whether the running copy answered (and has shown itself). A copy that holds
    // the lock and does not answer may be hung.
    bool runningCopyAnswered() const { return m_answered; }

    // After acquire gave true: what kept this copy from holding the lock or the socket ("…/velquon-….lock: it is
    // a folder, not a file"), empty when it holds both.
    QString refusal() const { return m_refusal; }

    bool isPrimary() const { return m_server != nullptr; }
    // Name of the local socket for a settings location, without its folder.
    static QString serverName(const QString& settingsKey);
    // The folder of the lock and the socket: the user's runtime folder when there is one that is the user's
    // alone, the temporary folder otherwise.
    static QString folder();
    // The lock file for a settings location.
    static QString lockPath(const QString& settingsKey);
    // The socket's file for a settings location.
    static QString socketPath(const QString& settingsKey);

    // Called on the running copy when a later copy asks it to show itself.
    void setActivateHandler(std::function<void()> handler) { m_onActivate = std::move(handler); }

private:
    SingleInstance() = default;
    ~SingleInstance() override;
    // name: the socket's path. untilListening: it is known to run and may not listen yet.
    bool askRunningCopy(const QString& name, int timeoutMs, bool untilListening);
    void onNewConnection();
    // The lock's descriptor, locked; -1 when another process holds it (held true) or it cannot be had (why).
    static int lockFile(const QByteArray& path, bool& held, QString& why);

    QString m_key;
    int m_lock = -1;
    QLocalServer* m_server = nullptr;
    QString m_refusal;
    // Their files as the system names them, while this copy holds them.
    QByteArray m_lockFile;
    QByteArray m_socketFile;
    std::function<void()> m_onActivate;
    bool m_answered = false;
};
