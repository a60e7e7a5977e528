#pragma once

#include <QString>

// Where Velquon keeps its data files and settings. $VELQUON_HOME, when set, isolates everything
// (tests, or a server and a client on one machine); otherwise the per-user data folder.
QString programFolder();
// Full path of the INI settings file.
QString settingsFilePath();
// Folder of the files installed with the program (bundled sounds, help), or empty when none is found: the
// development folder when one is set, else share/velquon beside the program's folder, else the folder the
// program was configured to be installed to.
QString bundledDataFolder();
// Development builds and tests look in the source tree's resources first; an installed program never does.
void setDevelopmentDataFolder(const QString& folder);
