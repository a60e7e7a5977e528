#pragma once

#include <QString>

#include <sys/types.h>

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

// Where a path really leads, and whether the program may write there. The path is followed as the system follows
// it, one name at a time: a link from the folder it stands in, ".." after a linked folder from the folder the link
// led to, never by the text alone.
// Run as root, a write goes only where every folder on the way and every link on the way is root's, no other user
// can change what a folder on the way holds (a shared folder that only lets each user move their own entries, the
// temporary folder, counts where the entry met in it is root's), and the folder that holds the file (or the folder
// the path names) is root's alone, sticky or not: then nobody else can steer the write, nor make or use a name beside
// it, now or while it happens. Whoever runs it, a link is followed only where it is the running user's own, root's,
// or belongs to the owner of the file it leads to (of the folder that file would be made in, while there is none).
struct Way {
    // The file the path leads to, or where it would be made, with no link left in it; the path itself where the
    // system keeps what it leads to (a process's descriptors).
    QString leadsTo;
    // Why nothing may be written there, said after the file ("it is a link whose owner ..."); empty when it may.
    QString refusal;
    // The owner of what the refusal is about (a folder, a link, the file).
    uid_t blockerOwner = 0;
    // leadsTo is still a link: one to a process's descriptor, which only the system can follow, or one of a chain
    // too long to follow, which the system refuses in its own words.
    bool systemFollows = false;
};
Way wayTo(const QString& path);
// The same for a folder the program only passes through (the temporary folder it makes a folder of its own in):
// run as root, it may be one every user adds to, as long as no other user controls the way to it.
Way wayThrough(const QString& folder);
// The user's name for uid, else "the user <uid>".
QString ownerName(uid_t uid);
// Makes the folder at path and the folders on the way to it, where wayTo lets the program write, in the folders it
// judged and never through a link put there since; run as root, such a folder is root's alone whatever the umask.
// False with why.
bool makeFolders(const QString& path, QString* why = nullptr);
// Removes the folder at path with everything in it, where wayTo lets the program write: the folder it judged, and
// never what a link in it or put at its name since leads to. False with why.
bool removeFolder(const QString& path, QString* why = nullptr);

// Keeps the log at path within maxBytes once adding more bytes: a log that would go beyond is moved aside to
// "<file>.1" (whatever stood there goes), or, where it cannot be moved, emptied. All of it happens to the file the
// path really leads to, and only where a write there is allowed: a log whose way is refused is neither measured
// nor moved nor emptied (its lines are refused as well). What it did; why says why a move aside failed.
enum class Bound { Within, MovedAside, Emptied, Refused };
Bound keepWithin(const QString& path, qint64 maxBytes, qint64 adding, QString* why = nullptr);

// Opens a plain file to read. False when it cannot be, with why: the sentence above, or the system's reason.
bool openToRead(QFile& file, const QString& path, QString* why = nullptr);

// The file's descriptor, opened with flags (those of ::open; O_CREAT makes a missing file with mode 0666
// before the umask) and never waiting on it; -1 with why when it is no plain file or cannot be opened. With
// devicesToo, a character device in the file's place (a link to /dev/null) is opened as a file is. Opened to write,
// only where wayTo lets the program write, and the file it leads to then, never a link put there meanwhile.
int openDescriptor(const QString& path, int flags, bool devicesToo, QString* why = nullptr);
// For a writer that takes whatever stands at path but a folder (a named pipe, a device such as /dev/stdout, a
// file, through a link): the descriptor opened with flags and left non-blocking, so neither the opening nor a
// write ever waits for a pipe's reader; -1 with why when it cannot be opened (a pipe that nobody reads).
int openToWriteWithoutWaiting(const QString& path, int flags, QString* why = nullptr);

// Makes bytes the whole content of the plain file at path (through its links, as opening follows them), or leaves
// the old file exactly as it was. Only where wayTo lets the program write: run as root on a folder another user
// controls, nothing is written, and said as any refused write. The new content is written beside it, synced and only
// then renamed over it, with the old file's permissions, and its owner and group where we may give it them; every step
// is checked, since the system may take a write and refuse it only at the flush, the sync or the closing (a full disk,
// no inodes left, an I/O error). A file without a write bit stays as it is, whoever we run as. False with the system's
// reason, or the sentence above when something that is no file stands there (it is never written over); nothing of the
// attempt is left behind, unless the process is killed meanwhile (see removeLeftovers).
bool replace(const QString& path, const QByteArray& bytes, QString* why = nullptr);
// Makes a copy of the plain file at from, whole, at to (as replace makes it); false with why.
bool copyWhole(const QString& from, const QString& to, QString* why = nullptr);
// Removes what writes of the file at path (through the links replace follows) left beside it when their process
// was killed: the scratch copies replace names exactly as it makes them, whose writing process no longer runs and
// which nobody holds. Anything else there is left alone, and so is a folder wayTo refuses.
void removeLeftovers(const QString& path);

} // namespace PlainFile
