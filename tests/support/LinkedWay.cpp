#include "LinkedWay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

LinkedWay::LinkedWay(const QString& path, bool anotherUsers)
{
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    m_leadsTo = folder + QStringLiteral("/elsewhere/x");
    m_decoy = folder + QStringLiteral("/x");
    const uid_t nobody = 65534;
    if (anotherUsers && ::geteuid() != 0)
        return;
    const QByteArray link = QFile::encodeName(path);
    const QByteArray d = QFile::encodeName(folder + QStringLiteral("/d"));
    if (!QDir().mkpath(folder + QStringLiteral("/elsewhere/inner")) || !QFile::rename(path, m_leadsTo) ||
        ::symlink(QFile::encodeName(folder + QStringLiteral("/elsewhere/inner")).constData(), d.constData()) != 0 ||
        ::symlink("d/../x", link.constData()) != 0)
        return;
    if (anotherUsers) {
        QFile decoy(m_decoy);
        if (!decoy.open(QIODevice::WriteOnly) || decoy.write("the user's own\n") < 0)
            return;
        decoy.close();
        const QByteArray elsewhere = QFile::encodeName(folder + QStringLiteral("/elsewhere"));
        if (::chown(QFile::encodeName(m_decoy).constData(), nobody, nobody) != 0 ||
            ::lchown(link.constData(), nobody, nobody) != 0 || ::lchown(d.constData(), nobody, nobody) != 0 ||
            ::chmod(elsewhere.constData(), 0700) != 0 || ::chmod(QFile::encodeName(m_leadsTo).constData(), 0600) != 0)
            return;
    }
    m_made = true;
}
