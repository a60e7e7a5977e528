#pragma once

class QWidget;

// Windows that stand where the user must still see and reach what opens meanwhile, and the windows kept clear of
// them. A marked window is either one that stands over the others at a place of its own (the pop-up, on top
// wherever the user left it), or one whose controls stay within reach while the program tells or asks something
// (the progress window, whose Stop ends the task a box may be about: a notice that refuses a command until the task
// has finished).
//
// Every window of ours stays clear of the pop-up, and what the user must answer (a box or notice, a modal dialog,
// another progress window) stays clear of a progress window too, through its whole life: as it shows it is moved
// beside them, on the screen, as near as can be to where it would have stood; while it is open it is looked at
// again whenever it moves or is resized (a details section opened, the user's drag), and whenever one of them
// shows, is raised, moves or grows over it. A window that grew is brought back onto the screen. Where the screen
// leaves no room beside them, a window stays where it is, below the pop-up, modal or not (the options): the caller
// is what must be seen. Only a question box (a message box, a prompt) or a task's window stands above them, and
// only while one of them covers the buttons that answer it (a box's answers, a task's Stop) where they are on the
// screen; on top with the pop-up while the pop-up is on top. Hidden, moved off or closed, or the box restored with
// nothing left under its buttons, it takes the window's stay-on-top back. What the rule moves or raises itself is no
// news to it. The marked window keeps its own place. It all happens at one place every window passes, never by
// moving the keyboard or activating a window.
// Passed by: the windows the pop-up is there to come over (the main window, marked mayBeCovered), a window the user
// made as large as the screen, menus, tips and windows outside the window manager. A box never belongs to a window
// whose controls stay within reach, or the window manager would keep it over it; a box of the pop-up's own belongs
// to it and stands above it.
namespace KeepInSight {

enum class Kind {
    Reach, // its controls stay within reach: no box belongs to it
    OnTop, // it stands over the others at a place of its own
};

void mark(QWidget* window, Kind kind = Kind::Reach);
bool marked(const QWidget* window);
// A window the pop-up may stand over: the main window, whose call list a call's pop-up comes over on purpose.
void mayBeCovered(QWidget* window);
// Whether a look at the windows is still due: a window moved or resized, one of them raised, not yet still.
bool settling();
// The window a box asked over window belongs to: window itself, or for one whose controls stay within reach the
// window that owns it.
QWidget* ownerFor(QWidget* window);
// Moves window off the marked windows it must stay clear of, or stands it above them where no place beside them
// is left. Every window passes here as it shows and as it moves or is resized; a window the program moves once
// shown (the progress window beside the task bar) may ask at once.
void placeBeside(QWidget* window);
// The program's own stay-on-top for window (its always-on-top options). While the window stands above the pop-up
// it stays on top for that as well; what the rule adds it takes back, and this is what is left.
void setOnTop(QWidget* window, bool onTop);

} // namespace KeepInSight
