#pragma once

#include <QString>

// Makes a folder read-only for this process while the guard lives: nothing can be created, renamed or removed
// in it. The permission bits alone do not stop a process running as root (as the tests may in a container),
// so the guard also sets aside the calling thread's right to override them; the program code under test runs
// on that thread.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // Whether the folder really refuses a new file (checked by trying).
    bool holds() const;

private:
    QString m_path;
    bool m_capsDropped = false;
};

// The same for one file: it cannot be written while the guard lives.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

private:
    QString m_path;
    bool m_capsDropped = false;
};

// Mounts a folder over itself, read-only, while the guard lives: the system refuses every write there ("Read-only
// file system"), whatever the writer's rights. Mounting needs the right to (root, as the tests run here and in CI):
// without it holds() is false, and the test skips.
class ReadOnlyMount {
public:
    explicit ReadOnlyMount(const QString& folder);
    ~ReadOnlyMount();
    ReadOnlyMount(const ReadOnlyMount&) = delete;
    ReadOnlyMount& operator=(const ReadOnlyMount&) = delete;

    bool holds() const { return m_mounted; }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

// Whether this process may start a program without the right to override file permissions (the right root has):
// to that program another user's file is another user's. Then, in a child process's modifier (before its program
// starts), withoutPermissionOverride() gives that right up for good.
bool canStartWithoutPermissionOverride();
void withoutPermissionOverride();
