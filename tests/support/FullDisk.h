#pragma once

#include <QString>

// Makes a folder a disk of its own that can be filled to the last byte: a small file system in memory is mounted
// over it while the guard lives (what the folder held is out of sight meanwhile), and fill() takes whatever room
// is left. Mounting needs the right to (root, as the tests run here and in CI): without it holds() is false, and
// the test skips.
class FullDisk {
public:
    explicit FullDisk(const QString& folder);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool holds() const { return m_mounted; }
    // The system's reason for a refused mount.
    QString why() const { return m_why; }
    // Writes a file of its own until the disk takes nothing more, then gives room bytes of it back (whole blocks
    // of 4 KB); true once not a block is free, or room bytes are.
    bool fill(qint64 room = 0);
    // Gives back what fill() took.
    void makeRoom();

private:
    QByteArray m_folder;
    bool m_mounted = false;
    QString m_why;
};
