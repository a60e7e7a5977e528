#pragma once

#include <QString>

// The wave files installed with the program. The default sound settings point into the program folder's
// "Sounds" folder, so the first start copies the bundled files there; the user may replace them later.

// Folder of the bundled wave files, or empty when none is installed.
QString bundledSoundsFolder();
// Copies the bundled "Sounds" folder into programFolder()/Sounds when that folder is missing. Returns true
// when the program folder has a "Sounds" folder afterwards. Never overwrites the user's files.
bool InstallBundledSounds();
