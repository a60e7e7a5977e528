#pragma once

#include <functional>

class MainWindow;

// The main window of each mode; start-up makes the one of the stored mode. Start-up's own tests put the
// plain stand-ins in place of both, whose own rules (close to the tray) have tests of their own.
struct MainWindowMakers {
    std::function<MainWindow*()> standalone; // modes 0 and 1
    std::function<MainWindow*()> client;     // mode 2
};
MainWindowMakers& mainWindowMakers();

// Installs the program's windows and exit steps where the lower layers look for them: the main window
// makers, the progress window and the modal-dialog test (core's Processing), the client's waiting notes,
// the pop-up's window, and the main windows' way to ShutDown and EndProgram. Called once by main() before
// Main(); tests call it too.
void registerStartupWindows();
