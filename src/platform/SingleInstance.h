#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

// Lets one copy of Velquon run per settings location. The first copy holds a lock file and listens on a
// local socket, both named after the settings file; a later copy finds the lock taken, asks the first one
// over the socket to show its main window, and gives up. A lock or socket left behind by a killed process
// is recognised as stale (its process is gone) and taken over. Both are named after the user too, so another
// user's leftovers in the shared temporary folder are never taken for this user's copy.
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

    bool isPrimary() const { return m_server != nullptr; }
    // Name of the local socket for a settings location.
    static QString serverName(const QString& settingsKey);
    // The lock file for a settings location.
    static QString lockPath(const QString& settingsKey);

    // Called on the running copy when a later copy asks it to show itself.
    void setActivateHandler(std::function<void()> handler) { m_onActivate = std::move(handler); }

private:
    SingleInstance() = default;
    ~SingleInstance() override;
    bool askRunningCopy(const QString& name, int timeoutMs);
    void onNewConnection();

    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    // Their files as the system names them, while this copy holds them.
    QByteArray m_lockFile;
    QByteArray m_socketFile;
    std::function<void()> m_onActivate;
    bool m_answered = false;
};
