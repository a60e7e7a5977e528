#include "platform/DataFile.h"

#include "platform/PlainFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DataFile {

QString formatField(const QVariant& field)
{
    switch (field.typeId()) {
    case QMetaType::Bool:
        return field.toBool() ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QString::number(field.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(field.toDouble(), 'g', 15);
    default: {
        QString t = field.toString();
        t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + t + QLatin1Char('"');
    }
    }
}

QString formatRecord(const Record& record)
{
    QStringList parts;
    parts.reserve(record.size());
    for (const QVariant& f : record)
        parts << formatField(f);
    return parts.join(QLatin1Char(','));
}

static QVariant unquotedField(const QString& raw)
{
    const QString t = raw.trimmed();
    if (t.compare(QLatin1String("#TRUE#"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("#FALSE#"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qlonglong i = t.toLongLong(&ok);
    if (ok)
        return i;
    const double d = t.toDouble(&ok);
    if (ok)
        return d;
    return t;
}

Record parseRecord(const QString& input)
{
    QString line = input;
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    Record out;
    if (line.trimmed().isEmpty())
        return out;
    int i = 0;
    const qsizetype n = line.size();
    while (i <= n) {
        while (i < n && line[i] == QLatin1Char(' '))
            ++i;
        if (i < n && line[i] == QLatin1Char('"')) {
            QString text;
            ++i;
            while (i < n) {
                if (line[i] == QLatin1Char('"')) {
                    if (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
                        text += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += line[i++];
            }
            out << text;
            // Skip anything up to the next separator (a malformed tail after a closing quote).
            while (i < n && line[i] != QLatin1Char(','))
                ++i;
        } else {
            const int start = i;
            while (i < n && line[i] != QLatin1Char(','))
                ++i;
            out << unquotedField(line.mid(start, i - start));
        }
        if (i >= n)
            break;
        ++i; // the comma
        if (i == n) {
            out << QString(); // a trailing comma leaves one empty field
            break;
        }
    }
    return out;
}

bool toBool(const QVariant& field, bool fallback)
{
    if (field.typeId() == QMetaType::Bool)
        return field.toBool();
    if (field.typeId() == QMetaType::LongLong || field.typeId() == QMetaType::Double ||
        field.typeId() == QMetaType::Int)
        return field.toDouble() != 0;
    QString t = field.toString().trimmed().toUpper();
    if (t.startsWith(QLatin1Char('#')) && t.endsWith(QLatin1Char('#')) && t.size() >= 2)
        t = t.mid(1, t.size() - 2);
    if (t == QLatin1String("TRUE") || t == QLatin1String("-1") || t == QLatin1String("1") ||
        t == QLatin1String("YES") || t == QLatin1String("ON"))
        return true;
    if (t == QLatin1String("FALSE") || t == QLatin1String("0") || t == QLatin1String("NO") || t == QLatin1String("OFF"))
        return false;
    return fallback;
}

// The file's records: a line end inside quoted text belongs to the field, as the writer keeps a text's line
// breaks. A quote that is never closed would take the whole rest of the file: from that record on, every
// line is a record of its own again.
static QStringList splitRecords(const QString& all)
{
    QStringList out;
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QChar c = all[i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char('\n') && !quoted) {
            out << all.mid(start, i - start);
            start = i + 1;
        }
    }
    if (quoted)
        out << all.mid(start).split(QLatin1Char('\n'));
    else
        out << all.mid(start);
    return out;
}

std::optional<QList<Record>> readAll(const QString& path, Damage* damage, QString* error)
{
    QFile f(path);
    if (!PlainFile::openToRead(f, path, error))
        return std::nullopt;
    // Read in pieces, line by line: a line past the bound is dropped as it comes, so a file of one huge line
    // costs a piece's memory, not the line's.
    QByteArray kept;
    QByteArray line;
    bool tooLong = false;
    qsizetype lineNumber = 1;
    const auto endLine = [&](bool withEnd) {
        if (tooLong) {
            if (damage) {
                if (damage->longLines++ == 0)
                    damage->firstLongLine = lineNumber;
            }
        } else {
            kept += line;
            if (withEnd)
                kept += '\n';
        }
        line.clear();
        tooLong = false;
        ++lineNumber;
    };
    while (!f.atEnd()) {
        const QByteArray piece = f.read(64 * 1024);
        if (piece.isEmpty())
            break;
        qsizetype from = 0;
        while (from < piece.size()) {
            const qsizetype end = piece.indexOf('\n', from);
            const qsizetype stop = end < 0 ? piece.size() : end;
            if (!tooLong) {
                line.append(piece.constData() + from, stop - from);
                if (line.size() > MaxLineBytes) {
                    tooLong = true;
                    line.clear();
                }
            }
            if (end < 0)
                break;
            endLine(true);
            from = end + 1;
        }
    }
    if (!line.isEmpty() || tooLong)
        endLine(false);
    return parseAll(kept);
}

QByteArray formatAll(const QList<Record>& records)
{
    QByteArray data;
    for (const Record& r : records) {
        data += formatRecord(r).toUtf8();
        data += "\r\n";
    }
    return data;
}

QList<Record> parseAll(const QByteArray& bytes)
{
    const QString all = QString::fromUtf8(bytes);
    QList<Record> records;
    const QStringList lines = splitRecords(all);
    for (int i = 0; i < lines.size(); ++i) {
        if (i == lines.size() - 1 && lines[i].isEmpty())
            break; // the final line end
        records << parseRecord(lines[i]);
    }
    return records;
}

namespace {

// Whether path leads, through its links, to an open descriptor of a process (/dev/stdout, /dev/fd/1,
// /proc/self/fd/1): opened anew, such a path is a second opening of what the descriptor has open, a file
// redirected with ">>" among them.
bool leadsToADescriptor(QString path)
{
    for (int link = 0; link < 40; ++link) {
        const QFileInfo info(path);
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        if (folder.startsWith(QLatin1String("/proc/")) && folder.endsWith(QLatin1String("/fd")))
            return true;
        if (!info.isSymLink())
            return false;
        path = info.symLinkTarget();
    }
    return false;
}

} // namespace

bool writeWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode))
        return PlainFile::replace(path, bytes, error);
    // A process's descriptor keeps what it was given: the program's output appended to a file keeps what the
    // file held, and each writing goes after the last.
    const int fd = PlainFile::openToWriteWithoutWaiting(
        path, O_WRONLY | O_CREAT | (leadsToADescriptor(path) ? O_APPEND : O_TRUNC), error);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    int reason = 0;
    while (done < bytes.size() && reason == 0) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n >= 0) {
            done += n;
        } else if (errno == EAGAIN) {
            pollfd ready = {fd, POLLOUT, 0};
            if (::poll(&ready, 1, 250) == 0)
                reason = EAGAIN;
        } else if (errno != EINTR) {
            reason = errno;
        }
    }
    ::close(fd);
    if (reason != 0 && error)
        *error = reason == EAGAIN ? QStringLiteral("nobody takes what is written")
                                  : QString::fromLocal8Bit(std::strerror(reason));
    return reason == 0;
}

bool writeAll(const QString& path, const QList<Record>& records, QString* error)
{
    return PlainFile::replace(path, formatAll(records), error);
}

bool appendBytes(const QString& path, const QByteArray& data, QString* error)
{
    // Only to a plain file, or a character device a user put in its place (/dev/null): a pipe would wait for
    // a reader for ever.
    const int fd = PlainFile::openDescriptor(path, O_WRONLY | O_APPEND | O_CREAT, true, error);
    if (fd < 0)
        return false;
    struct stat info = {};
    if (::fstat(fd, &info) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    // Written straight to the descriptor: a write that fits only in part must say why the rest did not fit
    // (the system's own reason, such as a full disk), and take back what it wrote.
    const off_t start = S_ISREG(info.st_mode) ? info.st_size : -1;
    qint64 done = 0;
    bool written = true;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        const int reason = n < 0 ? errno : ENOSPC;
        // Half a line would glue itself to the next one written.
        if (start >= 0 && ::ftruncate(fd, start) != 0) {
            // Nothing more can be done about it here; the failure below is what the caller hears.
        }
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(reason));
        written = false;
        break;
    }
    ::close(fd);
    return written;
}

bool appendLines(const QString& path, const QStringList& lines, QString* error)
{
    QByteArray data;
    for (const QString& l : lines) {
        data += l.toUtf8();
        data += "\r\n";
    }
    return appendBytes(path, data, error);
}

void Rewritten::write(const QByteArray& bytes)
{
    QString why;
    if (writeWhole(m_path, bytes, &why)) {
        m_failed = false;
        return;
    }
    if (!m_failed)
        qWarning("%s could not be written to %s: %s", m_what, qPrintable(m_path), qPrintable(why));
    m_failed = true;
}

} // namespace DataFile
