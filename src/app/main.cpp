#include <QApplication>

#include "core/modMain.h"
#include "core/ui/StartupWindows.h"
#include "platform/ui/WidgetPrompt.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velquon"));
    // The program ends only through its exit steps, never because its last window was hidden to the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    WidgetPrompt prompt;
    if (qEnvironmentVariable("VELQUON_NONINTERACTIVE") != QLatin1String("1"))
        Prompt::setBackend(&prompt);

    registerStartupWindows();
    installExitHooks();
    if (!Main())
        return 0; // another copy runs and has come forward
    const int code = app.exec();
    Prompt::setBackend(nullptr);
    return code;
}
