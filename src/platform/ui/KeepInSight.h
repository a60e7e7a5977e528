#pragma once

class QWidget;

// Windows whose controls stay within reach while the program tells or asks something: the progress window, whose
// Stop ends the task a box may be about (a notice that refuses a command until the task has finished). A box
// never belongs to such a window, or the window manager would keep it over it, and opens beside it.
namespace KeepInSight {

void mark(QWidget* window);
bool marked(const QWidget* window);
// The window a box asked over window belongs to: window itself, or for a marked one the window that owns it.
QWidget* ownerFor(QWidget* window);
// Moves box, as it is being shown, off every marked window on the screen: beside it, on the screen, as near as can
// be to where it would have stood. A box larger than what the screen leaves beside them stays where it was.
void placeBeside(QWidget* box);

} // namespace KeepInSight
