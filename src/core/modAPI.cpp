#include "core/modAPI.h"

#include "core/modError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

QString autoStartEntryPath()
{
    const QString home = qEnvironmentVariable("VELQUON_HOME");
    const QString folder = home.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                                QStringLiteral("/autostart")
                                          : QDir(home).absolutePath() + QStringLiteral("/autostart");
    return folder + QStringLiteral("/Velquon.desktop");
}

void SetAutoStart()
{
    const QString path = autoStartEntryPath();
    if (QFile::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString exec = QCoreApplication::applicationFilePath();
    if (exec.isEmpty())
        exec = QStringLiteral("velquon");
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        SaveError(kFileAccessError, QStringLiteral("Path/File access error: ") + path, QStringLiteral("Velquon"));
        ReportError(QStringLiteral("modAPI_SetAutoStart"));
        return;
    }
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=Velquon\n"
                                         "Comment=Caller ID for the phone line\nExec=\"%1\"\n"
                                         "Terminal=false\nX-GNOME-Autostart-enabled=true\n")
                              .arg(exec);
    f.write(entry.toUtf8());
    if (!f.commit()) {
        SaveError(kFileAccessError, QStringLiteral("Path/File access error: ") + path, QStringLiteral("Velquon"));
        ReportError(QStringLiteral("modAPI_SetAutoStart"));
    }
}

void RemoveAutoStart()
{
    const QString path = autoStartEntryPath();
    if (QFile::exists(path) && !QFile::remove(path)) {
        SaveError(kFileAccessError, QStringLiteral("Path/File access error: ") + path, QStringLiteral("Velquon"));
        ReportError(QStringLiteral("modAPI_RemoveAutoStart"));
    }
}
