#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString cleanFolder(const QString& path)
{
    QString p = QDir::cleanPath(QDir::fromNativeSeparators(path));
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

QString ensured(const QString& path)
{
    // Made once: every settings read asks for the folder, and a call's road reads several settings, so a
    // look at the disk each time would cost the call road a system call or two per read.
    static QStringList made;
    if (!made.contains(path)) {
        QDir().mkpath(path);
        made << path;
    }
    return path;
}

} // namespace

QString programFolder()
{
    const QString home = qEnvironmentVariable("VELQUON_HOME");
    if (!home.isEmpty())
        return ensured(cleanFolder(QFileInfo(home).absoluteFilePath()));
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return ensured(cleanFolder(base + QStringLiteral("/Velquon")));
}

QString settingsFilePath()
{
    const QString home = qEnvironmentVariable("VELQUON_HOME");
    if (!home.isEmpty())
        return programFolder() + QStringLiteral("/Velquon.ini");
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return ensured(cleanFolder(base + QStringLiteral("/Velquon"))) + QStringLiteral("/Velquon.ini");
}

namespace {
QString g_developmentDataFolder;
}

void setDevelopmentDataFolder(const QString& folder) { g_developmentDataFolder = folder; }

QString bundledDataFolder()
{
    QStringList candidates;
    if (!g_developmentDataFolder.isEmpty())
        candidates << g_developmentDataFolder;
    // Where it was installed, wherever the installed tree was moved to since; then where it was installed to.
    const QString appDir = QCoreApplication::applicationDirPath();
    if (!appDir.isEmpty())
        candidates << appDir + QStringLiteral("/../share/velquon");
#ifdef VELQUON_INSTALL_DATADIR
    candidates << QStringLiteral(VELQUON_INSTALL_DATADIR);
#endif
    for (const QString& c : candidates) {
        if (QFileInfo(c + QStringLiteral("/sounds")).isDir() || QFileInfo(c + QStringLiteral("/Sounds")).isDir())
            return cleanFolder(c);
    }
    return QString();
}
