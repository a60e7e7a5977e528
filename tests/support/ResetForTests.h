#pragma once

#include <memory>
#include <utility>

// Puts the process back as a fresh start finds it: the program-wide objects released as ShutDown releases
// them (databases closed, server, client socket, announcer, mixer, collections, statistics; in the window
// tests also the tooltip service), the non-owning pointers and flags cleared (main window, network mode,
// ringing, mode switch), the window links emptied, the pop-up's list emptied, the single-instance lock
// released, the clock, the kept error (gErrNumber and the rest), the scripted prompts and the activity-log
// state reset. TempHome calls it when it is made and when it goes, so a test starts and ends clean. The
// once-per-process installs (the program links, the main window makers) stay.
void resetForTests();

// Makes a program-wide object for a test, owned by its global as start-up would own it; resetForTests
// releases it.
template <typename T, typename... Args>
T& install(std::unique_ptr<T>& global, Args&&... args)
{
    global = std::make_unique<T>(std::forward<Args>(args)...);
    return *global;
}
