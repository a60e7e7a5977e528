#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/PlainFile.h"

namespace {

// The folder a path names as the system finds it: ".." after a linked folder leads up from where the link led, so the
// part before it is taken where it really is; every other name, a link the user named among them, stays as named.
QString systemsFolder(const QString& path)
{
    const QString named = QDir::fromNativeSeparators(path);
    const QString absolute = QDir::isAbsolutePath(named) ? named : QDir::currentPath() + QLatin1Char('/') + named;
    QStringList names;
    for (const QString& name : absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (name == QLatin1String("."))
            continue;
        if (name != QLatin1String("..")) {
            names << name;
            continue;
        }
        // Where nothing stands yet, the folder is made as named and ".." leads back to where it was made.
        const QString real = QFileInfo(QLatin1Char('/') + names.join(QLatin1Char('/'))).canonicalFilePath();
        if (!real.isEmpty())
            names = real.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (!names.isEmpty())
            names.removeLast();
    }
    return QLatin1Char('/') + names.join(QLatin1Char('/'));
}

// The user's data or configuration folder, as the environment names it. Qt's own answer has its text cleaned, which
// takes ".." after a linked folder somewhere else than the system does.
QString baseFolder(const char* variable, const char* underHome, QStandardPaths::StandardLocation location)
{
    if (QStandardPaths::isTestModeEnabled())
        return QStandardPaths::writableLocation(location);
    const QString set = qEnvironmentVariable(variable);
    if (set.startsWith(QLatin1Char('/')))
        return set;
    const QString home = qEnvironmentVariable("HOME");
    return (home.startsWith(QLatin1Char('/')) ? home : QDir::homePath()) + QLatin1String(underHome);
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
        p.folder = systemsFolder(QFile::decodeName(home));
        p.settingsFolder = p.folder;
        p.autoStart = p.folder + QStringLiteral("/autostart");
    } else {
        p.folder = systemsFolder(baseFolder("XDG_DATA_HOME", "/.local/share", QStandardPaths::GenericDataLocation) +
                                 QStringLiteral("/Velquon"));
        const QString config = baseFolder("XDG_CONFIG_HOME", "/.config", QStandardPaths::GenericConfigLocation);
        p.settingsFolder = systemsFolder(config + QStringLiteral("/Velquon"));
        p.autoStart = systemsFolder(config + QStringLiteral("/autostart"));
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
    return folders << p.autoStart << p.folder + QStringLiteral("/Sounds");
}

void keepRootOutOfOthersTemporaryFolders()
{
    if (::geteuid() != 0)
        return;
    // The temporary folder is everybody's, and passes: only the way to it must be nobody else's.
    if (const QString temporary = qEnvironmentVariable("TMPDIR");
        !temporary.isEmpty() && !PlainFile::wayThrough(temporary).refusal.isEmpty())
        qunsetenv("TMPDIR");
    // The runtime folder holds files itself (Qt's, the socket): root's alone, or root's own instead, else none (Qt
    // and the socket then make one of root's in the temporary folder).
    if (const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        !runtime.isEmpty() && !PlainFile::wayTo(runtime).refusal.isEmpty()) {
        struct stat info = {};
        if (::stat("/run/user/0", &info) == 0 && S_ISDIR(info.st_mode) &&
            PlainFile::wayTo(QStringLiteral("/run/user/0")).refusal.isEmpty())
            qputenv("XDG_RUNTIME_DIR", "/run/user/0");
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }
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
            return systemsFolder(c);
    }
    return QString();
}
