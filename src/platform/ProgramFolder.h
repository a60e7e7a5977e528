#pragma once

#include <QString>

// Where Velquon keeps its data files and settings. $VELQUON_HOME, when set, isolates everything
// (tests, or a server and a client on one machine); otherwise the per-user data folder.
QString programFolder();
// Full path of the INI settings file.
QString settingsFilePath();
// Folder of the files installed with the program (bundled sounds, help), or empty when none is found.
QString bundledDataFolder();
