#include "core/modAPI.h"

#include "core/UnwrittenFiles.h"
#include "core/modError.h"
#include "platform/PlainFile.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

QString autoStartEntryPath() { return autoStartFolder() + QStringLiteral("/Velquon.desktop"); }

QString autoStartProgram()
{
    // The program that writes the entry: installed, the installed one; tried from a build folder, that
    // folder's. A configured install place may hold nothing, and the login would start nothing.
    const QString self = QCoreApplication::applicationFilePath();
    return self.isEmpty() ? QStringLiteral("velquon") : self;
}

QString autoStartEntryText()
{
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=Velquon\n"
                          "Comment=Caller ID for the phone line\nExec=\"%1\"\nIcon=velquon\n"
                          "Terminal=false\nX-GNOME-Autostart-enabled=true\n")
        .arg(autoStartProgram());
}

void SetAutoStart()
{
    const QString path = autoStartEntryPath();
    const QByteArray entry = autoStartEntryText().toUtf8();
    // What a write killed half-way left beside the entry in an earlier run.
    PlainFile::removeLeftovers(path);
    // An entry written by an older start (without the icon, or for a program since moved) is brought up
    // to date; one that says the same is left alone.
    QFile existing(path);
    if (PlainFile::openToRead(existing, path) && existing.readAll() == entry)
        return;
    existing.close();
    // Whatever else stands in the entry's place (a folder, a named pipe) is the user's: never written over.
    PlainFile::makeFolders(QFileInfo(path).absolutePath());
    // Refused, the option still says the program starts with the desktop: the entry is written at the next chance.
    const QString subject = QStringLiteral("The autostart entry ") + path;
    if (QString why; !UnwrittenFiles::write(path, entry, subject, UnwrittenFiles::OnRefusal::Hold, &why)) {
        ReportUnwritten(kFileAccessError, subject + QStringLiteral(" cannot be written: ") + why,
                        QStringLiteral("Velquon"), QStringLiteral("modAPI_SetAutoStart"), path);
    }
}

void RemoveAutoStart()
{
    const QString path = autoStartEntryPath();
    // An entry that could not be written yet must not come back after the option was turned off.
    UnwrittenFiles::forget(path);
    // Only where the program may write: run as root, never in a folder another user controls.
    const QString refusal = PlainFile::wayTo(path).refusal;
    if (QFile::exists(path) && (!refusal.isEmpty() || !QFile::remove(path))) {
        SaveError(kFileAccessError,
                  QStringLiteral("Path/File access error: ") + path +
                      (refusal.isEmpty() ? QString() : QStringLiteral(": ") + refusal),
                  QStringLiteral("Velquon"));
        ReportError(QStringLiteral("modAPI_RemoveAutoStart"));
    }
}
