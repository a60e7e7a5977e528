#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

// The comma-separated data-file format of the program's own files (attribute groups, custom statistics,
// activity log): one record a line, text fields in double quotes with "" for a quote inside, numbers
// plain, booleans #TRUE#/#FALSE#, CR LF line ends, UTF-8.
namespace DataFile {

using Record = QList<QVariant>;

// QString -> quoted text; bool -> #TRUE#/#FALSE#; any number -> plain decimal text.
QString formatField(const QVariant& field);
QString formatRecord(const Record& record);
// Quoted fields give QString; #TRUE#/#FALSE# give bool; unquoted numbers give double (or qlonglong when
// whole); any other unquoted text gives QString. A blank line gives an empty record.
Record parseRecord(const QString& line);
// Reads a boolean written either way (#TRUE#, "True", "FALSE", 1, 0 ...); anything else gives fallback.
bool toBool(const QVariant& field, bool fallback = false);

// The records of a whole file's bytes, as readAll gives them.
QList<Record> parseAll(const QByteArray& bytes);
// The bytes writeAll writes for the records.
QByteArray formatAll(const QList<Record>& records);
// The longest line the program's own files hold. A longer one is no line of theirs (a file damaged or made
// by someone else): it is left out as the file is read, without its text ever being held whole.
inline constexpr qsizetype MaxLineBytes = 64 * 1024;
// What reading a file left out.
struct Damage {
    qsizetype longLines = 0;     // lines longer than MaxLineBytes
    qsizetype firstLongLine = 0; // the first of them, counted from 1
};
// Whole file, each record parsed (blank lines as empty records; a line break inside quoted text stays in
// its field); nothing when the file cannot be read, with why in error (only a plain file is read: see
// PlainFile). Lines longer than MaxLineBytes are left out and counted in damage.
std::optional<QList<Record>> readAll(const QString& path, Damage* damage = nullptr, QString* error = nullptr);
// Rewrites the file whole or not at all (PlainFile::replace): a write that fails leaves the old file as it was,
// error saying why. A path that holds no file (a named pipe, a folder) is left as it is and fails, error saying
// what it is.
bool writeAll(const QString& path, const QList<Record>& records, QString* error = nullptr);
// Makes bytes what path holds. A plain file (or none yet) is replaced whole, never seen half written. What is
// no plain file is written as it stands, never renamed over: a named pipe or a device (/dev/stdout), and a
// link, whose target keeps its place and the names it has elsewhere. A path that leads to a process's open
// descriptor (/dev/stdout) is appended to, never emptied: the program's output redirected to a file keeps it. Neither
// the opening nor a write waits long for a pipe's reader: nobody reading, nothing is written (false), and a reader that
// takes nothing for a quarter of a second gets the rest no more. A folder fails.
bool writeWhole(const QString& path, const QByteArray& bytes, QString* error = nullptr);
// Appends raw lines (each followed by CR LF), creating the file when missing. Only a plain file (or a
// character device linked in its place, such as /dev/null) is written: a FIFO or a folder fails at once,
// error saying what it is (PlainFile::notAFile).
bool appendLines(const QString& path, const QStringList& lines, QString* error = nullptr);
// The same for bytes as they are; a write that fits only in part is taken back whole.
bool appendBytes(const QString& path, const QByteArray& data, QString* error = nullptr);

// A file written whole again at every change (a dump a test reads as a file, a pipe or the program's output).
// What cannot be written is left out until the next change, and said once until a writing goes through again:
// a reader that has gone would hear of it at every change.
class Rewritten {
public:
    // what: the dump's subject in the warning ("The call list").
    Rewritten(const QString& path, const char* what) : m_path(path), m_what(what) {}
    void write(const QByteArray& bytes);

private:
    QString m_path;
    const char* m_what;
    bool m_failed = false; // the last writing failed, and that was said
};

} // namespace DataFile
