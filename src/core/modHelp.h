#pragma once

#include <QString>

// The program's help: one HTML file installed with the program ("help/Velquon.html" in the folder of the
// bundled files), shown by the desktop's own viewer for web pages. Both main windows' Help menus use it.

// Where the help file is; empty when no folder of bundled files was found.
QString HelpFilePath();
// Opens the help file (normally HelpFilePath()) on its list of topics. A missing file, or a desktop with
// nothing to show HTML, is said in a message that names the file; returns whether the desktop took it.
bool ShowHelpContents(const QString& path = HelpFilePath());
