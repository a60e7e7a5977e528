#pragma once

#include <functional>

class MainWindow;
class ProgressWindow;

// Start-up, shut-down and long operations live in velquon_core, which knows no widgets. The GUI fills this
// registry once at start-up (registerStartupWindows) with the functions that make the real windows; tests
// fill it with the same functions and run everything offscreen. An empty entry means "no such window here".
struct WindowFactory {
    // The standalone/server main window (modes 0 and 1) and the client main window (mode 2).
    std::function<MainWindow*()> createBaseMain;
    std::function<MainWindow*()> createRemoteMain;
    // Shows the first-run dialog modal and returns when it closes.
    std::function<void()> runOneTimeSetup;
    // Unloads every loaded window (shut-down).
    std::function<void()> unloadAllWindows;
    // A new progress window, not yet shown; the caller owns it.
    std::function<ProgressWindow*()> createProgressWindow;
    // True while a modal dialog is open (progress windows then stay away).
    std::function<bool()> isDialogOpen;
    // The program-wide tooltip service: made by start-up, released by shut-down.
    std::function<void()> createToolTip;
    std::function<void()> releaseToolTip;
};

WindowFactory& windowFactory();
