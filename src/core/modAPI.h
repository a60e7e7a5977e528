#pragma once

#include <QString>

// Start with the desktop: an XDG autostart entry ("Velquon.desktop") in the user's autostart folder,
// or in $VELQUON_HOME/autostart when VELQUON_HOME isolates the program.
QString autoStartEntryPath();
// Writes the entry when there is none yet.
void SetAutoStart();
// Deletes the entry; a missing entry is no error.
void RemoveAutoStart();
