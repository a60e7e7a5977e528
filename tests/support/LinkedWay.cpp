#include "LinkedWay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

bool makeLinkedWay(const QString& path, bool anotherUsers)
{
    const QString folder = QFileInfo(path).absolutePath();
    const QByteArray link = QFile::encodeName(path);
    const QByteArray d = QFile::encodeName(folder + QStringLiteral("/d"));
    const QByteArray decoy = QFile::encodeName(folder + QStringLiteral("/x"));
    if ((anotherUsers && ::geteuid() != 0) || !QDir().mkpath(folder + QStringLiteral("/elsewhere/inner")) ||
        !QFile::rename(path, folder + QStringLiteral("/elsewhere/x")) ||
        ::symlink(QFile::encodeName(folder + QStringLiteral("/elsewhere/inner")).constData(), d.constData()) != 0 ||
        ::symlink("d/../x", link.constData()) != 0)
        return false;
    QFile theirs(QFile::decodeName(decoy));
    return !anotherUsers ||
           (theirs.open(QIODevice::WriteOnly) && theirs.write("the user's own\n") > 0 && theirs.flush() &&
            ::chown(decoy.constData(), 65534, 65534) == 0 && ::lchown(link.constData(), 65534, 65534) == 0 &&
            ::lchown(d.constData(), 65534, 65534) == 0 &&
            ::chmod(QFile::encodeName(folder + QStringLiteral("/elsewhere")).constData(), 0700) == 0);
}
