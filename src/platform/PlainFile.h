#pragma once

#include <QString>

class QFile;

// The one way the program opens a file that someone may have replaced with something else: a named pipe
// (opening it waits for its other end, for ever, and no signal gets the program out of that wait), a folder,
// a device or a socket. What a path leads to is learnt before it is opened (links followed, as opening
// follows them), the opening itself never waits (the descriptor is checked again once open, in case the
// path changed meanwhile), and a path that is no file gets one sentence a user understands.
namespace PlainFile {

enum class Kind {
    Missing, // nothing there, or a link that leads nowhere
    Plain,
    Folder,
    Pipe,
    Device,
    Socket,
    Unknown, // the system would not say (no right to look): opening it tells why
};

Kind kindOf(const QString& path);

// "a named pipe (FIFO)", "a folder" and the like; empty for a plain file, a missing one and Unknown.
QString whatItIs(Kind kind);
// "it is a named pipe (FIFO), not a file" and the like; empty for a plain file, a missing one and Unknown.
QString notAFile(Kind kind);
// notAFile(kindOf(path)).
QString whyNotAFile(const QString& path);
// "it is a link to a file that does not exist" for a symbolic link that leads nowhere (kindOf says Missing);
// empty for anything else.
QString whyLeadsNowhere(const QString& path);

// Opens a plain file to read. False when it cannot be, with why: the sentence above, or the system's reason.
bool openToRead(QFile& file, const QString& path, QString* why = nullptr);

// The file's descriptor, opened with flags (those of ::open; O_CREAT makes a missing file with mode 0666
// before the umask) and never waiting on it; -1 with why when it is no plain file or cannot be opened. With
// devicesToo, a character device in the file's place (a link to /dev/null) is opened as a file is. Opened to write,
// a link is followed only where it is the running user's own or its file's owner's (see replace).
int openDescriptor(const QString& path, int flags, bool devicesToo, QString* why = nullptr);
// For a writer that takes whatever stands at path but a folder (a named pipe, a device such as /dev/stdout, a
// file, through a link): the descriptor opened with flags and left non-blocking, so neither the opening nor a
// write ever waits for a pipe's reader; -1 with why when it cannot be opened (a pipe that nobody reads).
int openToWriteWithoutWaiting(const QString& path, int flags, QString* why = nullptr);

// Makes bytes the whole content of the plain file at path (through its links, as opening follows them), or leaves
// the old file exactly as it was. A link is followed only where it is the running user's own or belongs to the owner
// of the file it leads to: run as root on a user's folder, a link that user put there to another's file is refused. The
// new content is written beside it, synced and only then renamed over it, with the old file's permissions, and its
// owner and group where we may give it them; every step is checked, since the system may take a write and refuse it
// only at the flush, the sync or the closing (a full disk, no inodes left, an I/O error). A file without a write bit
// stays as it is, whoever we run as. False with the system's reason, or the sentence above when something that is no
// file stands there (it is never written over); nothing of the attempt is left behind, unless the process is killed
// meanwhile (see removeLeftovers).
bool replace(const QString& path, const QByteArray& bytes, QString* why = nullptr);
// Removes what writes of the file at path (through the links replace follows) left beside it when their process
// was killed: the scratch copies replace names exactly as it makes them, whose writing process no longer runs and
// which nobody holds. Anything else there is left alone.
void removeLeftovers(const QString& path);

} // namespace PlainFile
