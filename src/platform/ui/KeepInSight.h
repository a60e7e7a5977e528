#pragma once

class QWidget;

// Windows that stand where the user must still see and reach what opens meanwhile, and the windows kept clear of
// them. A marked window is either one whose controls stay within reach while the program tells or asks something
// (the progress window, whose Stop ends the task a box may be about: a notice that refuses a command until the task
// has finished), or one that stands over the others at a place of its own (the pop-up, on top wherever the user
// left it). What the user must answer or reach (a message box or notice, the progress window, the options dialog)
// opens beside every marked window, and while it is open it moves beside them again whenever one of them comes over
// it (the pop-up shown by a call, or moved): never under one. The marked window keeps its own place. A box never
// belongs to a window whose controls stay within reach, or the window manager would keep it over it; a box of the
// pop-up's own belongs to it and stands above it.
namespace KeepInSight {

enum class Kind {
    Reach, // its controls stay within reach: no box belongs to it
    OnTop, // it stands over the others at a place of its own
};

void mark(QWidget* window, Kind kind = Kind::Reach);
bool marked(const QWidget* window);
// The window a box asked over window belongs to: window itself, or for one whose controls stay within reach the
// window that owns it.
QWidget* ownerFor(QWidget* window);
// Moves window, as it is being shown, off every marked window on the screen but itself and the windows it belongs
// to: beside it, on the screen, as near as can be to where it would have stood. A window larger than what the
// screen leaves beside them stays where it was. While it is open it is moved again whenever a marked window shows,
// moves or grows over it.
void placeBeside(QWidget* window);

} // namespace KeepInSight
