#pragma once

#include <functional>

class QObject;
class QString;
class ProgressWindow;

// What the layers below the composition root (src/app/) ask of the program as a whole. Core knows no
// widgets and no start-up: the widget side fills these once per process before start-up
// (registerStartupWindows), and tests that build no whole program fill what they need. An empty entry means
// "no such thing here": no progress window is shown, the exit steps end nothing.
struct ProgramLinks {
    // A new progress window, not yet shown; the caller owns it (Processing).
    std::function<ProgressWindow*()> createProgressWindow;
    // True while a modal dialog is open (progress windows then stay away).
    std::function<bool()> isDialogOpen;
    // The end of a main window's exit steps: ShutDown (databases closed, program-wide objects released,
    // windows unloaded), then EndProgram (the event loop ends unless the mode is being switched).
    std::function<void()> shutDown;
    std::function<void()> endProgram;
    // A change of network mode to or from client mode: the main window closes without ending the program
    // and start-up runs again for the stored mode. Never called while a dialog of the old main window is
    // still on the stack (the options dialog queues it until its modal loop has returned).
    std::function<void()> runStartUpAgain;
    // The client's waiting notes (frmWaiting): one of that kind over owner while a request is pending, and
    // the closing of every note of a kind ("ALL": of every kind). Unset, nothing is shown.
    std::function<void(const QString& kind, QObject* owner)> showWaiting;
    std::function<void(const QString& kind)> unloadWaitingForms;
};

ProgramLinks& programLinks();

// Work that lets the event loop run between its steps: a progress window's steps, a long answer to a client,
// a statistics run. An end of the program asked for meanwhile (SIGTERM, the session ending), or a switch to or
// from client mode, must not pull the databases and windows away under it, nor wait for it to finish: the
// task sees Program::ending() at its next step and stops, and the end or the switch runs once the last task
// has returned.
class LongTask {
public:
    LongTask();
    ~LongTask();
    LongTask(const LongTask&) = delete;
    LongTask& operator=(const LongTask&) = delete;
};

namespace Program {
// Run the entries when they are set.
bool dialogOpen();
void shutDown();
void end();
void runStartUpAgain();
void showWaiting(const QString& kind, QObject* owner);
void unloadWaitingForms(const QString& kind);

// The program is to end, or its mode to switch: long tasks stop at their next step.
bool ending();
// Runs end at once when no long task runs; otherwise marks the program as ending and runs end from the event
// loop once the last long task has returned. A second request while one waits changes nothing; it takes the
// place of a mode switch that waits.
void requestEnd(std::function<void()> end);
// A switch to or from client mode, through the same gate as the end: at once when no long task runs, else
// once the last has returned. While an end waits it is dropped; a later switch takes the place of one that
// waits.
void requestModeSwitch(std::function<void()> doSwitch);
// What a long task stopped by ending() left undone ("12 of 120 calls were not deleted"), said where it lasts:
// the event list and the activity log, whatever LogActivity says, since the window is about to go.
void sayUnfinished(const QString& what);
} // namespace Program
