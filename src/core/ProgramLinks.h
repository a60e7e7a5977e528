#pragma once

#include <QEventLoop>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;
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
    // The whole end, as a signal or the session's end runs it: the main window's exit steps (or, without them,
    // shutDown), then endProgram. Unset, the main window is closed for good and its exit steps do the rest.
    std::function<void()> exitProgram;
    // A change of network mode to or from client mode: the main window closes without ending the program
    // and start-up runs again for the stored mode. Never called while a dialog of the old main window is
    // still on the stack (the options dialog queues it until its modal loop has returned).
    std::function<void()> runStartUpAgain;
    // The client's waiting notes (frmWaiting): one of that kind over owner while a request is pending, and
    // the closing of every note of a kind ("ALL": of every kind). Unset, nothing is shown.
    std::function<void(const QString& kind, QObject* owner)> showWaiting;
    // How many it closed.
    std::function<int(const QString& kind)> unloadWaitingForms;
};

ProgramLinks& programLinks();

// Work that lets the event loop run between its steps: a progress window's steps, a long answer to a client,
// a statistics run (from the moment it is queued), the modem's reply wait. An end of the program asked for
// meanwhile (SIGTERM, File > Exit, the session ending), or a switch to or from client mode, must not pull the
// databases and windows away under it, nor wait for it to finish: the task sees Program::ending() at its next
// step and stops, and the end or the switch runs once the last task has returned. Commands that would replace
// or empty a store a task may be using (another call log, Clear Log, the contact book's files) are refused
// while one runs (refuse).
class LongTask {
public:
    // what: the task as the user knows it ("Processing Grid Data...", "Sending Data To 10.0.0.2"), for the
    // lines that say what an end stopped and the boxes that say why a command waits.
    explicit LongTask(QString what = QString());
    ~LongTask();
    LongTask(const LongTask&) = delete;
    LongTask& operator=(const LongTask&) = delete;

    // Whether any task is held (and the end is not going on over it, Program::endNow), and what they are
    // (outermost first, each once).
    static bool running();
    static QStringList runningTasks();

    // The one way the program lets the event loop run outside a modal box or dialog. Only a held task may
    // yield: what runs meanwhile (an end, a mode switch, another log) is kept away only by the gate the task
    // holds. A yield without one is a fault in the caller: it is reported (in tests it fails the test, naming
    // the place) and then runs under a task of its own, so the gate still holds.
    static void yield(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents, const char* file = __builtin_FILE(),
                      int line = __builtin_LINE());
    // Who hears of a yield without a task; by default the diagnostic log, once a place.
    using StrayYield = std::function<void(const char* file, int line)>;
    static void setStrayYieldHandler(StrayYield handler);

    // A command that would replace or empty a store while a task runs is refused: true, after a notice that
    // says what runs and that nothing was changed (cannot: "the call log cannot be changed"). The notice waits
    // for nobody: the task goes on, and the program can end, while it is open.
    static bool refuse(const QString& cannot);

private:
    QString m_what;
};

namespace Program {
// Run the entries when they are set.
bool dialogOpen();
void shutDown();
void end();
void runStartUpAgain();
void showWaiting(const QString& kind, QObject* owner);
// How many waiting notes of that kind ("ALL": of any) were open and are closed now.
int unloadWaitingForms(const QString& kind);

// The program is to end, or its mode to switch: long tasks stop at their next step.
bool ending();
// Runs end at once when no long task runs; otherwise marks the program as ending and runs end from the event
// loop once the last long task has returned. A second request while one waits changes nothing; it takes the
// place of a mode switch that waits. Every box and dialog open closes as cancelled first (Prompt::closeOpen), and
// while the end waits none is shown.
void requestEnd(std::function<void()> end);
// An end asked for waits for a long task to stop.
bool endWaits();
// The end that waits runs now, under whatever task has not stopped (a second SIGTERM: the user insists); those
// tasks stop at their next step.
void endNow();
// The program's end by any road the user takes (File > Exit, the tray's Close, the close box when it ends the
// program): requestEnd with the whole end (ProgramLinks::exitProgram).
void exit();
// A switch to or from client mode, through the same gate as the end: at once when no long task runs, else
// once the last has returned. While an end waits it is dropped; a later switch takes the place of one that
// waits.
void requestModeSwitch(std::function<void()> doSwitch);
// What a long task stopped by ending() left undone ("12 of 120 calls were not deleted"), said where it lasts:
// the event list and the activity log, whatever LogActivity says, since the window is about to go.
void sayUnfinished(const QString& what);
} // namespace Program
