#include <QApplication>

#include "app/StartUp.h"
#include "app/StartupWindows.h"
#include "app/TestDriver.h"
#include "platform/DesktopLauncher.h"
#include "platform/EventLoopChoice.h"
#include "platform/ProcessEnd.h"
#include "platform/ProgramFolder.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignal.h"
#include "platform/ui/WidgetPrompt.h"

int main(int argc, char* argv[])
{
    endWithoutLibraryTeardown();
    ignoreBrokenPipes();
    EventLoopChoice::useQtsOwnLoop();
    keepRootOutOfOthersTemporaryFolders();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velquon"));
    // The program ends only through its exit steps, never because its last window was hidden to the tray.
    QApplication::setQuitOnLastWindowClosed(false);
#ifdef VELQUON_SOURCE_DIR
    setDevelopmentDataFolder(QStringLiteral(VELQUON_SOURCE_DIR "/resources"));
#endif

    WidgetPrompt prompt;
    if (qEnvironmentVariable("VELQUON_NONINTERACTIVE") != QLatin1String("1"))
        Prompt::setBackend(&prompt);

    // Web, mail and help links go through an opener that says when no program took them.
    DesktopLauncher::installOpeners();
    registerStartupWindows();
    installExitHooks();
    closeOnAnyExit(false);
    installTestDriver();
    // Another copy runs and has come forward, or the session ended the program while it started.
    if (!Main() || ProgramEnded())
        return StartUpExitCode();
    closeOnAnyExit(true);
    const int code = app.exec();
    Prompt::setBackend(nullptr);
    // The next start finds no lock or socket file of ours in the temporary folder.
    SingleInstance::instance().release();
    return code;
}
