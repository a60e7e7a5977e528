#include "contacts/ContactPicture.h"

#include <QFile>
#include <QImageReader>
#include <QStringList>

#include "platform/PlainFile.h"

namespace ContactPicture {

QImage load(const QString& path)
{
    if (path.isEmpty())
        return {};
    // Read from a file opened the one way that never waits on a pipe in its place.
    QFile file(path);
    if (!PlainFile::openToRead(file, path) || file.size() > MaxBytes)
        return {};
    QImageReader reader(&file);
    // A small file can still claim an enormous picture.
    reader.setAllocationLimit(256);
    return reader.read();
}

std::optional<QString> pathRefusal(const QString& path)
{
    if (path.contains(QLatin1Char(';')) || path.contains(QLatin1Char('|')) || path.contains(QLatin1Char('"')))
        return path + QStringLiteral(" cannot be used: picture file names must not contain \";\", \"|\" or "
                                     "'\"'. Choose another file.");
    return std::nullopt;
}

QString fileFilter()
{
    // The formats Qt reads here, with the Windows bitmap names spelled right (bmp, dib).
    QStringList patterns;
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const QByteArray& f : formats)
        patterns << QStringLiteral("*.") + QString::fromLatin1(f).toLower();
    if (!patterns.contains(QStringLiteral("*.dib")) && patterns.contains(QStringLiteral("*.bmp")))
        patterns << QStringLiteral("*.dib");
    patterns.removeDuplicates();
    QString filter = QStringLiteral("All Picture Files (") + patterns.join(QLatin1Char(' ')) + QStringLiteral(")");
    const struct {
        const char* label;
        const char* globs;
        const char* format;
    } kinds[] = {
        {"Bitmaps", "*.bmp *.dib", "bmp"}, {"GIF Image", "*.gif", "gif"}, {"JPEG Image", "*.jpg *.jpeg", "jpg"},
        {"PNG Image", "*.png", "png"},     {"Icons", "*.ico", "ico"},
    };
    for (const auto& k : kinds) {
        if (formats.contains(QByteArray(k.format)))
            filter += QStringLiteral(";;") + QString::fromLatin1(k.label) + QStringLiteral(" (") +
                      QString::fromLatin1(k.globs) + QLatin1Char(')');
    }
    filter += QStringLiteral(";;All Files (*)");
    return filter;
}

} // namespace ContactPicture
