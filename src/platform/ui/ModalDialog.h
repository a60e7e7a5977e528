#pragma once

#include <QWidget>

#include <functional>

class QDialog;

// Runs a dialog modal, unless the program runs without anyone to answer (VELQUON_NONINTERACTIVE=1): then
// the dialog is not shown and counts as closed without OK, so nothing headless ever waits on it.
//
// Tests answer dialogs the way they answer Prompt's boxes: a queued script gets the next dialog once it is
// shown (so its display set-up has run), fills it and presses its buttons; whatever the script leaves open
// is then closed as the close box would close it, and a dialog deleted meanwhile (its owner went) counts as
// cancelled. No modal loop runs for a scripted dialog.
int execDialog(QDialog& dialog);

namespace ModalDialog {

// Every box and dialog gives the keyboard back to the window that opened it when it closes: window managers
// give it to another window of the program (the main window rather than a tool window it owns), and the user's
// next key would act there. openerOf names that window as the box opens (the active window, else the window
// the box belongs to); giveBack makes it the active window again once the box has closed, when the box had the
// keyboard: no window of ours has it once the user gave it to another program, and it stays there. A caller that
// knows the closed window had it (its hiding took it away) says so. Only the window manager's answer to the
// closing is put right, never a later change of the keyboard.
QWidget* openerOf(const QWidget* box);
// Follows where the keyboard goes from now on (the program starts it with its windows; the first box does too).
void followKeyboard();
// The user gave the keyboard to another program, and no window of ours has it: nothing of ours takes it back
// unasked, nor comes up over that program.
bool keyboardWithAnotherProgram();
void giveBack(QWidget* opener, bool closedWithKeyboard = false);
// The window given back last, until the event loop next runs: the window system has not said yet which window
// is active, and a box the same command asks next belongs there too. nullptr otherwise.
QWidget* givenBackTo();

// The program is ending: every dialog execDialog runs now closes as cancelled (Prompt::closeOpen). While Prompt
// is closed, execDialog shows none and answers as cancelled.
void closeOpen();

// Runs a dialog modal until it is answered, closed or gone, and gives its result, as exec() would; every box and
// dialog of the program waits here. Unlike exec(), a dialog hidden with the program (hideWithProgram) still waits,
// and comes back with it; any other hide ends the wait, as it ends exec().
int wait(QDialog& dialog);
// Hides a window as the program goes to the tray (or is minimised): a box or dialog among them that waits for
// the user's answer keeps waiting.
void hideWithProgram(QWidget* window);

using Script = std::function<void(QDialog&)>;
void queueScript(Script script);
// Scripts queued and not yet used.
int pendingScripts();
void resetScripts();
} // namespace ModalDialog
