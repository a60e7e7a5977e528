#pragma once

#include <QString>
#include <QStringList>

// Where Velquon keeps its data files and settings. $VELQUON_HOME, when set, isolates everything
// (tests, or a server and a client on one machine); otherwise the per-user data folder.
QString programFolder();
// Full path of the INI settings file.
QString settingsFilePath();
// Where the desktop looks for programs to start with it: $VELQUON_HOME/autostart when VELQUON_HOME is set. Not made.
QString autoStartFolder();
// The folders the program keeps its files in of its own accord: the settings' folder, the data folder (one folder
// when VELQUON_HOME is set), the autostart folder and the sounds. Nothing is made by asking.
QStringList ownFolders();
// Run as root, a temporary folder (TMPDIR) or runtime folder (XDG_RUNTIME_DIR) that another user controls, as a kept
// environment leaves them, is not used: root's own instead. Called before anything, Qt included, makes a folder there.
void keepRootOutOfOthersTemporaryFolders();
// Folder of the files installed with the program (bundled sounds, help), or empty when none is found: the
// development folder when one is set, else share/velquon beside the program's folder, else the folder the
// program was configured to be installed to.
QString bundledDataFolder();
// Development builds and tests look in the source tree's resources first; an installed program never does.
void setDevelopmentDataFolder(const QString& folder);
