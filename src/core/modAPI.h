#pragma once

#include <QString>

// Start with the desktop: an XDG autostart entry ("Velquon.desktop") in the user's autostart folder,
// or in $VELQUON_HOME/autostart when VELQUON_HOME isolates the program.
QString autoStartEntryPath();
// The program the entry starts: the one that writes it, wherever it runs from.
QString autoStartProgram();
// What the entry holds (it names the installed icon "velquon").
QString autoStartEntryText();
// Writes the entry when there is none yet, or when it says something else.
void SetAutoStart();
// Deletes the entry; a missing entry is no error.
void RemoveAutoStart();
