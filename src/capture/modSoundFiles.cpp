#include "capture/modSoundFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/modMain.h"
#include "platform/PlainFile.h"
#include "platform/ProgramFolder.h"

QString bundledSoundsFolder()
{
    const QString base = bundledDataFolder();
    if (base.isEmpty())
        return QString();
    // Installed copies keep the folder's own name; the source tree keeps resources in lower case.
    for (const QString& name : {QStringLiteral("Sounds"), QStringLiteral("sounds")}) {
        const QString folder = base + QLatin1Char('/') + name;
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return QString();
}

bool InstallBundledSounds()
{
    const QString target = programFolder() + QStringLiteral("/Sounds");
    if (QFileInfo(target).isDir())
        return true;
    const QString source = bundledSoundsFolder();
    if (source.isEmpty())
        return false;
    // Copy into a scratch folder first, so an interrupted copy never leaves a half-filled "Sounds" folder
    // that would stop the next start from trying again.
    const QString scratch = target + QStringLiteral(".partial");
    // Only where the program may write: run as root, never in a folder another user controls.
    if (!PlainFile::wayTo(scratch).refusal.isEmpty())
        return false;
    QDir(scratch).removeRecursively();
    if (!PlainFile::makeFolders(scratch))
        return false;
    const QFileInfoList files = QDir(source).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& f : files) {
        const QString copy = scratch + QLatin1Char('/') + f.fileName();
        if (!QFile::copy(f.absoluteFilePath(), copy)) {
            AddEvent(QStringLiteral("Could not copy the sound file ") + f.fileName());
            QDir(scratch).removeRecursively();
            return false;
        }
        // Installed files may be read-only; the user's copies are theirs to replace.
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    if (!QDir().rename(scratch, target)) {
        QDir(scratch).removeRecursively();
        return QFileInfo(target).isDir();
    }
    return true;
}
