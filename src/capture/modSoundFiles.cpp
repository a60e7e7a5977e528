#include "capture/modSoundFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/modError.h"
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

namespace {

// Copies every bundled file into a scratch folder beside target, then gives it target's name; false with why.
bool copySounds(const QString& source, const QString& scratch, const QString& target, QString& why)
{
    // A scratch folder an earlier start left (killed half-way) goes first: the copy starts afresh.
    if (!PlainFile::removeFolder(scratch, &why) || !PlainFile::makeFolders(scratch, &why))
        return false;
    const QFileInfoList files = QDir(source).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& f : files) {
        const QString copy = scratch + QLatin1Char('/') + f.fileName();
        if (!PlainFile::copyWhole(f.absoluteFilePath(), copy, &why)) {
            why = f.fileName() + QStringLiteral(": ") + why;
            return false;
        }
        // Installed files may be read-only; the user's copies are theirs to replace.
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    if (::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(target).constData()) != 0) {
        why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace

bool InstallBundledSounds()
{
    const QString target = programFolder() + QStringLiteral("/Sounds");
    if (QFileInfo(target).isDir())
        return true;
    const QString source = bundledSoundsFolder();
    if (source.isEmpty())
        return false;
    // Copied into a scratch folder first, so an interrupted copy never leaves a half-filled "Sounds" folder that would
    // stop the next start from trying again. Only where the program may write: run as root, never in a folder another
    // user controls. Refused, the default sounds do not play, which the user hears of as of any file not written.
    const QString scratch = target + QStringLiteral(".partial");
    QString why;
    if (copySounds(source, scratch, target, why))
        return true;
    PlainFile::removeFolder(scratch);
    // Another copy of the program made it meanwhile.
    if (QFileInfo(target).isDir())
        return true;
    ReportUnwritten(kFileAccessError,
                    QStringLiteral("The sounds folder ") + target + QStringLiteral(" cannot be written: ") + why,
                    QStringLiteral("Velquon"), QStringLiteral("modSoundFiles_InstallBundledSounds"), target);
    return false;
}
