#include "core/modHelp.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "platform/EventLoopChoice.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"

QString HelpFilePath()
{
    const QString folder = bundledDataFolder();
    if (folder.isEmpty())
        return QString();
    return folder + QStringLiteral("/help/Velquon.html");
}

bool ShowHelpContents(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        const QString where = path.isEmpty() ? QStringLiteral("The help file Velquon.html") : path;
        Prompt::message(where + QStringLiteral(" could not be found. Install Velquon again to restore its help."),
                        Prompt::OkOnly, Prompt::Exclamation);
        return false;
    }
    // The file opens at its top, which is the list of topics.
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (!EventLoopChoice::startWithChildEnvironment([&] { return QDesktopServices::openUrl(url); })) {
        Prompt::message(QStringLiteral("The help could not be shown: this desktop has no program set up to open web "
                                       "pages (HTML files). Open ") +
                            path + QStringLiteral(" in a web browser."),
                        Prompt::OkOnly, Prompt::Exclamation);
        return false;
    }
    return true;
}
