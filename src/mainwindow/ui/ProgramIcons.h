#pragma once

#include <QIcon>
#include <QString>

// The program's pictures, drawn at run time: "ricon" (modem port released), "gicon" (port open) and
// "yicon", the tray and window icons, each a telephone handset on a coloured disc.
namespace ProgramIcons {

QIcon icon(const QString& name);

} // namespace ProgramIcons
