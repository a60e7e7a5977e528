#include "platform/ui/WidgetPrompt.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velquon"));
    QApplication::setQuitOnLastWindowClosed(false);
    WidgetPrompt prompt;
    Prompt::setBackend(&prompt);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Velquon"));
    window.show();
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    return app.exec();
}
