#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Faults of the system itself, made real by the kernel (a seccomp filter on one thread or one child process), so
// that the program's own code meets them as it would on a failing disk or at a kill.

// Runs work on a thread of its own on which every fsync and fdatasync fails with EIO, as on a disk that fails
// under the file system; the thread, and the refusal with it, ends with work. False (work not run) when this
// system cannot refuse calls so.
bool runWithFailingSync(const std::function<void()>& work);

// What writes of the program's own checked replace leave beside a file when their process is killed between the
// scratch copy and its rename, and what else may stand there. Made beside the file path leads to (through its
// links): each kill is a child process that runs the real replace and is killed by the system at its rename.
class KilledWrites {
public:
    explicit KilledWrites(const QString& path);
    ~KilledWrites();
    KilledWrites(const KilledWrites&) = delete;
    KilledWrites& operator=(const KilledWrites&) = delete;

    // False, with why, when the kills could not be made here.
    bool holds() const { return m_why.isEmpty(); }
    QString why() const { return m_why; }
    // Left by a write whose process is gone, held by nobody: a start removes them.
    QStringList leftByTheKilled() const { return m_leftByTheKilled; }
    // Not to be taken: the same left by a copy that still runs, one a writer holds open and locked (a copy in
    // another process namespace, whose number means nothing here), and names of the same folder that are not a
    // scratch copy of ours.
    QStringList notToTake() const { return m_notToTake; }
    // The names that stand in the file's folder now, beside the file and those above.
    QStringList standing() const;

private:
    QString m_folder;
    QStringList m_leftByTheKilled;
    QStringList m_notToTake;
    int m_lockedFd = -1;
    QString m_why;
};
