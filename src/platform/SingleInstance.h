#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QFileSystemWatcher;
class QLocalServer;

// Lets one copy of Velquon run per settings folder, and per folder it keeps its stores in. The first copy holds a
// lock file beside the settings file and listens on a local socket; a later copy finds the lock taken, asks the
// first one over the socket to show its main window, and gives up. The lock sits with what it guards, in the user's
// own folder, so every start for the same settings finds it whatever its environment (another runtime or temporary
// folder, another user by su or sudo); only the socket lives in the user's runtime folder (XDG_RUNTIME_DIR), or in
// a folder of the user's own in the temporary folder without one, and the lock file names it for a later start from
// another environment. The folders of the stores (the data folder, a call log or data file kept elsewhere) have a
// lock file of their own, of the same kind (holdFolder), so that copies started on different settings never share
// a store. A lock is the system's own lock on the open file, which goes with the process that held it: a file left
// behind by a killed copy is simply taken again, and one removed or replaced while its copy runs is taken back.
// Whatever else stands at a lock's name (a named pipe, a folder, a link, a device) is never opened: it is taken
// over when it can be removed (a folder only when empty); else no copy can run on these settings (refusal() says
// what stood there).
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The process-wide instance.
    static SingleInstance& instance();

    // True when this process is (now) the running copy for settingsKey. False when another copy runs, which has
    // then been asked to show itself (waiting at most timeoutMs for it to answer), and false when the lock cannot
    // be had (refusal() says why): this copy must not run then, since nothing would keep another beside it.
    bool acquire(const QString& settingsKey, int timeoutMs = 1500);
    // Whether this process is a running copy (acquire gave true and nothing was released since).
    bool running() const { return !m_key.isEmpty(); }

    enum class FolderLock { Held, HeldByAnother, CannotBeHad };
    // Holds the lock of a folder this copy keeps files in besides its settings: Held from now on (or already: the
    // settings' own folder, a folder held before, whatever path leads to it). HeldByAnother: another copy holds it,
    // holder is its process (0 when the system cannot tell). CannotBeHad: why says why.
    FolderLock holdFolder(const QString& folder, QString* why = nullptr, qint64* holder = nullptr);
    // Gives up the lock of every folder held besides the settings' that is none of folders.
    void keepFolders(const QStringList& folders);
    // The folders held besides the settings', as holdFolder was given them: what keepFolders keeps them all with.
    QStringList heldFolders() const;
    // Whether this copy holds the lock of folder (any spelling of it; the settings' own folder too), and that lock is
    // still the file at the lock's name.
    bool holdsFolder(const QString& folder) const;

    // Gives up the locks and the socket, and removes their files (a clean exit; tests).
    void release();
    // Removes the locks' and the socket's files with nothing else released, from any thread: the process is
    // ending through exit() from elsewhere (a library's) and ends them with it.
    void removeFilesAtExit() const;
    // After acquire gave false: whether the running copy answered (and has shown itself).
    bool runningCopyAnswered() const { return m_answered; }
    // After acquire gave false for a running copy that did not answer: its process (0 when the system cannot tell)
    // and what keeps it from being brought forward, said after "it" ("does not answer", "could not make its socket
    // (…)"). It lives, so its lock must stay.
    qint64 runningCopy() const { return m_holder; }
    QString whyNotBroughtForward() const { return m_silence; }
    // After acquire gave false: why the lock could not be had ("it is a folder, not a file"); empty when another
    // copy holds it.
    QString refusal() const { return m_refusal; }
    // After acquire gave true: why a later start cannot bring this copy forward ("…/velquon-…: it is a folder,
    // not a file"), empty when it can. The lock holds all the same.
    QString unreachable() const { return m_unreachable; }

    // Name of the local socket for a settings location, without its folder.
    static QString serverName(const QString& settingsKey);
    // The folder of the socket: the user's runtime folder when there is one that is the user's alone, else a folder
    // of the user's alone that it makes in the temporary folder; empty when neither can be had.
    static QString socketFolder();
    // The lock file for a settings location: beside the settings file, named after it ("Velquon.lock").
    static QString lockPath(const QString& settingsKey);
    // The lock file of a folder: "Velquon.lock" in it, the settings' own beside the settings.
    static QString folderLockPath(const QString& folder);
    // The socket's file for a settings location, as a start in this environment makes it: in socketFolder(), else
    // beside the lock.
    static QString socketPath(const QString& settingsKey);
    // Asks the copy running for a settings location to show itself, at the socket its lock file names (else at
    // socketPath); true once it has said it did.
    static bool showRunningCopy(const QString& settingsKey, int timeoutMs);

    // Called on the running copy when a later copy asks it to show itself.
    void setActivateHandler(std::function<void()> handler) { m_onActivate = std::move(handler); }

private:
    class SocketName;
    struct Lock;
    struct Answer;

    SingleInstance();
    ~SingleInstance() override;
    // Asks the copy holding lock to show itself, at the socket the lock names, else at fallback. untilListening:
    // it is known to run and may not listen yet.
    static Answer askRunningCopy(const QString& lock, const QString& fallback, int timeoutMs, bool untilListening);
    void noteRunningCopy(const Answer& answer, qint64 holder);
    void onNewConnection();
    // Keeps the locks whose files were removed or replaced meanwhile: each is taken again at its name.
    void takeBackLocks();
    void keep(const QString& folder, const QByteArray& file, int fd, bool settings);
    void writeRecords() const;
    // The lock's descriptor, locked; -1 when another process holds it (held true, holder its process) or it cannot
    // be had (why).
    static int lockFile(const QByteArray& path, bool& held, QString& why, qint64* holder);

    QString m_key;
    // Every lock held, the settings' first.
    std::vector<Lock> m_locks;
    QFileSystemWatcher* m_watcher = nullptr;
    QLocalServer* m_server = nullptr;
    // What the server listens on, while it does.
    std::unique_ptr<SocketName> m_socketName;
    QString m_refusal;
    QString m_unreachable;
    QString m_silence;
    qint64 m_holder = 0;
    // The socket's file as the system names it, while this copy listens there.
    QByteArray m_socketFile;
    QString m_socket;
    std::function<void()> m_onActivate;
    bool m_answered = false;
};
