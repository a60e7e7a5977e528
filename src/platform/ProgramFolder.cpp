#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include "platform/PlainFile.h"

namespace {

QString cleanFolder(const QString& path)
{
    QString p = QDir::cleanPath(QDir::fromNativeSeparators(path));
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

// Made once: every settings read asks for the folder, and a call's road reads several settings, so a look at the
// disk each time would cost the call road a system call or two per read. Only where the program may write: run as
// root, never in a folder another user controls.
QString ensured(const QString& path)
{
    static QMutex mutex;
    static QStringList made;
    const QMutexLocker lock(&mutex);
    if (!made.contains(path)) {
        PlainFile::makeFolders(path);
        made << path;
    }
    return path;
}

// The folders, worked out again only when what they come from changes: every settings read asks for them, and a
// call's road reads several settings before its clients hear of it. Nothing is made here.
struct Paths {
    bool valid = false;
    QByteArray from;
    QString folder;
    QString settingsFolder;
    QString autoStart;
};

Paths paths()
{
    static QMutex mutex;
    static Paths p;
    const QMutexLocker lock(&mutex);
    const QByteArray home = qgetenv("VELQUON_HOME");
    const QByteArray from = !home.isEmpty() ? home
                                            : "\n" + qgetenv("HOME") + '\n' + qgetenv("XDG_DATA_HOME") + '\n' +
                                                  qgetenv("XDG_CONFIG_HOME") +
                                                  (QStandardPaths::isTestModeEnabled() ? "\ntest" : "");
    if (p.valid && p.from == from)
        return p;
    p.from = from;
    if (!home.isEmpty()) {
        p.folder = cleanFolder(QFileInfo(QString::fromLocal8Bit(home)).absoluteFilePath());
        p.settingsFolder = p.folder;
        p.autoStart = p.folder + QStringLiteral("/autostart");
    } else {
        p.folder = cleanFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                               QStringLiteral("/Velquon"));
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        p.settingsFolder = cleanFolder(config + QStringLiteral("/Velquon"));
        p.autoStart = cleanFolder(config + QStringLiteral("/autostart"));
    }
    p.valid = true;
    return p;
}

} // namespace

QString programFolder() { return ensured(paths().folder); }

QString settingsFilePath() { return ensured(paths().settingsFolder) + QStringLiteral("/Velquon.ini"); }

QString autoStartFolder() { return paths().autoStart; }

QStringList ownFolders()
{
    const Paths p = paths();
    QStringList folders{p.settingsFolder};
    if (!folders.contains(p.folder))
        folders << p.folder;
    return folders << p.autoStart;
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
