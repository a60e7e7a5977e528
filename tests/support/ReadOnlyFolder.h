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
