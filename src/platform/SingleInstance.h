#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

// Lets one copy of Velquon run per settings folder. The first copy holds a lock file beside the settings file and
// listens on a local socket; a later copy finds the lock taken, asks the first one over the socket to show its
// main window, and gives up. The lock sits with what it guards, in the user's own folder, so every start for the
// same settings finds it whatever its environment (another runtime or temporary folder, another user by su or
// sudo); only the socket lives in the user's runtime folder (XDG_RUNTIME_DIR), or in the temporary folder
// without one, and the lock file names it for a later start from another environment. The lock is the system's
// own lock on the open file, which goes with the process that held it: a file left behind by a killed copy is
// simply taken again. Whatever else stands at the lock's name (a named pipe, a folder, a link, a device) is never
// opened: it is taken over when it can be removed (a folder only when empty); else no copy can run on these
// settings (refusal() says what stood there).
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The process-wide instance.
    static SingleInstance& instance();

    // True when this process is (now) the running copy for settingsKey. False when another copy runs, which has
    // then been asked to show itself (waiting at most timeoutMs for it to answer), and false when the lock cannot
    // be had (refusal() says why): this copy must not run then, since nothing would keep another beside it.
    bool acquire(const QString& settingsKey, int timeoutMs = 1500);
    // Gives up the lock and the socket, and removes their files (a clean exit; tests).
    void release();
    // Removes the lock's and the socket's files with nothing else released, from any thread: the process is
    // ending through exit() from elsewhere (a library's) and ends them with it.
    void removeFilesAtExit() const;
    // After acquire gave false: whether the running copy answered (and has shown itself). A copy that holds
    // the lock and does not answer may be hung.
    bool runningCopyAnswered() const { return m_answered; }
    // After acquire gave false: why the lock could not be had ("it is a folder, not a file"); empty when another
    // copy holds it.
    QString refusal() const { return m_refusal; }
    // After acquire gave true: why a later start cannot bring this copy forward ("…/velquon-…: it is a folder,
    // not a file"), empty when it can. The lock holds all the same.
    QString unreachable() const { return m_unreachable; }

    // Name of the local socket for a settings location, without its folder.
    static QString serverName(const QString& settingsKey);
    // The folder of the socket: the user's runtime folder when there is one that is the user's alone, the
    // temporary folder otherwise.
    static QString socketFolder();
    // The lock file for a settings location: beside the settings file, named after it ("Velquon.lock").
    static QString lockPath(const QString& settingsKey);
    // The socket's file for a settings location, as a start in this environment makes it.
    static QString socketPath(const QString& settingsKey);
    // Asks the copy running for a settings location to show itself, at the socket its lock file names (else at
    // socketPath); true once it has said it did.
    static bool showRunningCopy(const QString& settingsKey, int timeoutMs);

    // Called on the running copy when a later copy asks it to show itself.
    void setActivateHandler(std::function<void()> handler) { m_onActivate = std::move(handler); }

private:
    class SocketName;

    SingleInstance() = default;
    ~SingleInstance() override;
    // Asks the copy holding lock to show itself, at the socket the lock names, else at fallback. untilListening:
    // it is known to run and may not listen yet.
    static bool askRunningCopy(const QString& lock, const QString& fallback, int timeoutMs, bool untilListening);
    void onNewConnection();
    // The lock's descriptor, locked; -1 when another process holds it (held true) or it cannot be had (why).
    static int lockFile(const QByteArray& path, bool& held, QString& why);

    QString m_key;
    int m_lock = -1;
    QLocalServer* m_server = nullptr;
    // What the server listens on, while it does.
    std::unique_ptr<SocketName> m_socketName;
    QString m_refusal;
    QString m_unreachable;
    // Their files as the system names them, while this copy holds them.
    QByteArray m_lockFile;
    QByteArray m_socketFile;
    std::function<void()> m_onActivate;
    bool m_answered = false;
};
