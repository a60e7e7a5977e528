// Draws the program's desktop icon into a freedesktop icon theme tree (hicolor/<n>x<n>/apps/velquon.png)
// at build time, from the same drawing the running program uses, so the installed icon and the window's
// never differ.
//
// Usage: velquon_render_icons <output folder>

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include "mainwindow/ui/ProgramIcons.h"

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: velquon_render_icons <output folder>" << Qt::endl;
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(out).arg(size);
        const QString file = folder + QStringLiteral("/velquon.png");
        if (!QDir().mkpath(folder) ||
            !ProgramIcons::pixmap(QLatin1String(ProgramIcons::kDesktopIcon), size).save(file, "PNG")) {
            QTextStream(stderr) << "velquon_render_icons: cannot write " << file << Qt::endl;
            return 1;
        }
    }
    return 0;
}
