#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's pictures, drawn at run time: "ricon" (modem port released), "gicon" (port open) and
// "yicon", the tray and window icons, each a telephone handset on a coloured disc.
namespace ProgramIcons {

QIcon icon(const QString& name);
// One picture at any size (the installed icons are drawn from it).
QPixmap pixmap(const QString& name, int size);
// The picture the desktop shows for the program (its menu entry, its start at login).
inline const char* const kDesktopIcon = "gicon";

} // namespace ProgramIcons
