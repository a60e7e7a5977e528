#include "core/modHelp.h"

#include <QFileInfo>
#include <QUrl>

#include "platform/DesktopLauncher.h"
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
    const auto noBrowser = [path] {
        Prompt::message(QStringLiteral("The help could not be shown: this desktop has no program set up to open web "
                                       "pages (HTML files). Open ") +
                            path + QStringLiteral(" in a web browser."),
                        Prompt::OkOnly, Prompt::Exclamation);
    };
    // Nothing to hand the file to now: said at once; the desktop's opener finding no browser: said then.
    if (!DesktopLauncher::open(url, noBrowser)) {
        noBrowser();
        return false;
    }
    return true;
}
